// Reads back what the audio mixer wrote through SDL's disk driver and measures tones in it.
#include "audio_probe.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

long recorded_frames(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    std::fseek(f, 0, SEEK_END);
    long bytes = std::ftell(f);
    std::fclose(f);
    return bytes / PROBE_FRAME_BYTES;
}

std::vector<float> read_mono(const std::string &path, long from, long to) {
    std::vector<float> out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f || to <= from)
        return f ? (std::fclose(f), out) : out;
    std::vector<int16_t> frames(2 * (to - from));
    std::fseek(f, from * PROBE_FRAME_BYTES, SEEK_SET);
    size_t got = std::fread(frames.data(), PROBE_FRAME_BYTES, to - from, f);
    std::fclose(f);
    for (size_t i = 0; i < got; i++)
        out.push_back((frames[2 * i] + frames[2 * i + 1]) / 65536.0f);
    return out;
}

// Goertzel filter at `hz`, normalised by the number of samples.
double tone_power(const std::vector<float> &samples, double hz) {
    if (samples.empty())
        return 0.0;
    double coeff = 2.0 * std::cos(2.0 * M_PI * hz / PROBE_RATE);
    double s1 = 0.0, s2 = 0.0;
    for (float x : samples) {
        double s0 = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    double n = samples.size();
    return power / (n * n);
}

double rms(const std::vector<float> &samples) {
    double sum = 0.0;
    for (float x : samples)
        sum += x * x;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

double dominant_track_pitch(const std::vector<float> &samples) {
    double best = INTRO_HZ;
    for (double hz : {THEME_HZ, OUTRO_HZ})
        if (tone_power(samples, hz) > tone_power(samples, best))
            best = hz;
    return best;
}
