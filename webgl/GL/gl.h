// OpenGL 1.1 for the browser build, on WebGL 2: exactly the calls the viewer's renderer
// makes, with GL 1.1's fixed-function results. It is no general emulation: each call
// below gives the effect the renderer relies on, and what it cannot give is said.
// GL's state lives in one record (gl_state.h, gl_state.cpp); every draw turns it into
// the uniforms of one shader pair (webgl_shaders.cpp), sending only those whose values
// changed (webgl_uniforms.cpp), and draws (webgl_draw.cpp, webgl_lines.cpp). The shaders
// state GL 1.1's lighting and fog equations in their own terms. A context that the
// browser loses and restores is given its objects again from the record: the texture
// image is kept there for that.
//
// Matrices (gl_matrices.cpp)
//  [X] glMatrixMode          GL_MODELVIEW, GL_PROJECTION
//  [X] glLoadIdentity, glPushMatrix, glPopMatrix   stacks 32 and 2 deep, as GL's
//                            least; pushing a full or popping an empty one does nothing
//  [X] glRotatef             GL's matrix; an axis shorter than 1e-4 turns nothing
//  [X] glTranslatef, glMultMatrixf, glOrtho, glFrustum
//  [X] glGetFloatv           GL_MODELVIEW_MATRIX
//
// Lighting and fog (gl_lighting.cpp)
//  [X] glLightfv             GL_POSITION (taken through the modelview matrix of the
//                            moment), GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR of lights
//                            0 to 7. Directional lights only (w = 0), as the viewer's
//                            are: no attenuation or spot
//  [X] glLightModeli         GL_LIGHT_MODEL_TWO_SIDE. The global ambient stays GL's
//                            (0.2, 0.2, 0.2, 1) and the viewer infinitely far
//  [X] glMaterialfv          GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR of GL_FRONT, GL_BACK or
//      glMaterialf           both; GL_SHININESS
//  [X] glFogi, glFogf, glFogfv   GL_FOG_MODE (GL_EXP or GL_EXP2: GL_LINEAR's range is
//                            never given), GL_FOG_DENSITY, GL_FOG_COLOR. The distance is
//                            |z| in eye space, as desktop GL takes it, per fragment
//
// Texture (gl_texture.cpp)
//  [X] glTexEnvi             GL_TEXTURE_ENV_MODE: GL_MODULATE or GL_REPLACE
//  [X] glTexParameteri       GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
//                            GL_TEXTURE_WRAP_T: WebGL takes them as GL does
//  [X] glTexImage2D          level 0 of the one default texture, GL_RGBA bytes in;
//                            GL_RGB inside reads alpha as 1. No glTexCoord: every vertex
//                            carries GL's current coordinate (0, 0)
//
// Drawing (gl_immediate.cpp)
//  [X] glBegin/glEnd         GL_TRIANGLES; one buffer and one draw per glEnd. Each vertex
//                            is held against the one at its place the glEnd before:
//                            only from the first that differs is the buffer refilled
//  [X] glNormal3f, glVertex3f
//  [X] glPolygonMode         GL_FRONT_AND_BACK, GL_FILL or GL_LINE. WebGL has no polygon
//                            modes, and its lines are one pixel wide: each edge is drawn
//                            as a band of glLineWidth pixels, lit, depth-tested and
//                            coloured by its polygon's facing, as GL draws wide lines
//  [X] glLineWidth
//
// Frame buffer and switches (gl_framebuffer.cpp)
//  [X] glClearColor, glClear (colour and depth; the depth clear value stays 1)
//  [X] glEnable/glDisable    GL_LIGHTING, GL_LIGHT0 to GL_LIGHT7, GL_FOG, GL_TEXTURE_2D,
//                            GL_CULL_FACE (back faces, counter-clockwise in front),
//                            GL_DEPTH_TEST (GL_LESS)
//  [X] glFlush               WebGL presents when the browser composites the page
//
// The viewport is the one WebGL gives the context when it is made: the whole canvas.
// Shading is smooth, as GL's default; lighting per vertex.
#pragma once

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef int GLint;
typedef int GLsizei;
typedef unsigned int GLuint;
typedef unsigned char GLubyte;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef void GLvoid;

#define GL_FALSE 0
#define GL_TRUE 1

#define GL_TRIANGLES 0x0004
#define GL_FRONT 0x0404
#define GL_BACK 0x0405
#define GL_FRONT_AND_BACK 0x0408
#define GL_CULL_FACE 0x0B44
#define GL_LIGHTING 0x0B50
#define GL_LIGHT_MODEL_TWO_SIDE 0x0B52
#define GL_FOG 0x0B60
#define GL_FOG_DENSITY 0x0B62
#define GL_FOG_MODE 0x0B65
#define GL_FOG_COLOR 0x0B66
#define GL_DEPTH_TEST 0x0B71
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_TEXTURE_2D 0x0DE1
#define GL_UNSIGNED_BYTE 0x1401
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_SHININESS 0x1601
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_REPLACE 0x1E01
#define GL_MODULATE 0x2100
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_ENV 0x2300
#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_NEAREST_MIPMAP_LINEAR 0x2702
#define GL_EXP 0x0800
#define GL_EXP2 0x0801
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_REPEAT 0x2901
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007
#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000

extern "C" {

void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glPushMatrix();
void glPopMatrix();
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glMultMatrixf(const GLfloat* m);
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
             GLdouble zFar);
void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar);
void glGetFloatv(GLenum pname, GLfloat* params);

void glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void glLightModeli(GLenum pname, GLint param);
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void glMaterialf(GLenum face, GLenum pname, GLfloat param);
void glFogi(GLenum pname, GLint param);
void glFogf(GLenum pname, GLfloat param);
void glFogfv(GLenum pname, const GLfloat* params);

void glTexEnvi(GLenum target, GLenum pname, GLint param);
void glTexParameteri(GLenum target, GLenum pname, GLint param);
void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                  GLsizei height, GLint border, GLenum format, GLenum type,
                  const GLvoid* pixels);

void glBegin(GLenum mode);
void glEnd();
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glPolygonMode(GLenum face, GLenum mode);
void glLineWidth(GLfloat width);

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void glClear(GLbitfield mask);
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glFlush();

}  // extern "C"
