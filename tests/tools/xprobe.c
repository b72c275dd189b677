/* X client the end-to-end tests and the benchmark use to act as a window manager
 * and an observer would:
 *   xprobe close WINDOW            asks the window to close, as its close box does
 *   xprobe frames WINDOW SECONDS   counts the frames the window presents meanwhile
 *   xprobe next-frame WINDOW MS    waits for the window's next frame; prints the wait
 * Frames are counted as damage to the window: every presented frame damages it. */
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int closeWindow(Display *display, Window window) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

/* Waits up to `seconds` for damage; returns 1 when a frame came. */
static int waitForDamage(Display *display, int damageEvent, Damage damage, double deadline) {
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                XDamageSubtract(display, damage, None, None);
                return 1;
            }
        }
        const double left = deadline - now();
        if (left <= 0) {
            return 0;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        struct timeval timeout = {(long)left, (long)((left - (long)left) * 1e6)};
        select(ConnectionNumber(display) + 1, &fds, NULL, NULL, &timeout);
    }
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: xprobe close|frames|next-frame WINDOW [ARG]\n");
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xprobe: no display\n");
        return 2;
    }
    const Window window = (Window)strtoul(argv[2], NULL, 0);
    if (strcmp(argv[1], "close") == 0) {
        return closeWindow(display, window);
    }
    int damageEvent, damageError;
    if (argc < 4 || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        fprintf(stderr, "xprobe: needs an argument and the DAMAGE extension\n");
        return 2;
    }
    Damage damage = XDamageCreate(display, window, XDamageReportNonEmpty);
    XSync(display, False);
    const double start = now();
    if (strcmp(argv[1], "frames") == 0) {
        const double deadline = start + atof(argv[3]);
        long frames = 0;
        while (waitForDamage(display, damageEvent, damage, deadline)) {
            ++frames;
        }
        printf("%ld\n", frames);
        return 0;
    }
    if (strcmp(argv[1], "next-frame") == 0) {
        if (!waitForDamage(display, damageEvent, damage, start + atof(argv[3]) / 1000.0)) {
            return 1;
        }
        printf("%.3f\n", (now() - start) * 1000.0);
        return 0;
    }
    return 2;
}
