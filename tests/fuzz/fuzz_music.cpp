// Fuzz target: the music layer opening a file, then a few seconds of it decoded by the mixer.
#include <sanitizer/lsan_interface.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "listen.h"

const double PLAY_SECONDS = 2.0;   // audio decoded from each input that opens
const double PLAY_DEADLINE = 10.0; // wall-clock seconds allowed for it
static std::string input_file;     // where each input is written for the music layer to open

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    input_file = "/tmp/haystack-fuzz-music-" + std::to_string(getpid()) + ".mp3";
    std::atexit([] { std::remove(input_file.c_str()); });
    open_fast_audio();
    return 0;
}

// The mixer keeps the texts of an ID3v1 tag it read from a file it then fails to open (four
// strings, under 200 bytes): what it allocates while opening is left out of the leak check.
static MusicStream open_outside_leak_check(const char *file) {
    __lsan::ScopedDisabler mixer_allocations;
    return music_open(file);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *f = std::fopen(input_file.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    MusicStream stream = open_outside_leak_check(input_file.c_str());
    play_for(stream, PLAY_SECONDS, PLAY_DEADLINE);
    music_close(stream);
    return 0;
}
