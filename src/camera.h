// The player's camera as the game works it out: the frame's turns and move, as a matrix the
// throw aims with, the same on every machine whatever its graphics driver does.
#pragma once

// The turn that tilts the view down by the pitch, and the turn by the heading that points the
// walking direction ahead: degrees, as the frame's glRotatef calls take them.
float camera_pitch_degrees();
float camera_heading_degrees();

// The camera for the eye, heading and pitch now, column-major as OpenGL keeps its modelview
// matrix: turned down by the pitch about x, turned by the heading about y, then moved so that
// the eye is at the origin. Worked out in single precision in the steps a fixed-function
// pipeline takes for glLoadIdentity, glRotatef twice and glTranslatef, so that it is the
// matrix the frame sets.
void camera_matrix(float m[16]);
