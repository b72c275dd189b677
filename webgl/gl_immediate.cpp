// Immediate mode: glVertex3f only writes to one array, which glEnd draws at once, so a
// frame of some 135,000 calls costs one draw, and an upload only of what changed.
#include <algorithm>

#include "gl_state.h"

namespace {

// Compared value by value, inline: a call to memcmp for each vertex costs more than
// the comparison itself.
bool sameVertex(const GLVertex& a, const GLVertex& b) {
    return a.position[0] == b.position[0] && a.position[1] == b.position[1] &&
           a.position[2] == b.position[2] && a.normal[0] == b.normal[0] &&
           a.normal[1] == b.normal[1] && a.normal[2] == b.normal[2];
}

// Past the end of what earlier frames held: kept out of line, so that the caller's loop
// that glVertex3f inlines into holds only the comparison.
[[gnu::noinline]] void appendVertex(GLfloat x, GLfloat y, GLfloat z) {
    glState.vertices.push_back({{x, y, z}, {glState.normal[0], glState.normal[1], glState.normal[2]}});
}

}  // namespace

void glBegin(GLenum mode) {
    if (mode == GL_TRIANGLES && !glState.insideBegin) {
        glState.insideBegin = true;
        glState.vertexCount = 0;
    }
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    glState.normal[0] = x;
    glState.normal[1] = y;
    glState.normal[2] = z;
}

// Inlined into the caller's loop at link time: the renderer calls it for every vertex of
// every frame, and the call cost as much as the comparison. Left to the inliner's own
// weighing, it stayed a call.
__attribute__((always_inline)) void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!glState.insideBegin) {
        return;
    }
    const GLVertex vertex = {{x, y, z}, {glState.normal[0], glState.normal[1], glState.normal[2]}};
    std::vector<GLVertex>& held = glState.vertices;
    const size_t at = glState.vertexCount++;
    if (at == held.size()) {
        appendVertex(x, y, z);
    } else if (sameVertex(held[at], vertex)) {
        return;
    } else {
        held[at] = vertex;
    }
    glState.firstUnsent = std::min(glState.firstUnsent, at);
}

void glEnd() {
    if (!glState.insideBegin) {
        return;
    }
    glState.insideBegin = false;
    // An unfinished last triangle is dropped, as GL drops it.
    drawTriangles(glState.vertexCount / 3 * 3);
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
