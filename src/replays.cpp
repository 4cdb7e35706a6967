// Searches kept as replay files, and replays watched in place of the player.
#include "replays.h"

#include <cstdio>
#include <cstring>

#include "aim.h"
#include "controls.h"
#include "files.h"
#include "game_state.h"
#include "music.h"
#include "rounds.h"

const char *const LAST_REPLAY = "last.hsr"; // the search last won, in the replays folder
const int NORMAL_PACE = 8;                  // ticks a replay runs an owed tick, in eighths
const int FASTEST_PACE = 8 * NORMAL_PACE;   // eight times the usual
const int SLOWEST_PACE = NORMAL_PACE / 8;   // an eighth of it

bool watching;
bool watch_paused;
long searches_won;

static Replay recording;       // the search being played, as it goes
static bool recording_on;      // the start was pressed in this field, and no hit yet
static bool recording_whole;   // `recording` holds a whole search, from start to hit
static PlaySettings last_kept; // the settings that shape play, as the recording last noted them
static Replay watched;         // the replay being watched
static size_t watched_next;    // its next tick to run
static int watch_speed = NORMAL_PACE; // how fast it runs, eighths of the usual
static int watch_owed;                // eighths of a tick owed to the replay

// A new recording from the start just pressed, in the field now played.
static void begin_recording(const PlaySettings &shaping) {
    recording = Replay{};
    std::snprintf(recording.game_version, sizeof recording.game_version, "%s", HAYSTACK_VERSION);
    recording.field = field_number;
    recording.generator = field_generator;
    recording.seed = field_seed;
    recording.settings = last_kept = shaping;
    recording.start_tick = orbit_ticks;
    recording_on = true;
    recording_whole = false;
}

void record_tick(const TickInput &input, const PlaySettings &shaping, unsigned events) {
    if (events & TICK_PLAY_BEGAN)
        begin_recording(shaping);
    if (!recording_on)
        return;
    if (recording.ticks.size() >= size_t(MAX_REPLAY_TICKS)) {
        recording_on = false; // past an hour: this search is not kept
        return;
    }
    bool changed = std::memcmp(&shaping, &last_kept, sizeof shaping) != 0;
    recording.ticks.push_back({input, changed, shaping});
    last_kept = shaping;
    if (recording.ticks.size() % CHECKPOINT_TICKS == 0)
        recording.checkpoints.push_back(sim_digest());
    if (events & TICK_FOUND) {
        recording.found_ticks = found_ticks;
        recording_on = false;
        recording_whole = true;
        searches_won++;
    }
}

// Writes `bytes` whole beside `path`, then puts them in its place.
static bool write_replay_file(const char *path, const std::vector<unsigned char> &bytes) {
    char temporary[MAX_PATH_LENGTH];
    if (std::snprintf(temporary, sizeof temporary, "%s.new", path) >= int(sizeof temporary) ||
        !make_folder_for(path))
        return false;
    std::FILE *file = std::fopen(temporary, "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    if (written && replace_file(temporary, path))
        return true;
    std::remove(temporary);
    return false;
}

void keep_recorded_search() {
    if (!recording_whole)
        return;
    std::vector<unsigned char> bytes = encode_replay(recording);
    char path[MAX_PATH_LENGTH], name[32];
    bool kept = replay_path(LAST_REPLAY, path, sizeof path) && write_replay_file(path, bytes);
    std::snprintf(name, sizeof name, "field-%ld.hsr", field_number);
    if (field_number && new_best && replay_path(name, path, sizeof path))
        kept = write_replay_file(path, bytes) && kept;
    if (!kept)
        std::fprintf(stderr, "haystack: the search's replay could not be kept\n");
}

// The replay's field made, the player at its start, the music stopped for the start's.
static void start_watching() {
    music_stop(outro_stream);
    music_stop(theme_stream);
    field_number = watched.field;
    field_generator = watched.generator;
    field_seed = watched.seed;
    start_replay(watched);
    worlds_made++;
    recolour_cursor = 0;
    watched_next = 0;
    watch_owed = 0;
    watch_paused = false;
    music_play(intro_stream);
}

void watch_replay(const Replay &replay) {
    for (int move = 0; move < WATCH_MOVES; move++)
        watch_pressed(WatchMove(move)); // a press from play is none of the replay's
    watched = replay;
    watching = true;
    recording_on = false;
    watch_speed = NORMAL_PACE;
    start_watching();
}

void watch_ticks(void (*answer)(unsigned events)) {
    if (watch_paused)
        return;
    watch_owed += watch_speed;
    for (; watch_owed >= NORMAL_PACE && watched_next < watched.ticks.size();
         watch_owed -= NORMAL_PACE) {
        const ReplayTick &tick = watched.ticks[watched_next++];
        if (tick.settings_changed)
            play_settings = tick.settings;
        place_cross(tick.input.cross_x, tick.input.cross_y);
        answer(sim_tick(tick.input));
    }
    if (watched_next >= watched.ticks.size())
        watch_owed = 0;
}

void answer_watch_keys() {
    bool again = watch_pressed(WATCH_AGAIN);
    if (!watching) { // Space and the arrows are play's then
        if (again && win_phase != WIN_PLAYING && recording_whole)
            watch_replay(recording);
        return;
    }
    if (watch_pressed(WATCH_PAUSE))
        watch_paused = !watch_paused;
    if (watch_pressed(WATCH_FASTER) && watch_speed < FASTEST_PACE)
        watch_speed *= 2;
    if (watch_pressed(WATCH_SLOWER) && watch_speed > SLOWEST_PACE)
        watch_speed /= 2;
    if (again)
        start_watching();
}

std::vector<unsigned char> won_search_bytes() {
    return encode_replay(recording);
}

long won_search_field() {
    return recording.field;
}

bool search_to_watch() {
    return watching || recording_whole;
}
