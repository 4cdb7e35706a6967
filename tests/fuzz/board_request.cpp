// The board's request parsing fed one input's lines, each answer checked against its promise.
#include "board_request.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "board_rules.h"
#include "world.h"

// Stops the run, which the fuzzer and memcheck report, when a promise is broken.
static void require(bool kept) {
    if (!kept)
        std::abort();
}

// Whether `c` may stand in a name.
static bool name_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '_' || c == '.';
}

void take_board_request(const unsigned char *bytes, size_t size) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; i++)
        if (bytes[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += char(bytes[i]);
    lines.resize(6);
    const std::string &name = lines[0], &header = lines[1];

    if (valid_name(name)) {
        require(!name.empty() && name.size() <= size_t(MAX_NAME));
        for (char c : name)
            require(name_character(c));
        require(html_escape(name) == name); // a name shows as it is, needing no escape
    }
    for (char c : html_escape(header))
        require(c != '<' && c != '>' && c != '"' && c != '\'');

    std::string token = bearer_token(header);
    require(token.empty() || (token.size() == size_t(TOKEN_HEX) && header == "Bearer " + token));

    long field = parse_field(lines[2]);
    require(field >= 0 && field <= MAX_FIELD);
    int limit = parse_limit(lines[3]);
    require(limit >= 0 && limit <= MAX_BOARD_LIMIT);
    require(parse_run_id(lines[4]) >= 0);

    // A date's field opens 14 hours before its day and closes 36 hours after its start, and its
    // start is the moment that is that date in UTC.
    std::time_t now = std::time_t(std::strtoll(lines[5].c_str(), nullptr, 10) % (1ll << 40));
    std::time_t start = field ? field_day_start(field) : -1;
    if (start >= 0) {
        require(field_of_day(start) == field && field_of_day(start + 86399) == field);
        require(field_takes_runs(field, now) ==
                (now >= start - OPENS_BEFORE_DAY && now < start + CLOSES_AFTER_DAY));
    } else if (field) {
        require(field_takes_runs(field, now));
    }
}
