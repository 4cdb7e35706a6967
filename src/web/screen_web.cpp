// The game's canvas in a browser tab: its drawing size follows the size the page lays it out
// at, in device pixels, and the pointer is read in those pixels; the game frames its 4:3
// picture in them as it does in a desktop window. The page's own button makes it fullscreen.
#include "screen.h"

#include <emscripten.h>

#include "framing.h"
#include "window_web.h"

// A bound on the canvas's drawing size: a 4K screen's pixels. Drawing costs time with the
// pixels drawn, and more than that, since the straws' lines widen with the picture; a very
// large or very dense screen (a 5K or 8K monitor, a big tablet at ratio 3 fullscreen) would ask
// for two to four times as many. Past the bound the canvas draws fewer pixels than the screen
// shows, at the same shape, and the browser scales them up.
const int MOST_CANVAS_PIXELS = 3840 * 2160; // pixels, a 4K screen's

static int canvas_width = PICTURE_WIDTH;   // the drawing size, pixels, as last read
static int canvas_height = PICTURE_HEIGHT; // likewise

void find_work_area(int *width, int *height) {
    *width = PICTURE_WIDTH;
    *height = PICTURE_HEIGHT;
}

bool fullscreen_offered() {
    return false;
}

void set_fullscreen(bool) {}

// Sets the canvas's drawing size to the size the page shows it at times the device's pixel
// ratio, no more than `most` pixels in all, and gives the size the context draws at (which a
// browser may cut down further).
// clang-format off
EM_JS(void, fit_canvas_to_page, (int most, int *width, int *height), {
    const canvas = Module.canvas, box = canvas.getBoundingClientRect();
    let w = Math.max(1, Math.round(box.width * devicePixelRatio));
    let h = Math.max(1, Math.round(box.height * devicePixelRatio));
    const over = Math.sqrt(w * h / most);
    if (over > 1) {
        w = Math.max(1, Math.floor(w / over));
        h = Math.max(1, Math.floor(h / over));
    }
    if (canvas.width !== w) canvas.width = w;
    if (canvas.height !== h) canvas.height = h;
    HEAP32[width >> 2] = GLctx ? GLctx.drawingBufferWidth : w;
    HEAP32[height >> 2] = GLctx ? GLctx.drawingBufferHeight : h;
});
// clang-format on

void read_window_size(int *width, int *height) {
    fit_canvas_to_page(MOST_CANVAS_PIXELS, &canvas_width, &canvas_height);
    *width = canvas_width;
    *height = canvas_height;
}

// clang-format off
EM_JS(void, note_aim, (int x, int y), { Module.canvas.dataset.mouse = x + ',' + y; });
// clang-format on

// The pointer's last place on the page, in the canvas's drawing pixels now. The canvas notes
// the game pixel it points at, for the page's tests.
void read_pointer(int *x, int *y) {
    pointer_in_canvas(x, y);
    float game_x, game_y;
    pointer_in_picture(frame_picture(canvas_width, canvas_height), float(*x), float(*y), &game_x,
                       &game_y);
    note_aim(int(game_x), int(game_y));
}

// The page sizes the canvas and offers fullscreen with its own button.
bool window_choices_offered() {
    return false;
}

void set_window_size(int, int) {}
