// Writes the replay fuzz target's seeds: genuine searches that find the needle, made by playing
// them through the simulation, between them coding every kind of tick a replay holds.
//   replay_seeds FOLDER
#include <cstdio>
#include <string>
#include <vector>

#include "found_search.h"

const float MIDDLE_X = 320; // the cross at the picture's middle, game pixels
const float MIDDLE_Y = 240;

// `count` ticks of `held` with the cross where it is.
static void hold(std::vector<ReplayTick> &moves, unsigned held, int count) {
    TickInput last = moves.empty() ? TickInput{0, 0, MIDDLE_X, MIDDLE_Y} : moves.back().input;
    moves.insert(moves.end(), count, ReplayTick{{held, 0, last.cross_x, last.cross_y}, false, {}});
}

// Standing still with the cross at the middle, as the replay tests' search does.
static std::vector<ReplayTick> standing() {
    std::vector<ReplayTick> moves;
    hold(moves, 0, 65);
    return moves;
}

// Walking, turning and looking down, the settings changed on the way, the cross moved by the
// pointer's eighths and by the sticks' fractions.
static std::vector<ReplayTick> wandering() {
    std::vector<ReplayTick> moves;
    hold(moves, PLAY_FORWARD, 12);
    hold(moves, PLAY_LEFT, 5);
    moves.push_back(
        {{PLAY_FORWARD | PLAY_RIGHT, 0, MIDDLE_X, MIDDLE_Y}, true, {0, 0, 150, 80, 0, 1}});
    hold(moves, PLAY_FORWARD | PLAY_RIGHT, 2);
    hold(moves, PLAY_FORWARD, 7);
    for (int i = 1; i <= 10; i++)
        moves.push_back({{PLAY_LOOK, 0, MIDDLE_X + 0.375f * i, MIDDLE_Y - 0.125f * i}, false, {}});
    hold(moves, PLAY_BACK, 10);
    for (int i = 1; i <= 40; i++)
        moves.push_back({{0, 0, MIDDLE_X - i / 3.0f, MIDDLE_Y + i / 7.0f}, false, {}});
    return moves;
}

// The look toggle tapped on and off again, with the mouse steering and the needle glinting.
static std::vector<ReplayTick> toggling() {
    std::vector<ReplayTick> moves;
    hold(moves, 0, 3);
    moves.push_back({{0, PLAY_LOOK, MIDDLE_X, MIDDLE_Y}, false, {}});
    hold(moves, 0, 9);
    moves.push_back({{0, PLAY_LOOK, MIDDLE_X, MIDDLE_Y}, false, {}});
    hold(moves, 0, 200);
    return moves;
}

static bool write_seed(const std::string &path, const Replay &search) {
    if (!search.found_ticks) {
        std::fprintf(stderr, "replay_seeds: no start of the orbit finds the needle for %s\n",
                     path.c_str());
        return false;
    }
    std::vector<unsigned char> bytes = encode_replay(search);
    std::FILE *f = std::fopen(path.c_str(), "wb");
    bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0)
        written = false;
    if (!written)
        std::fprintf(stderr, "replay_seeds: cannot write %s\n", path.c_str());
    return written;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: replay_seeds FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    Replay clock_field{}; // a field the clock chose on Windows, played with the other settings
    clock_field.generator = GENERATOR_MSVCRT;
    clock_field.seed = 1765300000;
    clock_field.settings = {1, 1, 100, 100, 1, 1};
    bool written =
        write_seed(folder + "/field-7-standing.hsr", found_search_of_field(7, standing())) &&
        write_seed(folder + "/field-20261209-wandering.hsr",
                   found_search_of_field(20261209, wandering())) &&
        write_seed(folder + "/clock-field-windows-toggling.hsr",
                   found_search(clock_field, toggling()));
    return written ? 0 : 1;
}
