// The frame a window manager puts around a window, and the states it may put the
// window in, read and changed through the window manager's own protocol (EWMH).
#include <X11/Xatom.h>

#include "glx.h"

namespace {

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

bool readLongs(Display* display, Window window, Atom property, Atom type, long* values,
               unsigned long* count, unsigned long most) {
    Atom actualType = None;
    int format = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    *count = 0;
    if (XGetWindowProperty(display, window, property, 0, static_cast<long>(most), False, type,
                           &actualType, &format, count, &after, &data) != Success ||
        data == nullptr) {
        return false;
    }
    for (unsigned long i = 0; i < *count && i < most; ++i) {
        values[i] = reinterpret_cast<long*>(data)[i];
    }
    XFree(data);
    return actualType == type && format == 32;
}

void sendToWindowManager(Display* display, Window window, Atom message, long a, long b, long c) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = message;
    event.xclient.format = 32;
    event.xclient.data.l[0] = a;
    event.xclient.data.l[1] = b;
    event.xclient.data.l[2] = c;
    event.xclient.data.l[3] = 1;  // from a normal application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

bool windowManagerRuns(Display* display) {
    long check = 0;
    unsigned long count = 0;
    return readLongs(display, DefaultRootWindow(display), atom(display, "_NET_SUPPORTING_WM_CHECK"),
                     XA_WINDOW, &check, &count, 1) &&
           count == 1 && check != 0;
}

}  // namespace

FrameExtents frameExtents(StandInWindow* window, bool askFirst, int milliseconds) {
    Display* display = displayOf(window);
    const Window xWindow = xWindowOf(window);
    if (display == nullptr || !windowManagerRuns(display)) {
        return {};
    }
    const Atom extents = atom(display, "_NET_FRAME_EXTENTS");
    if (askFirst) {
        sendToWindowManager(display, xWindow, atom(display, "_NET_REQUEST_FRAME_EXTENTS"), 0, 0, 0);
    }
    // The window manager answers in its own time; some answer only once the window is
    // mapped, and one that does not decorate it leaves it without a frame.
    long values[4] = {};
    unsigned long count = 0;
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (readLongs(display, xWindow, extents, XA_CARDINAL, values, &count, 4) && count == 4) {
            return {static_cast<int>(values[0]), static_cast<int>(values[1]),
                    static_cast<int>(values[2]), static_cast<int>(values[3])};
        }
        SDL_Delay(10);
    }
    return {};
}

bool leaveMaximisedOrFullscreen(StandInWindow* window) {
    Display* display = displayOf(window);
    const Window xWindow = xWindowOf(window);
    if (display == nullptr) {
        return false;
    }
    const Atom fullscreen = atom(display, "_NET_WM_STATE_FULLSCREEN");
    const Atom vertical = atom(display, "_NET_WM_STATE_MAXIMIZED_VERT");
    const Atom horizontal = atom(display, "_NET_WM_STATE_MAXIMIZED_HORZ");
    long states[32] = {};
    unsigned long count = 0;
    readLongs(display, xWindow, atom(display, "_NET_WM_STATE"), XA_ATOM, states, &count, 32);
    bool isFullscreen = false;
    bool isMaximised = false;
    for (unsigned long i = 0; i < count && i < 32; ++i) {
        isFullscreen |= static_cast<Atom>(states[i]) == fullscreen;
        isMaximised |= static_cast<Atom>(states[i]) == vertical ||
                       static_cast<Atom>(states[i]) == horizontal;
    }
    const long remove = 0;
    const Atom state = atom(display, "_NET_WM_STATE");
    if (isFullscreen) {
        sendToWindowManager(display, xWindow, state, remove, static_cast<long>(fullscreen), 0);
    }
    if (isMaximised) {
        sendToWindowManager(display, xWindow, state, remove, static_cast<long>(vertical),
                            static_cast<long>(horizontal));
    }
    return isFullscreen || isMaximised;
}

// SDL keeps the size it last asked for even when the window manager refused it, and
// then takes a second request for that size as done: ask the server directly.
void resizeClient(StandInWindow* window, int width, int height) {
    Display* display = displayOf(window);
    if (display != nullptr) {
        XResizeWindow(display, xWindowOf(window), static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        XFlush(display);
    }
}
