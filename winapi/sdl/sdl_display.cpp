// The desktop session the program runs in, chosen once at process start, and what it
// reports.
#include "a11y/accessibility.h"
#include "sdl_internal.h"
#include "wayland/wayland.h"
#include "x11/x11.h"

bool ensureVideo() {
    StandInState& s = standIn();
    if (!s.videoReady) {
        // Windows captures the mouse only on SetCapture, and closing the last window
        // does not end the program by itself: the window procedure decides.
        SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // Desktops find a program's name and icon by its menu entry's id, which names
        // the windows' X11 class and Wayland app_id. SDL 2.26 reads the X11 one from the
        // environment alone.
        SDL_setenv("SDL_VIDEO_X11_WMCLASS", DESKTOP_APP_ID, 0);
        SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", DESKTOP_APP_ID, 0);
        // A Windows program keeps the display awake only when it asks
        // (SetThreadExecutionState), and this one never asks. SDL would otherwise hold
        // off the screen saver, idle and lock for as long as video runs.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        // Wayland first where a compositor can be reached, as SDL3, GTK and Qt choose;
        // X11 where the user asks for it, or where no compositor answers.
        const char* driver = SDL_getenv("SDL_VIDEODRIVER");
        const bool x11Asked = driver != nullptr && SDL_strcasecmp(driver, "x11") == 0;
        const bool wayland = !x11Asked && SDL_getenv("WAYLAND_DISPLAY") != nullptr;
        // SDL's Wayland video may start GTK for its title bars: the program joins the
        // accessibility bus before, and takes ATK back after.
        if (wayland) {
            joinAccessibility();
        }
        if (wayland && startWaylandVideo()) {
            reclaimAccessibility();
            s.system = &waylandWindowSystem;
        } else if (startX11Video()) {
            s.system = &x11WindowSystem;
        }
        s.videoReady = s.system != nullptr;
    }
    return s.videoReady;
}

const WindowSystem& windowSystem() {
    return ensureVideo() ? *standIn().system : x11WindowSystem;
}

SDL_Rect primaryBounds() { return ensureVideo() ? windowSystem().primaryBounds() : SDL_Rect{}; }

double screenScale() {
    SDL_Rect units = {};
    const SDL_Rect pixels = primaryBounds();
    if (pixels.w <= 0 || SDL_GetDisplayBounds(0, &units) != 0 || units.w <= 0) {
        return 1;
    }
    return static_cast<double>(pixels.w) / units.w;
}

int GetSystemMetrics(int index) {
    const SDL_Rect bounds = primaryBounds();
    return index == SM_CXSCREEN ? bounds.w : index == SM_CYSCREEN ? bounds.h : 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    showAccessibleBox(utf8FromAnsi(caption), utf8FromAnsi(text), (type & MB_ICONHAND) != 0);
    const int answer = windowSystem().messageBox(liveWindow(owner), text, caption, type);
    hideAccessibleBox();
    return answer;
}
