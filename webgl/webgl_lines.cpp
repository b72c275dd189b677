// Polygons in GL_LINE mode. WebGL's lines are one pixel wide, so each edge is drawn as a
// band of two triangles the line's width across.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "webgl_internal.h"

namespace {

// A corner of a wide line's band.
struct LineVertex {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat offset[2];
    GLfloat facing;
};

// Where a vertex lands in the window, in pixels.
void toWindow(const GLfloat* position, const GLint* viewport, double* window) {
    const GLfloat* mv = modelviewMatrix();
    const GLfloat* p = projectionMatrix();
    double eye[4], clip[4];
    for (int row = 0; row < 4; ++row) {
        eye[row] = mv[row] * position[0] + mv[4 + row] * position[1] +
                   mv[8 + row] * position[2] + mv[12 + row];
    }
    for (int row = 0; row < 4; ++row) {
        clip[row] = p[row] * eye[0] + p[4 + row] * eye[1] + p[8 + row] * eye[2] +
                    p[12 + row] * eye[3];
    }
    window[0] = viewport[0] + (clip[0] / clip[3] + 1.0) * viewport[2] / 2.0;
    window[1] = viewport[1] + (clip[1] / clip[3] + 1.0) * viewport[3] / 2.0;
}

}  // namespace

void makeLineObjects() {
    makeVertexArray(&objects.lineArray, &objects.lineBuffer);
    bindAttribute(0, 3, sizeof(LineVertex), offsetof(LineVertex, position));
    bindAttribute(1, 3, sizeof(LineVertex), offsetof(LineVertex, normal));
    bindAttribute(2, 2, sizeof(LineVertex), offsetof(LineVertex, offset));
    bindAttribute(3, 1, sizeof(LineVertex), offsetof(LineVertex, facing));
    emscripten_glGenBuffers(1, &objects.lineIndices);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, objects.lineIndices);
}

// Polygons in GL_LINE mode: each edge a band the line's width across, widened up and
// down where it runs more across than up, else sideways, as GL widens its lines. Each
// edge keeps its polygon's facing for two-sided lighting, and culling drops polygons
// before their edges are drawn.
void drawEdges(const GLVertex* vertices, size_t count) {
    GLint viewport[4];
    emscripten_glGetIntegerv(GL_VIEWPORT, viewport);
    // GL rounds a line's width to whole pixels where it is not antialiased.
    const double half = std::max(1.0, std::round(static_cast<double>(glState.lineWidth))) / 2.0;
    std::vector<LineVertex> bands;
    bands.reserve(count * 4);
    for (size_t t = 0; t + 2 < count; t += 3) {
        double window[3][2];
        for (int c = 0; c < 3; ++c) {
            toWindow(vertices[t + c].position, viewport, window[c]);
        }
        const double area = (window[1][0] - window[0][0]) * (window[2][1] - window[0][1]) -
                            (window[2][0] - window[0][0]) * (window[1][1] - window[0][1]);
        const bool front = area > 0.0;
        if (glState.cullFace && !front) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            const int d = (c + 1) % 3;
            const double dx = window[d][0] - window[c][0];
            const double dy = window[d][1] - window[c][1];
            if (dx == 0.0 && dy == 0.0) {
                continue;
            }
            const bool across = std::fabs(dx) >= std::fabs(dy);
            const GLfloat offset[2] = {across ? 0.0f : static_cast<GLfloat>(2 * half / viewport[2]),
                                       across ? static_cast<GLfloat>(2 * half / viewport[3]) : 0.0f};
            // The same edge of several polygons is drawn from the same end, so that its
            // bands lie at exactly the same depth and the first one drawn stays, as in GL.
            const bool swap = window[d][0] < window[c][0] ||
                              (window[d][0] == window[c][0] && window[d][1] < window[c][1]);
            const GLVertex* first = &vertices[t + (swap ? d : c)];
            const GLVertex* second = &vertices[t + (swap ? c : d)];
            for (const GLVertex* end : {first, second}) {
                for (const GLfloat side : {-1.0f, 1.0f}) {
                    bands.push_back({{end->position[0], end->position[1], end->position[2]},
                                     {end->normal[0], end->normal[1], end->normal[2]},
                                     {side * offset[0], side * offset[1]},
                                     front ? 1.0f : -1.0f});
                }
            }
        }
    }
    const size_t edges = bands.size() / 4;
    if (edges > objects.lineIndexCount) {
        std::vector<GLuint> indices;
        indices.reserve(edges * 6);
        for (GLuint e = 0; e < edges; ++e) {
            for (const GLuint corner : {0u, 1u, 2u, 2u, 1u, 3u}) {
                indices.push_back(e * 4 + corner);
            }
        }
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(GLuint),
                                indices.data(), GL_STATIC_DRAW);
        objects.lineIndexCount = edges;
    }
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, objects.lineBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, bands.size() * sizeof(LineVertex), bands.data(),
                            GL_STREAM_DRAW);
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(edges * 6), GL_UNSIGNED_INT,
                              nullptr);
}

