// Reads back what the audio mixer wrote through SDL's disk driver and measures tones in it.
#pragma once

#include <string>
#include <vector>

const int PROBE_RATE = 44100;    // sample frames a second in the recording
const int PROBE_FRAME_BYTES = 4; // signed 16-bit stereo
const double INTRO_HZ = 196.0;   // pitch that dominates each game track
const double THEME_HZ = 294.0;
const double OUTRO_HZ = 440.0;

// Frames written to the recording so far.
long recorded_frames(const std::string &path);

// Frames [from, to) of the recording, both channels averaged, scaled to -1..1.
std::vector<float> read_mono(const std::string &path, long from, long to);

// Mean power of the `hz` component of `samples` (a sine of amplitude A gives A*A/4).
double tone_power(const std::vector<float> &samples, double hz);

// Root mean square level of `samples`.
double rms(const std::vector<float> &samples);

// Of the three game tracks' pitches, the one strongest in `samples`.
double dominant_track_pitch(const std::vector<float> &samples);
