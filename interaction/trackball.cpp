#include "interaction/trackball.h"

#include <cmath>

#include "app/app.h"
#include "scene/viewer_state.h"

Vector3 trackballVector(int x, int y, int width, int height) {
    const double vx = (2.0 * x - width) / width;
    const double vy = (height - 2.0 * y) / height;  // flipped: up is positive
    double d = std::sqrt(vx * vx + vy * vy);
    // Points on or beyond the ball's rim, and a non-number, sit on the rim.
    if (!(d < 1.0)) {
        d = 1.0;
    }
    const double vz = std::cos(d * static_cast<double>(1.5707964f));
    const double a = 1.0 / std::sqrt(vx * vx + vy * vy + vz * vz);
    return {static_cast<float>(vx * a), static_cast<float>(vy * a), static_cast<float>(vz * a)};
}

void rotationBegin(int button, int x, int y) {
    if (button != leftButton) {
        return;
    }
    RotationState& rotation = viewerState.rotation;
    rotation.rotationActive = 1;
    rotation.dragging = 1;
    rotation.spinning = 0;
    rotation.pressPoint = {x, y};
    rotation.lastTrackPoint =
        trackballVector(x, y, viewerState.windowWidth, viewerState.windowHeight);
}

void rotationDrag(int x, int y) {
    RotationState& rotation = viewerState.rotation;
    if (rotation.dragging == 0) {
        return;
    }
    const Vector3 c = trackballVector(x, y, viewerState.windowWidth, viewerState.windowHeight);
    const Vector3 l = rotation.lastTrackPoint;
    const double dx = static_cast<double>(c.x) - l.x;
    const double dy = static_cast<double>(c.y) - l.y;
    const double dz = static_cast<double>(c.z) - l.z;
    // 90 degrees per unit of chord between the two points on the ball.
    rotation.incrementAngle = static_cast<float>(90.0 * std::sqrt(dx * dx + dy * dy + dz * dz));
    rotation.incrementAxis = {
        static_cast<float>(static_cast<double>(l.y) * c.z - static_cast<double>(l.z) * c.y),
        static_cast<float>(static_cast<double>(l.z) * c.x - static_cast<double>(l.x) * c.z),
        static_cast<float>(static_cast<double>(l.x) * c.y - static_cast<double>(l.y) * c.x),
    };
    rotation.lastTrackPoint = c;
    requestRedraw();
}

void rotationEnd(int button, int x, int y) {
    RotationState& rotation = viewerState.rotation;
    if (button != leftButton || rotation.rotationActive != 1) {
        return;
    }
    rotation.dragging = 0;
    if (x == rotation.pressPoint.x && y == rotation.pressPoint.y) {
        rotation.incrementAngle = 0.0f;
        rotation.spinning = 0;
        rotation.rotationActive = 0;
    } else {
        rotation.spinning = 1;
    }
    requestRedraw();
}
