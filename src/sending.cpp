// A won search sent to the board on a thread of its own, and the board's answer for the banner.
#include "sending.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "board_client.h"
#include "controls.h"
#include "options_screen.h"
#include "replays.h"
#include "settings.h"
#include "sim.h"

const int TOKEN_BYTES = (BOARD_TOKEN_SIZE - 1) / 2; // random bytes in a token: 128 bits

// One send: filled in by its thread, read by the game once `over`.
struct Send {
    std::atomic<bool> over{false}; // the board answered, or was given up on
    int status = 0;                // the HTTP status, 0 for no answer
    std::string answer;            // the answer's body
    std::string why;               // why no board answered
    std::chrono::steady_clock::time_point begun = std::chrono::steady_clock::now(); // when sent
};

static std::shared_ptr<Send> sending; // the send under way, shared with its thread; null for none
static long search_sent;              // searches_won when the search answered for was sent; 0
                                      // for none this game
static bool search_taken;             // the board took that search: it is not sent again
static std::string answer_line;       // the board's answer for it, or why it was not sent

// Whether the player may send now: their own search of a numbered field won, a board chosen,
// and a platform that sends.
static bool search_offered() {
    return win_phase != WIN_PLAYING && !watching && searches_won > 0 && won_search_field() != 0 &&
           settings.board[0] && game_sends_to_boards();
}

// The player's token, made from secure random numbers and kept at the first send; false when
// there is no secure source to make it from.
static bool make_token() {
    if (board_token_allowed(settings.token))
        return true;
    unsigned char bytes[TOKEN_BYTES];
    if (!secure_random_bytes(bytes, sizeof bytes))
        return false;
    char token[BOARD_TOKEN_SIZE];
    for (int i = 0; i < TOKEN_BYTES; i++)
        std::snprintf(token + 2 * i, 3, "%02x", bytes[i]);
    std::memcpy(settings.token, token, sizeof token);
    std::memcpy(kept_settings.token, token, sizeof token);
    keep_settings();
    return true;
}

// Where the board takes runs, for the name in force: the address, "api/runs?name=" and the
// name with its spaces and other marks written as %XX.
static std::string runs_address() {
    std::string url = settings.board;
    if (url.back() != '/')
        url += '/';
    url += "api/runs?name=";
    for (const char *c = settings.name; *c; c++) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "%%%02X", unsigned(static_cast<unsigned char>(*c)));
        url += std::isalnum(static_cast<unsigned char>(*c)) ? std::string(1, *c) : escaped;
    }
    return url;
}

// The answer said under the banner and on standard output.
static void say(const std::string &line) {
    answer_line = line;
    std::printf("haystack: the board: %s\n", line.c_str());
    std::fflush(stdout);
}

// Sends the search just won, on a thread of its own: first the name and the token it needs.
static void send_search() {
    search_sent = searches_won;
    search_taken = false;
    if (!settings.name[0])
        return say("Choose a name in the options first");
    if (!make_token())
        return say("No secure random numbers to make a token");
    auto send = std::make_shared<Send>();
    try {
        std::thread([send, url = runs_address(), token = std::string(settings.token),
                     body = won_search_bytes()] {
            send->status = post_to_board(url, token, body, &send->answer, &send->why);
            send->over = true;
        }).detach();
    } catch (const std::system_error &) {
        return say("The game cannot send from here");
    }
    sending = send;
    answer_line.clear();
}

// The answer to the send under way, once it has come; or none, once the board has had
// BOARD_WAIT_MS to give it, whatever the platform's HTTP client waits for (its thread finishes
// on its own, and its answer goes for nothing).
static void take_answer() {
    if (!sending)
        return;
    auto waited = std::chrono::steady_clock::now() - sending->begun;
    bool late = waited > std::chrono::milliseconds(BOARD_WAIT_MS);
    if (!sending->over && !late)
        return;
    std::shared_ptr<Send> send = std::move(sending);
    bool answered = send->over;
    search_taken = answered && send->status == 201;
    say(board_answer_line(answered ? send->status : 0, answered ? send->answer : "",
                          answered ? send->why : "no answer within the wait"));
}

void follow_board_send() {
    bool asked = send_asked(); // read each frame, so that a press never waits for a later win
    take_answer();
    bool again = search_sent != searches_won || !search_taken; // refused or unanswered
    if (asked && !options_open && search_offered() && !sending && again)
        send_search();
}

bool board_line(char *line, size_t size) {
    const char *text = nullptr;
    if (!search_offered())
        return false;
    if (search_sent == searches_won && sending)
        text = "Sending to the board";
    else if (search_sent == searches_won && !answer_line.empty())
        text = answer_line.c_str();
    else
        text = "U: send to the board";
    std::snprintf(line, size, "%s", text);
    return true;
}

// The JSON value that follows "`key`": in `body`, from its first character; npos for none.
static size_t value_of(const std::string &body, const char *key) {
    size_t at = body.find("\"" + std::string(key) + "\"");
    if (at == std::string::npos)
        return at;
    at = body.find_first_not_of(" \t\r\n", at + std::strlen(key) + 2);
    if (at == std::string::npos || body[at] != ':')
        return std::string::npos;
    return body.find_first_not_of(" \t\r\n", at + 1);
}

// A whole number that is `key`'s value in `body`; -1 for none.
static long count_of(const std::string &body, const char *key) {
    size_t at = value_of(body, key);
    if (at == std::string::npos || !std::isdigit(static_cast<unsigned char>(body[at])))
        return -1;
    return std::strtol(body.c_str() + at, nullptr, 10);
}

// The string that is `key`'s value in `body`, its escapes read (a \u escape, never in the
// board's own words, as '?'); empty for none.
static std::string text_of(const std::string &body, const char *key) {
    size_t at = value_of(body, key);
    std::string text;
    if (at == std::string::npos || body[at] != '"')
        return text;
    for (at++; at < body.size() && body[at] != '"'; at++) {
        char c = body[at];
        if (c == '\\' && at + 1 < body.size()) {
            char escaped = body[++at]; // \" \\ and \/ stand for themselves
            c = escaped == 'u' ? '?' : std::strchr("bfnrt", escaped) ? ' ' : escaped;
            at += escaped == 'u' ? 4 : 0;
        }
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return at < body.size() ? text : std::string();
}

std::string board_answer_line(int status, const std::string &body, const std::string &why) {
    long rank = count_of(body, "rank"), of = count_of(body, "of");
    if (status < 0)
        return why;
    if (status == 0)
        std::fprintf(stderr, "haystack: the board cannot be reached: %s\n", why.c_str());
    if (status == 0)
        return "The board cannot be reached";
    if (status == 201 && rank > 0 && of >= rank)
        return "#" + std::to_string(rank) + " OF " + std::to_string(of);
    std::string reason = text_of(body, "error");
    if (status == 201 || reason.empty())
        return "The board answered " + std::to_string(status);
    reason[0] = char(std::toupper(static_cast<unsigned char>(reason[0])));
    return reason;
}
