// The board's runs in PostgreSQL: one connection for writing and one per thread for reading,
// each made again when the database comes back after going away.
#include <libpq-fe.h>

#include <condition_variable>
#include <cstdlib>
#include <atomic>
#include <ctime>
#include <mutex>

#include "store.h"

static std::string conninfo;             // the database's URL, as libpq takes it
static std::mutex writer_lock;           // held while the writing connection is in use
static std::atomic<unsigned> generation; // one more each time the store opens or closes

// A connection, closed when its thread ends, made again after it breaks.
struct Connection {
    PGconn *db = nullptr; // null until first wanted
    unsigned born = 0;    // the store's generation it was made in
    ~Connection() {
        PQfinish(db);
    }
};
const int READERS = 8; // connections for reading, shared by the server's threads

static Connection writer;                   // the connection that writes
static Connection readers[READERS];         // for reading, each lent to one thread at a time
static bool lent[READERS];                  // which are lent now
static std::mutex readers_lock;             // guards `lent`
static std::condition_variable reader_free; // one is given back

// `c` ready to use, connected if it was not or had broken; null when the database is away.
static PGconn *ready(Connection *c) {
    if (c->db && (c->born != generation || PQstatus(c->db) != CONNECTION_OK)) {
        PQfinish(c->db);
        c->db = nullptr;
    }
    if (!c->db) {
        c->db = PQconnectdb(conninfo.c_str());
        c->born = generation;
        if (PQstatus(c->db) != CONNECTION_OK) {
            PQfinish(c->db);
            c->db = nullptr;
        }
    }
    return c->db;
}

// A reading connection lent to this thread until it is given back; its index.
static int borrow_reader() {
    std::unique_lock<std::mutex> hold(readers_lock);
    int free_one = -1;
    reader_free.wait(hold, [&] {
        for (int i = 0; i < READERS && free_one < 0; i++)
            free_one = lent[i] ? -1 : i;
        return free_one >= 0;
    });
    lent[free_one] = true;
    return free_one;
}

static void give_back(int index) {
    std::lock_guard<std::mutex> hold(readers_lock);
    lent[index] = false;
    reader_free.notify_one();
}

// Runs `read` with a reading connection, or null when the database is away.
template <typename Read> static StoreResult with_reader(Read read) {
    int index = borrow_reader();
    StoreResult result = read(ready(&readers[index]));
    give_back(index);
    return result;
}

// Runs `sql` with `count` text parameters (`binary` marks the one that is bytes, or -1).
static PGresult *query(PGconn *db, const char *sql, int count, const char *const *values,
                       const int *lengths = nullptr, int binary = -1) {
    int formats[8] = {0}; // each parameter's format: 0 text, 1 bytes
    if (binary >= 0)
        formats[binary] = 1;
    return PQexecParams(db, sql, count, nullptr, values, lengths, formats, 0);
}

// Whether `result` went well, and frees it if not.
static bool ok(PGresult *result, ExecStatusType wanted) {
    if (PQresultStatus(result) == wanted)
        return true;
    PQclear(result);
    return false;
}

// What a failed statement on `db` means for a caller: a full disk, or a database away.
static StoreResult failure(PGconn *db) {
    const char *message = PQerrorMessage(db);
    return std::string(message).find("No space left") != std::string::npos ? STORE_FULL
                                                                           : STORE_UNAVAILABLE;
}

// Runs `sql`, which takes no parameters and whose rows, if any, are not wanted.
static bool run(PGconn *db, const char *sql) {
    PGresult *result = PQexec(db, sql);
    ExecStatusType status = PQresultStatus(result);
    bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    PQclear(result);
    return done;
}

// Makes or migrates the schema, one board at a time however many start together.
static bool make_schema(PGconn *db, std::string *why) {
    bool done = run(db, "BEGIN") && run(db, "SELECT pg_advisory_xact_lock(4817)");
    done = done && run(db, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    PGresult *result = done ? PQexec(db, "SELECT version FROM schema_version") : nullptr;
    int version = 0;
    if (result && PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1)
        version = std::atoi(PQgetvalue(result, 0, 0));
    done = done && result && PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    if (done && version == 0) {
        done = run(db, "INSERT INTO schema_version VALUES (1)");
        for (int i = 0; done && SCHEMA_V1[i]; i++) {
            std::string sql = SCHEMA_V1[i];
            size_t at;
            if ((at = sql.find("{ID}")) != std::string::npos)
                sql.replace(at, 4, "BIGSERIAL PRIMARY KEY");
            if ((at = sql.find("{BLOB}")) != std::string::npos)
                sql.replace(at, 6, "BYTEA");
            done = run(db, sql.c_str());
        }
        version = SCHEMA_VERSION;
    }
    if (!done)
        *why = std::string("cannot make the schema: ") + PQerrorMessage(db);
    run(db, done ? "COMMIT" : "ROLLBACK");
    if (done && version != SCHEMA_VERSION) {
        *why = "the database's schema is version " + std::to_string(version) +
               ", this board reads " + std::to_string(SCHEMA_VERSION);
        done = false;
    }
    return done;
}

static bool postgres_open(const std::string &url, std::string *why) {
    conninfo = url;
    generation++;
    std::lock_guard<std::mutex> hold(writer_lock);
    PGconn *db = ready(&writer);
    if (!db) {
        PGconn *attempt = PQconnectdb(conninfo.c_str());
        *why = std::string("cannot connect: ") + PQerrorMessage(attempt);
        PQfinish(attempt);
        return false;
    }
    return make_schema(db, why);
}

// Keeps one run inside the open transaction; false on a database failure.
static bool add_one(PGconn *db, const NewRun &run_in, AddedRun *added) {
    std::string key = name_key(run_in.name);
    std::string now = std::to_string(std::time(nullptr));
    const char *name_values[] = {key.c_str(), run_in.name.c_str(), run_in.token_sha256.c_str(),
                                 now.c_str()};
    PGresult *result = query(db,
                             "INSERT INTO names VALUES ($1, $2, $3, $4) "
                             "ON CONFLICT (name_key) DO NOTHING",
                             4, name_values);
    if (!ok(result, PGRES_COMMAND_OK))
        return added->result = failure(db), false;
    PQclear(result);

    result = query(db, "SELECT token_sha256 FROM names WHERE name_key = $1", 1, name_values);
    if (!ok(result, PGRES_TUPLES_OK) || PQntuples(result) != 1)
        return added->result = failure(db), false;
    bool owner = run_in.token_sha256 == PQgetvalue(result, 0, 0);
    PQclear(result);
    if (!owner)
        return added->result = STORE_NAME_TAKEN, true;

    std::string field = std::to_string(run_in.field), ticks = std::to_string(run_in.ticks);
    const char *run_values[] = {field.c_str(),          key.c_str(),
                                ticks.c_str(),          now.c_str(),
                                run_in.address.c_str(), (const char *)run_in.replay.data()};
    int lengths[] = {0, 0, 0, 0, 0, int(run_in.replay.size())};
    result = query(db,
                   "INSERT INTO runs (field, name_key, ticks, posted, address, replay) "
                   "VALUES ($1, $2, $3, $4, $5, $6) RETURNING id",
                   6, run_values, lengths, 5);
    if (!ok(result, PGRES_TUPLES_OK))
        return added->result = failure(db), false;
    added->id = std::atoll(PQgetvalue(result, 0, 0));
    PQclear(result);

    std::string id = std::to_string(added->id);
    const char *best_values[] = {field.c_str(), key.c_str(), ticks.c_str(), id.c_str()};
    result = query(db, KEEP_BEST, 4, best_values);
    if (!ok(result, PGRES_COMMAND_OK))
        return added->result = failure(db), false;
    PQclear(result);

    const char *rank_values[] = {field.c_str(), key.c_str()};
    result = query(db, RANK_QUERY, 2, rank_values);
    if (!ok(result, PGRES_TUPLES_OK) || PQntuples(result) != 1)
        return added->result = failure(db), false;
    added->rank = std::atoi(PQgetvalue(result, 0, 0));
    added->of = std::atoi(PQgetvalue(result, 0, 1));
    PQclear(result);
    added->result = STORE_OK;
    return true;
}

static void postgres_add_runs(const NewRun *runs, AddedRun *added, int count) {
    std::lock_guard<std::mutex> hold(writer_lock);
    PGconn *db = ready(&writer);
    bool done = db && run(db, "BEGIN");
    StoreResult why = db ? failure(db) : STORE_UNAVAILABLE;
    for (int i = 0; done && i < count; i++) {
        done = add_one(db, runs[i], &added[i]);
        why = added[i].result;
    }
    if (done) {
        done = run(db, "COMMIT");
        why = done ? STORE_OK : failure(db);
    }
    if (!done) {
        if (db)
            run(db, "ROLLBACK");
        for (int i = 0; i < count; i++)
            added[i].result = why == STORE_OK ? STORE_UNAVAILABLE : why;
    }
}

// Field `field`'s board read on `db`, null when the database is away.
static StoreResult read_board(PGconn *db, long field, int limit, std::vector<BoardRow> *rows) {
    if (!db)
        return STORE_UNAVAILABLE;
    std::string field_text = std::to_string(field), limit_text = std::to_string(limit);
    const char *values[] = {field_text.c_str(), limit_text.c_str()};
    PGresult *result = query(db, BOARD_QUERY, 2, values);
    if (!ok(result, PGRES_TUPLES_OK))
        return failure(db);
    for (int i = 0; i < PQntuples(result); i++) {
        BoardRow row;
        row.rank = i + 1;
        row.id = std::atoll(PQgetvalue(result, i, 0));
        row.name = PQgetvalue(result, i, 1);
        row.ticks = std::atoi(PQgetvalue(result, i, 2));
        rows->push_back(row);
    }
    PQclear(result);
    return STORE_OK;
}

// Run `id`'s replay read on `db`, null when the database is away.
static StoreResult read_replay(PGconn *db, long long id, std::vector<unsigned char> *bytes) {
    if (!db)
        return STORE_UNAVAILABLE;
    std::string id_text = std::to_string(id);
    const char *values[] = {id_text.c_str()};
    PGresult *result = PQexecParams(db, "SELECT replay FROM runs WHERE id = $1", 1, nullptr, values,
                                    nullptr, nullptr, 1);
    if (!ok(result, PGRES_TUPLES_OK))
        return failure(db);
    StoreResult found = PQntuples(result) == 1 ? STORE_OK : STORE_NOT_FOUND;
    if (found == STORE_OK) {
        const unsigned char *data = (const unsigned char *)PQgetvalue(result, 0, 0);
        bytes->assign(data, data + PQgetlength(result, 0, 0));
    }
    PQclear(result);
    return found;
}

static StoreResult postgres_board(long field, int limit, std::vector<BoardRow> *rows) {
    return with_reader([&](PGconn *db) { return read_board(db, field, limit, rows); });
}

static StoreResult postgres_replay(long long id, std::vector<unsigned char> *bytes) {
    return with_reader([&](PGconn *db) { return read_replay(db, id, bytes); });
}

static StoreResult postgres_remove_run(long long id) {
    std::lock_guard<std::mutex> hold(writer_lock);
    PGconn *db = ready(&writer);
    if (!db || !run(db, "BEGIN"))
        return db ? failure(db) : STORE_UNAVAILABLE;
    std::string id_text = std::to_string(id);
    const char *values[] = {id_text.c_str()};
    int removed = 0;
    for (int i = 0; REMOVE_RUN[i]; i++) {
        PGresult *result = query(db, REMOVE_RUN[i], 1, values);
        if (!ok(result, PGRES_COMMAND_OK)) {
            StoreResult why = failure(db);
            run(db, "ROLLBACK");
            return why;
        }
        removed = std::atoi(PQcmdTuples(result));
        PQclear(result);
    }
    if (!run(db, "COMMIT"))
        return failure(db);
    return removed ? STORE_OK : STORE_NOT_FOUND;
}

static StoreResult postgres_health() {
    return with_reader(
        [](PGconn *db) { return db && run(db, "SELECT 1") ? STORE_OK : STORE_UNAVAILABLE; });
}

static void postgres_close() {
    std::lock_guard<std::mutex> hold(writer_lock);
    PQfinish(writer.db);
    writer.db = nullptr;
    generation++;
}

const Store POSTGRES_STORE = {"postgresql://", postgres_open,   postgres_add_runs,
                              postgres_board,  postgres_replay, postgres_remove_run,
                              postgres_health, postgres_close};
