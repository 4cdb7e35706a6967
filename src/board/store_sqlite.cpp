// The board's runs in an SQLite file: write-ahead log, every commit synced before it is
// answered, one connection for writing and one per thread for reading.
#include <sqlite3.h>

#include <atomic>
#include <ctime>
#include <mutex>

#include "store.h"

static std::string db_path;              // the file, from "sqlite:PATH"
static sqlite3 *writer;                  // the connection that writes, null when closed
static std::mutex writer_lock;           // held while `writer` is in use
static std::atomic<unsigned> generation; // one more each time the store opens or closes

// A thread's connection for reading, closed when the thread ends.
struct Reader {
    sqlite3 *db = nullptr; // null until first wanted
    unsigned born = 0;     // the store's generation it was opened in
    ~Reader() {
        sqlite3_close(db);
    }
};
static thread_local Reader reader; // this thread's

// What an SQLite status means for a caller.
static StoreResult result_of(int status) {
    if (status == SQLITE_OK || status == SQLITE_DONE || status == SQLITE_ROW)
        return STORE_OK;
    if (status == SQLITE_FULL || status == SQLITE_IOERR || (status & 0xff) == SQLITE_IOERR)
        return (status & 0xff) == SQLITE_FULL ? STORE_FULL : STORE_UNAVAILABLE;
    return STORE_UNAVAILABLE;
}

// A connection to the file, waiting up to 5 s for another writer, synced on each commit.
static sqlite3 *connect(std::string *why) {
    sqlite3 *db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(db_path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        if (why)
            *why = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_exec(db, "PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON", nullptr, nullptr,
                 nullptr);
    return db;
}

// Runs `sql` with no rows to read.
static int run(sqlite3 *db, const char *sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// `sql` prepared on `db`, or null.
static sqlite3_stmt *prepare(sqlite3 *db, const char *sql) {
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return statement;
}

static void bind_text(sqlite3_stmt *s, const char *param, const std::string &text) {
    sqlite3_bind_text(s, sqlite3_bind_parameter_index(s, param), text.c_str(), int(text.size()),
                      SQLITE_TRANSIENT);
}

static void bind_int(sqlite3_stmt *s, const char *param, long long value) {
    sqlite3_bind_int64(s, sqlite3_bind_parameter_index(s, param), value);
}

// The schema's version in the file, 0 for a new file.
static int schema_version(sqlite3 *db) {
    sqlite3_stmt *s = prepare(db, "SELECT version FROM schema_version");
    int version = s && sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    return version;
}

// Makes schema 1 in a new file, in one transaction.
static bool make_schema(sqlite3 *db) {
    bool ok = run(db, "BEGIN IMMEDIATE") == SQLITE_OK;
    if (ok && schema_version(db) == 0) {
        ok = run(db, "CREATE TABLE schema_version (version INTEGER NOT NULL)") == SQLITE_OK &&
             run(db, "INSERT INTO schema_version VALUES (1)") == SQLITE_OK;
        for (int i = 0; ok && SCHEMA_V1[i]; i++) {
            std::string sql = SCHEMA_V1[i];
            size_t at;
            if ((at = sql.find("{ID}")) != std::string::npos)
                sql.replace(at, 4, "INTEGER PRIMARY KEY AUTOINCREMENT");
            if ((at = sql.find("{BLOB}")) != std::string::npos)
                sql.replace(at, 6, "BLOB");
            ok = run(db, sql.c_str()) == SQLITE_OK;
        }
    }
    ok = run(db, ok ? "COMMIT" : "ROLLBACK") == SQLITE_OK && ok;
    return ok;
}

static bool sqlite_open(const std::string &url, std::string *why) {
    db_path = url.substr(7);
    if (db_path.empty()) {
        *why = "sqlite: needs a file's path, sqlite:board.db";
        return false;
    }
    writer = connect(why);
    if (!writer)
        return false;
    generation++;
    sqlite3_stmt *s = prepare(writer, "PRAGMA journal_mode = WAL");
    if (!s || sqlite3_step(s) != SQLITE_ROW ||
        std::string((const char *)sqlite3_column_text(s, 0)) != "wal") {
        *why = std::string("cannot keep a write-ahead log: ") + sqlite3_errmsg(writer);
        sqlite3_finalize(s);
        return false;
    }
    sqlite3_finalize(s);
    if (!make_schema(writer)) {
        *why = std::string("cannot make the schema: ") + sqlite3_errmsg(writer);
        return false;
    }
    int version = schema_version(writer);
    if (version != SCHEMA_VERSION) {
        *why = "the database's schema is version " + std::to_string(version) +
               ", this board reads " + std::to_string(SCHEMA_VERSION);
        return false;
    }
    return true;
}

// Keeps one run inside the open transaction; false on a database failure.
static bool add_one(const NewRun &run_in, AddedRun *added) {
    std::string key = name_key(run_in.name);
    sqlite3_stmt *s = prepare(writer, "INSERT INTO names VALUES ($key, $name, $token, $now) "
                                      "ON CONFLICT (name_key) DO NOTHING");
    bind_text(s, "$key", key);
    bind_text(s, "$name", run_in.name);
    bind_text(s, "$token", run_in.token_sha256);
    bind_int(s, "$now", std::time(nullptr));
    int status = sqlite3_step(s);
    sqlite3_finalize(s);
    if (status != SQLITE_DONE)
        return added->result = result_of(status), false;

    s = prepare(writer, "SELECT token_sha256 FROM names WHERE name_key = $key");
    bind_text(s, "$key", key);
    status = sqlite3_step(s);
    bool owner =
        status == SQLITE_ROW && run_in.token_sha256 == (const char *)sqlite3_column_text(s, 0);
    sqlite3_finalize(s);
    if (status != SQLITE_ROW)
        return added->result = result_of(status), false;
    if (!owner)
        return added->result = STORE_NAME_TAKEN, true;

    s = prepare(writer, "INSERT INTO runs (field, name_key, ticks, posted, address, replay) "
                        "VALUES ($field, $key, $ticks, $now, $address, $replay) RETURNING id");
    bind_int(s, "$field", run_in.field);
    bind_text(s, "$key", key);
    bind_int(s, "$ticks", run_in.ticks);
    bind_int(s, "$now", std::time(nullptr));
    bind_text(s, "$address", run_in.address);
    sqlite3_bind_blob(s, sqlite3_bind_parameter_index(s, "$replay"), run_in.replay.data(),
                      int(run_in.replay.size()), SQLITE_TRANSIENT);
    status = sqlite3_step(s);
    added->id = status == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (status != SQLITE_ROW)
        return added->result = result_of(status), false;

    s = prepare(writer, KEEP_BEST);
    bind_int(s, "$1", run_in.field);
    bind_text(s, "$2", key);
    bind_int(s, "$3", run_in.ticks);
    bind_int(s, "$4", added->id);
    status = sqlite3_step(s);
    sqlite3_finalize(s);
    if (status != SQLITE_DONE)
        return added->result = result_of(status), false;

    s = prepare(writer, RANK_QUERY);
    bind_int(s, "$1", run_in.field);
    bind_text(s, "$2", key);
    status = sqlite3_step(s);
    if (status == SQLITE_ROW) {
        added->rank = sqlite3_column_int(s, 0);
        added->of = sqlite3_column_int(s, 1);
    }
    sqlite3_finalize(s);
    if (status != SQLITE_ROW)
        return added->result = result_of(status), false;
    added->result = STORE_OK;
    return true;
}

static void sqlite_add_runs(const NewRun *runs, AddedRun *added, int count) {
    std::lock_guard<std::mutex> hold(writer_lock);
    int status = run(writer, "BEGIN IMMEDIATE");
    bool ok = status == SQLITE_OK;
    StoreResult failure = result_of(status);
    for (int i = 0; ok && i < count; i++) {
        ok = add_one(runs[i], &added[i]);
        failure = added[i].result;
    }
    if (ok) {
        status = run(writer, "COMMIT");
        ok = status == SQLITE_OK;
        failure = result_of(status);
    }
    if (!ok) {
        run(writer, "ROLLBACK");
        for (int i = 0; i < count; i++)
            added[i].result = failure == STORE_OK ? STORE_UNAVAILABLE : failure;
    }
}

// This thread's reading connection, opened when first wanted.
static sqlite3 *reading() {
    if (reader.db && reader.born != generation) {
        sqlite3_close(reader.db);
        reader.db = nullptr;
    }
    if (!reader.db) {
        reader.db = connect(nullptr);
        reader.born = generation;
    }
    return reader.db;
}

static StoreResult sqlite_board(long field, int limit, std::vector<BoardRow> *rows) {
    sqlite3 *db = reading();
    sqlite3_stmt *s = db ? prepare(db, BOARD_QUERY) : nullptr;
    if (!s)
        return STORE_UNAVAILABLE;
    bind_int(s, "$1", field);
    bind_int(s, "$2", limit);
    int status;
    while ((status = sqlite3_step(s)) == SQLITE_ROW) {
        BoardRow row;
        row.rank = int(rows->size()) + 1;
        row.id = sqlite3_column_int64(s, 0);
        row.name = (const char *)sqlite3_column_text(s, 1);
        row.ticks = sqlite3_column_int(s, 2);
        rows->push_back(row);
    }
    sqlite3_finalize(s);
    return result_of(status);
}

static StoreResult sqlite_replay(long long id, std::vector<unsigned char> *bytes) {
    sqlite3 *db = reading();
    sqlite3_stmt *s = db ? prepare(db, "SELECT replay FROM runs WHERE id = $id") : nullptr;
    if (!s)
        return STORE_UNAVAILABLE;
    bind_int(s, "$id", id);
    int status = sqlite3_step(s);
    if (status == SQLITE_ROW) {
        const unsigned char *data = (const unsigned char *)sqlite3_column_blob(s, 0);
        bytes->assign(data, data + sqlite3_column_bytes(s, 0));
    }
    sqlite3_finalize(s);
    return status == SQLITE_ROW    ? STORE_OK
           : status == SQLITE_DONE ? STORE_NOT_FOUND
                                   : result_of(status);
}

static StoreResult sqlite_remove_run(long long id) {
    std::lock_guard<std::mutex> hold(writer_lock);
    int status = run(writer, "BEGIN IMMEDIATE");
    int removed = 0;
    for (int i = 0; status == SQLITE_OK && REMOVE_RUN[i]; i++) {
        sqlite3_stmt *s = prepare(writer, REMOVE_RUN[i]);
        bind_int(s, "$1", id);
        status = sqlite3_step(s) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(writer);
        sqlite3_finalize(s);
        removed = sqlite3_changes(writer);
    }
    if (status == SQLITE_OK)
        status = run(writer, "COMMIT");
    if (status != SQLITE_OK) {
        run(writer, "ROLLBACK");
        return result_of(status);
    }
    return removed ? STORE_OK : STORE_NOT_FOUND;
}

static StoreResult sqlite_health() {
    sqlite3 *db = reading();
    return db && run(db, "SELECT 1 FROM schema_version") == SQLITE_OK ? STORE_OK
                                                                      : STORE_UNAVAILABLE;
}

static void sqlite_close() {
    std::lock_guard<std::mutex> hold(writer_lock);
    sqlite3_close(writer);
    writer = nullptr;
    generation++;
}

const Store SQLITE_STORE = {"sqlite:",     sqlite_open,       sqlite_add_runs, sqlite_board,
                            sqlite_replay, sqlite_remove_run, sqlite_health,   sqlite_close};
