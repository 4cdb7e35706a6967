// The music layer's promises, heard in what SDL2_mixer really mixes (SDL's disk audio driver).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio_probe.h"
#include "music.h"
#include "scratch_dir.h"

namespace {

const double LOW_HZ = 500.0; // test tones, far from each other's harmonics
const double HIGH_HZ = 1300.0;
const double AUDIBLE = 1e-3; // tone power of a clearly sounding tone (amplitude 0.3 gives 0.02)
const double QUIET = 1e-5;   // tone power below which a tone counts as absent

// Writes a mono 16-bit WAV of consecutive sine tones, each `seconds` long.
std::string write_tones(const std::string &name, std::vector<double> tones, double seconds) {
    std::vector<int16_t> samples;
    for (double hz : tones)
        for (int i = 0; i < int(seconds * PROBE_RATE); i++)
            samples.push_back(int16_t(0.3 * 32767 * std::sin(2 * M_PI * hz * i / PROBE_RATE)));
    uint32_t data_bytes = samples.size() * 2;
    struct {
        char riff[4] = {'R', 'I', 'F', 'F'};
        uint32_t size;
        char wave_fmt[8] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
        uint32_t fmt_size = 16;
        uint16_t format = 1, channels = 1;
        uint32_t rate = PROBE_RATE, byte_rate = PROBE_RATE * 2;
        uint16_t align = 2, bits = 16;
        char data[4] = {'d', 'a', 't', 'a'};
        uint32_t data_size;
    } header;
    header.size = 36 + data_bytes;
    header.data_size = data_bytes;
    std::string path = scratch_dir() + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(&header, sizeof header, 1, f);
    std::fwrite(samples.data(), 2, samples.size(), f);
    std::fclose(f);
    return path;
}

void wait_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// One audio output for the whole test program, recorded to a file; positions in the
// recording are taken as its length at the moment asked.
class MusicTest : public ::testing::Test {
  protected:
    static std::string recording;

    static void SetUpTestSuite() {
        recording = scratch_dir() + "/mixed.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
        music_init(PROBE_RATE, 32);
    }

    long now() {
        return recorded_frames(recording);
    }

    // Power of `hz` in the recording from `from` on, skipping the mixer's buffering.
    double heard(double hz, long from, long to) {
        const long settle = PROBE_RATE / 5;
        return tone_power(read_mono(recording, from + settle, to), hz);
    }

    void TearDown() override {
        music_stop(playing);
        wait_ms(200);
    }

    MusicStream playing = nullptr; // stopped after each test
};
std::string MusicTest::recording;

TEST_F(MusicTest, StreamLoopsUntilStopped) {
    playing = music_open(write_tones("short.wav", {LOW_HZ}, 0.3).c_str());
    ASSERT_NE(playing, nullptr);
    music_play(playing);
    wait_ms(300);
    long after_first_pass = now();
    wait_ms(900);
    EXPECT_GT(heard(LOW_HZ, after_first_pass, now()), AUDIBLE);

    music_stop(playing);
    wait_ms(300);
    long stopped = now();
    wait_ms(400);
    EXPECT_LT(heard(LOW_HZ, stopped, now()), QUIET);
}

TEST_F(MusicTest, PlayingTakesTheChannelFromTheOtherStream) {
    MusicStream low = music_open(write_tones("low.wav", {LOW_HZ}, 1.0).c_str());
    MusicStream high = music_open(write_tones("high.wav", {HIGH_HZ}, 1.0).c_str());
    music_play(low);
    wait_ms(500);
    music_play(high);
    playing = high;
    long switched = now();
    wait_ms(700);
    EXPECT_GT(heard(HIGH_HZ, switched, now()), AUDIBLE);
    EXPECT_LT(heard(LOW_HZ, switched, now()), QUIET);
}

// A stream played again every tick must go on through its music, not restart each time.
TEST_F(MusicTest, PlayingTheSoundingStreamAgainDoesNotRestartIt) {
    playing = music_open(write_tones("two_part.wav", {LOW_HZ, HIGH_HZ}, 0.4).c_str());
    music_play(playing);
    long start = now();
    for (int tick = 0; tick < 40; tick++) {
        music_play(playing);
        wait_ms(33);
    }
    EXPECT_GT(heard(HIGH_HZ, start, now()), AUDIBLE / 4);
    EXPECT_GT(heard(LOW_HZ, start, now()), AUDIBLE / 4);
}

TEST_F(MusicTest, StoppingAStreamThatIsNotSoundingChangesNothing) {
    MusicStream other = music_open(write_tones("other.wav", {LOW_HZ}, 1.0).c_str());
    playing = music_open(write_tones("sounding.wav", {HIGH_HZ}, 1.0).c_str());
    music_play(playing);
    wait_ms(200);
    music_stop(other);
    music_stop(nullptr);
    long after = now();
    wait_ms(600);
    EXPECT_GT(heard(HIGH_HZ, after, now()), AUDIBLE);
}

// Closing silences a stream and frees its place: far more files than there are places open.
TEST_F(MusicTest, ClosingSilencesAStreamAndMakesRoomForAnother) {
    std::string tone = write_tones("closed.wav", {LOW_HZ}, 1.0);
    for (int k = 0; k < 40; k++) {
        playing = music_open(tone.c_str());
        ASSERT_NE(playing, nullptr) << "open number " << k;
        music_play(playing);
        music_close(playing);
    }
    EXPECT_EQ(music_sounding(), nullptr);
    playing = nullptr;
}

TEST_F(MusicTest, UnreadableFilesGiveNullStreamsThatDoNothing) {
    EXPECT_EQ(music_open("/nonexistent/theme.mp3"), nullptr);
    std::string junk = scratch_dir() + "/junk.mp3";
    FILE *f = std::fopen(junk.c_str(), "wb");
    std::fputs("this is not music", f);
    std::fclose(f);
    EXPECT_EQ(music_open(junk.c_str()), nullptr);

    music_play(nullptr);
    long after = now();
    wait_ms(500);
    EXPECT_LT(rms(read_mono(recording, after + PROBE_RATE / 5, now())), 1e-4);
}

// Copying a title, artist, album or copyright frame of a leading ID3v2 tag, the mixer reads
// the whole frame out of a 1 KiB buffer on the stack: longer ones are refused, shorter kept.
TEST_F(MusicTest, RefusesTagTextTooLongForTheMixer) {
    FILE *in = std::fopen(HAYSTACK_DATA_DIR "/intro.mp3", "rb");
    std::vector<char> track(1 << 20);
    track.resize(std::fread(track.data(), 1, track.size(), in));
    std::fclose(in);
    auto tagged = [&](const char *name, const char *frame, uint32_t text_bytes) {
        std::vector<char> tag = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10};
        tag.insert(tag.end(), frame, frame + 4);
        for (int shift = 24; shift >= 0; shift -= 8)
            tag.push_back(char(text_bytes >> shift));
        tag.insert(tag.end(), {0, 0, 0});
        tag.resize(tag.size() + 4096, 'a');
        std::string path = scratch_dir() + "/" + name;
        FILE *f = std::fopen(path.c_str(), "wb");
        std::fwrite(tag.data(), 1, tag.size(), f);
        std::fwrite(track.data(), 1, track.size(), f);
        std::fclose(f);
        return path;
    };
    EXPECT_EQ(music_open(tagged("huge_title.mp3", "TIT2", 0xffffffff).c_str()), nullptr);
    EXPECT_EQ(music_open(tagged("long_artist.mp3", "TPE1", 1 << 20).c_str()), nullptr);
    EXPECT_EQ(music_open(tagged("long_album.mp3", "TALB", 1025).c_str()), nullptr);
    EXPECT_NE(music_open(tagged("short_title.mp3", "TIT2", 1024).c_str()), nullptr);
}

// Each of the game's tracks decodes and carries its own dominant pitch.
TEST_F(MusicTest, GameTracksSoundWithTheirOwnPitch) {
    const struct {
        const char *file;
        double hz;
    } tracks[] = {{"intro.mp3", INTRO_HZ}, {"theme.mp3", THEME_HZ}, {"outro.mp3", OUTRO_HZ}};
    for (const auto &track : tracks) {
        SCOPED_TRACE(track.file);
        playing = music_open((std::string(HAYSTACK_DATA_DIR) + "/" + track.file).c_str());
        ASSERT_NE(playing, nullptr);
        music_play(playing);
        long start = now();
        wait_ms(1200);
        std::vector<float> heard_samples = read_mono(recording, start + PROBE_RATE / 5, now());
        EXPECT_GT(rms(heard_samples), 0.01);
        EXPECT_EQ(dominant_track_pitch(heard_samples), track.hz);
        music_stop(playing);
    }
}

// Without an audio device the layer stays silent and every call is harmless.
TEST(MusicWithoutDevice, EveryCallIsHarmless) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            music_init(PROBE_RATE, 32);
            MusicStream stream = music_open(HAYSTACK_DATA_DIR "/intro.mp3");
            music_play(stream);
            music_stop(stream);
            std::exit(stream == nullptr ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
