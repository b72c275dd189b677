/* X client the end-to-end tests and the benchmark use to act as a window manager
 * and an observer would:
 *   xprobe close WINDOW            asks the window to close, as its close box does
 *   xprobe frames WINDOW SECONDS   counts the frames the window presents meanwhile
 *   xprobe move-latency WINDOW X Y moves the pointer there (as xdotool does, through
 *                                  XTEST) and prints the time until the next frame
 *   xprobe first-frame MS          presses Return (through XTEST) and prints the time
 *                                  to the first frame of the next window mapped
 *   xprobe first-window MS PROGRAM [ARGUMENT...]
 *                                  starts the program and prints the time until it maps
 *                                  its first window, and its process id; it runs on
 *   xprobe state WINDOW add|remove STATE [STATE]
 *                                  asks the window manager to add or remove
 *                                  _NET_WM_STATE_<STATE>s, as its title-bar buttons do
 *   xprobe size WINDOW WIDTH HEIGHT
 *                                  asks for another size, as another program may
 *   (state and size print the size the window was given, or kept where the change
 *   was refused)
 *   xprobe grab                    prints 1 if another client holds the pointer grabbed
 *   xprobe saver                   prints on, off or disabled: the screen saver's state
 *   xprobe find TITLE              prints "id x y width height left right top bottom" of
 *                                  the viewable window of that title, wherever a window
 *                                  manager put it: its client area in root coordinates
 *                                  and its frame's extents (_NET_FRAME_EXTENTS, or 0)
 * A frame is counted when damage covers at least half of the window: a presented
 * frame repaints all of it, while the pointer that Xvfb draws damages a corner. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static XEvent clientMessage(Display *display, Window window, const char *type) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    return event;
}

static int closeWindow(Display *display, Window window) {
    XEvent event = clientMessage(display, window, "WM_PROTOCOLS");
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

/* Sleeps until the server has sent something or the deadline has passed; returns 0
 * once it has passed. */
static int waitForInput(Display *display, double deadline) {
    const double left = deadline - now();
    if (left <= 0) {
        return 0;
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(display), &fds);
    struct timeval timeout = {(long)left, (long)((left - (long)left) * 1e6)};
    select(ConnectionNumber(display) + 1, &fds, NULL, NULL, &timeout);
    return 1;
}

static long frameArea = 0;

/* Starts reporting the window's damage; what is reported on creation is no frame. */
static void watchFrames(Display *display, Window window) {
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    frameArea = (long)attributes.width * attributes.height / 2;
    XDamageCreate(display, window, XDamageReportRawRectangles);
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }
}

/* Waits until `deadline` for a frame; returns 1 when one came. */
static int waitForFrame(Display *display, int damageEvent, double deadline) {
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                const XDamageNotifyEvent *notify = (const XDamageNotifyEvent *)&event;
                if ((long)notify->area.width * notify->area.height >= frameArea) {
                    return 1;
                }
            }
        }
        if (!waitForInput(display, deadline)) {
            return 0;
        }
    }
}

/* Waits for the next top-level window to be mapped; returns it, or None. */
static Window waitForNewWindow(Display *display, double deadline) {
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) {
                return event.xmap.window;
            }
        }
        if (!waitForInput(display, deadline)) {
            return None;
        }
    }
}

static int firstFrame(Display *display, int damageEvent, double timeoutMs) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const KeyCode enter = XKeysymToKeycode(display, XK_Return);
    const double start = now();
    XTestFakeKeyEvent(display, enter, True, CurrentTime);
    XTestFakeKeyEvent(display, enter, False, CurrentTime);
    XFlush(display);
    const double deadline = start + timeoutMs / 1000.0;
    const Window window = waitForNewWindow(display, deadline);
    if (window == None) {
        return 1;
    }
    watchFrames(display, window);
    if (!waitForFrame(display, damageEvent, deadline)) {
        return 1;
    }
    printf("%.3f\n", (now() - start) * 1000.0);
    return 0;
}

static int firstWindow(Display *display, double timeoutMs, char **command) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const double start = now();
    const pid_t child = fork();
    if (child == 0) {
        /* It outlives the probe: the probe's reader must not wait for its output. */
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        execvp(command[0], command);
        _exit(127);
    }
    if (waitForNewWindow(display, start + timeoutMs / 1000.0) == None) {
        return 1;
    }
    printf("%.3f %d\n", (now() - start) * 1000.0, (int)child);
    return 0;
}

static int titled(Display *display, Window window, const char *title) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *name = NULL;
    int same = 0;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                           False, utf8, &type, &format, &count, &after, &name) == Success &&
        name != NULL) {
        same = strcmp((const char *)name, title) == 0;
        XFree(name);
        return same;
    }
    char *legacy = NULL;
    if (XFetchName(display, window, &legacy) && legacy != NULL) {
        same = strcmp(legacy, title) == 0;
        XFree(legacy);
    }
    return same;
}

static Window findTitled(Display *display, Window parent, const char *title) {
    Window root, up, *children = NULL;
    unsigned int count = 0;
    Window found = None;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) {
        return None;
    }
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        found = titled(display, children[i], title) ? children[i]
                                                    : findTitled(display, children[i], title);
    }
    if (children != NULL) {
        XFree(children);
    }
    return found;
}

static int findWindow(Display *display, const char *title) {
    const Window window = findTitled(display, DefaultRootWindow(display), title);
    if (window == None) {
        return 1;
    }
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x, y;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    long extents[4] = {0, 0, 0, 0};
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0,
                           4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != NULL) {
        for (unsigned long i = 0; i < count && i < 4; ++i) {
            extents[i] = ((long *)data)[i];
        }
        XFree(data);
    }
    printf("0x%lx %d %d %d %d %ld %ld %ld %ld\n", window, x, y, attributes.width,
           attributes.height, extents[0], extents[1], extents[2], extents[3]);
    return 0;
}

/* Starts watching the window's size, before a request that should change it. */
static void watchSize(Display *display, Window window, XWindowAttributes *before) {
    XSelectInput(display, window, StructureNotifyMask);
    XGetWindowAttributes(display, window, before);
}

/* Waits until the window has been given another size, and prints it. The program may
 * take its size back at once: the event that changed it counts, not the size later.
 * A window manager may refuse the change, as one does to a window of fixed size: after
 * two seconds without one, prints the size the window kept. */
static int waitForNewSize(Display *display, Window window, const XWindowAttributes *before) {
    const double deadline = now() + 2.0;
    XFlush(display);
    do {
        XEvent event;
        while (XCheckTypedWindowEvent(display, window, ConfigureNotify, &event)) {
            if (event.xconfigure.width != before->width ||
                event.xconfigure.height != before->height) {
                printf("%d %d\n", event.xconfigure.width, event.xconfigure.height);
                return 0;
            }
        }
    } while (waitForInput(display, deadline));
    printf("%d %d\n", before->width, before->height);
    return 0;
}

static int changeState(Display *display, Window window, int argc, char **argv) {
    XWindowAttributes before;
    watchSize(display, window, &before);
    XEvent event = clientMessage(display, window, "_NET_WM_STATE");
    event.xclient.data.l[0] = strcmp(argv[3], "add") == 0 ? 1 : 0;
    for (int i = 4; i < argc && i < 6; ++i) {
        char name[64];
        snprintf(name, sizeof name, "_NET_WM_STATE_%s", argv[i]);
        event.xclient.data.l[i - 3] = (long)XInternAtom(display, name, False);
    }
    event.xclient.data.l[3] = 2; /* from a pager: the user's own request */
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    return waitForNewSize(display, window, &before);
}

/* As another program or a user dragging an edge would: the window manager decides. */
static int changeSize(Display *display, Window window, unsigned width, unsigned height) {
    XWindowAttributes before;
    watchSize(display, window, &before);
    XResizeWindow(display, window, width, height);
    return waitForNewSize(display, window, &before);
}

static int pointerGrabbed(Display *display) {
    const int result = XGrabPointer(display, DefaultRootWindow(display), False, ButtonPressMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess) {
        XUngrabPointer(display, CurrentTime);
    }
    printf("%d\n", result == AlreadyGrabbed);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "grab") == 0) {
        Display *display = XOpenDisplay(NULL);
        return display ? pointerGrabbed(display) : 2;
    }
    if (argc == 2 && strcmp(argv[1], "saver") == 0) {
        Display *display = XOpenDisplay(NULL);
        XScreenSaverInfo info;
        if (display == NULL || !XScreenSaverQueryInfo(display, DefaultRootWindow(display), &info)) {
            return 2;
        }
        puts(info.state == ScreenSaverOn    ? "on"
             : info.state == ScreenSaverOff ? "off"
                                            : "disabled");
        return 0;
    }
    if (argc < 3) {
        fprintf(stderr,
                "usage: xprobe close|frames|move-latency|first-frame|first-window|state|size|"
                "grab|saver|find ...\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xprobe: no display\n");
        return 2;
    }
    if (strcmp(argv[1], "find") == 0) {
        return findWindow(display, argv[2]);
    }
    if (strcmp(argv[1], "first-window") == 0 && argc >= 4) {
        return firstWindow(display, atof(argv[2]), argv + 3);
    }
    const Window window = (Window)strtoul(argv[2], NULL, 0);
    if (strcmp(argv[1], "close") == 0) {
        return closeWindow(display, window);
    }
    if (strcmp(argv[1], "state") == 0 && argc >= 5) {
        return changeState(display, window, argc, argv);
    }
    if (strcmp(argv[1], "size") == 0 && argc >= 5) {
        return changeSize(display, window, strtoul(argv[3], NULL, 0), strtoul(argv[4], NULL, 0));
    }
    int damageEvent, damageError;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        fprintf(stderr, "xprobe: needs the DAMAGE extension\n");
        return 2;
    }
    if (strcmp(argv[1], "first-frame") == 0) {
        return firstFrame(display, damageEvent, atof(argv[2]));
    }
    if (argc < 4) {
        fprintf(stderr, "xprobe: %s needs another argument\n", argv[1]);
        return 2;
    }
    watchFrames(display, window);
    const double start = now();
    if (strcmp(argv[1], "frames") == 0) {
        const double deadline = start + atof(argv[3]);
        long frames = 0;
        while (waitForFrame(display, damageEvent, deadline)) {
            ++frames;
        }
        printf("%ld\n", frames);
        return 0;
    }
    if (strcmp(argv[1], "move-latency") == 0 && argc >= 5) {
        const double moved = now();
        XTestFakeMotionEvent(display, -1, atoi(argv[3]), atoi(argv[4]), CurrentTime);
        XFlush(display);
        if (!waitForFrame(display, damageEvent, moved + 1.0)) {
            return 1;
        }
        printf("%.3f\n", (now() - moved) * 1000.0);
        return 0;
    }
    return 2;
}
