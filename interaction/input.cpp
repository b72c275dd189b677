// Maps the window's mouse and character messages to rotation and option commands.
#include "app/app.h"
#include "interaction/trackball.h"
#include "scene/viewer_state.h"

namespace {

const WPARAM keyEscape = 27;
const WPARAM keyFog = 'f';
const WPARAM keyStepUp = 'j';
const WPARAM keyStepDown = 'k';
const WPARAM keyWireframe = 'p';

// Points left of or above the client area, reported while the mouse is captured,
// are negative: each half of lParam is a signed 16-bit value.
int pointX(LPARAM lParam) { return static_cast<int16_t>(LOWORD(lParam)); }
int pointY(LPARAM lParam) { return static_cast<int16_t>(HIWORD(lParam)); }

void toggleFlag(int32_t* flag) { *flag = (*flag == 0) ? 1 : 0; }

void stepValueUp() {
    float value = static_cast<float>(static_cast<double>(viewerState.stepValue) + 0.05);
    if (value >= 1.05f) {
        value = 1.05f;
    }
    viewerState.stepValue = value;
}

void stepValueDown() {
    float value = static_cast<float>(static_cast<double>(viewerState.stepValue) - 0.05);
    if (value <= 0.01f) {
        value = 0.01f;
    }
    viewerState.stepValue = value;
}

LRESULT keyMessage(HWND window, WPARAM code, LPARAM lParam) {
    switch (code) {
    case keyEscape:
        DestroyWindow(window);
        return 0;
    case keyFog:
        toggleFlag(&viewerState.options.fogEnabled);
        break;
    case keyStepUp:
        stepValueUp();
        break;
    case keyStepDown:
        stepValueDown();
        break;
    case keyWireframe:
        toggleFlag(&viewerState.options.wireframe);
        break;
    default:
        return DefWindowProcA(window, WM_CHAR, code, lParam);
    }
    requestRedraw();
    return 0;
}

}  // namespace

LRESULT inputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        return keyMessage(window, wParam, lParam);
    }
    if (viewerState.glContext != nullptr) {
        switch (message) {
        case WM_LBUTTONDOWN:
            // Capture keeps moves and the release coming while the pointer is outside.
            SetCapture(window);
            rotationBegin(leftButton, pointX(lParam), pointY(lParam));
            return 0;
        case WM_LBUTTONUP:
            ReleaseCapture();
            rotationEnd(leftButton, pointX(lParam), pointY(lParam));
            return 0;
        case WM_MOUSEMOVE:
            rotationDrag(pointX(lParam), pointY(lParam));
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
