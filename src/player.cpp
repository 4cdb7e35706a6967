// Where the player stands and looks, and the shot, zeroed at program start.
#include "player.h"

float eye_x, eye_y, eye_z;
float heading;
float pitch;
float orbit_angle;
float bob_phase;

Vec3 shot_pos;
Vec3 shot_vel;
