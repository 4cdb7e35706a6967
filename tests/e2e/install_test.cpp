// Installing the game: `make install` into a prefix of its own and `make uninstall` after it,
// the desktop entry under a prefix with a space, and the Debian package, checked and then
// unpacked and started from an unrelated folder.
#include "harness.h"

#include "audio_probe.h"
#include "data_files.h"
#include "scratch_dir.h"

#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

// The name of the desktop entry, the icons and the metainfo.
const std::string APP_ID = "net.haystackgame.Haystack";
// The Debian package checked: the one the tests build, or the one HAYSTACK_PACKAGE names (the
// arm64 package, in its tests).
const char *const BUILT_PACKAGE = BUILD_DIR "/package/haystack_" HAYSTACK_VERSION "_amd64.deb";
const std::string PACKAGE =
    std::getenv("HAYSTACK_PACKAGE") ? std::getenv("HAYSTACK_PACKAGE") : BUILT_PACKAGE;

static std::string read_text(const fs::path &file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

TEST(Install, PutsEverythingInPlaceAndUninstallTakesItAllAway) {
    fs::path prefix = fs::path(scratch_dir()) / "prefix";
    fs::create_directory(prefix);
    Ran install =
        run(std::string(CMAKE_COMMAND) + " --install " + BUILD_DIR + " --prefix " + quoted(prefix));
    ASSERT_EQ(install.status, 0) << install.output;

    EXPECT_EQ(access((prefix / "games/haystack").c_str(), X_OK), 0);
    for (const char *file : DATA_FILES)
        EXPECT_EQ(fs::file_size(prefix / "share/games/haystack" / file),
                  fs::file_size(fs::path(HAYSTACK_DATA_DIR) / file))
            << file;
    for (const char *size : {"48x48", "64x64", "128x128", "256x256"})
        EXPECT_EQ(read_text(prefix / "share/icons/hicolor" / size / "apps" / (APP_ID + ".png"))
                      .substr(0, 8),
                  "\x89PNG\r\n\x1a\n")
            << size;
    EXPECT_TRUE(fs::exists(prefix / "share/icons/hicolor/scalable/apps" / (APP_ID + ".svg")));
    EXPECT_TRUE(fs::exists(prefix / "share/man/man6/haystack.6.gz"));
    EXPECT_EQ(desktop_entry_complaints(prefix / "share/applications" / (APP_ID + ".desktop")), "");
    Ran metainfo = run("appstreamcli validate --no-net " +
                       quoted(prefix / "share/metainfo" / (APP_ID + ".metainfo.xml")));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;

    Ran uninstall =
        run(std::string(CMAKE_COMMAND) + " --build " + BUILD_DIR + " --target uninstall");
    ASSERT_EQ(uninstall.status, 0) << uninstall.output;
    std::string left;
    for (const auto &found : fs::recursive_directory_iterator(prefix))
        left += found.path().string() + "\n";
    EXPECT_EQ(left, "") << "left behind by uninstall";
}

// Desktop launchers refuse an Exec line whose path holds an unquoted space.
TEST(DesktopEntry, IsValidUnderAPrefixWithASpace) {
    fs::path scratch = scratch_dir();
    fs::path prefix = scratch / "with space";
    Ran configure = run(std::string(CMAKE_COMMAND) + " -S " + PROJECT_SOURCE_DIR + " -B " +
                        quoted(scratch / "tree") +
                        " -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=" + quoted(prefix));
    ASSERT_EQ(configure.status, 0) << configure.output;
    Ran install = run(std::string(CMAKE_COMMAND) + " --install " + quoted(scratch / "tree") +
                      " --component desktop");
    ASSERT_EQ(install.status, 0) << install.output;

    fs::path entry = prefix / "share/applications" / (APP_ID + ".desktop");
    EXPECT_EQ(desktop_entry_complaints(entry), "");
    EXPECT_NE(read_text(entry).find("\nExec=\"" + (prefix / "games/haystack").string() + "\"\n"),
              std::string::npos)
        << read_text(entry);
}

TEST(Package, DependsOnItsLibrariesAndLintianFindsNoError) {
    Ran info = run("dpkg-deb --info " + PACKAGE);
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("Section: games"), std::string::npos) << info.output;
    size_t depends = info.output.find("Depends:");
    ASSERT_NE(depends, std::string::npos) << info.output;
    std::string line = info.output.substr(depends, info.output.find('\n', depends) - depends);
    for (const char *library :
         {"liballegro4.4", "liballeggl4.4", "libsoil1", "libsdl2-mixer-2.0-0", "libcurl4"})
        EXPECT_NE(line.find(library), std::string::npos) << library << " in " << line;

    Ran contents = run("dpkg-deb -c " + PACKAGE);
    for (const std::string &file : std::vector<std::string>{
             "/usr/games/haystack", "/usr/lib/games/haystack/haystack",
             "/usr/share/games/haystack/introa.tga", "/usr/share/doc/haystack/copyright",
             "/usr/share/man/man6/haystack.6.gz", "/usr/share/applications/" + APP_ID + ".desktop",
             "/usr/share/metainfo/" + APP_ID + ".metainfo.xml",
             "/usr/share/icons/hicolor/256x256/apps/" + APP_ID + ".png"})
        EXPECT_NE(contents.output.find("." + file + "\n"), std::string::npos) << file;

    Ran lintian = run("lintian --fail-on error " + PACKAGE);
    EXPECT_EQ(lintian.status, 0) << lintian.output;
}

#ifdef BOARD_PACKAGE
// The board's own package, beside the game's (the Debian system tests install and run it): its
// Depends, read off the program, name the database clients; lintian finds not even a warning.
TEST(Package, TheBoardsDependsOnItsDatabaseLibrariesAndLintianFindsNoWarning) {
    Ran depends = run("dpkg-deb -f " BOARD_PACKAGE " Depends");
    ASSERT_EQ(depends.status, 0) << depends.output;
    for (const char *library : {"libpq5", "libsqlite3-0", "libssl3", "libstdc++6"})
        EXPECT_NE(depends.output.find(library), std::string::npos)
            << library << " in " << depends.output;
    EXPECT_EQ(depends.output.find("libcurl"), std::string::npos) << "the game's, not the board's";

    Ran lintian = run("lintian --fail-on error,warning " BOARD_PACKAGE);
    EXPECT_EQ(lintian.status, 0) << lintian.output;
}
#endif

class UnpackedPackage : public RunningGame {
  protected:
    fs::path root = fs::path(scratch_dir()) / "root";
    void SetUp() override {
        Ran unpack = run("dpkg-deb -x " + PACKAGE + " " + quoted(root));
        ASSERT_EQ(unpack.status, 0) << unpack.output;
    }
};

// From the folder where a replay lies, the installed launcher proves it by its name there, with no
// display at all.
TEST_F(UnpackedPackage, LauncherVerifiesAReplayNamedWhereThePlayerIs) {
    expect_launcher_verifies((root / "usr/games/haystack").string(), RECORD_SEARCH);
}

// The game runs in a scratch folder holding no data; the launcher takes it to its own.
TEST_F(UnpackedPackage, LauncherShowsTheTitleCardPlaysTheIntroAndNamesTheWindow) {
    Ran binary = run("file -L " + quoted(root / "usr/lib/games/haystack/haystack"));
    EXPECT_NE(binary.output.find(", stripped"), std::string::npos) << binary.output;

    game.program = (root / "usr/games/haystack").string();
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    ASSERT_NO_FATAL_FAILURE(expect_title_card(x.dpy, window, "installed_attract"));

    std::vector<float> heard = recent_sound(game, PROBE_RATE);
    ASSERT_FALSE(heard.empty()) << "too little audio recorded";
    EXPECT_GT(rms(heard), 0.01) << "the intro music, not silence";
    EXPECT_EQ(dominant_track_pitch(heard), INTRO_HZ);

    Ran names =
        run("xprop -display " + x.name + " -id " + std::to_string(window) + " WM_CLASS WM_NAME");
    EXPECT_NE(names.output.find("WM_CLASS(STRING) = \"haystack\", \"Haystack\""), std::string::npos)
        << names.output;
    EXPECT_NE(names.output.find("WM_NAME(STRING) = \"Haystack\""), std::string::npos)
        << names.output;

    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
}
