// The same bytes answered by libmicrohttpd, a thread for each connection: for choosing the
// board's library.
#include <microhttpd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

static std::string body; // what every request is answered with

static MHD_Result answer(void *, MHD_Connection *connection, const char *, const char *,
                         const char *, const char *, size_t *, void **) {
    MHD_Response *response =
        MHD_create_response_from_buffer(body.size(), (void *)body.data(), MHD_RESPMEM_PERSISTENT);
    MHD_add_response_header(response, "Content-Type", "application/json");
    MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

int main(int argc, char **argv) {
    if (argc != 3)
        return std::fprintf(stderr, "usage: serve_microhttpd PORT FILE\n"), 2;
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    body = bytes.str();
    MHD_Daemon *daemon = MHD_start_daemon(
        MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_ERROR_LOG,
        uint16_t(std::atoi(argv[1])), nullptr, nullptr, answer, nullptr,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 4096, MHD_OPTION_END);
    if (!daemon)
        return 1;
    pause();
}
