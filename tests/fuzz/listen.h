// Music decoded as fast as the mixer can go, for the music fuzz target and its memcheck replay.
#pragma once

#include "music.h"

// Opens the music layer's audio output on SDL's disk driver, writing to /dev/null without
// pausing, so that the mixer decodes as fast as it can.
void open_fast_audio();

// Plays `stream` until the mixer has mixed `seconds` of audio, the stream falls silent, or
// `deadline` seconds have passed; then stops it. A null stream does nothing.
void play_for(MusicStream stream, double seconds, double deadline);
