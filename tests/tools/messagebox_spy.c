/* Preloaded into the viewer by the end-to-end tests: records every string drawn in
 * 16-bit characters, as message boxes draw their text and button, then draws it as
 * usual; each box opens a display connection of its own, which starts a new group. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static void putUtf8(FILE *log, unsigned code) {
    if (code < 0x80) {
        fputc((int)code, log);
    } else if (code < 0x800) {
        fputc((int)(0xC0 | code >> 6), log);
        fputc((int)(0x80 | (code & 0x3F)), log);
    } else {
        fputc((int)(0xE0 | code >> 12), log);
        fputc((int)(0x80 | ((code >> 6) & 0x3F)), log);
        fputc((int)(0x80 | (code & 0x3F)), log);
    }
}

static void record(const char *text) {
    const char *path = getenv("MESSAGEBOX_LOG");
    FILE *log = path ? fopen(path, "a") : NULL;
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

int XDrawString16(Display *display, Drawable drawable, GC gc, int x, int y,
                  const XChar2b *string, int length) {
    int (*draw)(Display *, Drawable, GC, int, int, const XChar2b *, int) =
        (int (*)(Display *, Drawable, GC, int, int, const XChar2b *, int))dlsym(
            RTLD_NEXT, "XDrawString16");
    const char *path = getenv("MESSAGEBOX_LOG");
    FILE *log = path ? fopen(path, "a") : NULL;
    if (log != NULL) {
        /* A record separator ends each string: no text holds one. */
        for (int i = 0; i < length; ++i) {
            putUtf8(log, (unsigned)string[i].byte1 << 8 | string[i].byte2);
        }
        fputc('\x1e', log);
        fclose(log);
    }
    return draw(display, drawable, gc, x, y, string, length);
}
