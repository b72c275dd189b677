// Clearing, the switches, and the initial state: every value as GL starts it.
#include "gl_state.h"

GLState initialGLState() {
    GLState s = {};
    s.matrixMode = GL_MODELVIEW;
    for (GLfloat* m : {s.modelview[0], s.projection[0]}) {
        for (int i = 0; i < 16; ++i) {
            m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
        }
    }
    s.fogMode = GL_EXP;
    s.fogDensity = 1.0f;
    const GLMaterial material = {
        {0.2f, 0.2f, 0.2f, 1.0f}, {0.8f, 0.8f, 0.8f, 1.0f}, {0, 0, 0, 1}, {0, 0, 0, 1}, 0.0f};
    s.front = material;
    s.back = material;
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        s.lightModelAmbient[i] = ambient[i];
    }
    for (int i = 0; i < maxLights; ++i) {
        // Light 0 alone is white.
        const GLfloat colour = i == 0 ? 1.0f : 0.0f;
        s.lights[i] = {{0, 0, 0, 1}, {colour, colour, colour, 1}, {colour, colour, colour, 1},
                       {0, 0, 1, 0}, false};
    }
    s.lineWidth = 1.0f;
    s.polygonMode = GL_FILL;
    s.textureEnvMode = GL_MODULATE;
    s.normal[2] = 1.0f;
    return s;
}

GLState glState = initialGLState();

namespace {

void setCapability(GLenum cap, bool on) {
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + maxLights) {
        glState.lights[cap - GL_LIGHT0].enabled = on;
        return;
    }
    switch (cap) {
    case GL_FOG:
        glState.fog = on;
        break;
    case GL_LIGHTING:
        glState.lighting = on;
        break;
    case GL_CULL_FACE:
        glState.cullFace = on;
        break;
    case GL_TEXTURE_2D:
        glState.texture2D = on;
        break;
    case GL_DEPTH_TEST:
        glState.depthTest = on;
        break;
    default:
        break;
    }
}

}  // namespace

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    const GLfloat colour[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i) {
        glState.clearColour[i] = colour[i] < 0 ? 0 : (colour[i] > 1 ? 1 : colour[i]);
    }
}

void glClear(GLbitfield mask) { clearFramebuffer(mask); }

void glEnable(GLenum cap) { setCapability(cap, true); }

void glDisable(GLenum cap) { setCapability(cap, false); }

void glFlush() {
    // WebGL sends its commands when control returns to the browser.
}
