// Music decoded as fast as the mixer can go, for the music fuzz target and its memcheck replay.
#include "listen.h"

#include <SDL_mixer.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

const int GAME_MIX_RATE = 44100;                      // audio mixing rate, Hz, as the game opens it
const int GAME_MIX_CHANNELS = 32;                     // mixing channels, as the game opens them
const int MIXED_BYTES_PER_SECOND = 4 * GAME_MIX_RATE; // signed 16-bit stereo
static std::atomic<long> mixed_bytes;                 // audio mixed since the stream started, bytes

void open_fast_audio() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    music_init(GAME_MIX_RATE, GAME_MIX_CHANNELS);
}

// The mixer's hook after each buffer it mixed.
static void count_mixed(void *, Uint8 *, int bytes) {
    mixed_bytes += bytes;
}

void play_for(MusicStream stream, double seconds, double deadline) {
    if (!stream)
        return;
    Mix_SetPostMix(count_mixed, nullptr);
    mixed_bytes = 0;
    music_play(stream);
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(deadline);
    while (mixed_bytes < seconds * MIXED_BYTES_PER_SECOND && music_sounding() == stream &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    music_stop(stream);
}
