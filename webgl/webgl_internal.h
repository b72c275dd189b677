// What the WebGL side's files share: the objects made in the context that is current,
// and the program's uniforms as they were last sent.
#pragma once

#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <unordered_map>

#include "gl_state.h"

// The last value sent to one uniform, which the program keeps until it is sent another.
struct SentUniform {
    GLint location;
    size_t bytes;  // 0 until the first value is sent
    GLfloat value[3 * maxLights];  // the largest: three floats for each light
};

struct WebGLObjects {
    GLuint program;
    GLuint triangleArray;
    GLuint triangleBuffer;
    size_t triangleCapacity;  // vertices triangleBuffer has room for
    GLuint noLine;  // the one element of a triangle's line attributes
    GLuint lineArray;
    GLuint lineBuffer;
    GLuint lineIndices;
    size_t lineIndexCount;  // how many edges' indices the index buffer holds
    GLuint texture;  // bound from the start: it is the only one
    GLuint boundArray;
    // Names are string literals, which their addresses identify.
    std::unordered_map<const char*, SentUniform> uniforms;
    // The switches as WebGL has them, so that each is set only when GL's changes.
    bool depthTest;
    bool cullFace;
};

extern WebGLObjects objects;

// The shader pair that computes GL 1.1's fixed-function results, compiled and linked.
GLuint makeProgram();
// Sends every uniform whose value the state has changed since the last draw.
void setUniforms();
// The vertex array and buffers of wide lines, bound.
void makeLineObjects();
// Draws the triangles in GL_LINE mode, as bands the line's width across.
void drawEdges(const GLVertex* vertices, size_t count);
// A vertex array and its buffer, both made and bound.
void makeVertexArray(GLuint* array, GLuint* buffer);
// One vertex attribute of the bound buffer, enabled.
void bindAttribute(GLuint index, GLint size, GLsizei stride, size_t offset);
