// What the board's two stores share: the schema, the board's queries and the choice by URL.
#include "store.h"

const char *const SCHEMA_V1[] = {
    "CREATE TABLE names (name_key TEXT PRIMARY KEY, name TEXT NOT NULL, token_sha256 TEXT NOT "
    "NULL, created BIGINT NOT NULL)",
    "CREATE TABLE runs (id {ID}, field BIGINT NOT NULL, name_key TEXT NOT NULL "
    "REFERENCES names (name_key), ticks INTEGER NOT NULL, posted BIGINT NOT NULL, address TEXT "
    "NOT NULL, replay {BLOB} NOT NULL)",
    "CREATE INDEX runs_by_name ON runs (field, name_key, ticks, id)",
    nullptr,
};

// Each name's best run on the field (fewest ticks, then the earliest), ranked.
#define BEST_RUNS                                                                                  \
    "SELECT b.id, b.name_key, b.ticks, ROW_NUMBER() OVER (ORDER BY b.ticks, b.id) AS place, "      \
    "COUNT(*) OVER () AS names FROM (SELECT id, name_key, ticks, ROW_NUMBER() OVER (PARTITION "    \
    "BY name_key ORDER BY ticks, id) AS k FROM runs WHERE field = $1) AS b WHERE b.k = 1"

const char *const BOARD_QUERY = "SELECT r.id, n.name, r.ticks FROM (" BEST_RUNS
                                ") AS r JOIN names AS n ON n.name_key = r.name_key "
                                "ORDER BY r.place LIMIT $2";
const char *const RANK_QUERY = "SELECT r.place, r.names FROM (" BEST_RUNS ") AS r "
                               "WHERE r.name_key = $2";

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
