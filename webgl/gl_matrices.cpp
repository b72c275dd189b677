// The matrix stacks, in single precision as GL keeps them, so that a matrix read back
// with glGetFloatv is the one a desktop GL gives for the same calls.
#include <cmath>
#include <cstring>

#include "gl_state.h"

namespace {

void loadIdentity(GLfloat* m) {
    for (int i = 0; i < 16; ++i) {
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

// m := m x n, both column-major.
void multiply(GLfloat* m, const GLfloat* n) {
    GLfloat product[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            product[column * 4 + row] =
                m[row] * n[column * 4] + m[4 + row] * n[column * 4 + 1] +
                m[8 + row] * n[column * 4 + 2] + m[12 + row] * n[column * 4 + 3];
        }
    }
    std::memcpy(m, product, sizeof product);
}

}  // namespace

GLfloat* currentMatrix() {
    if (glState.matrixMode == GL_PROJECTION) {
        return glState.projection[glState.projectionDepth];
    }
    return glState.modelview[glState.modelviewDepth];
}

const GLfloat* modelviewMatrix() { return glState.modelview[glState.modelviewDepth]; }

const GLfloat* projectionMatrix() { return glState.projection[glState.projectionDepth]; }

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) {
        glState.matrixMode = mode;
    }
}

void glLoadIdentity() { loadIdentity(currentMatrix()); }

void glPushMatrix() {
    const bool projection = glState.matrixMode == GL_PROJECTION;
    int& depth = projection ? glState.projectionDepth : glState.modelviewDepth;
    const int capacity = projection ? projectionStackDepth : modelviewStackDepth;
    if (depth + 1 < capacity) {
        const GLfloat* top = currentMatrix();
        ++depth;
        std::memcpy(currentMatrix(), top, 16 * sizeof(GLfloat));
    }
}

void glPopMatrix() {
    int& depth =
        glState.matrixMode == GL_PROJECTION ? glState.projectionDepth : glState.modelviewDepth;
    if (depth > 0) {
        --depth;
    }
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const GLfloat length = std::sqrt(x * x + y * y + z * z);
    // No direction to turn about: desktop GL leaves the matrix as it is.
    if (length <= 1.0e-4f) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const double radians = angle * 3.14159265358979323846 / 180.0;
    const GLfloat s = static_cast<GLfloat>(std::sin(radians));
    const GLfloat c = static_cast<GLfloat>(std::cos(radians));
    const GLfloat t = 1.0f - c;
    const GLfloat rotation[16] = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
                                  t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
                                  t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
                                  0,                 0,                 0,                 1};
    multiply(currentMatrix(), rotation);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    const GLfloat translation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    multiply(currentMatrix(), translation);
}

void glMultMatrixf(const GLfloat* m) { multiply(currentMatrix(), m); }

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
             GLdouble zFar) {
    const GLfloat ortho[16] = {static_cast<GLfloat>(2 / (right - left)), 0, 0, 0,
                               0, static_cast<GLfloat>(2 / (top - bottom)), 0, 0,
                               0, 0, static_cast<GLfloat>(-2 / (zFar - zNear)), 0,
                               static_cast<GLfloat>(-(right + left) / (right - left)),
                               static_cast<GLfloat>(-(top + bottom) / (top - bottom)),
                               static_cast<GLfloat>(-(zFar + zNear) / (zFar - zNear)), 1};
    multiply(currentMatrix(), ortho);
}

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar) {
    const GLfloat frustum[16] = {static_cast<GLfloat>(2 * zNear / (right - left)), 0, 0, 0,
                                 0, static_cast<GLfloat>(2 * zNear / (top - bottom)), 0, 0,
                                 static_cast<GLfloat>((right + left) / (right - left)),
                                 static_cast<GLfloat>((top + bottom) / (top - bottom)),
                                 static_cast<GLfloat>(-(zFar + zNear) / (zFar - zNear)), -1,
                                 0, 0, static_cast<GLfloat>(-2 * zFar * zNear / (zFar - zNear)),
                                 0};
    multiply(currentMatrix(), frustum);
}

void glGetFloatv(GLenum pname, GLfloat* params) {
    if (pname == GL_MODELVIEW_MATRIX) {
        std::memcpy(params, modelviewMatrix(), 16 * sizeof(GLfloat));
    }
}
