// The parts of a request to the board as the board request fuzz target takes them, shared
// with its memcheck replay: a name, an Authorization header, a field, a limit, a run's id and a
// moment, a line each.
#pragma once

#include <cstddef>

// Reads `size` bytes as the lines of a request and puts each through the board's own parsing:
// the name's check, the token's, the field's, the limit's, the id's, the day's window and the
// pages' escaping. Aborts when one contradicts what it promises.
void take_board_request(const unsigned char *bytes, size_t size);
