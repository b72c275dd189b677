/* Preloaded into the viewer by the end-to-end tests: records every string message
 * boxes draw with cairo, their text and button, then draws it as usual; each box opens
 * a display connection of its own, which starts a new group. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static FILE *openLog(void) {
    const char *path = getenv("MESSAGEBOX_LOG");
    return path ? fopen(path, "a") : NULL;
}

static void record(const char *text) {
    FILE *log = openLog();
    if (log != NULL) {
        fputs(text, log);
        fclose(log);
    }
}

Display *XOpenDisplay(const char *name) {
    Display *(*open)(const char *) = (Display * (*)(const char *)) dlsym(RTLD_NEXT, "XOpenDisplay");
    record("\x1d"); /* group separator */
    return open(name);
}

/* The Wayland box's connection; SDL's own calls reach the library past the spy. */
void *wl_display_connect(const char *name) {
    void *(*connect)(const char *) =
        (void *(*)(const char *))dlsym(RTLD_NEXT, "wl_display_connect");
    record("\x1d");
    return connect(name);
}

/* cairo's call, for the boxes' text, in UTF-8 already. */
void cairo_show_text(void *cr, const char *utf8) {
    void (*next)(void *, const char *) =
        (void (*)(void *, const char *))dlsym(RTLD_NEXT, "cairo_show_text");
    record(utf8);
    record("\x1e"); /* record separator: no text holds one */
    next(cr, utf8);
}
