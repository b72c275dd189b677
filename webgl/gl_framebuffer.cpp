// Clearing and the switches.
#include "gl_state.h"

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
