// A clone's `make run` in a bare Debian system (HAYSTACK_DEBIAN_SYSTEM) where `make deps` ran
// already: it configures and builds the game there and starts it, which shows its title card
// and quits on Escape, and make ends with status 0. The board's package installed with apt in
// another: its unit's command line serves there, and its unit is sound and confined.
#include "harness.h"

#include <X11/keysym.h>
#include <cstdio>
#include <cstring>

// Seconds for `make run` to configure and build the game before its window shows: measured at
// 20 to 35 s on two cores busy with other builds too; 600 s is more than fifteen times that.
const double BUILD_TIMEOUT = 600.0;

TEST(DebianSource, MakeRunBuildsAndStartsTheGame) {
    XServer x;
    ASSERT_NE(x.dpy, nullptr);
    Game game;
    game.program = IN_DEBIAN_SYSTEM;
    game.args = {"make", "-C", "/root/haystack", "run"};
    game.start(x.name.c_str());
    Window window = wait_for_window(x.dpy, WIDTH, HEIGHT, GAME_TITLE, BUILD_TIMEOUT);
    ASSERT_NE(window, 0u) << "no window; output:\n" << game.output();
    // The window is black until the world is made and the first frame drawn.
    auto drawn = [](const Frame &f) {
        return share(f, 0, 0, f.width, f.height, [](Rgb p) { return p.r + p.g + p.b > 0; }) > 0.5;
    };
    ASSERT_TRUE(drawn(wait_for_frame(x.dpy, window, drawn, START_TIMEOUT))) << game.output();
    ASSERT_NO_FATAL_FAILURE(expect_title_card(x.dpy, window, "debian_make_run")) << game.output();
    focus(x.dpy, window);
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
}

// The system runs no systemd, so the unit's ExecStart runs as the unit would have it but as
// nobody, its state folder a fresh one nobody owns and its port a free one; the host's
// systemd-analyze judges the unit installed there.
TEST(BoardPackage, TheUnitsCommandLineServesAndTheUnitIsSoundAndConfined) {
    ASSERT_NE(std::getenv("HAYSTACK_DEBIAN_SYSTEM"), nullptr);
    const std::string system = std::getenv("HAYSTACK_DEBIAN_SYSTEM");
    const std::string unit = system + "/lib/systemd/system/haystack-board.service";
    std::string text = file_text(unit);
    size_t start = text.find("\nExecStart=");
    ASSERT_NE(start, std::string::npos) << text;
    start += std::strlen("\nExecStart=");
    std::string command = text.substr(start, text.find('\n', start) - start);
    for (auto [from, to] : {std::pair{" --listen 127.0.0.1:8080 ", " --listen 127.0.0.1:0 "},
                            std::pair{"sqlite:/var/lib/haystack-board/", "sqlite:$state/"}}) {
        size_t at = command.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in " << command;
        command.replace(at, std::strlen(from), to);
    }
    std::string script = R"(state=$(mktemp -d) && chown nobody "$state" || exit 1
setpriv --reuid=nobody --regid=nogroup --clear-groups COMMAND >"$state.log" 2>&1 &
for i in $(seq 100); do
    port=$(sed -n 's|^haystack-board: serving http://127.0.0.1:||p' "$state.log")
    [ -n "$port" ] && break
    sleep 0.1
done
timeout 10 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$0" &&
    printf "GET /healthz HTTP/1.1\r\nHost: board\r\nConnection: close\r\n\r\n" >&3 &&
    cat <&3' "$port" </dev/null
kill -TERM $! && wait $!
echo "board exit status $?"
cat "$state.log" && stat -c 'board.db owned by %U' "$state/board.db"
)";
    script.replace(script.find("COMMAND"), std::strlen("COMMAND"), command);
    Ran served = run(std::string(IN_DEBIAN_SYSTEM) + " sh -s <<'END'\n" + script + "END\n");
    EXPECT_NE(served.output.find("HTTP/1.1 200 OK"), std::string::npos) << served.output;
    EXPECT_NE(served.output.find(R"({"status":"ok"})"), std::string::npos) << served.output;
    EXPECT_NE(served.output.find("board exit status 0\n"), std::string::npos) << served.output;
    EXPECT_NE(served.output.find("board.db owned by nobody"), std::string::npos) << served.output;

    // Its manual page and program are found in that system, as Documentation= and ExecStart= say.
    Ran verify = run("MANPATH=" + quoted(system + "/usr/share/man") + " systemd-analyze verify " +
                     "--recursive-errors=no --root=" + quoted(system) +
                     " /lib/systemd/system/haystack-board.service");
    EXPECT_TRUE(verify.status == 0 && verify.output.empty()) << verify.output;
    Ran security = run("systemd-analyze security --offline=true " + quoted(unit));
    const char *level = "Overall exposure level for haystack-board.service: ";
    size_t at = security.output.find(level);
    ASSERT_NE(at, std::string::npos) << security.output;
    double exposure = std::strtod(security.output.c_str() + at + std::strlen(level), nullptr);
    std::printf("haystack-board.service exposure: %.1f\n", exposure);
    EXPECT_LE(exposure, 2.0) << security.output;
}
