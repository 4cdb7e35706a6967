// Music files played a few seconds each through the music layer, for memcheck to watch.
#include <cstdio>

#include "listen.h"

const double PLAY_SECONDS = 2.0;   // audio decoded from each file that opens
const double PLAY_DEADLINE = 60.0; // wall-clock seconds allowed for it, slowed by memcheck

// Each file opened and, if it opens, decoded for a few seconds as the fuzz target does.
int main(int argc, char **argv) {
    open_fast_audio();
    int opened = 0;
    for (int k = 1; k < argc; k++) {
        MusicStream stream = music_open(argv[k]);
        opened += stream != nullptr;
        play_for(stream, PLAY_SECONDS, PLAY_DEADLINE);
        music_close(stream);
    }
    std::printf("replay_music: %d of %d files opened\n", opened, argc - 1);
    return 0;
}
