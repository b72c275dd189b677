// The WebGL 2 side of drawing: the objects made in the current context, and each draw
// with the state record turned into the program's uniforms and WebGL's switches.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cstddef>

#include "webgl_internal.h"

WebGLObjects objects;

namespace {

// Made on first use, in the context current then.
void makeObjects() {
    if (objects.triangleArray != 0) {
        return;
    }
    makeVertexArray(&objects.triangleArray, &objects.triangleBuffer);
    bindAttribute(0, 3, sizeof(GLVertex), offsetof(GLVertex, position));
    bindAttribute(1, 3, sizeof(GLVertex), offsetof(GLVertex, normal));

    makeLineObjects();
    objects.boundArray = objects.lineArray;

    // WebGL has no default texture object; this one stands for GL's.
    emscripten_glGenTextures(1, &objects.texture);
    emscripten_glBindTexture(GL_TEXTURE_2D, objects.texture);
    sendTexture();
}

void setSwitch(GLenum capability, bool on, bool* current) {
    if (on != *current) {
        if (on) {
            emscripten_glEnable(capability);
        } else {
            emscripten_glDisable(capability);
        }
        *current = on;
    }
}

// The program for the key, made the first time the key comes.
void useProgram(const ShaderKey& key) {
    ShaderProgram& wanted = objects.programs[shaderKeyIndex(key)];
    if (wanted.program == 0) {
        wanted.program = makeProgram(key);
    }
    if (objects.current != &wanted) {
        objects.current = &wanted;
        emscripten_glUseProgram(wanted.program);
    }
}

void bindArray(GLuint array) {
    if (objects.boundArray != array) {
        emscripten_glBindVertexArray(array);
        objects.boundArray = array;
    }
}

// A model sent call by call is mostly the same from one frame to the next: the buffer
// takes only the vertices from the first that differs from what it holds, and nothing
// where none does. Refilling it whole would also wait for the draw that still reads it.
void sendVertices() {
    const std::vector<GLVertex>& held = glState.vertices;
    if (glState.firstUnsent >= held.size()) {
        return;
    }
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, objects.triangleBuffer);
    if (held.size() > objects.triangleCapacity) {
        emscripten_glBufferData(GL_ARRAY_BUFFER, held.size() * sizeof(GLVertex), held.data(),
                                GL_STATIC_DRAW);
        objects.triangleCapacity = held.size();
    } else {
        const size_t first = glState.firstUnsent;
        emscripten_glBufferSubData(GL_ARRAY_BUFFER, first * sizeof(GLVertex),
                                   (held.size() - first) * sizeof(GLVertex), &held[first]);
    }
    glState.firstUnsent = held.size();
}

}  // namespace

void makeVertexArray(GLuint* array, GLuint* buffer) {
    emscripten_glGenVertexArrays(1, array);
    emscripten_glBindVertexArray(*array);
    emscripten_glGenBuffers(1, buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, *buffer);
}

void bindAttribute(GLuint index, GLint size, GLsizei stride, size_t offset) {
    emscripten_glEnableVertexAttribArray(index);
    emscripten_glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offset));
}

void startGLContext() {
    glState = initialGLState();
    objects = WebGLObjects{};
}

// The lost context's objects went with it; the new ones are made at the next draw, the
// vertices and texture sent again from the state.
void restoreGLContext() {
    objects = WebGLObjects{};
    glState.firstUnsent = 0;
}

void drawTriangles(size_t count) {
    if (count == 0) {
        return;
    }
    makeObjects();
    const ShaderKey key = currentShaderKey();
    useProgram(key);
    setUniforms(key);
    setSwitch(GL_DEPTH_TEST, glState.depthTest, &objects.depthTest);
    setSwitch(GL_CULL_FACE, glState.cullFace, &objects.cullFace);
    if (glState.polygonMode == GL_LINE) {
        bindArray(objects.lineArray);
        drawEdges(glState.vertices.data(), count);
        return;
    }
    bindArray(objects.triangleArray);
    sendVertices();
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
}

void clearFramebuffer(GLbitfield mask) {
    const GLfloat* c = glState.clearColour;
    emscripten_glClearColor(c[0], c[1], c[2], c[3]);
    emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

// Before the first draw there is no texture object yet: makeObjects sends it then.
void sendTexture() {
    if (objects.texture == 0) {
        return;
    }
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glState.textureMinFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glState.textureMagFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glState.textureWrapS);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glState.textureWrapT);
    if (glState.textureLoaded) {
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, glState.textureWidth,
                                glState.textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                                glState.textureImage.data());
    }
}
