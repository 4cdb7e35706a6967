// Starting and stopping real boards and a PostgreSQL cluster for the tests.
#include "board_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "scratch_dir.h"

const char *const PG_BIN = "/usr/lib/postgresql/15/bin"; // Debian's PostgreSQL 15 programs

static int databases_made; // databases made so far, to name the next

int free_port() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, (sockaddr *)&address, sizeof address);
    socklen_t size = sizeof address;
    getsockname(s, (sockaddr *)&address, &size);
    close(s);
    return ntohs(address.sin_port);
}

bool start_board(BoardProcess *board, const std::string &database,
                 const std::vector<std::string> &options) {
    board->database = database;
    board->log = scratch_dir() + "/board-" + std::to_string(++databases_made) + ".log";
    int out[2];
    if (pipe(out))
        return false;
    std::vector<std::string> words = {HAYSTACK_BOARD_BINARY, "--listen", "127.0.0.1:0",
                                      "--database", database};
    words.insert(words.end(), options.begin(), options.end());
    board->pid = fork();
    if (board->pid == 0) {
        dup2(out[1], 1);
        int log = open(board->log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, 2);
        std::vector<char *> argv;
        for (std::string &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    // The one line it prints once listening; its end of file when it failed to start.
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    size_t colon = line.rfind(':');
    board->port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    if (!board->port) {
        stop_board(board, SIGKILL);
        return false;
    }
    return true;
}

int stop_board(BoardProcess *board, int signal) {
    if (!board->pid)
        return -1;
    kill(board->pid, signal);
    int status = 0;
    waitpid(board->pid, &status, 0);
    board->pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string new_sqlite_database() {
    return "sqlite:" + scratch_dir() + "/board-" + std::to_string(++databases_made) + ".db";
}

// Runs `command` as the postgres user; whether it succeeded.
static bool as_postgres(const std::string &command) {
    std::string line = "su postgres -s /bin/sh -c '" + command + "' >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

bool start_postgres(Postgres *postgres, std::string *why) {
    postgres->dir = scratch_dir() + "/postgres";
    postgres->port = free_port();
    std::string dir = postgres->dir, bin = PG_BIN;
    std::filesystem::create_directories(dir);
    std::filesystem::permissions(scratch_dir(), std::filesystem::perms::owner_all |
                                                    std::filesystem::perms::others_exec);
    if (std::system(("chown postgres " + dir).c_str()) ||
        !as_postgres(bin + "/initdb -D " + dir + "/data -A trust -U postgres")) {
        *why = "initdb failed (is the postgresql package installed?)";
        return false;
    }
    if (!restart_postgres(*postgres) || !as_postgres(bin + "/createdb -h 127.0.0.1 -p " +
                                                     std::to_string(postgres->port) + " board")) {
        *why = "the cluster did not start: see " + dir + "/log";
        return false;
    }
    return true;
}

void stop_postgres(const Postgres &postgres, const char *mode) {
    as_postgres(std::string(PG_BIN) + "/pg_ctl -D " + postgres.dir + "/data -m " + mode +
                " -w stop");
}

bool restart_postgres(const Postgres &postgres) {
    return as_postgres(std::string(PG_BIN) + "/pg_ctl -D " + postgres.dir + "/data -o \"-p " +
                       std::to_string(postgres.port) + " -k " + postgres.dir +
                       " -c listen_addresses=127.0.0.1\" -l " + postgres.dir + "/log -w start");
}

std::string new_postgres_database(const Postgres &postgres) {
    std::string name = "board" + std::to_string(++databases_made);
    std::string port = std::to_string(postgres.port);
    as_postgres(std::string(PG_BIN) + "/createdb -h 127.0.0.1 -p " + port + " " + name);
    return "postgresql://postgres@127.0.0.1:" + port + "/" + name;
}
