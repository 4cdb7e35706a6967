// Board requests read from files as the board request fuzz target takes them, under memcheck.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "board_request.h"

int main(int argc, char **argv) {
    for (int k = 1; k < argc; k++) {
        std::ifstream in(argv[k], std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        take_board_request(bytes.data(), bytes.size());
    }
    std::printf("replay_board_request: %d requests\n", argc - 1);
    return 0;
}
