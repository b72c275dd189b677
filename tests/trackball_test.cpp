#include <gtest/gtest.h>

#include <cmath>

#include "app/app.h"
#include "interaction/trackball.h"
#include "osmesa_context.h"
#include "scene/renderer.h"

namespace {

double length(const Vector3& v) {
    return std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                     static_cast<double>(v.z) * v.z);
}

// The mapping worked out independently: the point's angle from the centre becomes
// its latitude on the ball.
Vector3 expectedVector(int x, int y, int width, int height) {
    const double vx = (2.0 * x - width) / width;
    const double vy = (height - 2.0 * y) / height;
    const double d = std::fmin(std::hypot(vx, vy), 1.0);
    const double vz = std::cos(d * 1.5707963705062866);
    const double n = std::sqrt(vx * vx + vy * vy + vz * vz);
    return {static_cast<float>(vx / n), static_cast<float>(vy / n), static_cast<float>(vz / n)};
}

class Rotation : public ::testing::Test {
protected:
    void SetUp() override {
        resetViewerState();
        makeOffscreenContext(&context, 200, 200);
        initScene();
    }

    // One pass of the idle loop: the frame a redraw request asked for, if any.
    void drawRequestedFrame() {
        if (viewerState.idleCallback != nullptr) {
            viewerState.idleCallback();
        }
    }

    void expectState(int dragging, int spinning, int active) {
        EXPECT_EQ(viewerState.rotation.dragging, dragging);
        EXPECT_EQ(viewerState.rotation.spinning, spinning);
        EXPECT_EQ(viewerState.rotation.rotationActive, active);
    }

    OffscreenContext context;
};

}  // namespace

TEST(TrackballVector, CentreRimOutsideAndNonNumbers) {
    const Vector3 centre = trackballVector(100, 100, 200, 200);
    EXPECT_FLOAT_EQ(centre.x, 0.0f);
    EXPECT_FLOAT_EQ(centre.y, 0.0f);
    EXPECT_FLOAT_EQ(centre.z, 1.0f);

    // Up on the screen is up on the ball.
    EXPECT_GT(trackballVector(100, 10, 200, 200).y, 0.9f);
    EXPECT_GT(trackballVector(190, 100, 200, 200).x, 0.9f);

    for (const auto& p : {std::make_pair(200, 100), std::make_pair(-300, 50),
                          std::make_pair(100, 900), std::make_pair(-5000, -5000)}) {
        const Vector3 v = trackballVector(p.first, p.second, 200, 200);
        EXPECT_NEAR(v.z, 0.0, 1e-6) << p.first << "," << p.second;
        EXPECT_NEAR(length(v), 1.0, 1e-6);
    }
}

TEST(TrackballVector, MatchesTheMappingEverywhereAndIsUnitLength) {
    for (int y = -60; y <= 860; y += 23) {
        for (int x = -60; x <= 860; x += 19) {
            const Vector3 v = trackballVector(x, y, 819, 819);
            const Vector3 e = expectedVector(x, y, 819, 819);
            ASSERT_FLOAT_EQ(v.x, e.x) << x << "," << y;
            ASSERT_FLOAT_EQ(v.y, e.y) << x << "," << y;
            ASSERT_FLOAT_EQ(v.z, e.z) << x << "," << y;
            ASSERT_NEAR(length(v), 1.0, 1e-6);
        }
    }
}

TEST_F(Rotation, StartsSpinningAboutTheVerticalAxis) {
    expectState(0, 1, 1);
    EXPECT_FLOAT_EQ(viewerState.rotation.incrementAngle, 2.0f);
    EXPECT_FLOAT_EQ(viewerState.rotation.incrementAxis.y, 0.2f);
}

TEST_F(Rotation, DragTurnsByNinetyDegreesPerUnitOfChord) {
    rotationBegin(leftButton, 100, 100);
    expectState(1, 0, 1);
    EXPECT_EQ(viewerState.idleCallback, nullptr);

    rotationDrag(150, 100);
    const Vector3 l = trackballVector(100, 100, 200, 200);
    const Vector3 c = trackballVector(150, 100, 200, 200);
    const double chord = std::sqrt(std::pow(c.x - l.x, 2) + std::pow(c.y - l.y, 2) +
                                   std::pow(c.z - l.z, 2));
    EXPECT_NEAR(viewerState.rotation.incrementAngle, 90.0 * chord, 1e-4);
    // Dragging right turns the front of the model to the right: about +y.
    EXPECT_NEAR(viewerState.rotation.incrementAxis.x, 0.0, 1e-6);
    EXPECT_GT(viewerState.rotation.incrementAxis.y, 0.0f);
    EXPECT_NEAR(viewerState.rotation.incrementAxis.z, 0.0, 1e-6);
    EXPECT_NE(viewerState.idleCallback, nullptr);

    drawRequestedFrame();
    EXPECT_EQ(viewerState.idleCallback, nullptr);
    EXPECT_GT(viewerState.rotation.modelMatrix[8], 0.1f);  // x of the turned z axis
}

TEST_F(Rotation, ReleaseAwayFromThePressPointSpins) {
    rotationBegin(leftButton, 50, 50);
    rotationDrag(60, 55);
    drawRequestedFrame();
    rotationEnd(leftButton, 60, 55);
    expectState(0, 1, 1);
    EXPECT_GT(viewerState.rotation.incrementAngle, 0.0f);
    // Spinning keeps the idle callback installed, frame after frame.
    drawRequestedFrame();
    drawRequestedFrame();
    EXPECT_NE(viewerState.idleCallback, nullptr);
}

TEST_F(Rotation, ReleaseAtThePressPointStops) {
    rotationBegin(leftButton, 50, 50);
    rotationEnd(leftButton, 50, 50);
    expectState(0, 0, 0);
    EXPECT_EQ(viewerState.rotation.incrementAngle, 0.0f);
    drawRequestedFrame();
    EXPECT_EQ(viewerState.idleCallback, nullptr);

    // Moving away and back to the press point stops it as well.
    rotationBegin(leftButton, 70, 80);
    rotationDrag(120, 90);
    rotationDrag(70, 80);
    drawRequestedFrame();
    rotationEnd(leftButton, 70, 80);
    expectState(0, 0, 0);
    float before[16];
    std::copy(viewerState.rotation.modelMatrix, viewerState.rotation.modelMatrix + 16, before);
    drawRequestedFrame();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(viewerState.rotation.modelMatrix[i], before[i]);
    }
}

TEST_F(Rotation, MovementInPlaceGivesNoTurn) {
    rotationBegin(leftButton, 30, 40);
    rotationDrag(90, 40);
    drawRequestedFrame();
    float before[16];
    std::copy(viewerState.rotation.modelMatrix, viewerState.rotation.modelMatrix + 16, before);
    rotationDrag(90, 40);
    EXPECT_EQ(viewerState.rotation.incrementAngle, 0.0f);
    EXPECT_EQ(viewerState.rotation.incrementAxis.x, 0.0f);
    EXPECT_EQ(viewerState.rotation.incrementAxis.y, 0.0f);
    EXPECT_EQ(viewerState.rotation.incrementAxis.z, 0.0f);
    drawRequestedFrame();
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(viewerState.rotation.modelMatrix[i], before[i]);
    }
    // Released away from the press point after that: frames go on, the model stands.
    rotationEnd(leftButton, 90, 40);
    expectState(0, 1, 1);
    drawRequestedFrame();
    EXPECT_NE(viewerState.idleCallback, nullptr);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(viewerState.rotation.modelMatrix[i], before[i]);
    }
}

TEST_F(Rotation, MovementWithoutDragAndOtherButtonsChangeNothing) {
    viewerState.rotation.spinning = 0;
    const RotationState before = viewerState.rotation;
    rotationDrag(10, 10);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
    EXPECT_EQ(viewerState.rotation.incrementAngle, before.incrementAngle);

    rotationBegin(2, 10, 10);
    EXPECT_EQ(viewerState.rotation.dragging, 0);
    rotationEnd(2, 10, 10);
    EXPECT_EQ(viewerState.rotation.rotationActive, 1);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
}

TEST_F(Rotation, PressWhileSpinningDrawsTheOldIncrementOnceMore) {
    requestRedraw();
    rotationBegin(leftButton, 100, 100);
    drawRequestedFrame();
    EXPECT_EQ(viewerState.idleCallback, nullptr);
    // That one frame turned the model by the start increment of 2 degrees about y.
    EXPECT_NEAR(viewerState.rotation.modelMatrix[0], std::cos(2.0 * 3.14159265358979 / 180), 1e-6);

    // A frame asked for by something else mid-drag applies the last increment again.
    rotationDrag(130, 100);
    drawRequestedFrame();
    const float afterDrag = viewerState.rotation.modelMatrix[0];
    requestRedraw();
    drawRequestedFrame();
    EXPECT_LT(viewerState.rotation.modelMatrix[0], afterDrag);
}

TEST_F(Rotation, ReleaseWithoutAPressIsIgnoredOnceStopped) {
    rotationBegin(leftButton, 5, 5);
    rotationEnd(leftButton, 5, 5);
    drawRequestedFrame();
    rotationEnd(leftButton, 50, 50);
    expectState(0, 0, 0);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
}
