// A won search sent to the board the player chose, and the board's answer under the end
// banner; nothing waits on the network.
#pragma once

#include <cstddef>
#include <string>

// Once a frame: U (or a pad's Back) after the player's own win on a numbered field, with a board
// chosen, sends the search; a send under way is looked at for its answer, which is also written
// to standard output.
void follow_board_send();

// The line under the end banner about the board: how to send the search, that it is being sent,
// or the board's answer; false when there is none.
bool board_line(char *line, size_t size);

// What a board's answer says, for the banner: "#12 OF 340" for a run taken (201), else the
// board's reason for refusing it; `status` 0 for a board that did not answer, `why` saying why,
// and -1 for a system that cannot send, `why` the line to show.
std::string board_answer_line(int status, const std::string &body, const std::string &why);
