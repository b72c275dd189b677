// The Wayland session: SDL's Wayland driver, the screen in its own pixels, and the
// Wayland window system's table. Wayland lets no client place its windows, nor learn
// where they are: positions are the compositor's.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <SDL_syswm.h>
#include <glib.h>
#include <wayland-client.h>

#include "a11y/accessibility.h"
#include "wayland.h"

namespace {

// A program that Windows knows to be DPI aware sees the monitor's own pixels. SDL lists
// the output's native mode among its modes once the desktop is scaled, the largest
// first; at scale 1 its one mode is the desktop's.
SDL_Rect wlPrimaryBounds() {
    SDL_DisplayMode native = {};
    SDL_Rect units = {};
    if (SDL_GetDisplayMode(0, 0, &native) != 0 || SDL_GetDisplayBounds(0, &units) != 0) {
        return SDL_Rect{};
    }
    return {0, 0, std::max(native.w, units.w), std::max(native.h, units.h)};
}

void wlNameWindow(StandInWindow* window) { SDL_SetWindowTitle(window->sdl, window->title.c_str()); }

// A window of fixed size: SDL tells the compositor a least and largest size only when
// asked, and tiling compositors decide when the window first shows whether to float it.
void keepSize(StandInWindow* window) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window->sdl, &width, &height);
    SDL_SetWindowMinimumSize(window->sdl, width, height);
    SDL_SetWindowMaximumSize(window->sdl, width, height);
}

void wlShowWindow(StandInWindow* window) {
    SDL_ShowWindow(window->sdl);
    keepSize(window);
}

// A compositor that draws the frame does not say how large it is.
FrameExtents wlFrameExtents(StandInWindow*, bool, int) { return {}; }

bool wlMaximisedOrFullscreen(StandInWindow* window) {
    return (SDL_GetWindowFlags(window->sdl) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN)) != 0;
}

void wlLeaveMaximisedAndFullscreen(StandInWindow* window) {
    const Uint32 flags = SDL_GetWindowFlags(window->sdl);
    if (flags & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(window->sdl, 0);
    }
    if (flags & SDL_WINDOW_MAXIMIZED) {
        SDL_RestoreWindow(window->sdl);
    }
}

// SDL keeps a window that is not resizable at the size it sets, whatever size the
// compositor asks for.
void wlResizeClient(StandInWindow* window, int width, int height) {
    SDL_SetWindowSize(window->sdl, static_cast<int>(std::lround(width / window->pixelRatio)),
                      static_cast<int>(std::lround(height / window->pixelRatio)));
    keepSize(window);
    SDL_GL_GetDrawableSize(window->sdl, &window->shownWidth, &window->shownHeight);
    presentClientArea(window);
}

// The compositor sends a window the pointer's events from a press until the release
// (an implicit grab): there is nothing to capture.
bool wlCaptureMouse(bool) { return true; }

// Whether the compositor offers an input seat, which SDL 2.26's Wayland video takes for
// granted: without one (weston's headless backend) it dies of SIGSEGV as it starts.
bool offersSeat(wl_display* display) {
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            *static_cast<bool*>(data) |= std::string(interface) == wl_seat_interface.name;
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, &seat);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    return seat;
}

bool wlWaitForInput(StandInWindow* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    const bool found = window->sdl != nullptr && SDL_GetWindowWMInfo(window->sdl, &info) &&
                       info.subsystem == SDL_SYSWM_WAYLAND;
    if (found) {
        waitForWayland(info.info.wl.display, -1);
    }
    return found;
}

// libdecor's GTK plugin asks GTK to leave the locale alone each time a libdecor context
// loads it: SDL's, then the box's. The second time, GTK has started and warns that the
// request comes too late, though it was kept the first time and GTK starts only once.
// GTK logs through GLib's writer, which sees every other message as before.
GLogWriterOutput dropLateLocaleWarning(GLogLevelFlags level, const GLogField* fields,
                                       gsize count, gpointer data) {
    for (gsize i = 0; i < count; ++i) {
        if (g_strcmp0(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0 &&
            g_strcmp0(static_cast<const gchar*>(fields[i].value),
                      "gtk_disable_setlocale() must be called before gtk_init()") == 0) {
            return G_LOG_WRITER_HANDLED;
        }
    }
    return g_log_writer_default(level, fields, count, data);
}

// GTK draws nothing here but Wayland title bars, which libdecor's plugin allows it alone:
// a GDK_BACKEND meant for GTK programs (x11, say) would only make it fail, aloud, and
// leave cairo's bar. The program starts no other, so nothing else reads the variable.
void prepareGtkTitleBars() {
    unsetenv("GDK_BACKEND");
    // GLib takes one writer for the process's life.
    static bool writerSet = false;
    if (!writerSet) {
        g_log_set_writer_func(dropLateLocaleWarning, nullptr, nullptr);
        writerSet = true;
    }
}

}  // namespace

// Libwayland's way to wait beside other files: no other reader takes the events meanwhile.
void waitForWayland(wl_display* display, int milliseconds) {
    while (wl_display_prepare_read(display) != 0) {
        wl_display_dispatch_pending(display);
    }
    wl_display_flush(display);
    if (waitServingAccessibility(wl_display_get_fd(display), milliseconds)) {
        wl_display_read_events(display);
    } else {
        wl_display_cancel_read(display);
    }
    wl_display_dispatch_pending(display);
}

bool startWaylandVideo() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    standIn().seatless = !offersSeat(display);
    wl_display_disconnect(display);
    if (standIn().seatless) {
        return false;
    }
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "wayland", SDL_HINT_OVERRIDE);
    prepareGtkTitleBars();
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

const WindowSystem waylandWindowSystem = {
    wlPrimaryBounds,
    SDL_WINDOW_ALLOW_HIGHDPI,
    wlNameWindow,
    wlShowWindow,
    wlFrameExtents,
    wlMaximisedOrFullscreen,
    wlLeaveMaximisedAndFullscreen,
    wlResizeClient,
    wlCaptureMouse,
    wlWaitForInput,
    wlMessageBox,
    eglPixelFormats,
    eglSetPixelFormat,
    eglNewContext,
    eglBindContext,
    eglUnbindContext,
    eglDropContext,
    eglPresent,
};
