#include <gtest/gtest.h>

#include "app/app.h"
#include "interaction/trackball.h"
#include "osmesa_context.h"
#include "scene/renderer.h"

namespace {

// A handle no window has: the stand-in refuses it, so default processing does nothing.
HWND const noWindow = reinterpret_cast<HWND>(0x1);

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        resetViewerState();
        makeOffscreenContext(&context, 100, 100);
        initScene();
        viewerState.glContext = reinterpret_cast<HGLRC>(0x2);
        viewerState.rotation.spinning = 0;
    }

    LRESULT type(WPARAM code) { return windowProc(noWindow, WM_CHAR, code, 1); }

    // Runs the frame a key asked for and tells whether there was one.
    bool frameWasRequested() {
        if (viewerState.idleCallback == nullptr) {
            return false;
        }
        viewerState.idleCallback();
        return viewerState.idleCallback == nullptr;
    }

    OffscreenContext context;
};

}  // namespace

TEST_F(Keys, FogAndWireframeToggleAndAskForOneFrame) {
    EXPECT_EQ(type('f'), 0);
    EXPECT_EQ(viewerState.options.fogEnabled, 1);
    EXPECT_TRUE(frameWasRequested());
    type('f');
    EXPECT_EQ(viewerState.options.fogEnabled, 0);
    EXPECT_TRUE(frameWasRequested());

    type('p');
    EXPECT_EQ(viewerState.options.wireframe, 1);
    // Held down, the key repeats: one toggle and one request per message, one frame.
    type('p');
    type('p');
    EXPECT_EQ(viewerState.options.wireframe, 1);
    EXPECT_TRUE(frameWasRequested());
    EXPECT_FALSE(frameWasRequested());
}

TEST_F(Keys, OtherCharactersAreNotCommands) {
    const ViewerState before = viewerState;
    for (WPARAM code : std::initializer_list<WPARAM>{'F', 'P', 'J', 'K', 'q', ' ', '1', 0xB4}) {
        EXPECT_EQ(type(code), 0) << code;
    }
    EXPECT_EQ(viewerState.options.fogEnabled, before.options.fogEnabled);
    EXPECT_EQ(viewerState.options.wireframe, before.options.wireframe);
    EXPECT_EQ(viewerState.stepValue, before.stepValue);
    EXPECT_FALSE(frameWasRequested());
}

TEST_F(Keys, StepValueClampsAtBothEnds) {
    type('j');
    EXPECT_FLOAT_EQ(viewerState.stepValue, 0.6f);
    EXPECT_TRUE(frameWasRequested());
    for (int i = 0; i < 20; ++i) {
        type('j');
    }
    EXPECT_EQ(viewerState.stepValue, 1.05f);
    for (int i = 0; i < 40; ++i) {
        type('k');
    }
    EXPECT_EQ(viewerState.stepValue, 0.01f);
    type('j');
    EXPECT_FLOAT_EQ(viewerState.stepValue, 0.06f);
}

TEST_F(Keys, MouseMessagesNeedARenderingContext) {
    viewerState.glContext = nullptr;
    windowProc(noWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(viewerState.rotation.dragging, 0);

    viewerState.glContext = reinterpret_cast<HGLRC>(0x2);
    windowProc(noWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(viewerState.rotation.dragging, 1);
    EXPECT_EQ(viewerState.rotation.pressPoint.x, 10);
}

TEST_F(Keys, PointsLeftOfAndAboveTheWindowAreNegative) {
    windowProc(noWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
    windowProc(noWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-40, -7));
    EXPECT_EQ(viewerState.rotation.lastTrackPoint.x, trackballVector(-40, -7, 100, 100).x);
    EXPECT_EQ(viewerState.rotation.lastTrackPoint.y, trackballVector(-40, -7, 100, 100).y);
    windowProc(noWindow, WM_LBUTTONUP, 0, MAKELPARAM(-40, -7));
    EXPECT_EQ(viewerState.rotation.dragging, 0);
    EXPECT_EQ(viewerState.rotation.spinning, 1);
}
