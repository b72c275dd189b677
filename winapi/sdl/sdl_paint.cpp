// Painting, the windows' own DCs and mouse capture.
#include <cstring>

#include "sdl_internal.h"

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr || paint == nullptr) {
        return nullptr;
    }
    window->needsPaint = false;
    std::memset(paint, 0, sizeof(*paint));
    paint->hdc = &window->dc;
    paint->rcPaint.right = window->width;
    paint->rcPaint.bottom = window->height;
    return paint->hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT*) { return liveWindow(handle) != nullptr; }

HWND SetCapture(HWND handle) {
    StandInState& s = standIn();
    StandInWindow* previous = s.captured;
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr) {
        return nullptr;
    }
    windowSystem().captureMouse(true);
    s.captured = window;
    return previous;
}

BOOL ReleaseCapture(void) {
    standIn().captured = nullptr;
    return windowSystem().captureMouse(false);
}

HDC GetDC(HWND handle) {
    StandInWindow* window = liveWindow(handle);
    return window ? &window->dc : nullptr;
}

// The class owns its DC, which lives as long as the window: releasing it does nothing.
int ReleaseDC(HWND handle, HDC dc) {
    StandInWindow* window = liveWindow(handle);
    return (window != nullptr && dc == &window->dc) ? 1 : 0;
}

HWND WindowFromDC(HDC dc) { return dc ? liveWindow(dc->window) : nullptr; }
