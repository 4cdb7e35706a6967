// The music layer: looping music streams on one channel, over SDL2_mixer.
#include "music.h"

#include <SDL.h>
#include <SDL_mixer.h>

struct MusicTrack {
    Mix_Music *music; // the decoded file, owned for the whole run
};

const int MAX_TRACKS = 16;            // streams that can be open at once
static MusicTrack tracks[MAX_TRACKS]; // the opened streams, never closed
static int track_count;               // tracks in use, 0..MAX_TRACKS
static bool audio_ready;              // the audio device opened
static MusicStream sounding;          // the stream on channel 0, null for none

const int MIX_CHUNK_FRAMES = 2048; // sample frames mixed per audio callback

void music_init(int rate, int channels) {
    if (audio_ready || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    if (Mix_OpenAudio(rate, MIX_DEFAULT_FORMAT, 2, MIX_CHUNK_FRAMES) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    Mix_AllocateChannels(channels);
    audio_ready = true;
}

MusicStream music_open(const char *file) {
    if (!audio_ready || track_count == MAX_TRACKS)
        return nullptr;
    Mix_Music *music = Mix_LoadMUS(file);
    if (!music)
        return nullptr;
    tracks[track_count].music = music;
    return &tracks[track_count++];
}

MusicStream music_sounding() {
    return Mix_PlayingMusic() ? sounding : nullptr;
}

static bool is_sounding(MusicStream stream) {
    return stream && stream == music_sounding();
}

void music_play(MusicStream stream) {
    if (!stream || is_sounding(stream))
        return;
    if (Mix_PlayMusic(stream->music, -1) == 0)
        sounding = stream;
}

void music_stop(MusicStream stream) {
    if (!is_sounding(stream))
        return;
    Mix_HaltMusic();
    sounding = nullptr;
}
