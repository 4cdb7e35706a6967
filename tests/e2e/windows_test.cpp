// The Windows release as players get it: the zip's folder, what its programs import, the
// program's icon and version, and the installer's whole round under wine in a fresh prefix.
#include "harness.h"

#include "audio_probe.h"
#include "data_files.h"
#include "scratch_dir.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

const std::string ZIP = WINDOWS_BUILD "/" WINDOWS_PACKAGE ".zip";
const std::string MSI = WINDOWS_BUILD "/" WINDOWS_PACKAGE ".msi";
const fs::path UNZIPPED =
    fs::path(WINE_DIR) / WINDOWS_PACKAGE; // the zip, as wine-setup unpacked it
// Windows' own libraries that the game and its libraries may import; any other must ship.
const std::set<std::string> WINDOWS_DLLS = {
    "advapi32.dll", "ddraw.dll",  "dsound.dll",  "gdi32.dll",    "glu32.dll",    "imm32.dll",
    "kernel32.dll", "msvcrt.dll", "ole32.dll",   "oleaut32.dll", "opengl32.dll", "setupapi.dll",
    "shell32.dll",  "user32.dll", "version.dll", "winmm.dll",    "winhttp.dll",  "bcrypt.dll"};
const char *const UNINSTALL_KEY = "'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall'";

static std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return text;
}

static std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// Every file under `folder`, by its path inside it.
static std::set<std::string> files_under(const fs::path &folder) {
    std::set<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), folder).string());
    return files;
}

TEST(WindowsZip, HoldsOneFolderWithTheGameItsDataNotesAndLicences) {
    Ran listing = run("unzip -Z1 " + quoted(ZIP));
    ASSERT_EQ(listing.status, 0) << listing.output;
    std::set<std::string> files;
    for (const std::string &path : lines(listing.output)) {
        ASSERT_EQ(path.rfind(WINDOWS_PACKAGE "/", 0), 0u) << path << " lies outside the one folder";
        files.insert(path.substr(sizeof WINDOWS_PACKAGE));
    }
    std::vector<std::string> wanted = {"haystack.exe", "README.txt", "LICENSE.txt"};
    wanted.insert(wanted.end(), std::begin(DATA_FILES), std::end(DATA_FILES));
    for (const std::string &file : wanted)
        EXPECT_TRUE(files.count(file)) << file << " is missing";
    for (const char *licence : {"allegro/", "allegrogl/", "SDL2/", "SDL2_mixer/", "dr_libs",
                                "SOIL/", "gcc-runtime/", "winpthreads/"}) {
        bool found = std::any_of(files.begin(), files.end(), [&](const std::string &f) {
            return f.rfind("licenses/", 0) == 0 && f.find(licence) != std::string::npos;
        });
        EXPECT_TRUE(found) << "no licence text for " << licence;
    }
}

// The program and every DLL beside it import only each other and Windows' own libraries: the
// compiler's runtimes are inside the program, not DLLs it would look for in vain.
TEST(WindowsZip, EveryImportedLibraryShipsOrIsWindowsOwn) {
    std::set<std::string> files = files_under(UNZIPPED), shipped; // names as found; lower case
    for (const std::string &file : files)
        shipped.insert(lower(file));
    ASSERT_TRUE(shipped.count("haystack.exe"));
    for (const std::string &file : files) {
        if (file.size() < 4 || (lower(file.substr(file.size() - 4)) != ".exe" &&
                                lower(file.substr(file.size() - 4)) != ".dll"))
            continue;
        Ran imports = run("x86_64-w64-mingw32-objdump -p " + quoted(UNZIPPED / file));
        ASSERT_EQ(imports.status, 0) << imports.output;
        EXPECT_NE(imports.output.find("file format pei-x86-64"), std::string::npos) << file;
        for (const std::string &line : lines(imports.output)) {
            size_t at = line.find("DLL Name: ");
            if (at == std::string::npos)
                continue;
            std::string dll = lower(line.substr(at + 10));
            EXPECT_TRUE(shipped.count(dll) || WINDOWS_DLLS.count(dll))
                << file << " imports " << dll << ", which neither ships nor is Windows' own";
        }
    }
}

// The icon, at the sizes Windows shows it, under the name the windowing library gives its
// window; and the version as Explorer's Properties show it.
TEST(WindowsProgram, CarriesTheGameIconAndItsVersion) {
    std::string exe = quoted(UNZIPPED / "haystack.exe"), ico = quoted(scratch_dir() + "/icon.ico");
    Ran icon = run("wrestool -x --type=14 --name=ALLEGRO_ICON " + exe + " > " + ico +
                   " && icotool -l " + ico);
    ASSERT_EQ(icon.status, 0) << icon.output;
    for (const char *size : {"16", "32", "48", "256"})
        EXPECT_NE(icon.output.find(std::string("--width=") + size + " "), std::string::npos)
            << "no " << size << " px picture:\n"
            << icon.output;

    std::string raw = quoted(scratch_dir() + "/version.bin");
    Ran version = run("wrestool -x --raw --type=16 " + exe + " > " + raw +
                      " && iconv -f UTF-16LE -t UTF-8 -c " + raw + " | tr -c '[:print:]' '\\n'");
    ASSERT_EQ(version.status, 0) << version.output;
    for (std::string field :
         {"ProductName", "Haystack", "ProductVersion", HAYSTACK_VERSION, "LegalCopyright", "zlib"})
        EXPECT_NE(version.output.find(field), std::string::npos) << field << " in:\n"
                                                                 << version.output;
}

// Numbered fields are the same worlds on Windows as on Linux, byte for byte: the fingerprints
// of the first field and of a field of the day, from the Windows build beside the game's
// libraries, and from the Linux build. The clock's fields are drawn from the game's copy of each
// platform's C library numbers, which are those the library itself draws.
TEST(WindowsWorlds, NumberedFieldsAreLinuxOnesAndTheClocksTheLibrarys) {
    fs::path folder = scratch_dir() + "/digest";
    fs::create_directories(folder);
    fs::copy_file(WINDOWS_BUILD "/world_digest.exe", folder / "world_digest.exe");
    for (const auto &entry : fs::directory_iterator(UNZIPPED))
        if (entry.path().extension() == ".dll")
            fs::copy_file(entry.path(), folder / entry.path().filename());
    Ran windows = run("wine " + quoted((folder / "world_digest.exe").string()) +
                      " 1 20261209 2>/dev/null | tr -d '\\r'");
    Ran on_linux = run(quoted(LINUX_WORLD_DIGEST) + " 1 20261209");
    ASSERT_EQ(on_linux.status, 0) << on_linux.output;
    EXPECT_EQ(windows.output, on_linux.output);
    // The clock's fields: the game's copy of each C library's numbers is that library's own.
    for (const std::string &digest :
         {"wine " + quoted((folder / "world_digest.exe").string()), quoted(LINUX_WORLD_DIGEST)}) {
        std::vector<std::string> drawn =
            lines(run(digest + " --c-library 1765000000 2>/dev/null | tr -d '\\r'").output);
        ASSERT_EQ(drawn.size(), 2u) << digest;
        EXPECT_EQ(drawn[0].substr(drawn[0].find(':')), drawn[1].substr(drawn[1].find(':')))
            << digest;
    }
}

// Searches recorded on Linux play through the zip's haystack.exe --verify to the same lines as on
// Linux, checkpoint by checkpoint; and searches recorded on Windows, in a numbered field and in
// one the Windows runtime's numbers drew from the clock, verify on Linux.
TEST(WindowsReplays, ProveTheSameSearchesAsLinuxBothWays) {
    fs::path folder = scratch_dir() + "/replays";
    fs::create_directories(folder);
    fs::copy_file(WINDOWS_BUILD "/record_search.exe", folder / "record_search.exe");
    for (const auto &entry : fs::directory_iterator(UNZIPPED))
        if (entry.path().extension() == ".dll" || entry.path().extension() == ".exe")
            fs::copy_file(entry.path(), folder / entry.path().filename());
    std::string in = "cd " + quoted(folder.string()) + " && ";
    for (const char *made : {"--field 20261209 ", "--clock 1765000000 "}) {
        std::string from = made[2] == 'f' ? "field" : "clock";
        Ran linux_made = run(in + quoted(LINUX_RECORD_SEARCH) + " linux-" + from + ".hsr " + made);
        ASSERT_EQ(linux_made.status, 0) << linux_made.output;
        Ran wine_made =
            run(in + "wine record_search.exe windows-" + from + ".hsr " + made + "2>/dev/null");
        ASSERT_EQ(wine_made.status, 0) << wine_made.output;
    }
    const char *files = " linux-field.hsr linux-clock.hsr windows-field.hsr windows-clock.hsr";
    Ran on_linux = run(in + quoted(LINUX_GAME) + " --verify" + files);
    Ran on_windows = run(in + "wine haystack.exe --verify" + files + " 2>/dev/null | tr -d '\\r'");
    EXPECT_EQ(on_linux.status, 0) << on_linux.output;
    EXPECT_EQ(on_windows.output, on_linux.output);
    EXPECT_NE(on_linux.output.find("windows-clock.hsr: a field the clock chose (seed 1765000000, "
                                   "Windows), found in "),
              std::string::npos)
        << on_linux.output;
}

// In a fresh wine prefix: the silent install puts the zip's files under Program Files with a
// Start menu shortcut and an entry among installed programs; the game started there shows its
// title card and plays the intro; the silent uninstall leaves no file, shortcut or entry behind.
class WindowsInstaller : public RunningGame {
  protected:
    fs::path prefix = fs::path(scratch_dir()) / "prefix";
    fs::path installed = prefix / "drive_c/Program Files/Haystack";

    void SetUp() override {
        setenv("WINEPREFIX", prefix.c_str(), 1);
        Ran made = run("wineboot -i && wineserver -w");
        ASSERT_EQ(made.status, 0) << made.output;
    }
    void TearDown() override {
        run("wineserver -k");
    }
    std::vector<fs::path> shortcuts() {
        std::vector<fs::path> found;
        for (const auto &entry : fs::recursive_directory_iterator(prefix / "drive_c"))
            if (lower(entry.path().filename().string()) == "haystack.lnk")
                found.push_back(entry.path());
        return found;
    }
};

TEST_F(WindowsInstaller, InstallsPlaysAndUninstallsLeavingNothing) {
    Ran install = run("wine msiexec /i " + quoted(MSI) + " /qn && wineserver -w");
    ASSERT_EQ(install.status, 0) << install.output;
    ASSERT_EQ(files_under(installed), files_under(UNZIPPED));
    for (const std::string &file : files_under(installed))
        EXPECT_EQ(run("cmp " + quoted(installed / file) + " " + quoted(UNZIPPED / file)).status, 0)
            << file << " differs from the zip's";
    EXPECT_EQ(shortcuts().size(), 1u) << "one Start menu shortcut";
    Ran shortcut = run("msiinfo export " + quoted(MSI) + " Shortcut | grep '^StartMenuShortcut'");
    EXPECT_NE(shortcut.output.find("\tINSTALLDIR\t"), std::string::npos)
        << "the shortcut starts the game in its folder: " << shortcut.output;
    Ran entry = run(std::string("wine reg query ") + UNINSTALL_KEY + " /s");
    EXPECT_NE(entry.output.find("DisplayName    REG_SZ    Haystack"), std::string::npos)
        << entry.output;
    EXPECT_NE(entry.output.find("DisplayVersion    REG_SZ    " HAYSTACK_VERSION),
              std::string::npos);
    EXPECT_NE(entry.output.find("Publisher    REG_SZ    "), std::string::npos);

    game.program = (installed / "haystack.exe").string();
    game.working_dir = installed.string();
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    ASSERT_NO_FATAL_FAILURE(expect_title_card(x.dpy, window, "installer_attract"));
    std::vector<float> heard = recent_sound(game, PROBE_RATE);
    ASSERT_FALSE(heard.empty()) << "too little audio recorded";
    EXPECT_EQ(dominant_track_pitch(heard), INTRO_HZ) << "the intro music";
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);

    Ran uninstall = run("wine msiexec /x " + quoted(MSI) + " /qn && wineserver -w");
    ASSERT_EQ(uninstall.status, 0) << uninstall.output;
    EXPECT_FALSE(fs::exists(installed)) << "the install folder is left";
    EXPECT_TRUE(shortcuts().empty()) << "the shortcut is left";
    entry = run(std::string("wine reg query ") + UNINSTALL_KEY + " /s");
    EXPECT_EQ(entry.output.find("Haystack"), std::string::npos) << entry.output;
}
