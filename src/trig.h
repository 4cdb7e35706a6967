// The game's own sine and cosine, the same bits on every platform, for everything the
// simulation turns or swings; correctly rounded in all but a vanishing few cases.
#pragma once

// sin x and cos x in radians, for any finite x: within 2^-100 of the true value before the one
// rounding to a double, so that the result is the true value rounded to the nearest double
// except where that lies within 2^-100 of a tie. NaN for NaN and the infinities.
double trig_sin(double x);
double trig_cos(double x);

// The same rounded straight to the nearest float, never through a double on the way.
float trig_sinf(float x);
float trig_cosf(float x);
