// Window classes and windows (their painting, DCs and capture: sdl_paint.cpp).
#include <algorithm>
#include <cmath>

#include "a11y/accessibility.h"
#include "sdl_internal.h"

StandInState& standIn() {
    static StandInState state = {};
    return state;
}

StandInWindow* liveWindow(HWND window) {
    for (auto& w : standIn().windows) {
        if (w.get() == window && w->alive) {
            return w.get();
        }
    }
    return nullptr;
}

StandInWindow* windowFromSdlId(Uint32 id) {
    for (auto& w : standIn().windows) {
        if (w->alive && w->sdlId == id) {
            return w.get();
        }
    }
    return nullptr;
}

// A window whose pixel format needs another kind of window is made again: it is still
// unmapped then, so nobody sees it.
bool createSdlWindow(StandInWindow* window, Uint32 extraFlags) {
    // A Windows window has the size its program gives it: fixed size hints ask window
    // managers to leave it so, and tiling ones to float it rather than tile it.
    Uint32 flags = SDL_WINDOW_HIDDEN | windowSystem().windowFlags | extraFlags;
    if (!(window->style & WS_CAPTION)) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    // A new window starts at the screen's scale.
    SDL_Rect units = {};
    SDL_GetDisplayBounds(0, &units);
    const double scale = screenScale();
    const auto toUnits = [scale](int pixels) {
        return static_cast<int>(std::lround(pixels / scale));
    };
    SDL_Window* made =
        SDL_CreateWindow(window->title.c_str(), units.x + toUnits(window->x),
                         units.y + toUnits(window->y), toUnits(window->width),
                         toUnits(window->height), flags);
    if (made == nullptr) {
        return false;
    }
    if (window->sdl != nullptr) {
        SDL_DestroyWindow(window->sdl);
    }
    window->sdl = made;
    window->sdlId = SDL_GetWindowID(made);
    int sdlWidth = 0;
    SDL_GetWindowSize(made, &sdlWidth, nullptr);
    SDL_GL_GetDrawableSize(made, &window->shownWidth, &window->shownHeight);
    window->pixelRatio = sdlWidth > 0 ? static_cast<double>(window->shownWidth) / sdlWidth : 1;
    windowSystem().nameWindow(window);
    if (window->icon != nullptr && window->icon->surface != nullptr) {
        SDL_SetWindowIcon(made, window->icon->surface);
    }
    return true;
}

namespace {

bool framed(const StandInWindow* window) {
    const FrameExtents& frame = window->frame;
    return frame.left + frame.right + frame.top + frame.bottom > 0;
}

// The window's size so far is its outer size: the frame now known comes out of it.
void fitClientInFrame(StandInWindow* window) {
    const FrameExtents& frame = window->frame;
    if (framed(window)) {
        window->width -= frame.left + frame.right;
        window->height -= frame.top + frame.bottom;
        windowSystem().resizeClient(window, window->width, window->height);
    }
}

}  // namespace

ClientView clientView(const StandInWindow* window) {
    if (window->width <= 0 || window->height <= 0) {
        return {0, 0, window->shownWidth, window->shownHeight, 1.0};
    }
    const double scale = std::min({1.0, static_cast<double>(window->shownWidth) / window->width,
                                   static_cast<double>(window->shownHeight) / window->height});
    const int width = static_cast<int>(window->width * scale);
    const int height = static_cast<int>(window->height * scale);
    return {(window->shownWidth - width) / 2, (window->shownHeight - height) / 2, width, height,
            scale};
}

void activateWindow(StandInWindow* window) {
    SDL_RaiseWindow(window->sdl);
    // Without a window manager nobody else gives the keyboard focus. X11 refuses focus
    // to a window that is not yet viewable, which under a window manager lasts until
    // the manager has mapped its frame: then the first exposure gives it.
    if (window->exposed) {
        SDL_SetWindowInputFocus(window->sdl);
    } else {
        window->focusPending = true;
    }
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    StandInState& s = standIn();
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr) {
        return 0;
    }
    const auto added = s.classes.emplace(windowClass->lpszClassName, *windowClass);
    if (!added.second) {
        return 0;
    }
    added.first->second.lpszClassName = added.first->first.c_str();
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    StandInState& s = standIn();
    const auto found = className ? s.classes.find(className) : s.classes.end();
    if (found == s.classes.end() || !ensureVideo()) {
        return nullptr;
    }
    const WNDCLASSA* windowClass = &found->second;

    s.windows.push_back(std::make_unique<StandInWindow>());
    StandInWindow* window = s.windows.back().get();
    window->proc = windowClass->lpfnWndProc;
    window->icon = windowClass->hIcon;
    window->title = utf8FromAnsi(windowName);
    window->style = style;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    window->dc.window = window;
    if (!createSdlWindow(window, 0)) {
        return nullptr;
    }
    window->alive = true;
    // Windows takes the outer size, frame and caption included; a window manager's frame
    // comes out of it, and its gravity puts the frame's corner at the position asked for.
    // Without one there is no frame, and the outer size is the client size.
    window->frame = windowSystem().frameExtents(window, true, 200);
    fitClientInFrame(window);

    if (sendMessage(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (style & WS_VISIBLE) {
        ShowWindow(window, SW_SHOWNORMAL);
    }
    return window;
}

BOOL ShowWindow(HWND handle, int showMode) {
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) != 0;
    // Any mode but hiding shows the window normally: the program is always started in
    // the default way.
    if (showMode == SW_HIDE) {
        SDL_HideWindow(window->sdl);
        hideAccessibleWindow(window);
        return wasVisible;
    }
    windowSystem().showWindow(window);
    showAccessibleWindow(window, window->title);
    activateWindow(window);
    // A window manager that gives the frame only to a mapped window (fluxbox): the
    // client shrinks now.
    if (!framed(window)) {
        window->frame = windowSystem().frameExtents(window, false, 1000);
        fitClientInFrame(window);
    }
    // A window that appears has all of its client area to paint.
    window->needsPaint = true;
    return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    if (window->needsPaint && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN)) {
        sendMessage(window, WM_PAINT, 0, 0);
    }
    return TRUE;
}

// The viewer only ever resizes: the position is left as it is whatever the flags say.
BOOL SetWindowPos(HWND handle, HWND, int, int, int width, int height, UINT flags) {
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    const FrameExtents& frame = window->frame;
    if (!(flags & SWP_NOSIZE)) {
        const int clientWidth = width - frame.left - frame.right;
        const int clientHeight = height - frame.top - frame.bottom;
        const bool resized = clientWidth != window->width || clientHeight != window->height;
        // A window manager refuses sizes to a maximised or fullscreen window. Its size
        // event may come before its state property, so a new size leaves both states
        // whatever the property says; leaving a state the window is not in does nothing.
        // A window of fixed size may be put in those states without a new size.
        if (resized || windowSystem().maximisedOrFullscreen(window)) {
            windowSystem().leaveMaximisedAndFullscreen(window);
        }
        if (resized) {
            window->width = clientWidth;
            window->height = clientHeight;
            windowSystem().resizeClient(window, clientWidth, clientHeight);
            // Windows sends the new size before SetWindowPos returns; a call made from
            // that WM_SIZE finds the size right and ends the circle there.
            sendMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(clientWidth, clientHeight));
        }
    }
    // The window with the keyboard focus is the active one, and on top already: raising
    // and focusing it again would only make the window manager busy.
    if ((SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) &&
        SDL_GetKeyboardFocus() != window->sdl) {
        activateWindow(window);
    }
    return TRUE;
}

BOOL DestroyWindow(HWND handle) {
    StandInState& s = standIn();
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr) {
        return FALSE;
    }
    if (s.captured == window) {
        ReleaseCapture();
    }
    sendMessage(window, WM_DESTROY, 0, 0);
    // The handle stays allocated but dead, so stale handles are refused, not followed.
    window->alive = false;
    hideAccessibleWindow(window);
    dropMessagesFor(window);
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
    return TRUE;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(handle);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        EndPaint(handle, &paint);
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETTEXT) {
        return DefWindowProcA(handle, message, wParam, lParam);
    }
    StandInWindow* window = liveWindow(handle);
    if (window == nullptr || lParam == 0) {
        return FALSE;
    }
    window->title = utf8FromWide(reinterpret_cast<LPCWSTR>(lParam));
    windowSystem().nameWindow(window);
    nameAccessibleWindow(window, window->title);
    return TRUE;
}
