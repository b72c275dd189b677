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

// What changes what the vertex shader computes, beyond its uniforms' values: each key
// has a program built for it. Drivers that shade vertices on the page's own thread
// (llvmpipe under WebKitGTK) then run no loop or branch that a uniform decides.
struct ShaderKey {
    bool lighting;
    int lightCount;  // the lights enabled
    bool twoSided;
    // Polygons drawn as wide lines' bands, which carry their polygon's facing; filled
    // triangles then fetch and pass nothing for them.
    bool lines;
    bool texturing;  // enabled with a complete texture
    bool fog;
};

// Each key's place among the programs.
const int shaderKeyCount = 2 * (maxLights + 1) * 2 * 2 * 2 * 2;
int shaderKeyIndex(const ShaderKey& key);

struct ShaderProgram {
    GLuint program;
    // Names are string literals, which their addresses identify.
    std::unordered_map<const char*, SentUniform> uniforms;
};

struct WebGLObjects {
    // By key: a program is 0 until its key first comes.
    ShaderProgram programs[shaderKeyCount];
    ShaderProgram* current;  // the program in use
    GLuint triangleArray;
    GLuint triangleBuffer;
    size_t triangleCapacity;  // vertices triangleBuffer has room for
    GLuint lineArray;
    GLuint lineBuffer;
    GLuint lineIndices;
    size_t lineIndexCount;  // how many edges' indices the index buffer holds
    GLuint texture;  // bound from the start: it is the only one
    GLuint boundArray;
    // The switches as WebGL has them, so that each is set only when GL's changes.
    bool depthTest;
    bool cullFace;
};

extern WebGLObjects objects;

// The key of the state as it is.
ShaderKey currentShaderKey();
// The shader pair that computes GL 1.1's fixed-function results for that key, compiled
// and linked.
GLuint makeProgram(const ShaderKey& key);
// Sends every uniform of the current program, made for key, whose value the state has
// changed since that program's last draw.
void setUniforms(const ShaderKey& key);
// The vertex array and buffers of wide lines, bound.
void makeLineObjects();
// Draws the triangles in GL_LINE mode, as bands the line's width across.
void drawEdges(const GLVertex* vertices, size_t count);
// A vertex array and its buffer, both made and bound.
void makeVertexArray(GLuint* array, GLuint* buffer);
// One vertex attribute of the bound buffer, enabled.
void bindAttribute(GLuint index, GLint size, GLsizei stride, size_t offset);
