// In the browser the page sends won searches to its board itself (board.js), so the game does
// not: it never offers U, and has no post or token to make.
#include "board_client.h"

bool game_sends_to_boards() {
    return false;
}

int post_to_board(const std::string &, const std::string &, const std::vector<unsigned char> &,
                  std::string *, std::string *why) {
    *why = "The page sends for itself";
    return -1;
}

bool secure_random_bytes(unsigned char *, size_t) {
    return false;
}
