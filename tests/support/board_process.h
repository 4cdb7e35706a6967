// A real board for tests: haystack-board on a free loopback port with a database of its own,
// SQLite in a scratch folder or a PostgreSQL cluster the tests start and stop themselves.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A board the tests started.
struct BoardProcess {
    pid_t pid = 0;        // its process, 0 once stopped
    int port = 0;         // where it listens on 127.0.0.1
    std::string database; // the URL it keeps runs in
    std::string log;      // its standard error, a file
};

// Starts haystack-board on 127.0.0.1 with `database` and the further `options`, and waits up
// to 30 s until it serves; false, the board's words in `board->log`, when it does not.
bool start_board(BoardProcess *board, const std::string &database,
                 const std::vector<std::string> &options = {});

// Sends `signal` to the board and waits for it to end; its exit status, or 128 + the signal
// that ended it.
int stop_board(BoardProcess *board, int signal);

// A new SQLite database in the scratch folder: "sqlite:/tmp/.../board-N.db".
std::string new_sqlite_database();

// A PostgreSQL cluster of the tests' own, in a scratch folder, run as the postgres user.
struct Postgres {
    std::string dir; // its folder
    int port = 0;    // where it listens on 127.0.0.1
};

// Makes and starts a cluster, with an empty database "board"; false with the reason.
bool start_postgres(Postgres *postgres, std::string *why);

// Stops the cluster: "fast" as an operator would, "immediate" as a crash would.
void stop_postgres(const Postgres &postgres, const char *mode);

// Starts a stopped cluster again, which recovers from an immediate stop.
bool restart_postgres(const Postgres &postgres);

// A new empty database in the cluster, and its URL.
std::string new_postgres_database(const Postgres &postgres);

// A port free on 127.0.0.1 now.
int free_port();
