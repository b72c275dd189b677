#include "app/app.h"
#include "interaction/trackball.h"
#include "palette/palette.h"
#include "scene/viewer_state.h"

namespace {

// Every attempt to resize is undone, which is why the projection and the implicit
// viewport never need updating. SWP_NOMOVE makes the position arguments unused.
void restoreWindowSize(HWND window) {
    SetWindowPos(window, HWND_TOP, 80, 80, viewerState.windowWidth, viewerState.windowHeight,
                 SWP_NOMOVE);
}

void paintWindow(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    requestRedraw();
    EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        setupContext(window);
        return 0;
    case WM_DESTROY:
        tearDownContext(window);
        return 0;
    case WM_SIZE:
        if (viewerState.glContext != nullptr) {
            restoreWindowSize(window);
            return 0;
        }
        break;
    case WM_PAINT:
        if (viewerState.glContext != nullptr) {
            paintWindow(window);
            return 0;
        }
        break;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return paletteMessage(window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_CHAR:
        return inputMessage(window, message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
