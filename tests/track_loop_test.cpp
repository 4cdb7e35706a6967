// The game's tracks loop seamlessly: recorded well past their end, the music never drops out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio_probe.h"
#include "music.h"
#include "scratch_dir.h"

namespace {

const long LONGEST_TRACK = 60 * PROBE_RATE; // frames; every track is shorter
const float QUIET = 0.002f;                 // level below which a sample counts as silence
const long GAP = PROBE_RATE / 100;          // 10 ms of silence would be heard as a gap

// The longest run of silent samples in `samples`.
long longest_silence(const std::vector<float> &samples) {
    long run = 0, longest = 0;
    for (float x : samples) {
        run = std::abs(x) < QUIET ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Each track in a process of its own: the mixer writes as fast as it can, so a minute and
// more of music takes a moment to record.
void record_track_past_its_loop(const char *track) {
    std::string recording = scratch_dir() + "/loop.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    music_init(PROBE_RATE, 32);
    music_play(music_open((std::string(HAYSTACK_DATA_DIR) + "/" + track).c_str()));
    while (recorded_frames(recording) < 2 * LONGEST_TRACK)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::vector<float> samples = read_mono(recording, PROBE_RATE, 2 * LONGEST_TRACK);
    long silence = longest_silence(samples);
    std::exit(silence < GAP ? 0 : (std::fprintf(stderr, "silent for %ld samples\n", silence), 1));
}

class TrackLoop : public ::testing::TestWithParam<const char *> {};

TEST_P(TrackLoop, MusicNeverDropsOut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(record_track_past_its_loop(GetParam()), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Tracks, TrackLoop,
                         ::testing::Values("intro.mp3", "theme.mp3", "outro.mp3"));

} // namespace
