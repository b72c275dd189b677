// The state record and its initial values: every value as GL starts it.
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
    s.textureMinFilter = GL_NEAREST_MIPMAP_LINEAR;
    s.textureMagFilter = GL_LINEAR;
    s.textureWrapS = GL_REPEAT;
    s.textureWrapT = GL_REPEAT;
    s.textureEnvMode = GL_MODULATE;
    s.normal[2] = 1.0f;
    return s;
}

GLState glState = initialGLState();
