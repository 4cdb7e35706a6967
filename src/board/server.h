// The board's HTTP server: the API, the pages, the browser game, and their limits.
#pragma once

#include <string>
#include <vector>

#include "store.h"

// How the board is run, from its command line.
struct BoardOptions {
    std::string host = "127.0.0.1";           // the address to listen on
    int port = 8080;                          // and its port; 0 picks a free one
    std::string database = "sqlite:board.db"; // sqlite:PATH or postgresql://...
    std::string web;                          // the browser release served at /, or ""
    std::vector<std::string> trusted_proxies; // addresses whose X-Forwarded-For is believed
    int runs_per_minute = 30;                 // runs taken from one address a minute, 1 and on
};

// Serves the board on `store`, already open, until SIGTERM or SIGINT; then finishes the requests
// in flight and returns 0. Prints "haystack-board: serving http://HOST:PORT" once listening; 1
// when it cannot listen.
int serve_board(const BoardOptions &options, const Store *store);
