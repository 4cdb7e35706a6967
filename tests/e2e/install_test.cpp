// The installed game: `make install` into a prefix of its own, then the launcher started
// from an unrelated folder finds its pictures and music.
#include "harness.h"

#include "audio_probe.h"
#include "data_files.h"

#include <X11/keysym.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

static std::string read_text(const fs::path &file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

class Installed : public RunningGame {
  protected:
    fs::path prefix;

    void SetUp() override {
        char scratch[] = "/tmp/haystack-prefix-XXXXXX";
        prefix = mkdtemp(scratch);
        std::string install = std::string(CMAKE_COMMAND) + " --install " + BUILD_DIR +
                              " --prefix " + prefix.string() + " > " + (prefix / "log").string();
        ASSERT_EQ(std::system(install.c_str()), 0) << read_text(prefix / "log");
    }

    void TearDown() override {
        fs::remove_all(prefix);
    }
};

TEST_F(Installed, PutsGameDataLauncherDesktopEntryAndIconInPlace) {
    EXPECT_EQ(access((prefix / "bin/haystack").c_str(), X_OK), 0);
    for (const char *file : DATA_FILES)
        EXPECT_EQ(fs::file_size(prefix / "share/haystack" / file),
                  fs::file_size(fs::path(HAYSTACK_DATA_DIR) / file))
            << file;
    std::string entry = read_text(prefix / "share/applications/haystack.desktop");
    EXPECT_NE(entry.find("\nExec=" + (prefix / "bin/haystack").string() + "\n"), std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nIcon=haystack\n"), std::string::npos) << entry;
    std::string icon = read_text(prefix / "share/icons/hicolor/64x64/apps/haystack.png");
    EXPECT_EQ(icon.substr(0, 8), "\x89PNG\r\n\x1a\n");
}

// The game runs in a scratch folder holding no data; the launcher takes it to its own.
TEST_F(Installed, LauncherStartsTheGameWithItsPicturesAndMusic) {
    game.program = (prefix / "bin/haystack").string();
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    sleep_seconds(1.5);
    Frame frame = grab_frame(x.dpy, window);
    save_screenshot(frame, "installed_attract");
    PictureMatch card = match_picture(frame, HAYSTACK_DATA_DIR "/introa.tga", HEIGHT);
    ASSERT_GT(card.opaque, 500);
    EXPECT_GT(double(card.opaque_shown) / card.opaque, 0.9) << "the title card, not plain yellow";

    long now = recorded_frames(game.audio_file);
    std::vector<float> heard = read_mono(game.audio_file, now - PROBE_RATE, now);
    EXPECT_GT(rms(heard), 0.01) << "the intro music, not silence";
    EXPECT_EQ(dominant_track_pitch(heard), INTRO_HZ);

    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
}
