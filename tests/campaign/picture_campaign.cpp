// The picture campaign: damaged game pictures loaded as the game loads them, judged strictly.
#include <allegro.h>
#include <alleggl.h>
#include <SOIL/SOIL.h>
#include <sanitizer/lsan_interface.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "campaign.h"
#include "render.h"
#include "tga_mutations.h"
#include "tga_reader.h"

const int WINDOW_SIDE = 64;       // the campaign's window, pixels
const long DEFAULT_INPUTS = 2000; // inputs tried when no count is given
const long MISMATCHES_SHOWN = 20; // mismatches described one by one, at most
const unsigned PICTURE_FLAGS = SOIL_FLAG_POWER_OF_TWO | SOIL_FLAG_TEXTURE_REPEATS; // the game's
const unsigned FENCE_FLAGS = PICTURE_FLAGS | SOIL_FLAG_INVERT_Y; // the game's, for the fence
const char *const GAME_PICTURES[] = {"fencea.tga", "clouda.tga", "introa.tga",
                                     "outroa.tga"}; // in data/

struct Tally {
    long tried;                         // inputs loaded
    long loaded;                        // inputs that gave a texture
    long malformed_loaded;              // malformed by the strict reader, yet a texture
    std::map<std::string, long> missed; // those by what the strict reader found
    long whole_refused;                 // well formed by the strict reader, yet no texture
    long misread;                       // a texture whose texels are not the picture's pixels
    long compared;                      // textures compared texel by texel with the picture
    std::map<std::string, long> faults; // malformed inputs by what the strict reader found
};

// A small window with an OpenGL context, opened the way the game opens its own. What the
// window system allocates for it is its own business, left out of the leak check.
static bool open_gl_window() {
    __lsan::ScopedDisabler window_allocations;
    if (allegro_init() != 0) {
        std::fprintf(stderr, "picture campaign: no window system: %s\n", allegro_error);
        return false;
    }
    install_allegro_gl();
    allegro_gl_clear_settings();
    allegro_gl_set(AGL_COLOR_DEPTH, 32);
    allegro_gl_set(AGL_WINDOWED, TRUE);
    allegro_gl_set(AGL_DOUBLEBUFFER, 1);
    allegro_gl_set(AGL_SUGGEST, AGL_COLOR_DEPTH | AGL_DOUBLEBUFFER | AGL_WINDOWED);
    if (set_gfx_mode(GFX_OPENGL, WINDOW_SIDE, WINDOW_SIDE, 0, 0) < 0) {
        std::fprintf(stderr, "picture campaign: no OpenGL window: %s / %s\n", allegro_error,
                     allegro_gl_error);
        return false;
    }
    return true;
}

// Every game picture in every form the loader reads; empty when one cannot be read.
static std::vector<StartingPicture> all_starting_pictures() {
    std::vector<StartingPicture> starts;
    for (const char *name : GAME_PICTURES) {
        Bytes file = read_file(std::string(HAYSTACK_DATA_DIR) + "/" + name);
        TgaReading reading = read_tga_strictly(file);
        if (!reading.well_formed) {
            std::fprintf(stderr, "picture campaign: the game's %s is not well formed: %s\n", name,
                         reading.fault ? reading.fault : "unreadable");
            return {};
        }
        Picture picture = {reading.width, reading.height, reading.rgba};
        std::vector<StartingPicture> forms = starting_pictures(name, file, picture);
        starts.insert(starts.end(), forms.begin(), forms.end());
    }
    return starts;
}

// The texels of the bound texture's first level, when it is `width` by `height`.
static bool bound_texels(int width, int height, Bytes &texels) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    if (w != width || h != height)
        return false;
    texels.resize(4 * size_t(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return true;
}

// Rows in the opposite order, as the fence's loading flag turns them.
static Bytes turned_over(const Bytes &rgba, int width, int height) {
    Bytes turned(rgba.size());
    size_t row = 4 * size_t(width);
    for (int y = 0; y < height; y++)
        std::copy_n(rgba.begin() + y * row, row, turned.begin() + (height - 1 - y) * row);
    return turned;
}

// Whether `texture` holds the picture the strict reader read; pictures the loader had to
// stretch to a power-of-two size are taken as read, uncounted.
static bool texture_shows(GLuint texture, const TgaReading &reading, bool fence, Tally &tally) {
    glBindTexture(GL_TEXTURE_2D, texture);
    Bytes texels;
    if (!bound_texels(reading.width, reading.height, texels))
        return true;
    tally.compared++;
    return texels ==
           (fence ? turned_over(reading.rgba, reading.width, reading.height) : reading.rgba);
}

static std::string describe(const CampaignOptions &options, long index, const PictureInput &in) {
    return "input " + std::to_string(index) + " of seed " + std::to_string(options.seed) + " (" +
           in.start->name + ": " + in.damage + ")";
}

// Keeps a copy of an input the loader and the strict reader disagree on, and says so.
static void report_mismatch(const CampaignOptions &options, long index, const PictureInput &in,
                            const std::string &what, long shown) {
    std::string kept = options.dir + "/mismatch-" + std::to_string(options.seed) + "-" +
                       std::to_string(index) + ".tga";
    write_file(kept, in.file);
    if (shown < MISMATCHES_SHOWN)
        std::printf("mismatch: %s: %s; kept as %s\n", describe(options, index, in).c_str(),
                    what.c_str(), kept.c_str());
}

// Counts what the loader made of one input against the strict reader's verdict on it.
static void judge(const CampaignOptions &options, long index, const PictureInput &in,
                  const TgaReading &reading, GLuint texture, Tally &tally) {
    long shown = tally.malformed_loaded + tally.whole_refused + tally.misread;
    tally.tried++;
    tally.loaded += texture != 0;
    if (!reading.well_formed)
        tally.faults[reading.fault]++;
    if (texture && !reading.well_formed) {
        tally.malformed_loaded++;
        tally.missed[reading.fault]++;
        report_mismatch(options, index, in, std::string("loaded, yet ") + reading.fault, shown);
    } else if (!texture && reading.well_formed) {
        tally.whole_refused++;
        report_mismatch(options, index, in, "a whole picture refused", shown);
    } else if (texture && !texture_shows(texture, reading, in.start->fence, tally)) {
        tally.misread++;
        report_mismatch(options, index, in, "loaded with other pixels than its own", shown);
    }
}

// Tries one input: written to disk first, so that a crash leaves it behind.
static void try_input(const CampaignOptions &options, long index, const PictureInput &in,
                      Tally &tally) {
    std::string path = options.dir + "/input.tga";
    write_file(path, in.file);
    note_current_input(options.dir + "/current-input.txt",
                       "picture campaign died on " + describe(options, index, in) +
                           "; the input is " + path + "; try it alone with --seed " +
                           std::to_string(options.seed) + " --first " + std::to_string(index) +
                           " --inputs 1");
    GLuint texture = load_texture(path.c_str(), in.start->fence ? FENCE_FLAGS : PICTURE_FLAGS);
    judge(options, index, in, read_tga_strictly(in.file), texture, tally);
    if (texture)
        glDeleteTextures(1, &texture);
}

// Counts by fault, the most common first.
static void print_faults(const char *title, const std::map<std::string, long> &by_fault) {
    std::vector<std::pair<long, std::string>> faults;
    for (const auto &[fault, count] : by_fault)
        faults.push_back({count, fault});
    std::sort(faults.rbegin(), faults.rend());
    std::printf("%s:", title);
    for (const auto &[count, fault] : faults)
        std::printf(" %ld %s;", count, fault.c_str());
    std::printf("\n");
}

static void print_summary(const CampaignOptions &options, const Tally &tally, double seconds) {
    long mismatches = tally.malformed_loaded + tally.whole_refused + tally.misread;
    std::printf("picture campaign, seed %llu: %ld inputs tried, %ld loaded, %ld rejected, "
                "0 crashes, %ld mismatches with the strict reader (%ld malformed loaded, "
                "%ld whole refused, %ld misread of %ld compared texel by texel), %.1f s\n",
                (unsigned long long)options.seed, tally.tried, tally.loaded,
                tally.tried - tally.loaded, mismatches, tally.malformed_loaded, tally.whole_refused,
                tally.misread, tally.compared, seconds);
    print_faults("malformed inputs by fault", tally.faults);
    if (tally.malformed_loaded)
        print_faults("malformed inputs loaded, by fault", tally.missed);
}

int main(int argc, char **argv) {
    CampaignOptions options = {1, 0, DEFAULT_INPUTS, 0.0, "picture-campaign"};
    if (!read_options(argc, argv, options))
        return 2;
    std::filesystem::create_directories(options.dir);
    std::vector<StartingPicture> starts = all_starting_pictures();
    if (starts.empty() || !open_gl_window())
        return 2;
    speak_current_note_when_dying();
    Tally tally = {};
    double started = seconds_now();
    for (long index = options.first; !campaign_is_over(options, tally.tried, started); index++) {
        Random random = random_for_input(options.seed, index);
        try_input(options, index, damaged_picture(starts, random), tally);
    }
    note_current_input(options.dir + "/current-input.txt",
                       "picture campaign died after its last input, at exit");
    print_summary(options, tally, seconds_now() - started);
    std::filesystem::remove(options.dir + "/input.tga");
    std::filesystem::remove(options.dir + "/current-input.txt");
    return tally.malformed_loaded + tally.whole_refused + tally.misread ? 1 : 0;
}
END_OF_MAIN()
