// Immediate mode: glVertex3f only appends to one array, which glEnd draws at once, so a
// frame of some 90,000 calls costs one upload and one draw.
#include "gl_state.h"

void glBegin(GLenum mode) {
    if (mode == GL_TRIANGLES && !glState.insideBegin) {
        glState.insideBegin = true;
        glState.vertices.clear();
    }
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    glState.normal[0] = x;
    glState.normal[1] = y;
    glState.normal[2] = z;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (glState.insideBegin) {
        glState.vertices.push_back(
            {{x, y, z}, {glState.normal[0], glState.normal[1], glState.normal[2]}});
    }
}

void glEnd() {
    if (!glState.insideBegin) {
        return;
    }
    glState.insideBegin = false;
    // An unfinished last triangle is dropped, as GL drops it.
    glState.vertices.resize(glState.vertices.size() / 3 * 3);
    drawTriangles(glState.vertices);
}

void glPolygonMode(GLenum face, GLenum mode) {
    if (face == GL_FRONT_AND_BACK && (mode == GL_FILL || mode == GL_LINE)) {
        glState.polygonMode = mode;
    }
}

void glLineWidth(GLfloat width) {
    if (width > 0.0f) {
        glState.lineWidth = width;
    }
}
