#include "frame_cases.h"

#include <cmath>
#include <cstring>

#include "scene/renderer.h"
#include "scene/viewer_state.h"

namespace {

const ViewerState startState = viewerState;

// What a drag gives the renderer: a new small increment about an axis across the
// screen for each frame, wandering as a hand does.
void dragFrames() {
    RotationState& rotation = viewerState.rotation;
    for (int i = 0; i < 100; ++i) {
        rotation.incrementAngle = 1.5f + 0.8f * static_cast<float>(i % 7);
        rotation.incrementAxis = {std::cos(0.3f * i), std::sin(0.3f * i), 0.2f};
        renderFrame();
    }
}

// Two lit triangles drawn over the frame, the second with its top at y: drawn twice, the
// second time changed, they show whether a batch that differs from the one before in
// part reaches the picture whole.
void drawTwoTriangles(float top) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glNormal3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex3f(-2.0f, -2.0f, 0.0f);
    glVertex3f(0.0f, -2.0f, 0.0f);
    glVertex3f(-1.0f, 2.0f, 0.0f);
    glVertex3f(0.5f, -2.0f, 0.0f);
    glVertex3f(2.0f, -2.0f, 0.0f);
    glVertex3f(1.0f, top, 0.0f);
    glEnd();
    glFlush();
    SwapBuffers(viewerState.windowDC);
}

}  // namespace

bool drawFrameCase(const char* name) {
    const int width = viewerState.windowWidth, height = viewerState.windowHeight;
    viewerState = startState;
    viewerState.windowWidth = width;
    viewerState.windowHeight = height;
    RenderOptions& options = viewerState.options;
    if (std::strcmp(name, "drag") == 0) {
        initScene();
        dragFrames();
        return true;
    }
    if (std::strcmp(name, "changed-vertices") == 0) {
        initScene();
        renderFrame();
        drawTwoTriangles(2.0f);
        drawTwoTriangles(-0.5f);
        return true;
    }
    if (std::strcmp(name, "turned-lights") == 0) {
        // Lights given under a turned modelview matrix, which turns them with it.
        glRotatef(60.0f, 0.3f, 1.0f, 0.0f);
    } else if (std::strcmp(name, "fog") == 0) {
        options.fogEnabled = 1;
    } else if (std::strcmp(name, "wireframe") == 0) {
        options.wireframe = 1;
    } else if (std::strcmp(name, "textured") == 0) {
        options.texturing = 1;
    } else if (std::strcmp(name, "replaced-culled-perspective") == 0) {
        options.texturing = 1;
        options.textureReplace = 1;
        options.cullFaces = 1;
        options.perspective = 1;
    } else if (std::strcmp(name, "first") != 0) {
        return false;
    }
    initScene();
    renderFrame();
    return true;
}
