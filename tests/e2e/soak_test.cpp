// A long game under the address and undefined-behaviour sanitizers, played with seeded
// random keys, mouse moves and throws: it must stay alive, report nothing, keep its memory
// flat and still quit with Escape.
#include "harness.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <random>

#include "process_memory.h"

const double DEFAULT_SOAK_SECONDS = 60; // `make soak` asks for longer through HAYSTACK_SOAK_SECONDS
const double WARM_UP_SECONDS = 10;      // memory settles after start-up and the first throws
const long MEMORY_SLACK_KB = 8 * 1024;  // growth allowed from the early to the late average
const unsigned SOAK_SEED = 20261207;    // the input sequence, the same on every run

// Mean of the samples taken from `from` to `to` seconds.
static long average_kb(const std::vector<std::pair<double, long>> &samples, double from,
                       double to) {
    long sum = 0, n = 0;
    for (auto [t, kb] : samples)
        if (t >= from && t <= to) {
            sum += kb;
            n++;
        }
    return n ? sum / n : 0;
}

static double soak_seconds() {
    const char *asked = std::getenv("HAYSTACK_SOAK_SECONDS");
    return asked ? std::atof(asked) : DEFAULT_SOAK_SECONDS;
}

class Soak : public RunningGame {
  protected:
    std::mt19937 random{SOAK_SEED};
    bool held[5] = {}; // which of KEYS is down
    const KeySym KEYS[5] = {XK_Left, XK_Right, XK_Up, XK_Down, XK_space};

    int pick(int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(random);
    }

    // One random action of a player: a key goes down or up, the mouse moves, a throw.
    void random_action() {
        switch (pick(4)) {
        case 0:
        case 1: {
            int k = pick(5);
            held[k] = !held[k];
            press_key(x.dpy, KEYS[k], held[k]);
            break;
        }
        case 2:
            move_mouse(x.dpy, window, pick(WIDTH), pick(HEIGHT));
            break;
        default:
            hold_button(x.dpy, 1 + pick(3), 0.01 * pick(30));
        }
    }

    void let_go_of_every_key() {
        for (int k = 0; k < 5; k++)
            if (held[k])
                press_key(x.dpy, KEYS[k], false);
    }
};

TEST_F(Soak, SanitizedGameSurvivesRandomPlay) {
    game.program = HAYSTACK_CHECKED_BINARY;
    ASSERT_NO_FATAL_FAILURE(start_game());
    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<std::pair<double, long>> memory; // (seconds, resident kB) after the warm-up
    int actions = 0;
    while (elapsed() < soak_seconds()) {
        random_action();
        actions++;
        sleep_seconds(0.02 * (1 + pick(10)));
        ASSERT_TRUE(game.running()) << "after " << elapsed() << " s and " << actions
                                    << " actions: " << describe_status(game.status) << "\n"
                                    << game.output();
        if (elapsed() > WARM_UP_SECONDS)
            memory.push_back({elapsed(), process_memory_kb(game.pid, "VmRSS")});
    }
    let_go_of_every_key();
    save_screenshot(grab_frame(x.dpy, window), "soak_end");

    // Resident size wobbles by a few MB as the drivers allocate; a leak shows as a trend.
    double third = (elapsed() - WARM_UP_SECONDS) / 3;
    long early_kb = average_kb(memory, WARM_UP_SECONDS, WARM_UP_SECONDS + third);
    long late_kb = average_kb(memory, elapsed() - third, elapsed());
    EXPECT_LT(late_kb, early_kb + MEMORY_SLACK_KB)
        << "resident size grew from " << early_kb << " kB to " << late_kb << " kB";
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
    std::string log = game.output();
    EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
    std::printf("soak: %d actions over %.0f s, resident %ld kB early, %ld kB late\n", actions,
                elapsed(), early_kb, late_kb);
}
