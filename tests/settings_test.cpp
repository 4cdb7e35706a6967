// The settings file's lines, its tolerant read and atomic write, the key names and the rules
// of rebinding.
#include <gtest/gtest.h>

#include <allegro.h>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "controls.h"
#include "scratch_dir.h"
#include "settings.h"

namespace {

// What reading the settings file at `path` over the defaults gives, and what it said on
// standard error.
std::pair<Settings, std::string> read_file(const std::string &path) {
    Settings s;
    default_settings(&s);
    ::testing::internal::CaptureStderr();
    read_settings(path.c_str(), &s);
    return {s, ::testing::internal::GetCapturedStderr()};
}

// An action's two keys, for comparing.
std::array<int, 2> two(int first, int second) {
    return {first, second};
}

bool same(const Settings &a, const Settings &b) {
    return a.display.scale == b.display.scale && a.display.fullscreen == b.display.fullscreen &&
           a.music == b.music && a.look_toggle == b.look_toggle && a.bob == b.bob &&
           a.glint == b.glint && a.turn == b.turn && a.cross == b.cross &&
           !std::memcmp(a.keys, b.keys, sizeof a.keys) && !std::strcmp(a.board, b.board) &&
           !std::strcmp(a.name, b.name) && !std::strcmp(a.token, b.token);
}

const char *const TOKEN = "0123456789abcdef0123456789abcdef"; // a token as the game makes them

TEST(SettingsLines, GoodValuesTakeAndBadOnesChangeNothing) {
    Settings s;
    default_settings(&s);
    const char *good[][2] = {{"music", "0"},
                             {"music", "70"},
                             {"look", "toggle"},
                             {"bob", "off"},
                             {"needle", "glint"},
                             {"turn", "50"},
                             {"cross", "200"},
                             {"mouse", "steer"},
                             {"scale", "3"},
                             {"display", "fullscreen"},
                             {"key.forward", "f"},
                             {"key.mute", ""},
                             {"key.options", "F1"},
                             {"key.aim", "PadEnter Tab"},
                             {"board", "http://127.0.0.1:8080"},
                             {"name", "Ann B-2_."},
                             {"token", TOKEN}};
    for (auto [name, value] : good)
        EXPECT_TRUE(apply_setting(&s, name, value)) << name << "=" << value;
    EXPECT_TRUE(s.music == 70 && s.look_toggle && !s.bob && s.glint && s.turn == 50 &&
                s.cross == 200 && s.mouse_steer && s.display.scale == 3 && s.display.fullscreen);
    EXPECT_EQ(s.keys[ACTION_FORWARD][0], KEY_F);
    EXPECT_EQ(s.keys[ACTION_FORWARD][1], NO_KEY) << "the line gives all of the action's keys";
    EXPECT_EQ(s.keys[ACTION_MUTE][0], NO_KEY);
    EXPECT_EQ(s.keys[ACTION_OPTIONS][0], KEY_F1);
    EXPECT_EQ(s.keys[ACTION_AIM][1], KEY_TAB);
    EXPECT_TRUE(!std::strcmp(s.board, "http://127.0.0.1:8080") &&
                !std::strcmp(s.name, "Ann B-2_.") && !std::strcmp(s.token, TOKEN));
    Settings before = s;
    const char *bad[][2] = {{"music", "75"},
                            {"music", "110"},
                            {"music", "-10"},
                            {"music", ""},
                            {"look", "Toggle"},
                            {"bob", "1"},
                            {"needle", "on"},
                            {"turn", "40"},
                            {"cross", "210"},
                            {"turn", "100x"},
                            {"scale", "0"},
                            {"volume", "10"},
                            {"key.jump", "J"},
                            {"key.forward", "Escape"},
                            {"key.forward", "F11"},
                            {"key.back", "Q Q Q"},
                            {"key.look", "F1"},
                            {"key.left", "Nonsense"},
                            {"key.", "A"},
                            {"mouse", "walk"},
                            {"board", "ftp://x.example"},
                            {"board", "https://a b"},
                            {"board", "https://"},
                            {"board", "board.example"},
                            {"name", " Ann"},
                            {"name", "Ann "},
                            {"name", "<script>"},
                            {"name", "Robert'); DROP"},
                            {"name", "Seventeen chars!!"},
                            {"token", "0123456789ABCDEF0123456789ABCDEF"},
                            {"token", "0123"}};
    for (auto [name, value] : bad)
        EXPECT_FALSE(apply_setting(&s, name, value)) << name << "=" << value;
    EXPECT_TRUE(same(s, before));
}

TEST(SettingsFile, WrittenWholeReadBackAndBadLinesPassedOverOneByOne) {
    std::string path = scratch_dir() + "/read/haystack/haystack.conf";
    auto [missing, quiet] = read_file(path);
    Settings defaults;
    default_settings(&defaults);
    EXPECT_TRUE(same(missing, defaults) && quiet.empty());
    Settings chosen = defaults;
    chosen.display = {3, true};
    chosen.music = 30;
    chosen.glint = true;
    bind_key(chosen.keys, ACTION_LOOK, KEY_W); // W leaves forward
    bind_key(chosen.keys, ACTION_LOOK, KEY_0_PAD);
    ASSERT_TRUE(write_settings(path.c_str(), chosen)); // the folders made too
    auto [back, still_quiet] = read_file(path);
    EXPECT_TRUE(same(back, chosen)) << still_quiet;
    EXPECT_TRUE(still_quiet.empty());
    const std::string damages[] = {
        "scale=0", "display=huge", "scale=2x", "scale=+2",
        "zoom=2",  "scale",        "\x01\xff", "scale=" + std::string(300, '9')};
    for (const std::string &damage : damages) {
        std::ofstream(path) << "display=fullscreen\n" << damage << "\nmusic=20\n";
        auto [s, said] = read_file(path);
        EXPECT_TRUE(s.display.fullscreen && s.display.scale == 1 && s.music == 20) << damage;
        EXPECT_NE(said.find(path + ", line 2"), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    }
    std::ofstream(path) << "# a comment\n\r\nscale=4\r\ndisplay=window\nkey.look=Up\n";
    auto [s, said] = read_file(path);
    EXPECT_EQ(s.display.scale, 4);
    EXPECT_TRUE(s.keys[ACTION_LOOK][0] == KEY_UP && s.keys[ACTION_FORWARD][0] == KEY_W &&
                s.keys[ACTION_FORWARD][1] == NO_KEY)
        << "a key in the file leaves the action that had it by default";
}

// A write that cannot finish leaves the file as it was, whole.
TEST(SettingsFile, FailedWriteLeavesTheOldFile) {
    std::string path = scratch_dir() + "/write/haystack.conf";
    Settings s;
    default_settings(&s);
    s.display = {2, true};
    ASSERT_TRUE(write_settings(path.c_str(), s));
    std::filesystem::create_directory(path + ".partial"); // the new file cannot be made
    Settings other = s;
    other.display = {5, false};
    EXPECT_FALSE(write_settings(path.c_str(), other));
    auto [back, said] = read_file(path);
    EXPECT_TRUE(back.display.scale == 2 && back.display.fullscreen && said.empty());
}

// A value of the setting's other than a new player's, as its line in the file gives it.
std::string other_value(const Setting &setting) {
    for (const char *text : {"https://board.example/", "Ann", TOKEN})
        if (setting.kind == SETTING_TEXT && setting.allowed(text))
            return text;
    if (setting.kind == SETTING_CHOICE)
        return setting.initial ? setting.words.off : setting.words.on;
    const SettingRange &r = setting.range;
    return std::to_string(setting.initial + (setting.initial < r.high ? r.step : -r.step));
}

// Each setting, read from its own line, moves its own value and no other's, and every default
// is one the file takes back: a default out of its range, or two settings kept in one place,
// would fail here.
TEST(SettingTable, EachLineMovesItsOwnSettingAndTheDefaultsReadBack) {
    Settings defaults, others;
    default_settings(&defaults);
    default_settings(&others);
    std::set<int> orders;
    for (const Setting &setting : SETTING_TABLE) {
        orders.insert(setting.screen_order);
        if (setting.kind == SETTING_KEYS)
            continue;
        Settings s = defaults;
        std::string value = other_value(setting);
        ASSERT_TRUE(apply_setting(&s, setting.name, value.c_str())) << setting.name << "=" << value;
        ASSERT_TRUE(apply_setting(&others, setting.name, value.c_str()));
        for (const Setting &other : SETTING_TABLE) {
            bool moved = other.kind == SETTING_TEXT
                             ? std::strcmp(setting_text(s, other), setting_text(defaults, other))
                             : other.kind != SETTING_KEYS &&
                                   setting_value(s, other) != setting_value(defaults, other);
            EXPECT_EQ(moved, &other == &setting)
                << setting.name << "=" << value << ", " << other.name;
        }
        EXPECT_TRUE(!std::memcmp(s.keys, defaults.keys, sizeof s.keys)) << setting.name;
    }
    EXPECT_EQ(orders.size(), size_t(SETTING_COUNT))
        << "each setting has its own place on the screen";
    std::string path = scratch_dir() + "/table/haystack.conf";
    ASSERT_TRUE(write_settings(path.c_str(), defaults));
    ::testing::internal::CaptureStderr();
    read_settings(path.c_str(), &others);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(same(others, defaults) && others.mouse_steer == defaults.mouse_steer);
}

TEST(Keys, NamesAreOneWordEachReadInAnyCaseAndEscapeHasNone) {
    int named = 0;
    for (int scancode = 0; scancode < KEY_MAX; scancode++) {
        const char *name = key_name(scancode);
        if (!name)
            continue;
        named++;
        EXPECT_EQ(std::string(name).find(' '), std::string::npos) << name;
        EXPECT_EQ(key_named(name), scancode) << name;
        std::string lower = name;
        for (char &c : lower)
            c = char(std::tolower(c));
        EXPECT_EQ(key_named(lower.c_str()), scancode) << lower;
    }
    EXPECT_GE(named, 26 + 10 + 10 + 11 + 30);
    for (int unbound : {int(KEY_ESC), int(KEY_F11), int(KEY_ALT), NO_KEY})
        EXPECT_EQ(key_name(unbound), nullptr) << unbound;
    EXPECT_EQ(key_named("Escape"), NO_KEY);
}

TEST(Keys, ABoundKeyDoesOneThingAndAThirdKeyPushesOutTheOldest) {
    KeyBindings keys;
    default_key_bindings(keys);
    EXPECT_FALSE(bind_key(keys, ACTION_FORWARD, KEY_ESC));
    EXPECT_EQ(keys[ACTION_FORWARD][0], KEY_UP) << "a refused key changes nothing";
    EXPECT_TRUE(bind_key(keys, ACTION_FORWARD, KEY_SPACE));
    EXPECT_EQ(two(keys[ACTION_FORWARD][0], keys[ACTION_FORWARD][1]), two(KEY_SPACE, KEY_UP))
        << "W, the oldest, went";
    EXPECT_EQ(keys[ACTION_LOOK][0], NO_KEY) << "Space left look down";
    bind_key(keys, ACTION_LOOK, KEY_UP);
    EXPECT_EQ(two(keys[ACTION_FORWARD][0], keys[ACTION_FORWARD][1]), two(KEY_SPACE, NO_KEY));
    bind_key(keys, ACTION_LOOK, KEY_UP); // again: still once
    EXPECT_EQ(two(keys[ACTION_LOOK][0], keys[ACTION_LOOK][1]), two(KEY_UP, NO_KEY));
    bind_key(keys, ACTION_LOOK, KEY_L);
    bind_key(keys, ACTION_LOOK, KEY_UP); // the second key becomes the first
    EXPECT_EQ(two(keys[ACTION_LOOK][0], keys[ACTION_LOOK][1]), two(KEY_UP, KEY_L));
    EXPECT_EQ(keys[ACTION_CROSS_RIGHT][0], NO_KEY);
    EXPECT_FALSE(bind_key(keys, ACTION_MUTE, KEY_TAB)) << "the options screen's only key stays";
    bind_key(keys, ACTION_OPTIONS, KEY_F1);
    EXPECT_TRUE(bind_key(keys, ACTION_MUTE, KEY_TAB));
    EXPECT_EQ(two(keys[ACTION_OPTIONS][0], keys[ACTION_OPTIONS][1]), two(KEY_F1, NO_KEY));
}

// The title card's hint names the keys in force: both of each walking action's keys, then on a
// line of its own when one would be too long, and the first alone when both would not fit.
TEST(Keys, TheTitleCardsHintNamesTheKeysInForce) {
    char lines[HINT_LINES][HINT_LINE_SIZE];
    default_key_bindings(key_bindings);
    ASSERT_EQ(key_hint_lines(lines, 49), 1);
    EXPECT_STREQ(lines[0], "arrows or WASD: walk   Tab: options");
    bind_key(key_bindings, ACTION_FORWARD, KEY_F);
    ASSERT_EQ(key_hint_lines(lines, 50), 1);
    EXPECT_STREQ(lines[0], "F/Left/Down/Right or Up/A/S/D: walk   Tab: options");
    ASSERT_EQ(key_hint_lines(lines, 49), 2);
    EXPECT_STREQ(lines[0], "F/Left/Down/Right or Up/A/S/D: walk");
    EXPECT_STREQ(lines[1], "Tab: options");
    const int walking[] = {ACTION_FORWARD, ACTION_LEFT, ACTION_BACK, ACTION_RIGHT};
    const int seconds[] = {KEY_LCONTROL, KEY_RCONTROL, KEY_LSHIFT, KEY_RSHIFT};
    const int firsts[] = {KEY_ASTERISK, KEY_DEL_PAD, KEY_PGDN, KEY_BACKSLASH2};
    for (int i = 0; i < 4; i++) {
        bind_key(key_bindings, walking[i], seconds[i]);
        bind_key(key_bindings, walking[i], firsts[i]);
    }
    ASSERT_EQ(key_hint_lines(lines, 49), 2);
    EXPECT_STREQ(lines[0], "PadAsterisk/PadDelete/PageDown/Backslash2: walk") << "first keys";
    default_key_bindings(key_bindings);
}

} // namespace
