// Replay files read and played through as the replay fuzz target takes them, under memcheck.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "replay_input.h"

// Each file taken whole, as the fuzz target takes its inputs; memcheck fails it on a bad read
// or write, and the reader's contradictions abort it.
int main(int argc, char **argv) {
    int fates[3] = {0, 0, 0}; // files refused, read, and read and played
    for (int k = 1; k < argc; k++) {
        std::ifstream in(argv[k], std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        fates[take_replay_input(bytes.data(), bytes.size())]++;
    }
    std::printf("replay_replay: %d files, %d read, %d of them played through\n", argc - 1,
                fates[INPUT_READ] + fates[INPUT_PLAYED], fates[INPUT_PLAYED]);
    return 0;
}
