// Where the player stands and looks, and the shot: the simulation's state that the camera and
// the frame read.
#pragma once

#include "world.h"

const float QUARTER_PI = 0.7853982f; // pi/4 as the float the game uses

extern float eye_x, eye_y, eye_z; // camera position, world units
extern float heading;             // yaw, radians; increasing turns right
extern float pitch;               // downward tilt, radians, nominally 0..pi/4
extern float orbit_angle;         // attract orbit angle, radians
extern float bob_phase;           // phase of the eye's bob, radians

extern Vec3 shot_pos; // the shot's position
extern Vec3 shot_vel; // the shot's displacement per tick
