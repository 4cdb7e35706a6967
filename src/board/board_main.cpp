// haystack-board: the board that ranks searches after playing their replays through again.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board_rules.h"
#include "server.h"
#include "store.h"

static const char USAGE[] = // what the command line takes
    "usage: haystack-board [--listen ADDR:PORT] [--database URL] [--web DIR]\n"
    "                      [--trusted-proxy ADDR]... [--runs-per-minute N]\n"
    "       haystack-board remove ID [--database URL]\n"
    "URL is sqlite:PATH (sqlite:board.db unless given) or postgresql://...\n";

// Reads "ADDR:PORT" into the options; false when it is not one.
static bool parse_listen(const std::string &text, BoardOptions *options) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != port.npos)
        return false;
    options->port = std::atoi(port.c_str());
    options->host = text.substr(0, colon);
    if (options->host.size() > 2 && options->host.front() == '[' && options->host.back() == ']')
        options->host = options->host.substr(1, options->host.size() - 2);
    return options->port <= 65535;
}

// Reads the options after the command into `options`, and a run's id for `remove`; false with
// the reason on standard error when they are not the board's.
static bool parse_options(int argc, char **argv, BoardOptions *options, long long *remove_id) {
    int i = 1;
    if (argc > 1 && !std::strcmp(argv[1], "remove")) {
        *remove_id = argc > 2 ? parse_run_id(argv[2]) : 0;
        if (!*remove_id) {
            std::fprintf(stderr, "haystack-board: remove needs a run's id, 1 and on\n");
            return false;
        }
        i = 3;
    }
    for (; i < argc; i++) {
        std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "haystack-board: '%s' is not an option here\n%s", argv[i], USAGE);
            return false;
        }
        std::string value = argv[++i];
        bool ok = true;
        if (option == "--listen" && !*remove_id)
            ok = parse_listen(value, options);
        else if (option == "--database")
            options->database = value;
        else if (option == "--web" && !*remove_id)
            options->web = value;
        else if (option == "--trusted-proxy" && !*remove_id)
            options->trusted_proxies.push_back(value);
        else if (option == "--runs-per-minute" && !*remove_id)
            ok = (options->runs_per_minute = std::atoi(value.c_str())) >= 1 &&
                 value.find_first_not_of("0123456789") == std::string::npos;
        else {
            std::fprintf(stderr, "haystack-board: '%s' is not an option here\n%s", argv[i - 1],
                         USAGE);
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "haystack-board: %s '%s' is not valid\n", option.c_str(),
                         value.c_str());
            return false;
        }
    }
    return true;
}

// Takes run `id` down; the status to exit with.
static int remove_run(const Store *store, long long id) {
    StoreResult result = store->remove_run(id);
    if (result == STORE_OK)
        std::printf("haystack-board: run %lld removed\n", id);
    else if (result == STORE_NOT_FOUND)
        std::fprintf(stderr, "haystack-board: there is no run %lld\n", id);
    else
        std::fprintf(stderr, "haystack-board: the database cannot remove run %lld now\n", id);
    return result == STORE_OK ? 0 : 1;
}

int main(int argc, char **argv) {
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    BoardOptions options;
    long long remove_id = 0;
    if (!parse_options(argc, argv, &options, &remove_id))
        return 2;
    const Store *store = store_for_url(options.database);
    if (!store) {
        std::fprintf(stderr, "haystack-board: '%s' is neither sqlite:PATH nor postgresql://...\n",
                     options.database.c_str());
        return 2;
    }
    std::string why;
    if (!store->open(options.database, &why)) {
        std::fprintf(stderr, "haystack-board: cannot open the database: %s\n", why.c_str());
        return 1;
    }
    int status = remove_id ? remove_run(store, remove_id) : serve_board(options, store);
    store->close();
    return status;
}
