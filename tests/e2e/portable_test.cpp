// The archive for any distribution: unpacked here, its C library needs and its menu entry; and
// unpacked in a bare Debian system (HAYSTACK_DEBIAN_SYSTEM) that has only the system libraries
// it takes, where the loader finds every other library in the archive and the game plays.
#include "harness.h"

#include "audio_probe.h"
#include "scratch_dir.h"

#include <X11/keysym.h>
#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

const std::string NAME = "haystack-" HAYSTACK_VERSION "-linux-x86_64"; // the archive's one folder
const std::string ARCHIVE = BUILD_DIR "/portable/" + NAME + ".tar.gz"; // what make portable made
// Where tests/e2e/debian-setup unpacks it inside the system: a path with a space.
const std::string IN_SYSTEM = "/opt/Haystack Games/" + NAME;
const std::string APP_ID = "net.haystackgame.Haystack"; // the menu entry's and the icon's name

// The archive unpacked into a folder whose path holds a space, as a player may choose.
static fs::path unpacked() {
    fs::path into = fs::path(scratch_dir()) / "my games";
    if (!fs::exists(into / NAME)) {
        fs::create_directories(into);
        Ran unpack = run("tar -xzf " + quoted(ARCHIVE) + " -C " + quoted(into));
        EXPECT_EQ(unpack.status, 0) << unpack.output;
    }
    return into / NAME;
}

// A command run by sh inside the bare system, in the folder the test runs in; it holds no
// single quote.
static Ran in_system(const std::string &command) {
    return run(std::string(IN_DEBIAN_SYSTEM) + " sh -c " + quoted(command));
}

// Every GLIBC_ symbol version the programs and libraries ask for stays within the minimum
// the README states.
TEST(PortableArchive, NeedsNoNewerGlibcThanItsReadmeStates) {
    fs::path folder = unpacked();
    std::smatch stated;
    std::string readme = file_text(folder / "README.txt");
    ASSERT_TRUE(std::regex_search(readme, stated, std::regex(R"(glibc (\d+)\.(\d+) or\s+newer)")))
        << readme;
    int minimum = 100 * std::stoi(stated[1]) + std::stoi(stated[2]);

    Ran symbols = run("objdump -T " + quoted(folder / "lib") + "/*");
    ASSERT_EQ(symbols.status, 0) << symbols.output;
    std::regex version(R"(GLIBC_(\d+)\.(\d+))");
    int newest = 0, libraries = 0;
    for (std::sregex_iterator v(symbols.output.begin(), symbols.output.end(), version), end;
         v != end; ++v)
        newest = std::max(newest, 100 * std::stoi((*v)[1]) + std::stoi((*v)[2]));
    for (const auto &file : fs::directory_iterator(folder / "lib"))
        libraries += file.path().filename().string().find(".so.") != std::string::npos;
    EXPECT_EQ(libraries, 5) << "Allegro, AllegroGL, SDL2, SDL2_mixer and GLU";
    EXPECT_GT(newest, 200) << symbols.output.substr(0, 2000);
    EXPECT_LE(newest, minimum) << "GLIBC_" << newest / 100 << "." << newest % 100;
}

// In a throwaway home: the entry and icons go under ~/.local/share, or $XDG_DATA_HOME when set,
// the entry starting this folder's launcher; taking them away leaves no file behind.
TEST(PortableArchive, DesktopEntryInstallsAndUninstallsForTheUser) {
    fs::path folder = unpacked();
    fs::path home = fs::path(scratch_dir()) / "a home";
    for (const std::string &data_home : {std::string(), (home / "data home").string()}) {
        std::string env = "env -u XDG_DATA_HOME HOME=" + quoted(home) +
                          (data_home.empty() ? "" : " XDG_DATA_HOME=" + quoted(data_home));
        fs::path share = data_home.empty() ? home / ".local/share" : fs::path(data_home);
        Ran install =
            run("cd / && " + env + " " + quoted(folder / "haystack") + " --install-desktop-entry");
        ASSERT_EQ(install.status, 0) << install.output;
        fs::path entry = share / "applications" / (APP_ID + ".desktop");
        EXPECT_EQ(desktop_entry_complaints(entry), "");
        EXPECT_NE(file_text(entry).find("\nExec=\"" + (folder / "haystack").string() + "\"\n"),
                  std::string::npos)
            << file_text(entry);
        for (const char *icon : {"48x48/apps/net.haystackgame.Haystack.png",
                                 "256x256/apps/net.haystackgame.Haystack.png",
                                 "scalable/apps/net.haystackgame.Haystack.svg"})
            EXPECT_EQ(file_text(share / "icons/hicolor" / icon), file_text(folder / "icons" / icon))
                << icon;

        Ran uninstall = run(env + " " + quoted(folder / "haystack") + " --uninstall-desktop-entry");
        ASSERT_EQ(uninstall.status, 0) << uninstall.output;
        std::string left;
        for (const auto &found : fs::recursive_directory_iterator(home))
            if (!found.is_directory())
                left += found.path().string() + "\n";
        EXPECT_EQ(left, "") << "left behind by --uninstall-desktop-entry";
    }
}

// From the folder where a replay lies, the archive's launcher proves it by its name there.
TEST(PortableArchive, LauncherVerifiesAReplayNamedWhereThePlayerIs) {
    expect_launcher_verifies((unpacked() / "haystack").string(), RECORD_SEARCH);
}

// Before OpenGL is installed: the launcher names it in one line and the game does not start.
TEST(PortableWithoutOpenGl, TheLauncherSaysSoInOneLine) {
    Ran started = in_system("\"" + IN_SYSTEM + "/haystack\"");
    EXPECT_EQ(started.status, 1);
    EXPECT_EQ(
        started.output,
        "haystack: this system lacks libGL.so.1; install OpenGL (Debian and Ubuntu: libgl1)\n");
}

// The loader finds every library the game and the libraries it carries need, either in the
// archive or among the system libraries it is meant to take.
TEST(PortableSystem, EveryLibraryComesFromTheArchiveOrTheSystemsOwn) {
    Ran ldd = in_system("cd \"" + IN_SYSTEM + "/lib\" && ldd haystack *.so.*");
    ASSERT_EQ(ldd.status, 0) << ldd.output;
    std::regex system_library(R"((ld-linux-x86-64|libc|libm|libdl|libpthread|librt|libstdc\+\+|)"
                              R"(libgcc_s|libX11|libXext|libXcursor|libXrender|libXfixes|)"
                              R"(libXxf86vm|libxcb|libXau|libXdmcp|libbsd|libmd|libGL|libGLX|)"
                              R"(libGLdispatch)\.so\.\d+)");
    std::istringstream lines(ldd.output);
    int from_archive = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch found;
        if (!std::regex_search(line, found,
                               std::regex(R"(^\s+(\S+) => (.*?)( \(0x[0-9a-f]+\))?$)")))
            continue;
        EXPECT_NE(found[2], "not found") << line;
        if (found[2].str().rfind(IN_SYSTEM + "/lib/", 0) == 0)
            from_archive++;
        else
            EXPECT_TRUE(std::regex_match(found[1].str(), system_library)) << line;
    }
    EXPECT_GE(from_archive, 5) << ldd.output;
}

using PortablePlaying = RunningGame;

// With no sound server and no sound device there, SDL finds no driver that plays: the game goes
// on in silence, shows its title card once its first frame is drawn, and quits on Escape.
TEST_F(PortablePlaying, SilentlyWithoutASoundServer) {
    game.audio_driver = ""; // SDL tries every driver it has but the file it records to
    game.start(x.name.c_str());
    window = wait_for_window(x.dpy, WIDTH, HEIGHT, GAME_TITLE, START_TIMEOUT);
    ASSERT_NE(window, 0u) << "no window; output:\n" << game.output();
    auto drawn = [](const Frame &f) {
        return share(f, 0, 0, f.width, f.height, [](Rgb p) { return p.r + p.g + p.b > 0; }) > 0.5;
    };
    ASSERT_TRUE(drawn(wait_for_frame(x.dpy, window, drawn, START_TIMEOUT))) << game.output();
    ASSERT_NO_FATAL_FAILURE(expect_title_card(x.dpy, window, "portable_silent"));
    focus(x.dpy, window);
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
    EXPECT_EQ(recorded_frames(game.audio_file), 0) << "nothing went to the disk driver";
}
