// Preloaded into the game: notes, in the order they come, the calls its start-up makes to the
// timer, the clock and OpenGL, one line each in the file START_CALLS names,
// until the first frame after blending is set is cleared; each call then goes on to the real
// library.
#include <GL/gl.h>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

static std::mutex log_lock;   // the music's and the windowing library's threads call too
static bool blending_set;     // the last step of the start before the first frame was noted
static bool frame_seen;       // the first frame's clear after it was noted: nothing more is

// Appends `format`'s line to the file the test reads.
template <class... Args> static void note(const char *format, Args... args) {
    std::lock_guard<std::mutex> hold(log_lock);
    const char *path = std::getenv("START_CALLS");
    FILE *log = path && !frame_seen ? std::fopen(path, "a") : nullptr;
    if (!log)
        return;
    std::fprintf(log, format, args...);
    std::fputc('\n', log);
    std::fclose(log);
}

// The real library's `name`.
template <class Function> static Function real(const char *name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

extern "C" int install_int_ex(void (*proc)(), long speed) {
    note("install_int_ex %ld", speed);
    return real<int (*)(void (*)(), long)>("install_int_ex")(proc, speed);
}

extern "C" time_t time(time_t *now) {
    note("time");
    return real<time_t (*)(time_t *)>("time")(now);
}

extern "C" void glEnable(GLenum cap) {
    note("glEnable %#x", cap);
    real<void (*)(GLenum)>("glEnable")(cap);
}

extern "C" void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    note("glClearColor %g %g %g %g", r, g, b, a);
    real<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glClearColor")(r, g, b, a);
}

extern "C" void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void *p) {
    note("glVertexPointer");
    real<void (*)(GLint, GLenum, GLsizei, const void *)>("glVertexPointer")(size, type, stride, p);
}

extern "C" void glTexImage2D(GLenum target, GLint level, GLint inner, GLsizei w, GLsizei h,
                             GLint border, GLenum format, GLenum type, const void *pixels) {
    note("glTexImage2D");
    real<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void *)>(
        "glTexImage2D")(target, level, inner, w, h, border, format, type, pixels);
}

extern "C" void glBlendFunc(GLenum from, GLenum to) {
    note("glBlendFunc");
    {
        std::lock_guard<std::mutex> hold(log_lock);
        blending_set = true;
    }
    real<void (*)(GLenum, GLenum)>("glBlendFunc")(from, to);
}

extern "C" void glClear(GLbitfield mask) {
    note("glClear");
    {
        std::lock_guard<std::mutex> hold(log_lock);
        frame_seen = blending_set;
    }
    real<void (*)(GLbitfield)>("glClear")(mask);
}
