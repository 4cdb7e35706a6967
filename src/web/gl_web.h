// The browser's OpenGL layer, as the browser's window sees it (gl_web.cpp).
#pragma once

// Builds the shader program and buffers in the current WebGL 2 context and resets the matrix
// stacks; false when the program cannot be built.
bool start_gl_layer();
