// Replays: the ticks' input coded and read back, the reader against damaged files, and searches
// played through the simulation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <unistd.h>

#include "found_search.h"
#include "replay.h"
#include "scratch_dir.h"

namespace {

const long FIELD = 7;      // the numbered field the searches are made in
const int WAIT_TICKS = 65; // ticks of standing before the throw: two checkpoints' worth

// A search of field 7 that finds the needle after a while of standing.
Replay found_search() {
    Replay r = found_search_of_field(
        FIELD, std::vector<ReplayTick>(WAIT_TICKS, {{0, 0, 320, 240}, false, {}}));
    EXPECT_NE(r.found_ticks, 0) << "no start of the orbit saw the needle";
    return r;
}

// The bytes with their checksum made right again, after a change to them.
std::vector<unsigned char> resealed(std::vector<unsigned char> bytes) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i + 4 < bytes.size(); i++)
        hash = (hash ^ bytes[i]) * 16777619u;
    for (int i = 0; i < 4; i++)
        bytes[bytes.size() - 4 + i] = (unsigned char)(hash >> (8 * i));
    return bytes;
}

bool reads(const std::vector<unsigned char> &bytes, std::string *why) {
    Replay r;
    return decode_replay(bytes.data(), bytes.size(), &r, why);
}

TEST(Replay, AFoundSearchIsProvenThroughItsFileAndAChangedOneIsNot) {
    Replay search = found_search();
    ASSERT_GT(search.found_ticks, WAIT_TICKS);
    std::vector<unsigned char> bytes = encode_replay(search);
    EXPECT_LT(bytes.size(), 200u) << "a still search with one throw codes small";
    Replay read;
    std::string why;
    ASSERT_TRUE(decode_replay(bytes.data(), bytes.size(), &read, &why)) << why;
    ReplayOutcome outcome = verify_replay(read);
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.found_ticks, search.found_ticks);
    EXPECT_EQ(outcome.found_ticks, int(read.ticks.size()) - 1) << "the start's tick is no search";
    EXPECT_EQ(outcome.diverged_tick, 0);

    Replay turned = read; // a tap of Left before the first checkpoint
    turned.ticks[10].input.held = PLAY_LEFT;
    outcome = verify_replay(turned);
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(outcome.diverged_tick, CHECKPOINT_TICKS);

    Replay late = read; // the same search but played from another tick of the orbit
    late.start_tick++;
    EXPECT_FALSE(verify_replay(late).found);

    // --verify's lines and status for the three, as files: found, diverged, not found.
    std::string folder = scratch_dir(), said;
    const char *names[] = {"found.hsr", "turned.hsr", "late.hsr"};
    const Replay *replays[] = {&read, &turned, &late};
    std::vector<std::string> paths;
    for (int i = 0; i < 3; i++) {
        paths.push_back(folder + "/" + names[i]);
        std::vector<unsigned char> file = encode_replay(*replays[i]);
        std::FILE *out = std::fopen(paths.back().c_str(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
    const char *opened[] = {paths[0].c_str(), paths[1].c_str(), paths[2].c_str()};
    std::FILE *lines = std::tmpfile();
    EXPECT_EQ(verify_replay_files(1, opened, names, lines), 0);
    EXPECT_EQ(verify_replay_files(3, opened, names, lines), 1);
    std::rewind(lines);
    for (int c; (c = std::fgetc(lines)) != EOF;)
        said += char(c);
    std::fclose(lines);
    std::string found = "found.hsr: field 7, found in 0:0";
    EXPECT_EQ(said.find(found), 0u) << said;
    EXPECT_NE(said.find(found, 1), std::string::npos) << said;
    EXPECT_NE(said.find("turned.hsr: field 7, the needle is not found: the search diverged at "
                        "tick 30\n"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("late.hsr: field 7, the needle is not found"), std::string::npos) << said;
}

TEST(ReplayCoding, EveryTickComesBackAsItWent) {
    std::mt19937 random(20261210);
    Replay r = found_search();
    r.ticks.clear();
    TickInput input = {0, 0, 320, 240};
    for (int i = 0; i < 5000; i++) {
        int kind = random() % 6;
        if (kind == 0)
            input.held = random() % (PLAY_BITS + 1);
        if (kind == 1) // a pointer's whole pixels, or eighths of them
            input.cross_x = float(random() % 5120) / 8;
        if (kind == 2) // a stick's or keys' fractions
            input.cross_y = float(std::uniform_real_distribution<double>(0, 480)(random));
        input.pressed = kind == 3 ? unsigned(random() % (PLAY_BITS + 1)) : 0;
        ReplayTick tick = {input, kind == 4, {1, 0, 50 + i % 150, 200, 1, 1}};
        int repeats = kind == 5 ? int(random() % 300) : 1;
        for (int k = 0; k < repeats; k++)
            r.ticks.push_back(tick);
        input.pressed = 0;
        if (r.ticks.size() > size_t(MAX_REPLAY_TICKS) - 400)
            break;
    }
    r.checkpoints.assign(r.ticks.size() / CHECKPOINT_TICKS, 0xdeadbeef);
    std::vector<unsigned char> bytes = encode_replay(r);
    Replay back;
    std::string why;
    ASSERT_TRUE(decode_replay(bytes.data(), bytes.size(), &back, &why)) << why;
    ASSERT_EQ(back.ticks.size(), r.ticks.size());
    for (size_t i = 0; i < r.ticks.size(); i++) {
        const ReplayTick &a = r.ticks[i], &b = back.ticks[i];
        ASSERT_EQ(std::memcmp(&a.input, &b.input, sizeof a.input), 0) << "tick " << i;
        ASSERT_EQ(a.settings_changed, b.settings_changed) << "tick " << i;
        if (a.settings_changed) {
            ASSERT_EQ(std::memcmp(&a.settings, &b.settings, sizeof a.settings), 0) << i;
        }
    }
    EXPECT_EQ(back.checkpoints, r.checkpoints);
    EXPECT_EQ(back.start_tick, r.start_tick);
    EXPECT_STREQ(back.game_version, "test");
}

// An hour with everything changing at every tick, more than any player makes, is written and
// read back: every search the game writes, it reads.
TEST(ReplayCoding, TheLongestFileTheGameWritesIsRead) {
    Replay r = found_search();
    r.ticks.clear();
    for (int i = 0; i < MAX_REPLAY_TICKS; i++) {
        float fraction = float(i % 997) / 3; // never a whole eighth's step from the last
        r.ticks.push_back({{unsigned(i % 2 ? PLAY_BITS : 0), unsigned(PLAY_LOOK), fraction + 0.01f,
                            480 - fraction - 0.01f},
                           true,
                           {i % 2, 1, 50 + i % 150, 200, 1, 1}});
    }
    r.checkpoints.assign(MAX_REPLAY_TICKS / CHECKPOINT_TICKS, 0);
    std::vector<unsigned char> bytes = encode_replay(r);
    EXPECT_GT(bytes.size(), size_t(MAX_REPLAY_TICKS) * (MOST_TICK_BYTES - 1));
    std::string path = scratch_dir() + "/longest.hsr", why;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    Replay back;
    EXPECT_TRUE(read_replay_file(path.c_str(), &back, &why)) << why;
    EXPECT_EQ(back.ticks.size(), r.ticks.size());
}

TEST(ReplayReader, RefusesEveryDamagedFileWithAReason) {
    std::vector<unsigned char> good = encode_replay(found_search());
    std::string why;
    ASSERT_TRUE(reads(good, &why)) << why;
    for (size_t size = 0; size < good.size(); size++) // cut anywhere
        EXPECT_FALSE(reads({good.begin(), good.begin() + size}, &why)) << size;
    for (size_t bit = 0; bit < 8 * good.size(); bit++) { // any bit flipped
        std::vector<unsigned char> flipped = good;
        flipped[bit / 8] ^= (unsigned char)(1 << bit % 8);
        EXPECT_FALSE(reads(flipped, &why)) << "bit " << bit;
    }
    // Sealed again, so that the checks behind the checksum have their say.
    auto changed = [&](size_t at, std::vector<unsigned char> with) {
        std::vector<unsigned char> bytes = good;
        std::copy(with.begin(), with.end(), bytes.begin() + at);
        bool read = reads(resealed(bytes), &why);
        return read ? std::string("read") : why;
    };
    const size_t FIELD_AT = 8 + 2 + 1 + 4, COUNT_AT = FIELD_AT + 4 + 1 + 4 + 8 + 4;
    EXPECT_NE(changed(8, {2, 0}).find("newer"), std::string::npos);
    EXPECT_NE(changed(FIELD_AT, {0x00, 0xe1, 0xf5, 0x05}).find("out of range"), std::string::npos);
    EXPECT_NE(changed(COUNT_AT, {0x01, 0xa6, 0x01, 0x00}).find("hour"), std::string::npos);
    EXPECT_NE(changed(COUNT_AT, {0xff, 0xff, 0xff, 0xff}).find("hour"), std::string::npos);
    EXPECT_NE(changed(COUNT_AT + 8, {0xff, 0xff, 0xff, 0x7f}).find("ends early"),
              std::string::npos);
    EXPECT_NE(changed(FIELD_AT + 4, {9}).find("does not know"), std::string::npos);

    Replay r;
    EXPECT_FALSE(read_replay_file("/", &r, &why));
    EXPECT_NE(why.find("directory"), std::string::npos) << why;
    EXPECT_FALSE(read_replay_file("/nonexistent/last.hsr", &r, &why));
    EXPECT_FALSE(reads({}, &why));
    EXPECT_NE(why.find("empty"), std::string::npos);
}

} // namespace
