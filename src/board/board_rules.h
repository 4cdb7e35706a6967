// The board's rules, apart from HTTP and the database: names, tokens, which fields take runs
// and when, and the numbers a request may carry.
#pragma once

#include <ctime>
#include <string>

const int MAX_NAME = 16;         // a player's name: 1..MAX_NAME of letters, digits, space, -_.
const int TOKEN_HEX = 32;        // a player's token: 128 random bits as lowercase hex digits
const int MAX_BOARD_LIMIT = 100; // the most runs one board request lists
const long OPENS_BEFORE_DAY = 14 * 3600; // the field of the day takes runs from 10:00 UTC the day
                                         // before (UTC+14 has begun the date), seconds
const long CLOSES_AFTER_DAY = 36 * 3600; // until 12:00 UTC the day after (UTC-12 has ended it),
                                         // seconds after the date's 00:00 UTC

// A name a player may take: 1..MAX_NAME ASCII letters, digits, spaces, '-', '_' or '.'.
bool valid_name(const std::string &name);

// The token in an Authorization header "Bearer <TOKEN_HEX lowercase hex digits>", or "" when
// the header holds none.
std::string bearer_token(const std::string &header);

// The field named by `text`: a number 1..MAX_FIELD written in decimal digits alone; 0 for none.
long parse_field(const std::string &text);

// The count of runs asked for by `text`, 1..MAX_BOARD_LIMIT; MAX_BOARD_LIMIT when `text` is
// empty, 0 when it is no such count.
int parse_limit(const std::string &text);

// The run id named by `text`, 1 and on; 0 for none.
long long parse_run_id(const std::string &text);

// The start of the field's date at 00:00 UTC when field `field` is a date YYYYMMDD (a field of
// the day), else -1.
std::time_t field_day_start(long field);

// Whether numbered field `field` takes runs at `now`: every field always, but a field of the
// day only while its date holds somewhere on Earth.
bool field_takes_runs(long field, std::time_t now);

// The field of the day at `now`: the UTC date as YYYYMMDD.
long field_of_day(std::time_t now);

// `text` made safe inside HTML: & < > " ' as character references.
std::string html_escape(const std::string &text);

// The SHA-256 of `text` as 64 lowercase hex digits.
std::string sha256_hex(const std::string &text);
