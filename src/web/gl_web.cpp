// The part of OpenGL 1.1 the game draws with, over WebGL 2: immediate mode, client arrays, the
// matrix stack, textures modulated by the colour, the alpha test as a discard, and lines of any
// width as screen-space quads, since every browser draws WebGL lines 1 pixel wide.
#include "gl_web.h"

#include <GL/gl.h>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// WebGL's own entry points, under the names the browser's GL library also gives them, for the
// functions this layer replaces.
extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
}

const int MATRIX_DEPTH = 32;         // matrices each stack holds, as OpenGL's modelview stack
const int CORNERS_PER_LINE = 4;      // a line becomes a quad: each end once to either side
const int INDICES_PER_LINE = 6;      // two triangles of the quad
const int CORNERS_PER_VERTEX = 2;    // corners each line end gives the quad
const int MAX_CLIENT_COMPONENTS = 4; // components of a client array element, at most

// One vertex as the shader takes it: its place, the line's other end (for lines), colour and
// picture coordinates.
struct Corner {
    float pos[3];    // world or window units
    float other[3];  // the line's other end; unused but for lines
    float colour[4]; // r, g, b, a in 0..1
    float tex[2];    // picture coordinates, 0..1 across it
};

// A matrix stack: column-major 4x4 matrices, the top one current.
struct MatrixStack {
    float m[MATRIX_DEPTH][16]; // the stack; entries above `top` unused
    int top;                   // index of the current matrix
};

// What a client array says: where the elements are, how many floats each, how far apart.
struct ClientArray {
    bool enabled;        // glEnableClientState
    const char *pointer; // the first element
    int size;            // floats an element, 2..4
    int stride;          // bytes from one element to the next
};

// The strands' copy on the graphics side: their places expanded into quad corners once,
// their colours updated where the game changed them since the last draw.
struct LineArrays {
    const void *positions, *colours; // the client arrays this copy was made from
    int vertices;                    // line ends it holds
    GLuint corner_buffer;            // per corner: the end's place and the other end's
    GLuint colour_buffer;            // per corner: the end's colour
    GLuint vertex_array;             // the attribute bindings over both
    std::vector<float> seen_colours; // the colours as last uploaded
};

static MatrixStack modelview = {{}, 0};         // the camera's matrices
static MatrixStack projection = {{}, 0};        // the projection's
static MatrixStack *current_stack = &modelview; // the one glMatrixMode chose

static float colour[4] = {1, 1, 1, 1};         // the current colour, r, g, b, a in 0..1
static float tex_coord[2];                     // the current picture coordinates
static GLenum begun_mode;                      // the primitive of glBegin
static std::vector<Corner> begun;              // the vertices given since glBegin
static ClientArray vertex_array, colour_array; // glVertexPointer, glColorPointer
static bool texturing;                         // GL_TEXTURE_2D enabled
static bool alpha_testing;                     // GL_ALPHA_TEST enabled
static float alpha_reference = 1.0f;           // glAlphaFunc's reference; only GL_EQUAL is kept
static float line_width = 1.0f;                // pixels
static float point_size = 1.0f;                // pixels
static float half_viewport[2] = {320, 240};    // half the viewport's width and height, pixels

// A shader program and where its uniforms are.
struct Program {
    GLuint id;
    GLint u_mvp, u_half_view, u_line_width, u_point_size, u_textured, u_alpha_test,
        u_alpha_reference;
};
static Program pictures;       // draws with every feature: pictures, the alpha test
static Program plain;          // draws opaque colour alone, which software WebGL draws much faster
static bool blending;          // GL_BLEND enabled
static GLuint stream_buffer;   // vertices of immediate-mode draws, refilled each draw
static GLuint stream_vertices; // their attribute bindings
static GLuint line_indices;    // the quads' triangles, for every line drawn
static int line_indices_lines; // lines `line_indices` covers
static LineArrays strands;     // the strands' copy

enum { A_POS, A_OTHER, A_COLOUR, A_TEX }; // attribute locations

// Each vertex is placed by the camera and projection. A line's corner is pushed off its end, at
// right angles to the line's longer screen axis, by half the width: OpenGL's own rule for wide
// lines without smoothing. A line is first cut where it crosses the near plane; its corners'
// side comes from the corner's number.
static const char *const VERTEX_SHADER = R"(#version 300 es
uniform mat4 u_mvp;
uniform vec2 u_half_view;
uniform float u_line_width;
uniform float u_point_size;
in vec3 a_pos;
in vec3 a_other;
in vec4 a_colour;
in vec2 a_tex;
out vec4 v_colour;
out vec2 v_tex;
void main() {
    v_colour = a_colour;
    v_tex = a_tex;
    gl_PointSize = u_point_size;
    vec4 here = u_mvp * vec4(a_pos, 1.0);
    if (u_line_width == 0.0) {
        gl_Position = here;
        return;
    }
    vec4 there = u_mvp * vec4(a_other, 1.0);
    float in_here = here.z + here.w, in_there = there.z + there.w;
    if (in_here < 0.0 && in_there < 0.0) {
        gl_Position = vec4(0.0, 0.0, 2.0, 1.0);
        return;
    }
    if (in_here < 0.0)
        here = mix(here, there, in_here / (in_here - in_there));
    else if (in_there < 0.0)
        there = mix(there, here, in_there / (in_there - in_here));
    vec2 along = (there.xy / there.w - here.xy / here.w) * u_half_view;
    vec2 across = abs(along.x) >= abs(along.y) ? vec2(0.0, 1.0) : vec2(1.0, 0.0);
    float side = (gl_VertexID % 2 == 0) ? 0.5 : -0.5;
    vec2 shift = across * side * u_line_width / u_half_view;
    gl_Position = vec4(here.xy + shift * here.w, here.zw);
}
)";

// The colour, times the picture where texturing is on; the alpha test drops what fails, with
// alpha taken to the 8 bits of a pixel, as the desktop's test sees it: filtering between
// opaque texels in floating point may land a hair off 1.
static const char *const PICTURE_SHADER = R"(#version 300 es
precision highp float;
uniform sampler2D u_picture;
uniform bool u_textured;
uniform bool u_alpha_test;
uniform float u_alpha_reference;
in vec4 v_colour;
in vec2 v_tex;
out vec4 fragment;
void main() {
    vec4 c = v_colour;
    if (u_textured)
        c *= texture(u_picture, v_tex);
    if (u_alpha_test && round(c.a * 255.0) != round(u_alpha_reference * 255.0))
        discard;
    fragment = c;
}
)";

// The colour alone: no picture, and nothing the alpha test could drop.
static const char *const PLAIN_SHADER = R"(#version 300 es
precision highp float;
in vec4 v_colour;
in vec2 v_tex;
out vec4 fragment;
void main() {
    fragment = v_colour;
}
)";

// --- Matrices ------------------------------------------------------------------------------

static float *top_of(MatrixStack &stack) {
    return stack.m[stack.top];
}

// out = a * b, column-major.
static void multiply(float out[16], const float a[16], const float b[16]) {
    float r[16];
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++) {
            float sum = 0;
            for (int k = 0; k < 4; k++)
                sum += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = sum;
        }
    std::memcpy(out, r, sizeof r);
}

static void set_identity(float m[16]) {
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1;
}

// The current matrix times `m`, as every OpenGL matrix call does.
static void apply(const float m[16]) {
    float *top = top_of(*current_stack);
    multiply(top, top, m);
}

extern "C" void glMatrixMode(GLenum mode) {
    current_stack = mode == GL_PROJECTION ? &projection : &modelview;
}

extern "C" void glLoadIdentity() {
    set_identity(top_of(*current_stack));
}

extern "C" void glPushMatrix() {
    MatrixStack &s = *current_stack;
    if (s.top + 1 < MATRIX_DEPTH) {
        std::memcpy(s.m[s.top + 1], s.m[s.top], sizeof s.m[0]);
        s.top++;
    }
}

extern "C" void glPopMatrix() {
    if (current_stack->top > 0)
        current_stack->top--;
}

extern "C" void glFrustum(double l, double r, double b, double t, double n, double f) {
    float m[16] = {};
    m[0] = float(2 * n / (r - l));
    m[5] = float(2 * n / (t - b));
    m[8] = float((r + l) / (r - l));
    m[9] = float((t + b) / (t - b));
    m[10] = float(-(f + n) / (f - n));
    m[11] = -1;
    m[14] = float(-2 * f * n / (f - n));
    apply(m);
}

extern "C" void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
    float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return;
    x /= length, y /= length, z /= length;
    float a = degrees * float(M_PI / 180), c = std::cos(a), s = std::sin(a), k = 1 - c;
    float m[16] = {x * x * k + c,
                   y * x * k + z * s,
                   x * z * k - y * s,
                   0,
                   x * y * k - z * s,
                   y * y * k + c,
                   y * z * k + x * s,
                   0,
                   x * z * k + y * s,
                   y * z * k - x * s,
                   z * z * k + c,
                   0,
                   0,
                   0,
                   0,
                   1};
    apply(m);
}

extern "C" void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    float m[16];
    set_identity(m);
    m[12] = x, m[13] = y, m[14] = z;
    apply(m);
}

// --- State ---------------------------------------------------------------------------------

// Texturing and the alpha test are the shader's; the rest is WebGL's own.
static void set_capability(GLenum cap, bool on) {
    if (cap == GL_BLEND)
        blending = on;
    if (cap == GL_TEXTURE_2D)
        texturing = on;
    else if (cap == GL_ALPHA_TEST)
        alpha_testing = on;
    else if (on)
        emscripten_glEnable(cap);
    else
        emscripten_glDisable(cap);
}

extern "C" void glEnable(GLenum cap) {
    set_capability(cap, true);
}

extern "C" void glDisable(GLenum cap) {
    set_capability(cap, false);
}

extern "C" void glShadeModel(GLenum) {} // colours always blend along a primitive

extern "C" void glAlphaFunc(GLenum, GLclampf reference) {
    alpha_reference = reference;
}

extern "C" void glLineWidth(GLfloat width) {
    line_width = width;
}

extern "C" void glPointSize(GLfloat size) {
    point_size = size;
}

// Lines are widened in the viewport's pixels, so the shader knows its size.
extern "C" void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    half_viewport[0] = width / 2.0f;
    half_viewport[1] = height / 2.0f;
    emscripten_glViewport(x, y, width, height);
}

static ClientArray *client_array(GLenum array) {
    return array == GL_VERTEX_ARRAY  ? &vertex_array
           : array == GL_COLOR_ARRAY ? &colour_array
                                     : nullptr;
}

extern "C" void glEnableClientState(GLenum array) {
    if (ClientArray *a = client_array(array))
        a->enabled = true;
}

extern "C" void glDisableClientState(GLenum array) {
    if (ClientArray *a = client_array(array))
        a->enabled = false;
}

// Float arrays only, as the game gives.
static void point_array(ClientArray &a, GLint size, GLsizei stride, const void *pointer) {
    a.pointer = static_cast<const char *>(pointer);
    a.size = size;
    a.stride = stride ? stride : size * int(sizeof(float));
}

// Pointing at the places again, even where they were, hands over new places: the next draw
// copies them afresh.
extern "C" void glVertexPointer(GLint size, GLenum, GLsizei stride, const void *pointer) {
    point_array(vertex_array, size, stride, pointer);
    strands.positions = nullptr;
}

extern "C" void glColorPointer(GLint size, GLenum, GLsizei stride, const void *pointer) {
    point_array(colour_array, size, stride, pointer);
}

// --- The shader program and buffers ---------------------------------------------------------

static GLuint compile(GLenum kind, const char *source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Attribute bindings of interleaved corners in `buffer`.
static void bind_corner_attributes(GLuint buffer) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLsizei stride = sizeof(Corner);
    glVertexAttribPointer(A_POS, 3, GL_FLOAT, GL_FALSE, stride, (void *)offsetof(Corner, pos));
    glVertexAttribPointer(A_OTHER, 3, GL_FLOAT, GL_FALSE, stride, (void *)offsetof(Corner, other));
    glVertexAttribPointer(A_COLOUR, 4, GL_FLOAT, GL_FALSE, stride,
                          (void *)offsetof(Corner, colour));
    glVertexAttribPointer(A_TEX, 2, GL_FLOAT, GL_FALSE, stride, (void *)offsetof(Corner, tex));
    for (GLuint a : {A_POS, A_OTHER, A_COLOUR, A_TEX})
        glEnableVertexAttribArray(a);
}

// The program of the vertex shader and `fragment_shader`; its id 0 when it cannot be built.
static Program build_program(const char *fragment_shader) {
    Program p = {};
    GLuint id = glCreateProgram();
    glAttachShader(id, compile(GL_VERTEX_SHADER, VERTEX_SHADER));
    glAttachShader(id, compile(GL_FRAGMENT_SHADER, fragment_shader));
    glBindAttribLocation(id, A_POS, "a_pos");
    glBindAttribLocation(id, A_OTHER, "a_other");
    glBindAttribLocation(id, A_COLOUR, "a_colour");
    glBindAttribLocation(id, A_TEX, "a_tex");
    glLinkProgram(id);
    GLint linked = 0;
    glGetProgramiv(id, GL_LINK_STATUS, &linked);
    if (!linked)
        return p;
    p.id = id;
    p.u_mvp = glGetUniformLocation(id, "u_mvp");
    p.u_half_view = glGetUniformLocation(id, "u_half_view");
    p.u_line_width = glGetUniformLocation(id, "u_line_width");
    p.u_point_size = glGetUniformLocation(id, "u_point_size");
    p.u_textured = glGetUniformLocation(id, "u_textured");
    p.u_alpha_test = glGetUniformLocation(id, "u_alpha_test");
    p.u_alpha_reference = glGetUniformLocation(id, "u_alpha_reference");
    return p;
}

bool start_gl_layer() {
    pictures = build_program(PICTURE_SHADER);
    plain = build_program(PLAIN_SHADER);
    if (!pictures.id || !plain.id)
        return false;
    glGenBuffers(1, &stream_buffer);
    glGenBuffers(1, &line_indices);
    glGenVertexArrays(1, &stream_vertices);
    glBindVertexArray(stream_vertices);
    bind_corner_attributes(stream_buffer);
    set_identity(top_of(modelview));
    set_identity(top_of(projection));
    return true;
}

// The index buffer covers at least `lines` lines, bound to the current vertex array.
static void cover_lines(int lines) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, line_indices);
    if (lines <= line_indices_lines)
        return;
    const size_t count = size_t(lines) * INDICES_PER_LINE;
    std::unique_ptr<GLuint[]> indices(new GLuint[count]); // each filled below
    for (int l = 0; l < lines; l++) {
        GLuint c = GLuint(l * CORNERS_PER_LINE), *i = &indices[size_t(l) * INDICES_PER_LINE];
        i[0] = c, i[1] = c + 1, i[2] = c + 2, i[3] = c + 2, i[4] = c + 1, i[5] = c + 3;
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, count * sizeof(GLuint), indices.get(), GL_STATIC_DRAW);
    line_indices_lines = lines;
}

// The program and uniforms of the state now, for a draw of lines when `lines`, in colours
// all opaque when `opaque`. Opaque colour without a picture passes an alpha test for 1 and
// blends to itself, so it is drawn plain, without either.
static void set_uniforms(bool lines, bool opaque) {
    bool as_plain = opaque && !texturing && (!alpha_testing || alpha_reference == 1.0f);
    const Program &p = as_plain ? plain : pictures;
    glUseProgram(p.id);
    if (blending && !as_plain)
        emscripten_glEnable(GL_BLEND);
    else
        emscripten_glDisable(GL_BLEND);
    float mvp[16];
    multiply(mvp, top_of(projection), top_of(modelview));
    glUniformMatrix4fv(p.u_mvp, 1, GL_FALSE, mvp);
    glUniform2f(p.u_half_view, half_viewport[0], half_viewport[1]);
    glUniform1f(p.u_line_width, lines ? line_width : 0.0f);
    glUniform1f(p.u_point_size, point_size);
    glUniform1i(p.u_textured, texturing);
    glUniform1i(p.u_alpha_test, alpha_testing);
    glUniform1f(p.u_alpha_reference, alpha_reference);
}

// Whether every corner's colour is fully opaque.
static bool all_opaque(const std::vector<Corner> &corners) {
    for (const Corner &c : corners)
        if (c.colour[3] != 1.0f)
            return false;
    return true;
}

// --- Immediate mode ------------------------------------------------------------------------

extern "C" void glBegin(GLenum mode) {
    begun_mode = mode;
    begun.clear();
}

extern "C" void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    Corner c = {{x, y, z}, {x, y, z}, {}, {tex_coord[0], tex_coord[1]}};
    std::memcpy(c.colour, colour, sizeof colour);
    begun.push_back(c);
}

extern "C" void glVertex2f(GLfloat x, GLfloat y) {
    glVertex3f(x, y, 0.0f);
}

extern "C" void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    colour[0] = r, colour[1] = g, colour[2] = b, colour[3] = a;
}

extern "C" void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    glColor4f(r, g, b, 1.0f);
}

extern "C" void glTexCoord2f(GLfloat s, GLfloat t) {
    tex_coord[0] = s, tex_coord[1] = t;
}

// Each line's two ends become four corners, each knowing the other end.
static std::vector<Corner> line_corners(const std::vector<Corner> &ends) {
    std::vector<Corner> corners;
    for (size_t e = 0; e + 1 < ends.size(); e += 2)
        for (size_t end : {e, e + 1})
            for (int side = 0; side < CORNERS_PER_VERTEX; side++) {
                Corner c = ends[end];
                std::memcpy(c.other, ends[end ^ 1].pos, sizeof c.other);
                corners.push_back(c);
            }
    return corners;
}

// Each quad's four corners become two triangles.
static std::vector<Corner> quad_triangles(const std::vector<Corner> &corners) {
    std::vector<Corner> triangles;
    for (size_t q = 0; q + 3 < corners.size(); q += 4)
        for (size_t k : {0, 1, 2, 0, 2, 3})
            triangles.push_back(corners[q + k]);
    return triangles;
}

static void draw_corners(GLenum mode, const std::vector<Corner> &corners) {
    if (mode == GL_LINES) {
        std::vector<Corner> quads = line_corners(corners);
        glBindVertexArray(stream_vertices);
        glBindBuffer(GL_ARRAY_BUFFER, stream_buffer);
        glBufferData(GL_ARRAY_BUFFER, quads.size() * sizeof(Corner), quads.data(), GL_STREAM_DRAW);
        int lines = int(corners.size() / 2);
        cover_lines(lines);
        set_uniforms(true, all_opaque(corners));
        glDrawElements(GL_TRIANGLES, lines * INDICES_PER_LINE, GL_UNSIGNED_INT, nullptr);
        return;
    }
    const std::vector<Corner> &drawn = mode == GL_QUADS ? quad_triangles(corners) : corners;
    glBindVertexArray(stream_vertices);
    glBindBuffer(GL_ARRAY_BUFFER, stream_buffer);
    glBufferData(GL_ARRAY_BUFFER, drawn.size() * sizeof(Corner), drawn.data(), GL_STREAM_DRAW);
    set_uniforms(false, all_opaque(drawn));
    emscripten_glDrawArrays(mode == GL_QUADS ? GL_TRIANGLES : mode, 0, GLsizei(drawn.size()));
}

extern "C" void glEnd() {
    draw_corners(begun_mode, begun);
}

// --- Client arrays -------------------------------------------------------------------------

static const float *element(const ClientArray &a, int i) {
    return reinterpret_cast<const float *>(a.pointer + size_t(i) * a.stride);
}

// Copies `count` elements of `a` from element `first` into `out`, tightly packed.
static void gather(const ClientArray &a, int first, int count, float *out) {
    for (int i = 0; i < count; i++)
        std::memcpy(out + size_t(i) * a.size, element(a, first + i), a.size * sizeof(float));
}

// The strands' places as corners: corner 2i and 2i+1 are vertex i, with its line's other end.
static void upload_line_positions(LineArrays &l) {
    const size_t count = size_t(l.vertices) * CORNERS_PER_VERTEX * 6;
    std::unique_ptr<float[]> corners(new float[count]); // each filled below
    for (int i = 0; i < l.vertices; i++)
        for (int side = 0; side < CORNERS_PER_VERTEX; side++) {
            float *c = &corners[(size_t(i) * CORNERS_PER_VERTEX + side) * 6];
            std::memcpy(c, element(vertex_array, i), 3 * sizeof(float));
            std::memcpy(c + 3, element(vertex_array, i ^ 1), 3 * sizeof(float));
        }
    glBindBuffer(GL_ARRAY_BUFFER, l.corner_buffer);
    glBufferData(GL_ARRAY_BUFFER, count * sizeof(float), corners.get(), GL_STATIC_DRAW);
}

// Colours of vertices [from, to) into their corners.
static void upload_line_colours(LineArrays &l, int from, int to) {
    int n = colour_array.size;
    const size_t count = size_t(to - from) * CORNERS_PER_VERTEX * n;
    std::unique_ptr<float[]> corners(new float[count]); // each filled below
    for (int i = from; i < to; i++)
        for (int side = 0; side < CORNERS_PER_VERTEX; side++)
            std::memcpy(&corners[(size_t(i - from) * CORNERS_PER_VERTEX + side) * n],
                        &l.seen_colours[size_t(i) * n], n * sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, l.colour_buffer);
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(from) * CORNERS_PER_VERTEX * n * sizeof(float),
                    count * sizeof(float), corners.get());
}

// A new copy of the arrays: every place and colour uploaded.
static void copy_line_arrays(LineArrays &l, int vertices) {
    l.positions = vertex_array.pointer;
    l.colours = colour_array.pointer;
    l.vertices = vertices;
    if (!l.vertex_array) {
        glGenBuffers(1, &l.corner_buffer);
        glGenBuffers(1, &l.colour_buffer);
        glGenVertexArrays(1, &l.vertex_array);
    }
    l.seen_colours.resize(size_t(vertices) * colour_array.size);
    gather(colour_array, 0, vertices, l.seen_colours.data());
    glBindVertexArray(l.vertex_array);
    upload_line_positions(l);
    glVertexAttribPointer(A_POS, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
    glVertexAttribPointer(A_OTHER, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                          (void *)(3 * sizeof(float)));
    glBindBuffer(GL_ARRAY_BUFFER, l.colour_buffer);
    glBufferData(GL_ARRAY_BUFFER,
                 GLsizeiptr(vertices) * CORNERS_PER_VERTEX * colour_array.size * sizeof(float),
                 nullptr, GL_DYNAMIC_DRAW);
    upload_line_colours(l, 0, vertices);
    glVertexAttribPointer(A_COLOUR, colour_array.size, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(A_POS);
    glEnableVertexAttribArray(A_OTHER);
    glEnableVertexAttribArray(A_COLOUR);
    glDisableVertexAttribArray(A_TEX);
}

// The range [from, to) of elements whose floats in `now` differ from `seen`, which takes
// them; empty when none changed.
static void changed_range(std::vector<float> &seen, const ClientArray &a, int vertices, int &from,
                          int &to) {
    from = to = 0;
    const bool packed = a.stride == a.size * int(sizeof(float));
    if (packed && std::memcmp(seen.data(), a.pointer, seen.size() * sizeof(float)) == 0)
        return; // the frames the colours stay, most of them, in one pass
    float now[MAX_CLIENT_COMPONENTS];
    for (int i = 0; i < vertices; i++) {
        gather(a, i, 1, now);
        float *was = &seen[size_t(i) * a.size];
        if (std::memcmp(was, now, a.size * sizeof(float)) == 0)
            continue;
        std::memcpy(was, now, a.size * sizeof(float));
        if (to == 0)
            from = i;
        to = i + 1;
    }
}

// The colours the game changed since the last draw go up, and only those; the places are
// taken to stay, as the game's strands do (new arrays make a new copy).
static void update_line_colours(LineArrays &l) {
    int from, to;
    changed_range(l.seen_colours, colour_array, l.vertices, from, to);
    if (to > from)
        upload_line_colours(l, from, to);
}

// Lines from the client arrays, kept on the graphics side between draws.
static void draw_array_lines(int first, int count) {
    LineArrays &l = strands;
    if (l.positions != vertex_array.pointer || l.colours != colour_array.pointer ||
        l.vertices != first + count)
        copy_line_arrays(l, first + count);
    else
        update_line_colours(l);
    glBindVertexArray(l.vertex_array);
    glVertexAttrib2f(A_TEX, 0.0f, 0.0f);
    cover_lines(l.vertices / 2);
    set_uniforms(true, colour_array.size < 4);
    glDrawElements(GL_TRIANGLES, count / 2 * INDICES_PER_LINE, GL_UNSIGNED_INT,
                   (void *)(size_t(first / 2) * INDICES_PER_LINE * sizeof(GLuint)));
}

extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    if (!vertex_array.enabled)
        return;
    if (mode == GL_LINES && colour_array.enabled) {
        draw_array_lines(first, count);
        return;
    }
    std::vector<Corner> corners(count);
    for (int i = 0; i < count; i++) {
        Corner &c = corners[i];
        c = {{0, 0, 0}, {0, 0, 0}, {colour[0], colour[1], colour[2], colour[3]}, {0, 0}};
        std::memcpy(c.pos, element(vertex_array, first + i), vertex_array.size * sizeof(float));
        std::memcpy(c.other, c.pos, sizeof c.pos);
        if (colour_array.enabled)
            std::memcpy(c.colour, element(colour_array, first + i),
                        colour_array.size * sizeof(float));
    }
    draw_corners(mode, corners);
}
