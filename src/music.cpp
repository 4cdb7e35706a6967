// The music layer: looping music streams on one channel, over SDL2_mixer.
#include "music.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstring>

struct MusicTrack {
    Mix_Music *music; // the decoded file, owned for the whole run
};

const int MAX_TRACKS = 16;            // streams that can be open at once
static MusicTrack tracks[MAX_TRACKS]; // the open streams; a null `music` marks a free place
static bool audio_ready;              // the audio device opened
static MusicStream sounding;          // the stream on channel 0, null for none

const int MIX_CHUNK_FRAMES = 2048; // sample frames mixed per audio callback

const int ID3_HEADER_BYTES = 10;        // "ID3", version, revision, flags, syncsafe tag size
const int ID3_FRAME_HEADER_BYTES = 10;  // frame id, frame size, flags (ID3v2.3 and 2.4)
const long MIXER_TAG_TEXT_BYTES = 1024; // longest title, artist, album or copyright frame the
                                        // mixer copies without reading past its 1 KiB buffer

// A tag's 4-byte size: syncsafe (7 bits a byte) in ID3v2.4 and tag headers, plain before.
static long id3_size(const unsigned char *bytes, bool syncsafe) {
    long size = 0;
    for (int k = 0; k < 4; k++)
        size = syncsafe ? (size << 7) | (bytes[k] & 0x7f) : (size << 8) | bytes[k];
    return size;
}

// The frames the mixer copies into the track's title, artist, album and copyright.
static bool is_copied_text_frame(const unsigned char *id) {
    return !std::memcmp(id, "TIT2", 4) || !std::memcmp(id, "TPE1", 4) ||
           !std::memcmp(id, "TALB", 4) || !std::memcmp(id, "TCOP", 4);
}

// Whether `file` opens with an ID3v2.3 or 2.4 tag holding, wherever in it a frame may start,
// a title, artist, album or copyright frame longer than the mixer can copy: reading one, it
// runs off a 1 KiB buffer on the stack and crashes.
static bool has_overlong_tag_text(const char *file) {
    FILE *f = std::fopen(file, "rb");
    if (!f)
        return false;
    unsigned char tag[ID3_HEADER_BYTES];
    bool tagged = std::fread(tag, 1, sizeof tag, f) == sizeof tag && !std::memcmp(tag, "ID3", 3) &&
                  (tag[3] == 3 || tag[3] == 4);
    long last_start = tagged ? 2 * ID3_HEADER_BYTES + id3_size(tag + 6, true) : 0;
    unsigned char frame[ID3_FRAME_HEADER_BYTES] = {}; // the latest bytes read, oldest first
    bool overlong = false;
    for (long at = ID3_HEADER_BYTES; at < last_start + ID3_FRAME_HEADER_BYTES && !overlong; at++) {
        int c = std::getc(f);
        if (c == EOF)
            break;
        std::memmove(frame, frame + 1, sizeof frame - 1);
        frame[sizeof frame - 1] = c;
        overlong =
            is_copied_text_frame(frame) && id3_size(frame + 4, tag[3] == 4) > MIXER_TAG_TEXT_BYTES;
    }
    std::fclose(f);
    return overlong;
}

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

// A place for one more stream; null when every place is taken.
static MusicTrack *free_track() {
    for (MusicTrack &track : tracks)
        if (!track.music)
            return &track;
    return nullptr;
}

MusicStream music_open(const char *file) {
    MusicTrack *track = free_track();
    if (!audio_ready || !track || has_overlong_tag_text(file))
        return nullptr;
    track->music = Mix_LoadMUS(file);
    return track->music ? track : nullptr;
}

void music_close(MusicStream stream) {
    if (!stream)
        return;
    music_stop(stream);
    Mix_FreeMusic(stream->music);
    stream->music = nullptr;
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

void music_volume(int percent) {
    if (audio_ready)
        Mix_VolumeMusic(MIX_MAX_VOLUME * percent / 100);
}

void music_pause(bool paused) {
    if (audio_ready && paused)
        Mix_PauseMusic();
    else if (audio_ready)
        Mix_ResumeMusic();
}
