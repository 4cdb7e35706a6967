// The player's camera as the game works it out, in the fixed-function pipeline's own steps.
#include "camera.h"

#include <cmath>
#include <cstring>

#include "player.h"
#include "trig.h"

const float DEGREES_PER_RADIAN = 180.0 / M_PI; // the game's radians into the turns' degrees
const float QUARTER_TURN = 90.0f;              // degrees from the walking heading to the view's
const double HALF_TURN = 180.0;                // degrees in pi radians
const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // no turn, no move

enum Axis { AXIS_X, AXIS_Y }; // the axes the camera turns about

float camera_pitch_degrees() {
    return pitch * DEGREES_PER_RADIAN;
}

float camera_heading_degrees() {
    return heading * DEGREES_PER_RADIAN + QUARTER_TURN;
}

// The element in `row` and `column` of a column-major matrix.
static float &at(float m[16], int row, int column) {
    return m[column * 4 + row];
}
static float at(const float m[16], int row, int column) {
    return m[column * 4 + row];
}

// A turn by `degrees` about the x or the y axis, counter-clockwise looking down the axis.
static void rotation(float degrees, Axis axis, float r[16]) {
    float radians = degrees * M_PI / HALF_TURN; // in double, then cut to a float
    float s = trig_sinf(radians), c = trig_cosf(radians);
    std::memcpy(r, IDENTITY, sizeof IDENTITY);
    int a = axis == AXIS_X ? 1 : 0, b = 2; // the plane the turn works in
    at(r, a, a) = c;
    at(r, b, b) = c;
    at(r, a, b) = axis == AXIS_X ? -s : s;
    at(r, b, a) = axis == AXIS_X ? s : -s;
}

// m = m times r, each element summed left to right.
static void turn(float m[16], const float r[16]) {
    float product[16];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++)
            at(product, i, j) = at(m, i, 0) * at(r, 0, j) + at(m, i, 1) * at(r, 1, j) +
                                at(m, i, 2) * at(r, 2, j) + at(m, i, 3) * at(r, 3, j);
    std::memcpy(m, product, sizeof product);
}

// m = m times a move by (x, y, z).
static void move(float m[16], float x, float y, float z) {
    for (int i = 0; i < 4; i++)
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}

void camera_matrix(float m[16]) {
    float r[16];
    std::memcpy(m, IDENTITY, sizeof IDENTITY);
    rotation(camera_pitch_degrees(), AXIS_X, r);
    turn(m, r);
    rotation(camera_heading_degrees(), AXIS_Y, r);
    turn(m, r);
    move(m, -eye_x, -eye_y, -eye_z);
}
