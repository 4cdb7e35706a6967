// The browser's OpenGL: WebGL 2's functions, and the part of OpenGL 1.1 the game uses beyond
// them (immediate mode, client arrays, the matrix stack, the alpha test, wide lines and
// points), given by gl_web.cpp.
#pragma once

#include <GLES3/gl3.h>

#define APIENTRY // calling convention of OpenGL entry points: the only one there is

#define GL_QUADS 0x0007               // glBegin: four vertices a quad
#define GL_MODELVIEW 0x1700           // glMatrixMode: the camera's matrix
#define GL_PROJECTION 0x1701          // and the projection's
#define GL_ALPHA_TEST 0x0BC0          // glEnable: drop fragments failing glAlphaFunc
#define GL_SMOOTH 0x1D01              // glShadeModel: colours blend along primitives
#define GL_FLAT 0x1D00                // one colour a primitive (drawn smooth here)
#define GL_VERTEX_ARRAY 0x8074        // glEnableClientState: positions from glVertexPointer
#define GL_COLOR_ARRAY 0x8076         // colours from glColorPointer
#define GL_TEXTURE_COORD_ARRAY 0x8078 // not supported

#ifdef __cplusplus
extern "C" {
#endif
void glBegin(GLenum mode);
void glEnd(void);
void glVertex2f(GLfloat x, GLfloat y);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glColor3f(GLfloat r, GLfloat g, GLfloat b);
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void glTexCoord2f(GLfloat s, GLfloat t);
void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
void glPushMatrix(void);
void glPopMatrix(void);
void glFrustum(double left, double right, double bottom, double top, double near_plane,
               double far_plane);
void glRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glShadeModel(GLenum mode);
void glAlphaFunc(GLenum func, GLclampf ref);
void glPointSize(GLfloat size);
void glEnableClientState(GLenum array);
void glDisableClientState(GLenum array);
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void *pointer);
void glColorPointer(GLint size, GLenum type, GLsizei stride, const void *pointer);
#ifdef __cplusplus
}
#endif
