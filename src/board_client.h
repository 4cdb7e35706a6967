// Posting a won search to a board over HTTP or HTTPS by the platform's own means, libcurl on
// Linux and WinHTTP on Windows (the browser's page sends for itself), and the platform's secure
// random numbers for the player's token. Implemented in each platform's folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

const int BOARD_WAIT_MS = 5000; // a post unanswered this long is given up, ms

// Whether the game sends to boards itself here; in the browser the page does.
bool game_sends_to_boards();

// Posts `body` (a replay file) to `url` with `token` as its bearer token, waiting at most
// BOARD_WAIT_MS; HTTPS is checked against the system's certificates, and plain HTTP is spoken
// only for an http:// address. The HTTP status with the answer's body in *answer; 0 with why in
// *why when no board answered; -1 with the line to show the player in *why when this system
// cannot send at all. Blocks: the game calls it on a thread of its own.
int post_to_board(const std::string &url, const std::string &token,
                  const std::vector<unsigned char> &body, std::string *answer, std::string *why);

// Fills `bytes` from the system's secure random source; false when it has none.
bool secure_random_bytes(unsigned char *bytes, size_t count);
