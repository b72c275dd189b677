/* Preloaded into the viewer by the end-to-end tests: records every string message
 * boxes draw, their text and button, in Xft's 32-bit or the core fonts' 16-bit
 * characters or cairo's UTF-8, then draws it as usual; each box opens a display connection of its
 * own, which starts a new group. */
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

/* A record separator ends each string: no text holds one. */
static void closeString(FILE *log) {
    fputc('\x1e', log);
    fclose(log);
}

int XDrawString16(Display *display, Drawable drawable, GC gc, int x, int y,
                  const XChar2b *string, int length) {
    int (*draw)(Display *, Drawable, GC, int, int, const XChar2b *, int) =
        (int (*)(Display *, Drawable, GC, int, int, const XChar2b *, int))dlsym(
            RTLD_NEXT, "XDrawString16");
    FILE *log = openLog();
    if (log != NULL) {
        for (int i = 0; i < length; ++i) {
            putUtf8(log, (unsigned)string[i].byte1 << 8 | string[i].byte2);
        }
        closeString(log);
    }
    return draw(display, drawable, gc, x, y, string, length);
}

/* Xft's call, for the antialiased text: its handles pass through untouched. */
void XftDrawString32(void *draw, const void *colour, void *font, int x, int y,
                     const unsigned *string, int length) {
    void (*next)(void *, const void *, void *, int, int, const unsigned *, int) =
        (void (*)(void *, const void *, void *, int, int, const unsigned *, int))dlsym(
            RTLD_NEXT, "XftDrawString32");
    FILE *log = openLog();
    if (log != NULL) {
        for (int i = 0; i < length; ++i) {
            putUtf8(log, string[i]);
        }
        closeString(log);
    }
    next(draw, colour, font, x, y, string, length);
}

/* cairo's call, for the Wayland box's text, in UTF-8 already. */
void cairo_show_text(void *cr, const char *utf8) {
    void (*next)(void *, const char *) =
        (void (*)(void *, const char *))dlsym(RTLD_NEXT, "cairo_show_text");
    record(utf8);
    record("\x1e");
    next(cr, utf8);
}
