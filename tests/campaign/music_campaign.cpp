// The music campaign: damaged game tracks played by the music layer, each in its own child.
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "campaign.h"
#include "mp3_mutations.h"
#include "music.h"

const long DEFAULT_INPUTS = 300;    // inputs tried when no count is given
const int MIX_RATE = 44100;         // audio mixing rate, Hz, as the game opens it
const int MIX_CHANNELS = 32;        // mixing channels, as the game opens them
const int FRAME_BYTES = 4;          // one recorded frame: signed 16-bit stereo
const double PLAY_SECONDS = 0.5;    // how long each input is left playing at most
const double AUDIO_SECONDS = 40.0;  // audio that plays any whole track through: enough
const double POLL_SECONDS = 0.002;  // pause between looks at the recording or the child
const double CHILD_DEADLINE = 20.0; // seconds after which a child counts as hung, and is killed
const char OPENED = 'O';            // the child says: the music layer opened the file
const char REFUSED = 'R';           // the child says: the music layer gave a null stream
const char SANITIZER_REPORT = 'S';  // the child says: a sanitizer reported, and it dies
const long FAILURES_SHOWN = 20;     // failures described one by one, at most
const char *const GAME_TRACKS[] = {"intro.mp3", "theme.mp3", "outro.mp3"}; // in data/

static int report_pipe = -1; // the child's end of its pipe to the parent

struct Tally {
    long tried;         // inputs run
    long opened;        // inputs the music layer opened
    long sounded;       // opened inputs that put anything but silence in the recording
    long refused;       // inputs the music layer refused
    long refused_noisy; // refused inputs that were not silent
    long unheard;       // inputs whose child exited with nothing recorded at all
    long crashes;       // children that did not exit 0, hangs included
    long reports;       // of those, children that died of a sanitizer report
    long hangs;         // of those, children killed at the deadline
};

// The files of one run's current input.
struct Paths {
    std::string music; // the input, named like a game track
    std::string audio; // what the mixer wrote
    std::string log;   // the child's standard error
};

static void tell_parent(char what) {
    ssize_t ignored = write(report_pipe, &what, 1);
    (void)ignored;
}

static void tell_parent_of_report() {
    tell_parent(SANITIZER_REPORT);
}

static void pause_briefly() {
    usleep(useconds_t(POLL_SECONDS * 1e6));
}

static long recorded_bytes(const std::string &path) {
    std::error_code error;
    auto bytes = std::filesystem::file_size(path, error);
    return error ? 0 : long(bytes);
}

// Opens `file` with the music layer. The mixer keeps the texts of an ID3v1 tag it read from a
// file it then fails to open (four strings, under 200 bytes): what it allocates while opening
// is left out of the leak check, as the music layer itself allocates nothing.
static MusicStream open_outside_leak_check(const char *file) {
    __lsan::ScopedDisabler mixer_allocations;
    return music_open(file);
}

// The child: plays the input through the music layer as the game does, then exits 0.
[[noreturn]] static void play_in_child(const Paths &paths) {
    __sanitizer_set_death_callback(tell_parent_of_report);
    int log = open(paths.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, STDERR_FILENO);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", paths.audio.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    music_init(MIX_RATE, MIX_CHANNELS);
    MusicStream stream = open_outside_leak_check(paths.music.c_str());
    tell_parent(stream ? OPENED : REFUSED);
    music_play(stream);
    double started = seconds_now();
    while (seconds_now() - started < PLAY_SECONDS &&
           recorded_bytes(paths.audio) < AUDIO_SECONDS * MIX_RATE * FRAME_BYTES)
        pause_briefly();
    music_stop(stream);
    std::exit(0);
}

// Waits for the child; kills it when it outlives the deadline. Its wait status.
static int wait_for_child(pid_t child, bool &hung) {
    double started = seconds_now();
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (seconds_now() - started > CHILD_DEADLINE) {
            hung = true;
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        pause_briefly();
    }
    return status;
}

// What the child said, in order; empty when it said nothing.
static std::string read_reports(int from) {
    std::string said;
    char c;
    while (read(from, &c, 1) == 1)
        said += c;
    return said;
}

// Whether the child's standard error holds a sanitizer's report.
static bool log_has_report(const std::string &path) {
    Bytes log = read_file(path);
    std::string text(log.begin(), log.end());
    return text.find("ERROR: AddressSanitizer") != std::string::npos ||
           text.find("ERROR: LeakSanitizer") != std::string::npos ||
           text.find("runtime error:") != std::string::npos;
}

// Whether the recording holds any sample but zero.
static bool recording_sounds(const std::string &path) {
    Bytes audio = read_file(path);
    for (unsigned char b : audio)
        if (b)
            return true;
    return false;
}

static std::string describe(const CampaignOptions &options, long index, const MusicInput &in) {
    return "input " + std::to_string(index) + " of seed " + std::to_string(options.seed) + " (" +
           in.start->name + ": " + in.damage + ")";
}

// Keeps the input and the child's standard error, and says what went wrong.
static void report_failure(const CampaignOptions &options, long index, const MusicInput &in,
                           const Paths &paths, const std::string &what, long shown) {
    std::string kept = options.dir + "/failed-" + std::to_string(options.seed) + "-" +
                       std::to_string(index) + ".mp3";
    write_file(kept, in.file);
    if (shown >= FAILURES_SHOWN)
        return;
    std::printf("failure: %s: %s; kept as %s; try it alone with --seed %llu --first %ld "
                "--inputs 1\n",
                describe(options, index, in).c_str(), what.c_str(), kept.c_str(),
                (unsigned long long)options.seed, index);
    Bytes log = read_file(paths.log);
    std::fwrite(log.data(), 1, log.size(), stdout);
}

static std::string how_it_ended(int status, bool hung) {
    if (hung)
        return "hung, killed after " + std::to_string(int(CHILD_DEADLINE)) + " s";
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

// What became of one child.
struct Outcome {
    int status;       // its wait status
    bool hung;        // killed at the deadline
    std::string said; // what it told the parent, in order
};

// Plays the input already written to `paths.music` in a child process, and waits for it.
static Outcome run_child(const Paths &paths) {
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0)
        std::abort();
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        report_pipe = pipe_ends[1];
        play_in_child(paths);
    }
    close(pipe_ends[1]);
    Outcome outcome = {0, false, ""};
    outcome.status = wait_for_child(child, outcome.hung);
    outcome.said = read_reports(pipe_ends[0]);
    close(pipe_ends[0]);
    return outcome;
}

static bool child_said(const Outcome &outcome, char what) {
    return outcome.said.find(what) != std::string::npos;
}

// Runs one input in a child process and counts what became of it.
static void try_input(const CampaignOptions &options, long index, const MusicInput &in,
                      const Paths &paths, Tally &tally) {
    write_file(paths.music, in.file);
    std::filesystem::remove(paths.audio);
    note_current_input(options.dir + "/current-input.txt",
                       "music campaign died on " + describe(options, index, in));
    Outcome outcome = run_child(paths);
    long shown = tally.crashes + tally.refused_noisy + tally.unheard;
    bool refused = child_said(outcome, REFUSED);
    bool sounded = recording_sounds(paths.audio);
    tally.tried++;
    tally.opened += child_said(outcome, OPENED);
    tally.sounded += child_said(outcome, OPENED) && sounded;
    tally.refused += refused;
    if (outcome.hung || !WIFEXITED(outcome.status) || WEXITSTATUS(outcome.status) != 0) {
        tally.crashes++;
        tally.hangs += outcome.hung;
        tally.reports += child_said(outcome, SANITIZER_REPORT) || log_has_report(paths.log);
        report_failure(options, index, in, paths, how_it_ended(outcome.status, outcome.hung),
                       shown);
    } else if (refused && sounded) {
        tally.refused_noisy++;
        report_failure(options, index, in, paths, "refused, yet not silent", shown);
    } else if (recorded_bytes(paths.audio) == 0) {
        tally.unheard++;
        report_failure(options, index, in, paths, "nothing recorded to listen to", shown);
    }
}

static void print_summary(const CampaignOptions &options, const Tally &tally, double seconds) {
    std::printf("music campaign, seed %llu: %ld inputs, %ld opened (%ld of them sounded), "
                "%ld refused (%ld of them not silent), %ld crashes (%ld hung), %ld reports, "
                "%ld with nothing recorded, %.1f s\n",
                (unsigned long long)options.seed, tally.tried, tally.opened, tally.sounded,
                tally.refused, tally.refused_noisy, tally.crashes, tally.hangs, tally.reports,
                tally.unheard, seconds);
}

int main(int argc, char **argv) {
    CampaignOptions options = {1, 0, DEFAULT_INPUTS, 0.0, "music-campaign"};
    if (!read_options(argc, argv, options))
        return 2;
    std::filesystem::create_directories(options.dir);
    std::vector<Track> tracks;
    for (const char *name : GAME_TRACKS) {
        tracks.push_back({name, read_file(std::string(HAYSTACK_DATA_DIR) + "/" + name)});
        if (mpeg_frames(tracks.back().file).empty()) {
            std::fprintf(stderr, "music campaign: the game's %s holds no frames\n", name);
            return 2;
        }
    }
    speak_current_note_when_dying();
    Paths paths = {options.dir + "/input.mp3", options.dir + "/input.raw",
                   options.dir + "/input.log"};
    Tally tally = {};
    double started = seconds_now();
    for (long index = options.first; !campaign_is_over(options, tally.tried, started); index++) {
        Random random = random_for_input(options.seed, index);
        try_input(options, index, damaged_music(tracks, random), paths, tally);
    }
    note_current_input(options.dir + "/current-input.txt",
                       "music campaign died after its last input, at exit");
    print_summary(options, tally, seconds_now() - started);
    for (const std::string &path : {paths.music, paths.audio, paths.log})
        std::filesystem::remove(path);
    std::filesystem::remove(options.dir + "/current-input.txt");
    return tally.crashes + tally.refused_noisy + tally.unheard ? 1 : 0;
}
