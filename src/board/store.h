// The board's storage: runs and the names that own them, in SQLite or PostgreSQL, behind one
// table of procedures; each makes and migrates its own schema.
#pragma once

#include <string>
#include <vector>

const int SCHEMA_VERSION = 1; // the schema this board makes and reads; older ones are migrated

enum StoreResult {
    STORE_OK,          // done, and on disk when it wrote
    STORE_NAME_TAKEN,  // the name belongs to another token
    STORE_NOT_FOUND,   // no such run
    STORE_UNAVAILABLE, // the database cannot be reached or refused: try again later
    STORE_FULL,        // the disk is full: nothing was written
};

// A verified run to keep.
struct NewRun {
    long field;                        // the numbered field, 1..MAX_FIELD
    int ticks;                         // the search's time the simulation gave
    std::string name;                  // the player's name as they wrote it
    std::string token_sha256;          // the player's token's SHA-256, hex
    std::string address;               // where it came from, for whoever runs the board
    std::vector<unsigned char> replay; // the replay file's bytes
};

// What keeping a run gave.
struct AddedRun {
    StoreResult result; // STORE_OK, STORE_NAME_TAKEN, STORE_UNAVAILABLE or STORE_FULL
    long long id;       // the run's id, 1 and on
    int rank;           // the name's best run's place on the field's board, 1 and on
    int of;             // the names on the field's board
};

// One line of a field's board: a name's best run.
struct BoardRow {
    int rank;         // 1 and on
    std::string name; // the name as its owner first wrote it
    int ticks;        // the search's time
    long long id;     // the run
};

// A database the board keeps its runs in. Every procedure may be called from any thread, but
// add_runs and remove_run from one at a time.
struct Store {
    const char *prefix; // the start of the database URLs it opens: "sqlite:", "postgresql://"
    // Opens the database at `url`, making or migrating its schema; false with the reason.
    bool (*open)(const std::string &url, std::string *why);
    // Keeps `count` runs in one commit, each one's outcome in `added`; a name is taken by the
    // first token that keeps a run under it (letters matched whatever their case).
    void (*add_runs)(const NewRun *runs, AddedRun *added, int count);
    // Field `field`'s board: each name's best run, fastest first, ties by the earlier run.
    StoreResult (*board)(long field, int limit, std::vector<BoardRow> *rows);
    // The replay of run `id`.
    StoreResult (*replay)(long long id, std::vector<unsigned char> *bytes);
    // Takes run `id` down.
    StoreResult (*remove_run)(long long id);
    // Whether the database answers now.
    StoreResult (*health)();
    void (*close)();
};

extern const Store SQLITE_STORE;   // an SQLite file, in write-ahead-log mode
extern const Store POSTGRES_STORE; // a PostgreSQL database

// The store that opens `url`, or null when no store does.
const Store *store_for_url(const std::string &url);

// The name's key for ownership: its letters in lower case, so that "Ann" and "ANN", which the
// game's capitals show alike, are one name.
std::string name_key(const std::string &name);

// The SQL both stores share, its parameters $1, $2... bound by each.
extern const char *const SCHEMA_V1[];  // statements making schema 1, null-ended
extern const char *const KEEP_BEST;    // field, name key, ticks, id: the name's best if better
extern const char *const BOARD_QUERY;  // field, limit: rows of id, name, ticks, fastest first
extern const char *const RANK_QUERY;   // field, name key: one row of the name's rank, and names
extern const char *const REMOVE_RUN[]; // id: statements taking a run down, null-ended
