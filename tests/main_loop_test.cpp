#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "viewer_window.h"

namespace {

const ViewerState startState = viewerState;

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override {
        viewerState = startState;
        window = openViewerWindow(300);
        ASSERT_NE(window, nullptr);
        viewerState.rotation.spinning = 0;
        viewerState.rotation.incrementAngle = 2.0f;
        viewerState.rotation.incrementAxis = {0.0f, 1.0f, 0.0f};
    }
    void TearDown() override { closeViewerWindow(window); }

    HWND window = nullptr;
};

}  // namespace

HWND openViewerWindow(int size) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.lpszClassName = viewerState.className;
        registered = RegisterClassA(&windowClass) != 0;
    }
    viewerState.windowWidth = size;
    viewerState.windowHeight = size;
    return CreateWindowExA(0, viewerState.className, viewerState.windowTitle,
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 50, 50,
                           size, size, nullptr, nullptr, nullptr, nullptr);
}

void closeViewerWindow(HWND window) {
    if (GetDC(window) != nullptr) {
        DestroyWindow(window);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
        }
    }
    viewerState.glContext = nullptr;
}

void closeLater(int milliseconds) {
    std::thread([milliseconds] {
        SDL_Delay(milliseconds);
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }).detach();
}

double turnedDegrees() {
    const float* m = viewerState.rotation.modelMatrix;
    return std::atan2(m[8], m[0]) * 180.0 / 3.14159265358979323846;
}

TEST_F(MainLoop, SeveralRequestsBeforeTheLoopIsIdleGiveOneFrame) {
    requestRedraw();
    requestRedraw();
    requestRedraw();
    closeLater(400);
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_NEAR(turnedDegrees(), 2.0, 1e-3);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
}

TEST_F(MainLoop, NothingIsDrawnUntilAMessageAsks) {
    closeLater(300);
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_NEAR(turnedDegrees(), 0.0, 1e-6);
}

TEST_F(MainLoop, SpinningDrawsFramesBackToBackAndStillHandlesMessages) {
    viewerState.rotation.spinning = 1;
    viewerState.rotation.incrementAngle = 0.01f;
    requestRedraw();
    closeLater(400);
    // The close message ends the loop although frames never stop coming.
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_GT(turnedDegrees() / 0.01, 5.0);
}

TEST_F(MainLoop, ShowingTheWindowPaintsOneFrame) {
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    closeLater(500);
    EXPECT_EQ(runMainLoop(), 0);
    // The paint handler validates the window, so WM_PAINT does not come back.
    EXPECT_NEAR(turnedDegrees(), 2.0, 1e-3);
}

TEST_F(MainLoop, EscapeDestroysTheWindowAndEndsTheLoop) {
    EXPECT_EQ(windowProc(window, WM_CHAR, 27, 1), 0);
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
    EXPECT_EQ(runMainLoop(), 0);
    EXPECT_NEAR(turnedDegrees(), 0.0, 1e-6);
}
