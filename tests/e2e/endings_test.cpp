// Ending the game from outside, at random moments of the attract and play stages: Ctrl+C and
// a logout's signals end it by that same signal, and a lost X server ends it with status 1.
#include "harness.h"

#include <X11/keysym.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <random>

// Seconds from the signal or the lost server to the exit: the game ends after the frame it is
// drawing, and a sanitized frame on a loaded machine took over 2 s; a hang never ends.
const double ENDING_TIMEOUT = EXIT_TIMEOUT;
const int RUNS = 5; // games ended each way; the first two sanitized
const char *const DISPLAY_LOST = "haystack: the connection to the X display was lost\n";

static std::mt19937 random_moments{std::random_device{}()}; // how long each game runs first

// Starts the game on `x`, in its sanitized build for the first two runs, and lets it run for
// a random while: odd runs in the attract stage, even ones in play.
static void run_until_random_moment(XServer &x, Game &game, int run) {
    game.program = run < 2 ? HAYSTACK_CHECKED_BINARY : HAYSTACK_BINARY;
    game.add_all_data();
    Window window = show_game(x, game);
    ASSERT_NE(window, 0u);
    if (run % 2 == 0)
        tap_key(x.dpy, window, XK_space);
    sleep_seconds(std::uniform_real_distribution<double>(0.0, 1.5)(random_moments));
    ASSERT_TRUE(game.running()) << describe_status(game.status) << "\n" << game.output();
}

// Whether the game ended within the timeout; a failure if not, or if it made sanitizer reports.
static bool ended_promptly(Game &game) {
    if (!game.wait_exit(ENDING_TIMEOUT)) {
        ADD_FAILURE() << "still running " << ENDING_TIMEOUT << " s on";
        return false;
    }
    std::string log = game.output();
    EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
    return true;
}

// "INT" for SIGINT, as the name of a test.
static std::string signal_name(const ::testing::TestParamInfo<int> &signal) {
    return sigabbrev_np(signal.param);
}

class QuitSignal : public ::testing::TestWithParam<int> {};

TEST_P(QuitSignal, EndsTheGameByThatSignal) {
    XServer x;
    ASSERT_NE(x.dpy, nullptr);
    for (int run = 0; run < RUNS; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        Game game;
        ASSERT_NO_FATAL_FAILURE(run_until_random_moment(x, game, run));
        kill(game.pid, GetParam());
        if (!ended_promptly(game))
            continue;
        EXPECT_TRUE(WIFSIGNALED(game.status) && WTERMSIG(game.status) == GetParam())
            << describe_status(game.status) << "\n"
            << game.output();
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, QuitSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         signal_name);

// The server ends (SIGTERM) or dies (SIGKILL) under the game.
class LostServer : public ::testing::TestWithParam<int> {};

TEST_P(LostServer, EndsTheGameWithStatus1AndSaysWhy) {
    for (int run = 0; run < RUNS; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        XServer x;
        ASSERT_NE(x.dpy, nullptr);
        Game game;
        ASSERT_NO_FATAL_FAILURE(run_until_random_moment(x, game, run));
        x.stop(GetParam());
        if (!ended_promptly(game))
            continue;
        EXPECT_TRUE(WIFEXITED(game.status) && WEXITSTATUS(game.status) == 1)
            << describe_status(game.status) << "\n"
            << game.output();
        EXPECT_NE(game.output().find(DISPLAY_LOST), std::string::npos) << game.output();
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, LostServer, ::testing::Values(SIGTERM, SIGKILL), signal_name);
