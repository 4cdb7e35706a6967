// The same bytes answered by Boost.Beast over Asio, a thread for each connection, as the
// library's own synchronous server example goes: for choosing the board's library.
#include <boost/asio.hpp>
#include <boost/beast.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace beast = boost::beast;
namespace http = beast::http;
using tcp = boost::asio::ip::tcp;

static std::string body; // what every request is answered with

// Answers one connection's requests until it closes.
static void serve(tcp::socket socket) {
    beast::flat_buffer buffer;
    beast::error_code error;
    socket.set_option(tcp::no_delay(true));
    for (;;) {
        http::request<http::string_body> request;
        http::read(socket, buffer, request, error);
        if (error)
            break;
        http::response<http::string_body> response{http::status::ok, request.version()};
        response.set(http::field::content_type, "application/json");
        response.keep_alive(request.keep_alive());
        response.body() = body;
        response.prepare_payload();
        http::write(socket, response, error);
        if (error || !request.keep_alive())
            break;
    }
    socket.shutdown(tcp::socket::shutdown_send, error);
}

int main(int argc, char **argv) {
    if (argc != 3)
        return std::fprintf(stderr, "usage: serve_beast PORT FILE\n"), 2;
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    body = bytes.str();
    boost::asio::io_context context;
    tcp::acceptor acceptor(context);
    tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"),
                           (unsigned short)std::atoi(argv[1]));
    acceptor.open(endpoint.protocol());
    acceptor.set_option(tcp::acceptor::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(boost::asio::socket_base::max_listen_connections);
    for (;;)
        std::thread(serve, acceptor.accept()).detach();
}
