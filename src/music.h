// The music layer: looping music streams on one channel, over SDL2_mixer.
#pragma once

struct MusicTrack;               // an opened music file; its insides belong to the music layer
typedef MusicTrack *MusicStream; // null when the file could not be opened

// Opens the audio output at `rate` Hz with `channels` mixing channels. Without an audio
// device every later call quietly does nothing.
void music_init(int rate, int channels);

// Opens a music file as a stream that loops until stopped; null when it cannot be read.
MusicStream music_open(const char *file);

// Silences `stream` if it sounds and closes it for good, making room for another; the game
// keeps its streams for the whole run, tools that open many files close them. Null does nothing.
void music_close(MusicStream stream);

// Starts `stream` on channel 0, silencing whatever sounded there. A stream that already
// sounds keeps on sounding without restarting. A null stream does nothing.
void music_play(MusicStream stream);

// Silences `stream` if it is the one sounding; otherwise does nothing.
void music_stop(MusicStream stream);

// The stream sounding on channel 0 now; null for silence.
MusicStream music_sounding();

// Sets the volume of every stream, now and later: 0 (silent output) to 100 percent (the
// tracks as they are, and the default).
void music_volume(int percent);

// Holds the sounding stream where it is, or goes on from there; a stream started meanwhile
// waits too.
void music_pause(bool paused);
