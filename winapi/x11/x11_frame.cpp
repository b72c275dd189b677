// The frame a window manager puts around a window, and the states it may put the
// window in, read and changed through the window manager's own protocol (EWMH).
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "x11.h"

namespace {

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

// A property of 32-bit items; empty where the window has none of that type.
std::vector<long> property(Display* display, Window window, const char* name, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display, window, atom(display, name), 0, 1024, False, type, &actualType,
                           &format, &count, &after, &data) == Success && data != nullptr) {
        if (actualType == type && format == 32) {
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
        }
        XFree(data);
    }
    return values;
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
    const std::vector<long> check =
        property(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    return check.size() == 1 && check[0] != 0;
}

bool holds(const std::vector<long>& atoms, Display* display, const char* name) {
    return std::find(atoms.begin(), atoms.end(), static_cast<long>(atom(display, name))) !=
           atoms.end();
}

bool windowManagerSupports(Display* display, const char* name) {
    return holds(property(display, DefaultRootWindow(display), "_NET_SUPPORTED", XA_ATOM),
                 display, name);
}

// A window manager that does not publish its frames still puts the window in one: the
// frame is what lies between the window and its top-level ancestor.
FrameExtents frameAround(Display* display, Window xWindow) {
    Window root = None;
    Window parent = xWindow;
    Window topLevel = xWindow;
    Window* children = nullptr;
    unsigned count = 0;
    while (XQueryTree(display, topLevel, &root, &parent, &children, &count) && parent != root) {
        if (children != nullptr) {
            XFree(children);
        }
        topLevel = parent;
    }
    if (children != nullptr) {
        XFree(children);
    }
    XWindowAttributes client = {};
    XWindowAttributes frame = {};
    int x = 0;
    int y = 0;
    Window child = None;
    if (topLevel == xWindow || !XGetWindowAttributes(display, xWindow, &client) ||
        !XGetWindowAttributes(display, topLevel, &frame) ||
        !XTranslateCoordinates(display, xWindow, topLevel, 0, 0, &x, &y, &child)) {
        return {};
    }
    return {x, frame.width - x - client.width, y, frame.height - y - client.height};
}

}  // namespace

FrameExtents x11FrameExtents(StandInWindow* window, bool askFirst, int milliseconds) {
    Display* display = displayOf(window);
    const Window xWindow = xWindowOf(window);
    if (display == nullptr || !windowManagerRuns(display)) {
        return {};
    }
    if (!windowManagerSupports(display, "_NET_FRAME_EXTENTS")) {
        return askFirst ? FrameExtents{} : frameAround(display, xWindow);
    }
    if (askFirst) {
        sendToWindowManager(display, xWindow, atom(display, "_NET_REQUEST_FRAME_EXTENTS"), 0, 0, 0);
    }
    // The window manager answers in its own time; some answer only once the window is
    // mapped, and one that does not decorate it leaves it without a frame.
    for (int waited = 0; waited < milliseconds; waited += 10) {
        const std::vector<long> v = property(display, xWindow, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (v.size() == 4) {
            return {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                    static_cast<int>(v[3])};
        }
        SDL_Delay(10);
    }
    return {};
}

bool x11MaximisedOrFullscreen(StandInWindow* window) {
    Display* display = displayOf(window);
    if (display == nullptr) {
        return false;
    }
    const std::vector<long> states = property(display, xWindowOf(window), "_NET_WM_STATE", XA_ATOM);
    return holds(states, display, "_NET_WM_STATE_MAXIMIZED_VERT") ||
           holds(states, display, "_NET_WM_STATE_MAXIMIZED_HORZ") ||
           holds(states, display, "_NET_WM_STATE_FULLSCREEN");
}

void x11LeaveMaximisedAndFullscreen(StandInWindow* window) {
    Display* display = displayOf(window);
    if (display == nullptr) {
        return;
    }
    const long remove = 0;
    const Atom state = atom(display, "_NET_WM_STATE");
    const Window xWindow = xWindowOf(window);
    sendToWindowManager(display, xWindow, state, remove,
                        static_cast<long>(atom(display, "_NET_WM_STATE_MAXIMIZED_VERT")),
                        static_cast<long>(atom(display, "_NET_WM_STATE_MAXIMIZED_HORZ")));
    sendToWindowManager(display, xWindow, state, remove,
                        static_cast<long>(atom(display, "_NET_WM_STATE_FULLSCREEN")), 0);
}

// SDL keeps the size it last asked for even when the window manager refused it, and
// then takes a second request for that size as done: ask the server directly. As on
// Windows, the size is in place when the call returns (for a tenth of a second at
// most, as a window manager may refuse it): Mesa's software driver can hang in the
// next swap when the window changes size again while a frame is on its way.
void x11ResizeClient(StandInWindow* window, int width, int height) {
    Display* display = displayOf(window);
    if (display == nullptr) {
        return;
    }
    const Window xWindow = xWindowOf(window);
    // The fixed size the window manager is asked to keep is the new one.
    XSizeHints* hints = XAllocSizeHints();
    long supplied = 0;
    XGetWMNormalHints(display, xWindow, hints, &supplied);
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, xWindow, hints);
    XFree(hints);
    XResizeWindow(display, xWindow, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XWindowAttributes attributes = {};
    for (int waited = 0; waited < 100; waited += 5) {
        if (XGetWindowAttributes(display, xWindow, &attributes) && attributes.width == width &&
            attributes.height == height) {
            break;
        }
        SDL_Delay(5);
    }
    window->shownWidth = attributes.width;
    window->shownHeight = attributes.height;
    presentClientArea(window);
}
