// Plays music files through the music layer as the fuzz target does, a few seconds each: run
// under memcheck, it watches the prebuilt mixer and its decoders.
#include <cstdio>

#include "listen.h"

const double PLAY_SECONDS = 2.0;   // audio decoded from each file that opens
const double PLAY_DEADLINE = 60.0; // wall-clock seconds allowed for it, slowed by memcheck

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
