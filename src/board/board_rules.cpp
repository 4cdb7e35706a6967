// The board's rules: names, tokens, fields, the day's window, and escaping for the pages.
#include "board_rules.h"

#include <openssl/evp.h>

#include "world.h"

bool valid_name(const std::string &name) {
    if (name.empty() || name.size() > size_t(MAX_NAME))
        return false;
    for (char c : name) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != ' ' && c != '-' && c != '_' && c != '.')
            return false;
    }
    return true;
}

std::string bearer_token(const std::string &header) {
    const std::string SCHEME = "Bearer ";
    if (header.size() != SCHEME.size() + TOKEN_HEX || header.compare(0, SCHEME.size(), SCHEME))
        return "";
    std::string token = header.substr(SCHEME.size());
    for (char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return "";
    return token;
}

// The number written in `text` by decimal digits alone, up to `most`; -1 for anything else.
static long long parse_count(const std::string &text, long long most) {
    if (text.empty() || text.size() > 18)
        return -1;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value <= most ? value : -1;
}

long parse_field(const std::string &text) {
    long long field = parse_count(text, MAX_FIELD);
    return field >= 1 ? long(field) : 0;
}

int parse_limit(const std::string &text) {
    if (text.empty())
        return MAX_BOARD_LIMIT;
    long long limit = parse_count(text, MAX_BOARD_LIMIT);
    return limit >= 1 ? int(limit) : 0;
}

long long parse_run_id(const std::string &text) {
    long long id = parse_count(text, 999999999999999999ll);
    return id >= 1 ? id : 0;
}

// Days from 1970-01-01 to year-month-day in the proleptic Gregorian calendar.
static long long days_from_civil(long long year, int month, int day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long year_of_era = year - era * 400;
    long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

std::time_t field_day_start(long field) {
    int year = int(field / 10000), month = int(field / 100 % 100), day = int(field % 100);
    if (year < 1970 || month < 1 || month > 12 || day < 1)
        return -1;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}; // days in each month
    if (day > DAYS[month - 1] + (month == 2 && leap))
        return -1;
    return std::time_t(days_from_civil(year, month, day) * 86400);
}

bool field_takes_runs(long field, std::time_t now) {
    std::time_t start = field_day_start(field);
    if (start < 0)
        return true;
    return now >= start - OPENS_BEFORE_DAY && now < start + CLOSES_AFTER_DAY;
}

long field_of_day(std::time_t now) {
    std::tm day;
    gmtime_r(&now, &day);
    return (day.tm_year + 1900L) * 10000 + (day.tm_mon + 1) * 100 + day.tm_mday;
}

std::string html_escape(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string sha256_hex(const std::string &text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha256(), nullptr);
    static const char HEX[] = "0123456789abcdef"; // digits of a hex byte
    std::string out;
    for (unsigned i = 0; i < size; i++) {
        out += HEX[digest[i] >> 4];
        out += HEX[digest[i] & 15];
    }
    return out;
}
