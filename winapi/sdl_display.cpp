// The connection to the X display, made once at process start, and what it reports.
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <utility>

#include "sdl_internal.h"

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

bool startX11Video() {
    // The stand-in speaks GLX to the X server; SDL's other drivers (Wayland, or its
    // offscreen fallback when X11 fails) would leave it without a display.
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
            return true;
        }
        if (SDL_getenv("DISPLAY") == nullptr) {
            return false;
        }
        SDL_Delay(50);
    }
    return false;
}

}  // namespace

bool ensureVideo() {
    StandInState& s = standIn();
    if (!s.videoReady) {
        // Windows captures the mouse only on SetCapture, and closing the last window
        // does not end the program by itself: the window procedure decides.
        SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        s.videoReady = startX11Video();
        if (s.videoReady) {
            XSetErrorHandler(reportProtocolError);
        }
    }
    return s.videoReady;
}

// Windows measures the screen from the primary monitor, wherever that monitor sits
// among the others; SDL lists the primary first.
SDL_Rect primaryBounds() {
    SDL_Rect bounds = {};
    if (!ensureVideo() || SDL_GetDisplayBounds(0, &bounds) != 0) {
        return SDL_Rect{};
    }
    return bounds;
}

int GetSystemMetrics(int index) {
    const SDL_Rect bounds = primaryBounds();
    return index == SM_CXSCREEN ? bounds.w : index == SM_CYSCREEN ? bounds.h : 0;
}
