// The same bytes answered by cpp-httplib, as the board sets it up: for choosing its library.
#include <httplib.h>
#include <sys/socket.h>

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char **argv) {
    if (argc != 3)
        return std::fprintf(stderr, "usage: serve_httplib PORT FILE\n"), 2;
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string body = bytes.str();
    httplib::Server svr;
    svr.new_task_queue = [] { return new httplib::ThreadPool(128); }; // as the board
    svr.set_tcp_nodelay(true);
    svr.set_keep_alive_max_count(100000);
    int listening = -1; // the listening socket, its backlog made deep as the board's
    svr.set_socket_options([&listening](int socket) {
        int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        listening = socket;
    });
    svr.Get(".*", [&](const httplib::Request &, httplib::Response &res) {
        res.set_content(body, "application/json");
    });
    if (!svr.bind_to_port("127.0.0.1", std::atoi(argv[1])))
        return 1;
    listen(listening, SOMAXCONN);
    svr.listen_after_bind();
}
