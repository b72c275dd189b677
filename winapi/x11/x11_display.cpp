// The connection to the X display, what it reports, and the X11 window system's table.
#include <SDL_syswm.h>

#include <cstdio>
#include <set>
#include <utility>

#include "a11y/accessibility.h"
#include "x11.h"

namespace {

// A protocol error names a request the program made that the server refused, such as
// focusing a window the window manager has not yet shown. Xlib's default handler ends
// the process for it; Windows would merely fail that one call. Each kind is said once.
int reportProtocolError(Display* display, XErrorEvent* error) {
    static std::set<std::pair<int, int>> reported;
    if (!reported.insert({error->error_code, error->request_code}).second) {
        return 0;
    }
    char what[128] = "";
    char request[64] = "";
    char number[16];
    XGetErrorText(display, error->error_code, what, sizeof what);
    std::snprintf(number, sizeof number, "%d", error->request_code);
    XGetErrorDatabaseText(display, "XRequest", number, number, request, sizeof request);
    std::fprintf(stderr, "%s: X error %s on request %s; going on\n",
                 program_invocation_short_name, what, request);
    return 0;
}

// The screen DISPLAY names ("host:display.screen"), 0 where it names none.
int screenNamed(const char* display) {
    const char* colon = display ? SDL_strrchr(display, ':') : nullptr;
    const char* dot = colon ? SDL_strchr(colon, '.') : nullptr;
    return dot ? SDL_atoi(dot + 1) : 0;
}

bool x11Info(StandInWindow* window, SDL_SysWMinfo* info) {
    SDL_VERSION(&info->version);
    return window != nullptr && window->sdl != nullptr && SDL_GetWindowWMInfo(window->sdl, info) &&
           info->subsystem == SDL_SYSWM_X11;
}

// Windows measures the screen from the primary monitor, wherever that monitor sits
// among the others; SDL lists the primary first.
SDL_Rect x11PrimaryBounds() {
    SDL_Rect bounds = {};
    if (SDL_GetDisplayBounds(0, &bounds) != 0) {
        return SDL_Rect{};
    }
    return bounds;
}

// X11 grants a pointer grab only to the focused window; the focus that a click gives
// arrives as an event, so wait briefly for it.
bool x11CaptureMouse(bool capture) {
    if (!capture) {
        return SDL_CaptureMouse(SDL_FALSE) == 0;
    }
    for (int tries = 0; tries < 50; ++tries) {
        if (SDL_CaptureMouse(SDL_TRUE) == 0) {
            return true;
        }
        SDL_PumpEvents();
        SDL_Delay(2);
    }
    return false;
}

bool x11WaitForInput(StandInWindow* window) {
    Display* display = displayOf(window);
    if (display != nullptr && XPending(display) == 0) {
        waitServingAccessibility(ConnectionNumber(display), -1);
    }
    return display != nullptr;
}

}  // namespace

bool startX11Video() {
    // SDL's own fallback, an offscreen driver, would leave the program without a display.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    // Through RandR SDL lists screen 0's monitors even when DISPLAY names another X
    // screen, and its windows then land on a screen the pixel formats do not belong to.
    // Without RandR it lists the named screen alone, as Windows has one desktop.
    if (screenNamed(SDL_getenv("DISPLAY")) != 0) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEO_X11_XRANDR, "0", SDL_HINT_OVERRIDE);
    }
    // A server that lost its last client resets, and refuses connections meanwhile.
    for (int tries = 0; tries < 20; ++tries) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            XSetErrorHandler(reportProtocolError);
            return true;
        }
        if (SDL_getenv("DISPLAY") == nullptr) {
            return false;
        }
        SDL_Delay(50);
    }
    return false;
}

Display* displayOf(StandInWindow* window) {
    SDL_SysWMinfo info;
    return x11Info(window, &info) ? info.info.x11.display : nullptr;
}

Window xWindowOf(StandInWindow* window) {
    SDL_SysWMinfo info;
    return x11Info(window, &info) ? info.info.x11.window : None;
}

const WindowSystem x11WindowSystem = {
    x11PrimaryBounds,
    0,
    x11NameWindow,
    [](StandInWindow* window) { SDL_ShowWindow(window->sdl); },
    x11FrameExtents,
    x11MaximisedOrFullscreen,
    x11LeaveMaximisedAndFullscreen,
    x11ResizeClient,
    x11CaptureMouse,
    x11WaitForInput,
    x11MessageBox,
    glxPixelFormats,
    glxSetPixelFormat,
    glxCreateContext,
    glxMakeCurrent,
    glxReleaseContext,
    glxDeleteContext,
    glxSwapBuffers,
};
