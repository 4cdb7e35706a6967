// What the board's two stores share: the schema, the board's queries and the choice by URL.
#include "store.h"

const char *const SCHEMA_V1[] = {
    "CREATE TABLE names (name_key TEXT PRIMARY KEY, name TEXT NOT NULL, token_sha256 TEXT NOT "
    "NULL, created BIGINT NOT NULL)",
    "CREATE TABLE runs (id {ID}, field BIGINT NOT NULL, name_key TEXT NOT NULL "
    "REFERENCES names (name_key), ticks INTEGER NOT NULL, posted BIGINT NOT NULL, address TEXT "
    "NOT NULL, replay {BLOB} NOT NULL)",
    "CREATE INDEX runs_by_name ON runs (field, name_key, ticks, id)",
    // Each name's best run on each field, kept as runs come and go: the board is read from it.
    "CREATE TABLE bests (field BIGINT NOT NULL, name_key TEXT NOT NULL, ticks INTEGER NOT NULL, "
    "id BIGINT NOT NULL REFERENCES runs (id), PRIMARY KEY (field, name_key))",
    "CREATE INDEX bests_by_time ON bests (field, ticks, id)",
    nullptr,
};

const char *const KEEP_BEST =
    "INSERT INTO bests (field, name_key, ticks, id) VALUES ($1, $2, $3, $4) "
    "ON CONFLICT (field, name_key) DO UPDATE SET ticks = excluded.ticks, id = excluded.id "
    "WHERE excluded.ticks < bests.ticks";

const char *const BOARD_QUERY = "SELECT b.id, n.name, b.ticks FROM bests AS b JOIN names AS n "
                                "ON n.name_key = b.name_key WHERE b.field = $1 "
                                "ORDER BY b.ticks, b.id LIMIT $2";

const char *const RANK_QUERY =
    "SELECT (SELECT COUNT(*) FROM bests AS o WHERE o.field = b.field AND (o.ticks < b.ticks OR "
    "(o.ticks = b.ticks AND o.id < b.id))) + 1, (SELECT COUNT(*) FROM bests AS a WHERE "
    "a.field = b.field) FROM bests AS b WHERE b.field = $1 AND b.name_key = $2";

const char *const REMOVE_RUN[] = {
    "DELETE FROM bests WHERE id = $1",
    "INSERT INTO bests (field, name_key, ticks, id) SELECT r.field, r.name_key, r.ticks, r.id "
    "FROM runs AS r, runs AS gone WHERE gone.id = $1 AND r.field = gone.field AND "
    "r.name_key = gone.name_key AND r.id <> gone.id ORDER BY r.ticks, r.id LIMIT 1 "
    "ON CONFLICT (field, name_key) DO NOTHING",
    "DELETE FROM runs WHERE id = $1",
    nullptr,
};

const Store *store_for_url(const std::string &url) {
    const Store *STORES[] = {&SQLITE_STORE, &POSTGRES_STORE}; // every store the board has
    for (const Store *store : STORES)
        if (url.rfind(store->prefix, 0) == 0)
            return store;
    return nullptr;
}

std::string name_key(const std::string &name) {
    std::string key = name;
    for (char &c : key)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return key;
}
