// Playing the real game as a person would: watching the attract orbit, pressing Space,
// walking up the mound, looking for the needle, throwing at it, and seeing the won stage; with
// the keyboard and mouse, or with a gamepad alone.
#include "harness.h"

#include "audio_probe.h"

#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

// The game's clock starts here in the play-through, which makes a world whose target lies
// by the mound's top, at (100, 105, 103): in view of a player who walks up from any side.
// Windows' C library draws other random numbers from the same seed than Linux's.
const char *const TARGET_ON_TOP = wine_game() ? "2026-01-01 02:49:57" : "2026-01-01 02:25:00";
const Rgb BLUE = {0, 0, 255}; // the target, the only thing drawn in pure blue
const int BANNER_BOTTOM = HEIGHT / 4;
// Seconds from releasing a throw at the needle to the hit showing: a few ticks' flight and a
// frame, then the margin a busy machine needs; a miss waits this long before the next try.
const double SHOT_FLIGHT_LIMIT = 3.0 * SLOWDOWN;

// Play has begun: at most a fifth of the title card still shows.
static bool title_card_gone(const Frame &f) {
    PictureMatch card = match_picture(f, HAYSTACK_DATA_DIR "/introa.tga", HEIGHT);
    return double(card.opaque_shown) / card.opaque < 0.2;
}

// The end banner across the top of the window.
static bool banner_shown(const Frame &f) {
    PictureMatch banner = match_picture(f, HAYSTACK_DATA_DIR "/outroa.tga", BANNER_BOTTOM);
    return banner.opaque > 200 && double(banner.opaque_shown) / banner.opaque > 0.9;
}

// Strand-coloured and turned green by the won stage: (b, r, g/2) of a yellow-brown.
static bool is_green_strand(Rgb p) {
    return p.g > p.r + 40 && p.g > p.b + 20;
}

// Mean colour of each 40x40 block: the frame's layout, blind to single strands.
static std::vector<double> layout(const Frame &f) {
    std::vector<double> blocks;
    for (int by = 0; by < HEIGHT; by += 40)
        for (int bx = 0; bx < WIDTH; bx += 40) {
            double sum = 0;
            for (int y = by; y < by + 40; y++)
                for (int x = bx; x < bx + 40; x++) {
                    Rgb p = f.at(x, y);
                    sum += p.r + p.g + p.b;
                }
            blocks.push_back(sum / (40 * 40 * 3));
        }
    return blocks;
}

// Mean difference of two layouts, 0..255.
static double layout_distance(const std::vector<double> &la, const std::vector<double> &lb) {
    double sum = 0;
    for (size_t i = 0; i < la.size(); i++)
        sum += std::abs(la[i] - lb[i]);
    return sum / la.size();
}

struct Spot {
    int pixels = 0;      // how many pure blue pixels
    double x = 0, y = 0; // their centre, window pixels
};

const int BLUE_END_X = 13, BLUE_END_Y = 10; // the cross's blue end from its centre, pixels
const int BLUE_END_REACH = 6;               // pixels round it that may be pure blue

// Where the target shows, away from the cursor cross, whose one arm ends in blue: `reach` pixels
// from (end_x, end_y) either way.
static Spot find_target(const Frame &f, int end_x, int end_y, int reach = BLUE_END_REACH) {
    Spot s;
    for (int y = 0; y < f.height; y++)
        for (int x = 0; x < f.width; x++)
            if (f.at(x, y) == BLUE &&
                (std::abs(x - end_x) > reach || std::abs(y - end_y) > reach)) {
                s.pixels++;
                s.x += x;
                s.y += y;
            }
    if (s.pixels) {
        s.x /= s.pixels;
        s.y /= s.pixels;
    }
    return s;
}

// The cross's blue-to-yellow arm, (t, t, 1 - t) with its pure ends and the needle left out:
// nothing else the game draws has red equal to green. Its centre is the cross's.
static Spot find_cross(const Frame &f) {
    Spot s;
    for (int y = 0; y < f.height; y++)
        for (int x = 0; x < f.width; x++)
            if (Rgb p = f.at(x, y);
                std::abs(p.r - p.g) <= 1 && std::abs(p.r + p.b - 255) <= 2 && p.b > 20 && p.b < 235)
                s.pixels++, s.x += x, s.y += y;
    if (s.pixels)
        s.x /= s.pixels, s.y /= s.pixels;
    return s;
}

class Playing : public RunningGame {
  protected:
    int cursor_x = WIDTH - 1,
        cursor_y = HEIGHT - 1; // parked where the cross's blue end is off-screen
    Frame won;                 // the frame after the hit that won, once one has
    long throw_at = 0;         // recorded sound frames when that hit's throw began

    // The frame after the game has drawn a few more, saved for a person to look at.
    Frame look(const std::string &name, double settle = 0.3) {
        sleep_seconds(settle);
        Frame frame = grab_frame(x.dpy, window);
        save_screenshot(frame, name);
        return frame;
    }

    // The first frame for which `shows` holds, within SHOW_TIMEOUT, saved as `name`; else the
    // last one seen, and a failure.
    Frame look_until(const std::string &name, const std::function<bool(const Frame &)> &shows) {
        Frame frame = wait_for_frame(x.dpy, window, shows, SHOW_TIMEOUT);
        save_screenshot(frame, name);
        EXPECT_TRUE(shows(frame)) << name << ": not shown within " << SHOW_TIMEOUT << " s";
        return frame;
    }

    // Presses for `seconds` at a time (`press` holds a key or a button that long), as a player
    // taps a key until the view is right, until what the game shows `reached` (at most `presses`
    // times; not at all if it already does), looking each time once the game has drawn what the
    // press did: a busy machine runs fewer ticks in a press than its length and shows them late,
    // so a fixed hold would go a varying way.
    Frame press_until(const std::function<void(double)> &press, double seconds,
                      const std::string &name, const std::function<bool(const Frame &)> &reached,
                      int presses = 6) {
        for (int pressed = 0;; pressed++) {
            Frame frame = wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT);
            save_screenshot(frame, name);
            if (reached(frame) || pressed == presses) {
                EXPECT_TRUE(reached(frame))
                    << name << ": not reached after " << presses << " presses";
                return frame;
            }
            press(seconds);
        }
    }
    Frame press_until(KeySym key, double seconds, const std::string &name,
                      const std::function<bool(const Frame &)> &reached, int presses = 6) {
        return press_until([&](double s) { hold_key(x.dpy, key, s); }, seconds, name, reached,
                           presses);
    }

    // The needle, away from the blue end of the cross at the pointer. (Not away from the whole
    // cross: after a throw it lies on the needle, and all that would show are the needle's ends.)
    Spot target(const Frame &f) {
        return find_target(f, cursor_x + BLUE_END_X, cursor_y + BLUE_END_Y);
    }

    void aim(int px, int py) {
        cursor_x = px;
        cursor_y = py;
        move_mouse(x.dpy, window, px, py);
    }

    // Space on the title card, and play begun: the card gone, the frame saved as `name`.
    void start_play(const std::string &name) {
        tap_key(x.dpy, window, XK_space);
        look_until(name, title_card_gone);
    }

    // Up the mound's side toward its top, where the needle lies, by the Up key (or by the mouse's
    // `button` when the mouse steers): 2.3 s of walking, as far as a player needs to see the
    // needle well, and on a loaded machine, which walks fewer ticks in that time, short steps
    // more until the needle shows plainly. The frame then.
    Frame walk_up_to_needle(unsigned button = 0) {
        auto walk = [&](double seconds) {
            button ? hold_button(x.dpy, button, seconds) : hold_key(x.dpy, XK_Up, seconds);
        };
        walk(2.3);
        return press_until(
            walk, 0.2, "play_walked_up", [&](const Frame &f) { return target(f).pixels > 20; }, 10);
    }

    // Up to three throws until one hits (`hit` shows within SHOT_FLIGHT_LIMIT): `aim_at_needle`
    // puts the cross on it, `shoot` throws, `after_miss` readies the next. `won` is the frame
    // after the hit, each throw's last frame saved as `name`.
    void throw_until_won(
        const std::string &name, const std::function<void(int attempt)> &aim_at_needle,
        const std::function<void()> &shoot, const std::function<void()> &after_miss = [] {},
        const std::function<bool(const Frame &)> &hit = banner_shown) {
        won = {};
        for (int attempt = 0; attempt < 3 && !won.width; attempt++) {
            aim_at_needle(attempt);
            if (HasFatalFailure())
                return;
            shoot();
            Frame after = wait_for_frame(x.dpy, window, hit, SHOT_FLIGHT_LIMIT);
            save_screenshot(after, name);
            if (hit(after))
                won = after;
            else
                after_miss();
        }
        ASSERT_TRUE(won.width) << name << ": three throws at the needle all missed";
    }

    // Puts the pointer on the needle and throws, holding the button `hold` seconds, until the
    // end banner shows.
    void throw_at_needle(double hold) {
        throw_until_won(
            "won_banner",
            [&](int attempt) {
                Spot needle = target(look("play_aiming_" + std::to_string(attempt)));
                ASSERT_GT(needle.pixels, 0) << "the target went out of view";
                aim(int(needle.x), int(needle.y));
                sleep_seconds(0.2);
                throw_at = recorded_frames(game.audio_file);
            },
            [&] { hold_button(x.dpy, 1, hold); });
    }

    // From the title card to a win: Space (play's first frame saved as `name`), up the mound, and
    // the pointer's throws at the needle, the button held `hold` seconds.
    void play_to_a_win(const std::string &name, double hold) {
        start_play(name);
        walk_up_to_needle();
        throw_at_needle(hold);
    }

    // Steps the cross toward the needle a tick's step at a time, looking between steps, until
    // it is within `near_x`, `near_y` pixels of the needle's centre (120 steps at most): `press`
    // takes a step by one of the keys (or a pad's buttons) `right_left_down_up`.
    void step_cross_onto_needle(int near_x, int near_y, const std::function<void(KeySym)> &press,
                                const std::array<KeySym, 4> &right_left_down_up) {
        for (int steps = 0; steps < 120; steps++) {
            Frame f = wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT);
            Spot cross = find_cross(f);
            ASSERT_GT(cross.pixels, 0) << "no cross";
            Spot needle = find_target(f, int(cross.x) + BLUE_END_X, int(cross.y) + BLUE_END_Y);
            ASSERT_GT(needle.pixels, 0) << "the needle went out of view";
            double dx = needle.x - cross.x, dy = needle.y - cross.y;
            if (std::abs(dx) <= near_x && std::abs(dy) <= near_y)
                return;
            if (std::abs(dx) > near_x)
                press(right_left_down_up[dx > 0 ? 0 : 1]);
            if (std::abs(dy) > near_y)
                press(right_left_down_up[dy > 0 ? 2 : 3]);
        }
    }

    // Which track sounds most in the recording from `from` (frames) until now; a lagging disk
    // driver is first given time to record half a second past `from`.
    double track_heard_since(long from) {
        wait_until([&] { return recorded_frames(game.audio_file) >= from + PROBE_RATE / 2; }, 10.0);
        long now = recorded_frames(game.audio_file);
        return dominant_track_pitch(
            read_mono(game.audio_file, std::max(from, now - PROBE_RATE), now));
    }
};

// Through a see-through title card: the camera flies round the field looking at the
// mound's centre, and after one whole turn (314 ticks, 10.47 s) it sees what it saw before;
// the field is nearly symmetric, so a quarter or half turn differs only by a few levels.
// A few degrees of turn already change the view that much, and a busy machine shows few
// frames a second, each a little late: so each moment is a burst of frames, a second long
// and on until it holds six different frames (at the 3 fps of a machine with both cores
// busy beside the test, two seconds), and two moments are as near as the nearest pair of
// their frames shown about a turn apart.
TEST_F(Playing, AttractCameraCirclesTheMound) {
    game.add_all_data({"introa.tga"});
    game.write_file("introa.tga", tga(4, 4, [](int, int) { return std::array<int, 4>{}; }));
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    aim(cursor_x, cursor_y);
    const double TURN = 314 / 30.0; // seconds
    auto start = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    struct Shown {
        double at; // seconds after the start
        Frame frame;
        std::vector<double> layout; // of the frame, worked out after the bursts
    };
    auto burst = [&](double from) {
        std::vector<Shown> frames;
        std::this_thread::sleep_until(start + std::chrono::duration<double>(from));
        const size_t ENOUGH = 6;    // frames a burst needs, however long it takes
        const double LONGEST = 2.5; // seconds a burst may take: the next is a quarter turn on
        while (seconds() < from + 1 || (frames.size() < ENOUGH && seconds() < from + LONGEST)) {
            Frame f = grab_frame(x.dpy, window);
            if (f.width == WIDTH && (frames.empty() || f.rgb != frames.back().frame.rgb))
                frames.push_back({seconds(), std::move(f), {}});
            sleep_seconds(0.02); // the game needs the processor more than we do
        }
        return frames;
    };
    std::vector<Shown> first = burst(0), quarter = burst(TURN / 4), half = burst(TURN / 2),
                       whole = burst(TURN);
    ASSERT_FALSE(first.empty() || quarter.empty() || half.empty() || whole.empty());
    for (std::vector<Shown> *frames : {&first, &quarter, &half, &whole})
        for (Shown &shown : *frames)
            shown.layout = layout(shown.frame);
    auto nearest = [&](const std::vector<Shown> &later, double turned, const std::string &name) {
        double distance = 1e9;
        const Frame *best = nullptr;
        for (const Shown &a : first)
            for (const Shown &b : later)
                if (std::abs(b.at - a.at - turned) <= 0.5)
                    if (double d = layout_distance(a.layout, b.layout); d < distance) {
                        distance = d;
                        best = &b.frame;
                    }
        if (best) {
            save_screenshot(*best, name);
            EXPECT_LT(share(*best, 270, 190, 370, 290, is_sky), 0.02)
                << "the mound fills the middle";
        }
        return distance;
    };
    save_screenshot(first[0].frame, "attract_orbit_0");
    double turned_quarter = nearest(quarter, TURN / 4, "attract_orbit_quarter");
    double turned_half = nearest(half, TURN / 2, "attract_orbit_half");
    double turned_whole = nearest(whole, TURN, "attract_orbit_whole");
    EXPECT_GT(turned_quarter, 2);
    EXPECT_GT(turned_half, 2);
    EXPECT_LT(turned_whole, 0.5 * std::min(turned_quarter, turned_half))
        << "quarter " << turned_quarter << ", half " << turned_half << ", whole " << turned_whole
        << "; frames " << first.size() << ", " << whole.size();
}

// The whole game: Space, the theme, walking up the mound, turning, looking down, then a
// throw at the needle, the outro, the end banner and the strands turning green; Escape.
TEST_F(Playing, FromTheAttractStageToTheWonStage) {
    game.fixed_clock = TARGET_ON_TOP;
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    EXPECT_EQ(track_heard_since(0), INTRO_HZ);

    // Space: the title card goes, the theme takes over.
    long space_at = recorded_frames(game.audio_file);
    start_play("play_start");
    EXPECT_EQ(track_heard_since(space_at + PROBE_RATE / 2), THEME_HZ);

    Spot seen = target(walk_up_to_needle());
    ASSERT_GT(seen.pixels, 20) << "no target in view after walking up the mound";

    // Right turns the view right, so the target slides left; Left brings it back. A tick's
    // turn moves it further than 20 pixels, so a press or two does it; turning the wrong way
    // never does.
    Spot right, left;
    press_until(XK_Right, 0.1, "play_turned_right", [&](const Frame &f) {
        right = target(f);
        return right.pixels > 0 && right.x < seen.x - 20;
    });
    Frame turned_back = press_until(XK_Left, 0.1, "play_turned_back", [&](const Frame &f) {
        left = target(f);
        return left.pixels > 0 && left.x > right.x + 20;
    });
    ASSERT_GT(left.pixels, 0) << "the target went out of view";

    // Stepping back down the slope lowers the eye: the mound's crest rises across the sky and
    // the target with it. Stepping up again brings both back. (The target's pixel count is
    // no measure of its distance: it is a thin line, foreshortened as the eye drops.)
    auto sky = [](const Frame &f) { return share(f, 0, 0, WIDTH, HEIGHT, is_sky); };
    double sky_turned_back = sky(turned_back);
    Spot back, forth;
    press_until(XK_Down, 0.2, "play_stepped_back", [&](const Frame &f) {
        back = target(f);
        return back.pixels > 0 && back.y < left.y - 20 && sky(f) < 0.8 * sky_turned_back;
    });
    ASSERT_GT(back.pixels, 0) << "the target went behind the crest";
    press_until(XK_Up, 0.2, "play_stepped_forth", [&](const Frame &f) {
        forth = target(f);
        return forth.pixels > 0 && forth.y > back.y + 20 && sky(f) > 0.8 * sky_turned_back;
    });

    // Held Space tilts the view down toward the ground; let go, it comes back level.
    double level_sky = sky(look("play_level"));
    press_key(x.dpy, XK_space, true);
    look_until("play_looking_down", [&](const Frame &f) { return sky(f) < 0.5 * level_sky; });
    press_key(x.dpy, XK_space, false);
    look_until("play_level_again", [&](const Frame &f) { return sky(f) > 0.8 * level_sky; });

    // Aim at the needle and throw: a short hold, then the shot flies on.
    ASSERT_NO_FATAL_FAILURE(throw_at_needle(0.2));

    PictureMatch banner = match_picture(won, HAYSTACK_DATA_DIR "/outroa.tga", BANNER_BOTTOM);
    ASSERT_GT(banner.opaque, 200);
    EXPECT_GT(double(banner.opaque_shown) / banner.opaque, 0.9) << "the end banner tops the window";
    EXPECT_EQ(track_heard_since(throw_at + PROBE_RATE / 2), OUTRO_HZ);

    // Frame by frame the strands below the banner turn green.
    auto green = [](const Frame &f) {
        return share(f, 0, BANNER_BOTTOM, WIDTH, HEIGHT, is_green_strand);
    };
    double green_then = green(won);
    Frame later = look_until("won_strands_greening",
                             [&](const Frame &f) { return green(f) > green_then + 0.03; });
    banner = match_picture(later, HAYSTACK_DATA_DIR "/outroa.tga", BANNER_BOTTOM);
    EXPECT_GT(double(banner.opaque_shown) / banner.opaque, 0.9) << "the banner stays";

    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);
}

// A click pressed and released between two frames still throws: at the needle, it wins.
TEST_F(Playing, InstantClickAtTheNeedleWins) {
    game.fixed_clock = TARGET_ON_TOP;
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    ASSERT_NO_FATAL_FAILURE(play_to_a_win("instant_start", 0.0));
    PictureMatch banner = match_picture(won, HAYSTACK_DATA_DIR "/outroa.tga", BANNER_BOTTOM);
    EXPECT_GT(double(banner.opaque_shown) / banner.opaque, 0.9) << "the end banner tops the window";
}

// The same game with a gamepad alone: a virtual pad plugged into it (virtual_pad.cpp), driven
// through a FIFO in SDL's numbers: axes 0, 1 the left stick, 2, 3 the right, 4 the left trigger
// (at rest at -32768); buttons 0 A, 4 Back, 6 Start, 13 the d-pad's left.
const auto never = [](const Frame &) { return false; }; // a hold that only time ends

class PadPlaying : public Playing {
  protected:
    int fifo = -1; // its writing end, open for reading too so that it never blocks
    Spot cross;    // where the cross was last seen

    void start_with_pad() {
        game.fixed_clock = TARGET_ON_TOP;
        game.preload.push_back(VIRTUAL_PAD_LIBRARY);
        std::string path = game.dir + "/virtual-pad";
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        fifo = open(path.c_str(), O_RDWR | O_CLOEXEC);
        game.environment.push_back("VIRTUAL_PAD_FIFO=" + path);
        // Under wine the pad is plugged into wine's device host, which the game's start brings
        // up with the game's preloads only when no earlier game left one running.
        if (wine_game())
            run("wineserver -k; wineserver -w");
        ASSERT_NO_FATAL_FAILURE(start_game());
        hold("button 6 1", "button 6 0", never, 0); // Start
    }
    ~PadPlaying() override {
        close(fifo);
        if (wine_game())
            run("wineserver -k; wineserver -w"); // no later game meets the pad
    }
    void pad(const std::string &line) {
        ASSERT_EQ(write(fifo, (line + "\n").data(), line.size() + 1), ssize_t(line.size() + 1));
    }
    // Holds `down` until `done` holds of a frame, or else for `seconds` and two frames more, then
    // sends `up`; the last frame seen.
    template <class Done>
    Frame hold(const std::string &down, const std::string &up, Done done, double seconds = 3) {
        pad(down);
        Frame f;
        if (!wait_until([&] { return done(f = grab_frame(x.dpy, window)); }, seconds))
            wait_for_new_frames(x.dpy, window, 2, 3.0);
        pad(up);
        return f;
    }
    // The needle, away from the cross's blue end.
    Spot needle(const Frame &f) {
        return find_target(f, int(cross.x) + BLUE_END_X, int(cross.y) + BLUE_END_Y);
    }
    // How near the view comes, over a bob's 2.1 s and more, to one it showed half a second or
    // more before: standing, the bob brings the eye back to a height it had; walking, nothing.
    double nearest_repeat() {
        std::vector<std::pair<double, std::vector<double>>> seen; // seconds, layout
        Frame last;
        auto start = std::chrono::steady_clock::now();
        for (double t = 0; t < 2.4; sleep_seconds(0.02)) {
            t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (Frame f = grab_frame(x.dpy, window); f.rgb != last.rgb) // a new frame
                seen.push_back({t, layout(f)}), last = std::move(f);
        }
        double nearest = 1e9;
        for (auto &[at, view] : seen)
            for (auto &[later, other] : seen)
                if (later - at >= 0.5)
                    nearest = std::min(nearest, layout_distance(view, other));
        return nearest;
    }
    // Pushes the right stick toward the needle, to cover about a twentieth of the way a tick,
    // until the cross (found anew each time) sits on it; while the bob hides the needle behind
    // the straw, waits.
    void steer_onto_needle() {
        auto push = [](double off, double size) {
            double share = std::min(1.0, std::sqrt(std::abs(off) / 20 / (size / 30)));
            return std::to_string(int(std::copysign(8192 + 24575 * share, off)));
        };
        for (int step = 0; step < 60; step++) {
            Frame f = look("pad_steering", 0);
            Spot seen = needle(f), now = find_cross(f);
            ASSERT_GT(now.pixels, 10) << "the cross is out of view";
            cross = now;
            if (!seen.pixels) {
                sleep_seconds(0.1);
                continue;
            }
            if (std::hypot(seen.x - cross.x, seen.y - cross.y) < 8)
                return;
            pad("axis 2 " + push(seen.x - cross.x, WIDTH));
            hold("axis 3 " + push(seen.y - cross.y, HEIGHT), "axis 3 0", never, 0);
            pad("axis 2 0");
            wait_for_new_frames(x.dpy, window, 2, 3.0);
        }
    }
};

// Start, the left stick up the mound at its very end, right and the d-pad back left, the left
// trigger looking down, the right stick steering the cross onto the needle, A throwing; Back
// with Start quits.
TEST_F(PadPlaying, FromTheTitleCardToAWin) {
    ASSERT_NO_FATAL_FAILURE(start_with_pad());
    look_until("pad_play_start", title_card_gone);
    // Up the mound at the stick's very end, until the needle shows plainly near its top.
    pad("axis 1 -32768");
    sleep_seconds(1.5);
    Frame walked;
    wait_until([&] { return needle(walked = grab_frame(x.dpy, window)).pixels > 80; }, 3.0);
    pad("axis 1 0");
    cross = find_cross(walked);
    Spot seen = needle(walked);
    // A slow frame may have let it walk too near (a shot starts 20 units out) or past: back.
    for (int step = 0; step < 20 && !(seen.pixels > 20 && seen.pixels < 300); step++) {
        hold("axis 1 32767", "axis 1 0", never, 0);
        seen = needle(walked = look("pad_walked_up"));
    }
    ASSERT_GT(seen.pixels, 20) << "no target in view after walking up the mound";
    auto slid = [&](double by) { // the needle slid across by `by` pixels or more, left if < 0
        return [=](const Frame &f) {
            return needle(f).pixels && (needle(f).x - seen.x) * by > by * by;
        };
    };
    EXPECT_TRUE(slid(-20)(hold("axis 0 32767", "axis 0 0", slid(-20))))
        << "right turns the view right";
    seen = needle(look("pad_turned_right"));
    EXPECT_TRUE(slid(20)(hold("button 13 1", "button 13 0", slid(20))))
        << "the d-pad's left turns back";

    // Looking down, the needle rises in the view, or out of it by its top; level again, it comes
    // back but for the bob's 10 pixels and the up to 0.2 radians the tilt may end above level,
    // which lowers a point `below` the centre by `lowered` (the view spans 45 degrees up and
    // down from it).
    Spot level = needle(look("pad_level", 1.0));
    auto raised = [&](const Frame &f) { return !needle(f).pixels || needle(f).y < level.y - 60; };
    EXPECT_TRUE(raised(hold("axis 4 32767", "axis 4 -32768", raised))) << "the left trigger";
    double below = (level.y - HEIGHT / 2.0) / (HEIGHT / 2.0);
    double lowered = HEIGHT / 2.0 * (std::tan(std::atan(below) + 0.2) - below);
    auto level_again = [&](const Frame &f) {
        double y = needle(f).y;
        return needle(f).pixels && y > level.y - 10 && y < level.y + lowered + 10;
    };
    EXPECT_TRUE(level_again(look_until("pad_level_again", level_again)))
        << "level again; before " << level.y;

    auto banner = [&](const Frame &f) { // shown within a few ticks of a hit, however slow
        PictureMatch m = match_picture(f, HAYSTACK_DATA_DIR "/outroa.tga", BANNER_BOTTOM);
        return m.opaque_shown > 0.9 * m.opaque && !needle(f).pixels;
    };
    auto throw_by_a = [&] { hold("button 0 1", "button 0 0", never, 0.2); };
    ASSERT_NO_FATAL_FAILURE(throw_until_won(
        "pad_won", [&](int) { steer_onto_needle(); }, throw_by_a, [] {}, banner));
    hold("button 2 1", "button 2 0", never, 0); // X watches the search again, Right at 8 times
    look_until("pad_watching", [&](const Frame &f) { return !banner(f); });
    for (int faster = 0; faster < 3; faster++)
        tap_key(x.dpy, window, XK_Right);
    look_until("pad_watched", banner);
    pad("button 4 1"); // Back, then Start
    pad("button 6 1");
    expect_exit_status(game, 0);
}

// Walking on the pad, pulled out mid-stride: the walking stops. Plugged in again, it walks at once.
TEST_F(PadPlaying, APadPulledOutWhileWalkingStopsTheWalking) {
    ASSERT_NO_FATAL_FAILURE(start_with_pad());
    pad("axis 1 -32767");
    sleep_seconds(1.0); // up onto the mound's open slope
    double walking = nearest_repeat();
    pad("unplug");
    wait_for_new_frames(x.dpy, window, 2, 3.0);
    double pulled_out = nearest_repeat();
    pad("plug");
    pad("axis 1 -32767");
    double plugged_in = nearest_repeat();
    EXPECT_LT(pulled_out, walking / 3) << "walking " << walking;
    EXPECT_GT(plugged_in, pulled_out * 3) << "standing " << pulled_out;
}

// Settings kept for the next game: `lines` written where the game reads them.
static void keep_settings(const Game &game, const std::string &lines) {
    std::filesystem::create_directories(std::filesystem::path(settings_file(game)).parent_path());
    std::ofstream(settings_file(game)) << lines;
}

// One press of `key` let go at once: one tick's worth, however slowly the game draws.
static void tap_once(Display *dpy, KeySym key) {
    press_key(dpy, key, true);
    press_key(dpy, key, false);
}

// One press of `key` on the options screen, and the frame once the screen has changed for it.
static Frame menu_key(Display *dpy, Window window, KeySym key) {
    tap_once(dpy, key);
    return wait_for_new_frames(dpy, window, 1, SHOW_TIMEOUT);
}

// The frame once the game has drawn ten more times: five frames or more, whether or not they
// changed the picture.
static Frame after_frames(Display *dpy, Window window) {
    return wait_for_drawn_frames(dpy, window, 10, SHOW_TIMEOUT);
}

// The frame once half a second of ticks, 15, has run and the game has drawn after them: a tilt
// of the view up or down comes to rest within 8. Ticks keep time however slowly frames come.
static Frame at_rest(Display *dpy, Window window) {
    sleep_seconds(0.5);
    return after_frames(dpy, window);
}

// Whether two frames show the very same picture.
static bool same_picture(const Frame &a, const Frame &b) {
    return a.width == b.width && a.rgb == b.rgb;
}

// The keyboard alone, the mouse never touched: Space, the arrows up the mound, then I, J, K and
// L steer the cross onto the needle a tick's step at a time, and Enter held and let go throws.
TEST_F(Playing, KeyboardAloneFromTheTitleCardToAWin) {
    game.fixed_clock = TARGET_ON_TOP;
    ASSERT_NO_FATAL_FAILURE(start_game());
    start_play("keys_start");
    press_key(x.dpy, XK_l, true); // the cross into the bottom right corner, where it hides
    press_key(x.dpy, XK_k, true); // nothing: two seconds' ticks take it there from anywhere
    sleep_seconds(2.5);
    press_key(x.dpy, XK_l, false);
    press_key(x.dpy, XK_k, false);
    walk_up_to_needle();
    auto tap = [&](KeySym key) { tap_once(x.dpy, key); };
    ASSERT_NO_FATAL_FAILURE(throw_until_won(
        "keys_won",
        [&](int attempt) {
            step_cross_onto_needle(6, 5, tap, {XK_l, XK_j, XK_k, XK_i});
            save_screenshot(grab_frame(x.dpy, window), "keys_aimed_" + std::to_string(attempt));
        },
        [&] { hold_key(x.dpy, XK_Return, 0.2); },
        [&] { hold_key(x.dpy, XK_Down, 0.5); })); // too near, maybe: a step back before the next
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);
}

// The title card's hint of the keys: light lettering on a dark band at the foot of the card's
// window onto the field. Tab opens the options screen over the title card: a dark panel with
// light lettering, and the orbit stands still behind it. The arrows and Enter change an entry,
// which is kept at once, and so is a name typed; Tab closes it, and the orbit goes on. Walking
// forward bound to W, the hint names the walking keys on a line of their own above the options key.
TEST_F(Playing, OptionsScreenPausesAndTheArrowsAndEnterChangeIt) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    auto letter = [](Rgb p) { return near(p, {255, 255, 229}, 12); };
    auto band = [&](Rgb p) { return letter(p) || (p.r < 70 && p.g < 70 && p.b < 80); };
    Frame card = after_frames(x.dpy, window);
    save_screenshot(card, "title_card_hint");
    EXPECT_GT(share(card, 111, 266, 529, 290, band), 0.95) << "the hint's band";
    EXPECT_GT(share(card, 111, 272, 529, 286, letter), 0.2) << "its lettering";
    EXPECT_LT(share(card, 111, 246, 529, 262, band), 0.5) << "one line";
    tap_once(x.dpy, XK_Tab);
    auto panel = [](const Frame &f) {
        return share(f, 40, 40, 600, 460, [](Rgb p) { return p.r + p.g + p.b < 120; }) > 0.7 &&
               share(f, 40, 40, 600, 460, [](Rgb p) { return p.r > 200 && p.g > 200; }) > 0.02;
    };
    Frame open = look_until("options_open", panel);
    EXPECT_TRUE(same_picture(open, after_frames(x.dpy, window))) << "the orbit stood still";
    menu_key(x.dpy, window, XK_Down); // to look down mode
    menu_key(x.dpy, window, XK_Right);
    menu_key(x.dpy, window, XK_Down); // to head bob
    menu_key(x.dpy, window, XK_Return);
    for (KeySym key : {XK_Down, XK_Down, XK_Down, XK_Down, XK_Down, XK_Return, XK_w}) // forward: W
        menu_key(x.dpy, window, key);
    EXPECT_TRUE(wait_until(
        [&] {
            std::string kept = file_text(settings_file(game));
            return kept.find("look=toggle") != std::string::npos &&
                   kept.find("bob=off") != std::string::npos &&
                   kept.find("key.forward=W Up") != std::string::npos;
        },
        SHOW_TIMEOUT))
        << file_text(settings_file(game));
    // A click with the move that brought the pointer there, both between two frames, chooses
    // the entry under the pointer: the Mouse entry, the seventh row, from the middle.
    move_mouse(x.dpy, window, 200, 154);
    hold_button(x.dpy, 1, 0);
    EXPECT_TRUE(wait_until(
        [&] { return file_text(settings_file(game)).find("mouse=steer") != std::string::npos; },
        SHOW_TIMEOUT))
        << file_text(settings_file(game));
    // A click on the name's row, the third from the foot, and a name typed: Shift makes a
    // capital, Backspace rubs out, a space at the end goes, and Enter keeps it. The letters bound
    // to actions (S walks back, M mutes) only type.
    move_mouse(x.dpy, window, 200, 44 + 22 * 17 + 8);
    hold_button(x.dpy, 1, 0);
    wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT); // the click taken: what follows is typed
    press_key(x.dpy, XK_Shift_L, true);
    menu_key(x.dpy, window, XK_t);
    press_key(x.dpy, XK_Shift_L, false);
    for (KeySym key : {XK_e, XK_s, XK_m, XK_space, XK_BackSpace, XK_BackSpace, XK_s, XK_minus, XK_2,
                       XK_space, XK_Return})
        menu_key(x.dpy, window, key);
    EXPECT_TRUE(wait_until(
        [&] { return file_text(settings_file(game)).find("\nname=Tess-2\n") != std::string::npos; },
        SHOW_TIMEOUT))
        << file_text(settings_file(game));
    EXPECT_EQ(file_text(settings_file(game)).find("music=0"), std::string::npos);
    save_screenshot(grab_frame(x.dpy, window), "options_changed");
    tap_once(x.dpy, XK_Tab);
    Frame closed = look_until("options_closed", [&](const Frame &f) { return !panel(f); });
    EXPECT_GT(share(closed, 111, 246, 529, 290, band), 0.95) << "the hint's band, two lines";
    EXPECT_GT(share(closed, 111, 252, 529, 266, letter), 0.2) << "the walking keys' own line";
    Frame moving = wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT);
    EXPECT_FALSE(same_picture(closed, moving)) << "the orbit goes on";
    EXPECT_FALSE(title_card_gone(moving)) << "still the title card: Tab started nothing";
}

// music=0 in the settings: the output is silent, not quiet; M brings the music back, full, and
// keeps that.
TEST_F(Playing, MusicOffIsSilentAndMBringsItBack) {
    keep_settings(game, "music=0\n");
    ASSERT_NO_FATAL_FAILURE(start_game());
    std::vector<float> heard = recent_sound(game, PROBE_RATE);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(*std::max_element(heard.begin(), heard.end(),
                                [](float a, float b) { return std::abs(a) < std::abs(b); }),
              0.0f)
        << "silent output";
    long muted_until = recorded_frames(game.audio_file);
    tap_once(x.dpy, XK_m); // not held: a key held past the repeat delay may come again
    EXPECT_EQ(track_heard_since(muted_until + PROBE_RATE / 2), INTRO_HZ);
    EXPECT_NE(file_text(settings_file(game)).find("music=100"), std::string::npos);
}

// look=toggle: one tap of Space looks down and the view stays down until the next tap; the
// Space that starts play is no tap.
TEST_F(Playing, LookToggleTapDownAndTapUp) {
    keep_settings(game, "look=toggle\nbob=off\n");
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    start_play("toggle_play");
    auto sky = [](const Frame &f) { return share(f, 0, 0, WIDTH, HEIGHT, is_sky); };
    Frame level = at_rest(x.dpy, window); // the orbit's tilt gone
    save_screenshot(level, "toggle_level");
    ASSERT_GT(sky(level), 0.02);
    tap_once(x.dpy, XK_space);
    Frame down =
        look_until("toggle_down", [&](const Frame &f) { return sky(f) < 0.5 * sky(level); });
    down = at_rest(x.dpy, window); // all the way down
    EXPECT_LT(sky(down), 0.5 * sky(level)) << "still down, no key held";
    EXPECT_TRUE(same_picture(down, at_rest(x.dpy, window))) << "stays down, no key held";
    tap_once(x.dpy, XK_space);
    look_until("toggle_up", [&](const Frame &f) { return sky(f) > 0.8 * sky(level); });
}

// bob=off: standing, or walking into the field's corner, where the walk goes nowhere, the view
// stays the same to the pixel; the bob turned on in the options screen moves it again.
TEST_F(Playing, BobOffHoldsTheEyeStillStandingAndWalking) {
    keep_settings(game, "bob=off\n");
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    start_play("bob_start");
    Frame standing = at_rest(x.dpy, window); // the orbit's tilt gone
    EXPECT_TRUE(same_picture(standing, after_frames(x.dpy, window)));
    press_key(x.dpy, XK_Down, true); // back from the centre, into the fence and its corner
    sleep_seconds(7.0);              // 210 ticks' walk, the most the corner can be away
    Frame walking = after_frames(x.dpy, window);
    save_screenshot(walking, "bob_walking_in_the_corner");
    EXPECT_TRUE(same_picture(walking, after_frames(x.dpy, window)));
    for (KeySym key : {XK_Tab, XK_Down, XK_Down, XK_Return, XK_Tab})
        menu_key(x.dpy, window, key);
    Frame bobbing = wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT);
    EXPECT_FALSE(same_picture(bobbing, wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT)))
        << "with the bob on, the walk bobs";
    press_key(x.dpy, XK_Down, false);
}

// key.forward=F: F walks forward, and Up, bound to nothing now, does nothing.
TEST_F(Playing, AReboundKeyWalksAndTheOldOneNoLonger) {
    keep_settings(game, "key.forward=F\nbob=off\n");
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    start_play("rebound_start");
    Frame before = at_rest(x.dpy, window); // the orbit's tilt gone
    press_key(x.dpy, XK_Up, true);
    EXPECT_TRUE(same_picture(before, after_frames(x.dpy, window))) << "Up walks no more";
    press_key(x.dpy, XK_Up, false);
    press_key(x.dpy, XK_f, true);
    Frame walked = wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT);
    press_key(x.dpy, XK_f, false);
    save_screenshot(walked, "rebound_walked");
    EXPECT_FALSE(same_picture(before, walked)) << "F walks";
}

// A pad's buttons alone, its sticks never touched: Start, the d-pad up the mound, Start in play
// opening the options screen and B closing it, the right shoulder held with the d-pad steering
// the cross onto the needle a tick's step at a time, and A throwing.
TEST_F(PadPlaying, ButtonsAloneToAWinAndStartOpensTheOptions) {
    ASSERT_NO_FATAL_FAILURE(start_with_pad());
    look_until("buttons_play_start", title_card_gone);
    pad("button 11 1"); // the d-pad's up
    sleep_seconds(1.5);
    pad("button 11 0");
    // On in short steps, looking between them: held while frames are grabbed, a loaded
    // machine would carry the walk over the mound's top and past the needle.
    for (int step = 0; step < 30 && needle(at_rest(x.dpy, window)).pixels <= 80; step++)
        hold("button 11 1", "button 11 0", never, 0.1);
    auto panel = [](const Frame &f) {
        return share(f, 40, 40, 600, 460, [](Rgb p) { return p.r + p.g + p.b < 120; }) > 0.7;
    };
    hold("button 6 1", "button 6 0", panel); // Start, in play
    look_until("buttons_options", panel);
    hold("button 1 1", "button 1 0", never, 0); // B
    look_until("buttons_options_closed", [&](const Frame &f) { return !panel(f); });
    auto press = [&](int button) { // down for a frame or so: a tick's step, or a few
        pad("button " + std::to_string(button) + " 1");
        wait_for_new_frames(x.dpy, window, 1, SHOW_TIMEOUT);
        pad("button " + std::to_string(button) + " 0");
    };
    ASSERT_NO_FATAL_FAILURE(throw_until_won(
        "buttons_won",
        [&](int) { // the right shoulder held, the d-pad's right, left, down and up steer the cross
            pad("button 10 1");
            // Near enough: a tick's step (11 and 8 pixels), a unit or two at the needle's distance.
            step_cross_onto_needle(11, 8, press, {14, 13, 12, 11});
            pad("button 10 0");
        },
        [&] { hold("button 0 1", "button 0 0", never, 0.2); },     // A
        [&] { hold("button 12 1", "button 12 0", never, 0.5); })); // a step back before the next
}

// The field numbered 245 has its needle by the mound's top, at (104, 100), as the clock's world
// of TARGET_ON_TOP does at (96, 102): a game begun then on field 245 makes that clock's world
// when N asks for a new field, since a game's clock worlds start from the time it began.
const char *const FIELD_ON_TOP = "245";

// What the clipboard holds as text, asked of its owner as a program pasting it would ask;
// empty when nobody answers within five seconds.
static std::string clipboard_text(Display *dpy) {
    Window me = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    Atom pasted = XInternAtom(dpy, "PASTED", False);
    XConvertSelection(dpy, clipboard, XInternAtom(dpy, "UTF8_STRING", False), pasted, me,
                      CurrentTime);
    XFlush(dpy);
    XEvent e;
    std::string text;
    if (wait_until([&] { return XCheckTypedWindowEvent(dpy, me, SelectionNotify, &e); }, 5.0) &&
        e.xselection.property != None) {
        Atom type;
        int format;
        unsigned long length, left;
        unsigned char *data = nullptr;
        XGetWindowProperty(dpy, me, pasted, 0, 1024, False, AnyPropertyType, &type, &format,
                           &length, &left, &data);
        if (data)
            text.assign(reinterpret_cast<char *>(data), length);
        XFree(data);
    }
    XDestroyWindow(dpy, me);
    return text;
}

// The time in "Haystack field N: found in TIME" on standard output, in ticks; -1 for none.
static int shared_ticks(const std::string &output, const std::string &field) {
    std::string start = "Haystack field " + field + ": found in ";
    size_t at = output.find(start);
    int minutes, seconds, tenths;
    if (at == std::string::npos || std::sscanf(output.c_str() + at + start.size(), "%d:%d.%d",
                                               &minutes, &seconds, &tenths) != 3)
        return -1;
    return ((minutes * 60 + seconds) * 10 + tenths) * 3;
}

// The best times file's value for `name` ("best", "field.245"), in ticks; -1 for none.
static int kept_time(const Game &game, const std::string &name) {
    std::string text = "\n" + file_text(game.config_home + "/haystack/times");
    size_t at = text.find("\n" + name + "=");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + name.size() + 2);
}

// Light lettering on a dark band under the banner, where the time is shown.
static bool result_shown(const Frame &f) {
    auto light = [](Rgb p) { return p.r > 200 && p.g > 200 && p.b > 180; };
    auto dark = [](Rgb p) { return p.r < 60 && p.g < 60 && p.b < 80; };
    return share(f, 240, 132, 400, 172, light) > 0.05 && share(f, 240, 132, 400, 172, dark) > 0.3;
}

// Field 245 won, its time on standard output and the clipboard, and under the banner; N, and
// the title card and intro come back over the clock's world, which is won too and is no
// numbered field; the next game's field 245 has its needle by the top again, and its slower
// win leaves the best time kept before. (That a number always makes the same world, byte for
// byte, the logic tests check.)
TEST_F(Playing, ANumberedFieldWonThenANewFieldAndTheBestKeptForTheNextGame) {
    game.fixed_clock = TARGET_ON_TOP;
    game.args = {"--field", FIELD_ON_TOP, "--set", "bob=off"};
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    ASSERT_NO_FATAL_FAILURE(play_to_a_win("field_start", 0.2));
    look_until("field_result", result_shown);
    ASSERT_TRUE(wait_until([&] { return shared_ticks(game.output(), FIELD_ON_TOP) > 0; }, 5.0));
    int first_time = shared_ticks(game.output(), FIELD_ON_TOP);
    EXPECT_EQ(kept_time(game, "field.245") / 3, first_time / 3) << "to the tenth";
    EXPECT_EQ(kept_time(game, "best"), kept_time(game, "field.245"));
    EXPECT_EQ(clipboard_text(x.dpy).rfind("Haystack field 245: found in ", 0), 0u);
    // The search was kept, and plays through to the time shared, without a window.
    std::string replays = game.data_home + "/haystack/replays/";
    auto verify = [&](const std::string &file) {
        return run("env -u DISPLAY " + ::quoted(game.program) + " --verify " +
                   ::quoted(replays + file));
    };
    Ran field_replay = verify("field-245.hsr");
    EXPECT_EQ(field_replay.status, 0) << field_replay.output;
    EXPECT_NE(field_replay.output.find("field 245, found in "), std::string::npos);
    size_t ticks_at = field_replay.output.rfind('(');
    int proven = ticks_at == std::string::npos ? 0 : std::atoi(&field_replay.output[ticks_at + 1]);
    EXPECT_EQ(proven / 3, first_time / 3) << "to the tenth shared: " << field_replay.output;

    long new_field_at = recorded_frames(game.audio_file);
    tap_key(x.dpy, window, XK_n);
    look_until("new_field_title_card", [](const Frame &f) { return !title_card_gone(f); });
    EXPECT_EQ(track_heard_since(new_field_at + PROBE_RATE / 2), INTRO_HZ);
    ASSERT_NO_FATAL_FAILURE(play_to_a_win("clock_field_start", 0.2));
    look_until("clock_field_result", result_shown);
    EXPECT_EQ(game.output().find("Haystack field", game.output().find("Haystack field") + 1),
              std::string::npos)
        << "the new field is the clock's, not a numbered one";
    Ran clock_replay = verify("last.hsr");
    EXPECT_EQ(clock_replay.status, 0) << clock_replay.output;
    EXPECT_NE(clock_replay.output.find("a field the clock chose"), std::string::npos);
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);

    Game next;
    next.config_home = game.config_home;
    next.args = game.args;
    next.add_all_data();
    window = show_game(x, next);
    ASSERT_NE(window, 0u);
    aim(cursor_x, cursor_y);
    start_play("next_game_start");
    sleep_seconds(first_time / 30.0 + 1); // slower than the best
    walk_up_to_needle();
    ASSERT_NO_FATAL_FAILURE(throw_at_needle(0.2));
    ASSERT_TRUE(wait_until([&] { return shared_ticks(next.output(), FIELD_ON_TOP) > 0; }, 5.0));
    EXPECT_GT(shared_ticks(next.output(), FIELD_ON_TOP), first_time);
    EXPECT_EQ(kept_time(game, "field.245") / 3, first_time / 3) << "the best kept from before";
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(next, 0);
}

// A mouse and one key, Space: with the mouse steering, the right button walks up the mound, the
// cross by the left edge turns the view left (the needle slides right) and by the right edge
// back, and a left click on the needle wins.
TEST_F(Playing, AMouseAndSpaceAloneFromTheTitleCardToAWin) {
    game.fixed_clock = TARGET_ON_TOP;
    game.args = {"--set", "mouse=steer"};
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(WIDTH / 2, HEIGHT / 2);
    start_play("mouse_start");
    Spot seen = target(walk_up_to_needle(3));
    ASSERT_GT(seen.pixels, 20) << "no needle in view after walking up by the right button";
    auto turn_by_edge = [&](int edge_x, const std::function<bool(const Spot &)> &turned) {
        for (int brush = 0; brush < 6; brush++) {
            aim(edge_x, HEIGHT / 2);
            sleep_seconds(0.1);
            aim(WIDTH / 2, HEIGHT / 2);
            Spot now = target(wait_for_new_frames(x.dpy, window, 2, SHOW_TIMEOUT));
            if (turned(now))
                return now;
        }
        return Spot{};
    };
    Spot left = turn_by_edge(10, [&](const Spot &s) { return s.pixels > 0 && s.x > seen.x + 20; });
    ASSERT_GT(left.pixels, 0) << "the left edge did not turn the view left";
    Spot back = turn_by_edge(WIDTH - 10, [&](const Spot &s) {
        return s.pixels > 0 && s.x < left.x - 20 && s.x > 100 && s.x < WIDTH - 100;
    });
    ASSERT_GT(back.pixels, 0) << "the right edge did not turn the view back";
    ASSERT_NO_FATAL_FAILURE(throw_at_needle(0.2));
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);
}

// A won search watched again shows what play showed: standing by the needle with the cross on
// it, the very same picture, then the hit's banner. R watches it after the win, Right at twice
// the speed; the kept file watched with --replay does the same, with walking bound to another
// key since.
TEST_F(Playing, AWonSearchWatchedAgainShowsWhatPlayShowed) {
    game.args = {"--field", FIELD_ON_TOP, "--set", "bob=off"};
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    start_play("watch_play");
    walk_up_to_needle();
    Spot needle = target(look("watch_aiming"));
    ASSERT_GT(needle.pixels, 0);
    aim(int(needle.x), int(needle.y));
    Frame standing = at_rest(x.dpy, window);
    save_screenshot(standing, "watch_standing");
    hold_button(x.dpy, 1, 0.2);
    ASSERT_TRUE(banner_shown(look_until("watch_won", banner_shown))) << "the throw missed";

    auto watch_again = [&](const std::string &name) { // at twice the speed: Right
        look_until(name + "_begun", [](const Frame &f) { return !banner_shown(f); });
        tap_key(x.dpy, window, XK_Right);
        look_until(name + "_standing", [&](const Frame &f) { return same_picture(f, standing); });
        look_until(name + "_won", banner_shown);
    };
    tap_key(x.dpy, window, XK_r);
    watch_again("watch_r");
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);

    Game watcher;
    watcher.add_all_data();
    watcher.args = {"--replay", game.data_home + "/haystack/replays/field-245.hsr", "--set",
                    "key.forward=Q"};
    window = show_game(x, watcher);
    ASSERT_NE(window, 0u);
    move_mouse(x.dpy, window, cursor_x, cursor_y); // where play left the pointer
    watch_again("watch_file");
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(watcher, 0);
}

// One search by all three: the pad's Start begins it and its left trigger looks down and back,
// the keys walk up the mound, the mouse throws. The search kept plays through to the time the
// game shared.
TEST_F(PadPlaying, KeysMouseAndPadInOneSearchThatItsReplayProves) {
    game.args = {"--field", FIELD_ON_TOP, "--set", "bob=off"};
    ASSERT_NO_FATAL_FAILURE(start_with_pad());
    look_until("mixed_play_start", title_card_gone);
    hold("axis 4 32767", "axis 4 -32768", never, 0.3);
    walk_up_to_needle(); // level again by then
    throw_at_needle(0.2);
    ASSERT_TRUE(wait_until([&] { return shared_ticks(game.output(), FIELD_ON_TOP) > 0; }, 5.0));
    int shared = shared_ticks(game.output(), FIELD_ON_TOP);
    Ran verified = run("env -u DISPLAY " + ::quoted(game.program) + " --verify " +
                       ::quoted(game.data_home + "/haystack/replays/field-245.hsr"));
    EXPECT_EQ(verified.status, 0) << verified.output;
    size_t ticks_at = verified.output.rfind('(');
    int proven = ticks_at == std::string::npos ? 0 : std::atoi(&verified.output[ticks_at + 1]);
    EXPECT_EQ(proven / 3, shared / 3) << "to the tenth shared: " << verified.output;
}

#ifdef HAYSTACK_BOARD_BINARY
#include <nlohmann/json.hpp>
#include <signal.h>

#include "board_process.h"

// What the game said of the board on standard output after `from`: the line after "the board: ",
// empty until it says something.
static std::string board_said(const Game &game, size_t from) {
    std::string output = game.output(), start = "haystack: the board: ";
    size_t at = output.find(start, from);
    if (at == std::string::npos)
        return "";
    std::string line = output.substr(at + start.size(), output.find('\n', at) - at - start.size());
    return line.substr(0, line.find('\r')); // wine's standard output ends its lines in \r\n
}

// Field 245 won with a real board chosen. U while the board hangs (stopped): the game plays on,
// and says within the wait that the board cannot be reached. U once it is back: the banner's
// last line and standard output give the rank that the board's own JSON gives the player's
// name, and the token made for the send is kept with the settings.
TEST_F(Playing, AWinSentByUShowsTheRankTheBoardGives) {
    BoardProcess board;
    ASSERT_TRUE(start_board(&board, new_sqlite_database())) << board.log;
    std::string address = "http://127.0.0.1:" + std::to_string(board.port);
    game.fixed_clock = TARGET_ON_TOP;
    game.args = {"--field", FIELD_ON_TOP,       "--set", "bob=off",
                 "--set",   "board=" + address, "--set", "name=Tess"};
    ASSERT_NO_FATAL_FAILURE(start_game());
    aim(cursor_x, cursor_y);
    ASSERT_NO_FATAL_FAILURE(play_to_a_win("board_start", 0.2));
    auto light = [](Rgb p) { return p.r > 200 && p.g > 200 && p.b > 180; };
    auto last_line = [&](const Frame &f) { return share(f, 180, 232, 460, 246, light); };
    double offered = last_line(look_until("board_offered", result_shown));
    EXPECT_GT(offered, 0.05) << "U: send to the board";

    ASSERT_EQ(kill(board.pid, SIGSTOP), 0);
    size_t asked = game.output().size();
    tap_key(x.dpy, window, XK_u);
    Frame waiting = wait_for_drawn_frames(x.dpy, window, 3, 2.0);
    EXPECT_FALSE(waiting.rgb.empty()) << "the game draws on while the board is asked";
    EXPECT_TRUE(wait_until([&] { return !board_said(game, asked).empty(); }, 5.0 + 3.0));
    EXPECT_EQ(board_said(game, asked), "The board cannot be reached");
    ASSERT_EQ(kill(board.pid, SIGCONT), 0);

    asked = game.output().size();
    tap_key(x.dpy, window, XK_u);
    ASSERT_TRUE(wait_until([&] { return !board_said(game, asked).empty(); }, 5.0 + 3.0));
    Ran fields = run("curl -s " + address + "/api/fields/" + FIELD_ON_TOP);
    nlohmann::json runs = nlohmann::json::parse(fields.output, nullptr, false)["runs"];
    ASSERT_TRUE(runs.is_array() && runs.size() == 1) << fields.output;
    EXPECT_EQ(runs[0]["name"], "Tess");
    EXPECT_EQ(board_said(game, asked), "#" + std::to_string(runs[0]["rank"].get<int>()) + " OF 1");
    double answered = last_line(look("board_answered", 0.5));
    EXPECT_TRUE(answered > 0.01 && answered < offered * 0.6) << "#1 OF 1 in place of the offer";
    std::string kept = file_text(settings_file(game));
    EXPECT_TRUE(kept.find("\ntoken=") != std::string::npos &&
                kept.find("\ntoken=\n") == std::string::npos)
        << kept;
    EXPECT_EQ(kept.find("board=http"), std::string::npos) << "--set's board is this game's alone";
    hold_key(x.dpy, XK_Escape, 0);
    expect_exit_status(game, 0);
    EXPECT_EQ(stop_board(&board, SIGTERM), 0) << board.log;
}
#endif
