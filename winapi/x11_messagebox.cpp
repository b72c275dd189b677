// MessageBoxA as an X11 dialog of the stand-in's own. SDL's box takes its colours for
// 24-bit pixel values, which are other colours on every other visual, and waits for OK
// in a child process whatever signal the program gets.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "glx.h"

namespace {

// Windows' message box at 96 dots per inch: text on white, the button on a grey band.
const int margin = 12;
const int iconSide = 32;
const int buttonWidth = 88;
const int buttonHeight = 26;

enum BoxColour { background, band, textColour, buttonFace, buttonBorder, stopRed, stopCross };
const XColor wantedColours[] = {
    {0, 0xffff, 0xffff, 0xffff, DoRed | DoGreen | DoBlue, 0},
    {0, 0xf0f0, 0xf0f0, 0xf0f0, DoRed | DoGreen | DoBlue, 0},
    {0, 0x0000, 0x0000, 0x0000, DoRed | DoGreen | DoBlue, 0},
    {0, 0xe1e1, 0xe1e1, 0xe1e1, DoRed | DoGreen | DoBlue, 0},
    {0, 0x0000, 0x7878, 0xd7d7, DoRed | DoGreen | DoBlue, 0},
    {0, 0xe8e8, 0x1111, 0x2323, DoRed | DoGreen | DoBlue, 0},
    {0, 0xffff, 0xffff, 0xffff, DoRed | DoGreen | DoBlue, 0},
};
const int colourCount = sizeof wantedColours / sizeof wantedColours[0];

typedef std::vector<XChar2b> Line;

struct Box {
    Display* display;
    Window window;
    GC gc;
    XFontStruct* font;
    unsigned long pixels[colourCount];
    std::vector<Line> lines;
    bool stopIcon;
    int width;
    int height;
    int bandTop;
    XRectangle button;
    bool buttonHeld;
};

// The text in the code page the program writes in, as the font's UCS-2 characters.
std::vector<Line> linesOf(const char* ansi) {
    std::vector<Line> lines(1);
    if (ansi == nullptr) {
        return lines;
    }
    char* wide = SDL_iconv_string("UCS-2BE", "WINDOWS-1252", ansi, SDL_strlen(ansi) + 1);
    for (const char* c = wide; c != nullptr && (c[0] != 0 || c[1] != 0); c += 2) {
        const XChar2b character = {static_cast<unsigned char>(c[0]),
                                   static_cast<unsigned char>(c[1])};
        if (character.byte1 == 0 && character.byte2 == '\n') {
            lines.emplace_back();
        } else if (!(character.byte1 == 0 && character.byte2 == '\r')) {
            lines.back().push_back(character);
        }
    }
    SDL_free(wide);
    return lines;
}

// A colour the visual cannot show exactly gets its nearest; a full colour map, black or
// white by brightness, so that text stays readable against its background.
void allocateColours(Box* box) {
    const int screen = DefaultScreen(box->display);
    const Colormap colormap = DefaultColormap(box->display, screen);
    for (int i = 0; i < colourCount; ++i) {
        XColor colour = wantedColours[i];
        const bool light = colour.red / 3 + colour.green / 3 + colour.blue / 3 > 0x8000;
        box->pixels[i] = XAllocColor(box->display, colormap, &colour)
                             ? colour.pixel
                             : (light ? WhitePixel(box->display, screen)
                                      : BlackPixel(box->display, screen));
    }
}

int lineWidth(const Box& box, const Line& line) {
    return XTextWidth16(box.font, line.data(), static_cast<int>(line.size()));
}

int lineHeight(const Box& box) { return box.font->ascent + box.font->descent + 2; }

void layOut(Box* box) {
    int textWidth = 0;
    for (const Line& line : box->lines) {
        textWidth = std::max(textWidth, lineWidth(*box, line));
    }
    const int textHeight = static_cast<int>(box->lines.size()) * lineHeight(*box);
    const int iconSpace = box->stopIcon ? iconSide + margin : 0;
    box->width = std::max({2 * margin + iconSpace + textWidth, 2 * margin + buttonWidth, 200});
    box->bandTop = 2 * margin + std::max(textHeight, box->stopIcon ? iconSide : 0);
    box->height = box->bandTop + buttonHeight + 2 * 10;
    box->button = {static_cast<short>(box->width - margin - buttonWidth),
                   static_cast<short>(box->bandTop + 10), buttonWidth, buttonHeight};
}

void fill(const Box& box, BoxColour colour, int x, int y, int width, int height) {
    XSetForeground(box.display, box.gc, box.pixels[colour]);
    XFillRectangle(box.display, box.window, box.gc, x, y, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
}

void drawStopIcon(const Box& box) {
    XSetForeground(box.display, box.gc, box.pixels[stopRed]);
    XFillArc(box.display, box.window, box.gc, margin, margin, iconSide, iconSide, 0, 360 * 64);
    XSetForeground(box.display, box.gc, box.pixels[stopCross]);
    XSetLineAttributes(box.display, box.gc, 3, LineSolid, CapButt, JoinMiter);
    const int low = margin + 10;
    const int high = margin + iconSide - 10;
    XDrawLine(box.display, box.window, box.gc, low, low, high, high);
    XDrawLine(box.display, box.window, box.gc, low, high, high, low);
    XSetLineAttributes(box.display, box.gc, 1, LineSolid, CapButt, JoinMiter);
}

void draw(const Box& box) {
    fill(box, background, 0, 0, box.width, box.bandTop);
    fill(box, band, 0, box.bandTop, box.width, box.height - box.bandTop);
    if (box.stopIcon) {
        drawStopIcon(box);
    }
    XSetForeground(box.display, box.gc, box.pixels[textColour]);
    const int textLeft = margin + (box.stopIcon ? iconSide + margin : 0);
    int baseline = margin + box.font->ascent;
    for (const Line& line : box.lines) {
        if (!line.empty()) {
            XDrawString16(box.display, box.window, box.gc, textLeft, baseline, line.data(),
                          static_cast<int>(line.size()));
        }
        baseline += lineHeight(box);
    }
    const XRectangle& b = box.button;
    fill(box, buttonBorder, b.x, b.y, b.width, b.height);
    const int inset = box.buttonHeld ? 3 : 2;
    fill(box, buttonFace, b.x + inset, b.y + inset, b.width - 2 * inset, b.height - 2 * inset);
    const Line ok = {{0, 'O'}, {0, 'K'}};
    XSetForeground(box.display, box.gc, box.pixels[textColour]);
    XDrawString16(box.display, box.window, box.gc, b.x + (b.width - lineWidth(box, ok)) / 2,
                  b.y + (b.height + box.font->ascent - box.font->descent) / 2, ok.data(), 2);
}

bool onButton(const Box& box, int x, int y) {
    const XRectangle& b = box.button;
    return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

// Where Windows puts a box: centred on its owner, or on the primary monitor.
SDL_Rect placeOver(StandInWindow* owner) {
    SDL_Rect area = {};
    if (owner != nullptr) {
        SDL_GetWindowPosition(owner->sdl, &area.x, &area.y);
        SDL_GetWindowSize(owner->sdl, &area.w, &area.h);
    } else {
        area = primaryBounds();
    }
    return area;
}

void createBoxWindow(Box* box, StandInWindow* owner, const std::string& caption) {
    Display* display = box->display;
    const SDL_Rect area = placeOver(owner);
    const int x = area.x + (area.w - box->width) / 2;
    const int y = area.y + (area.h - box->height) / 2;
    box->window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                      static_cast<unsigned>(box->width),
                                      static_cast<unsigned>(box->height), 0,
                                      box->pixels[textColour], box->pixels[band]);
    nameXWindow(display, box->window, caption);

    // A dialog of fixed size where the program put it, above its owner.
    XSizeHints* size = XAllocSizeHints();
    size->flags = PPosition | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->min_width = size->max_width = box->width;
    size->min_height = size->max_height = box->height;
    XSetWMNormalHints(display, box->window, size);
    XFree(size);
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint;
    hints->input = True;
    XSetWMHints(display, box->window, hints);
    XFree(hints);
    if (owner != nullptr) {
        XSetTransientForHint(display, box->window, xWindowOf(owner));
    }
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, box->window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False),
                    XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&type),
                    1);
    Atom closeBox = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, box->window, &closeBox, 1);
    XSelectInput(display, box->window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);
    box->gc = XCreateGC(display, box->window, 0, nullptr);
    XSetFont(display, box->gc, box->font->fid);
    XMapRaised(display, box->window);
}

// What ends the box: OK by key or mouse, or its close box. True once it has ended.
bool handle(Box* box, XEvent* event, bool* focused) {
    switch (event->type) {
    case Expose:
        if (event->xexpose.count == 0) {
            draw(*box);
        }
        // As Windows activates a new box; X refuses focus until the box is viewable.
        if (!*focused) {
            *focused = true;
            XSetInputFocus(box->display, box->window, RevertToParent, CurrentTime);
        }
        return false;
    case KeyPress: {
        const KeySym key = XLookupKeysym(&event->xkey, 0);
        return key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space;
    }
    case ButtonPress:
        box->buttonHeld = event->xbutton.button == Button1 &&
                          onButton(*box, event->xbutton.x, event->xbutton.y);
        draw(*box);
        return false;
    case ButtonRelease: {
        const bool clicked = box->buttonHeld && onButton(*box, event->xbutton.x, event->xbutton.y);
        box->buttonHeld = false;
        draw(*box);
        return clicked;
    }
    case ClientMessage:
        return event->xclient.format == 32 &&
               static_cast<Atom>(event->xclient.data.l[0]) ==
                   XInternAtom(box->display, "WM_DELETE_WINDOW", False);
    default:
        return false;
    }
}

// Waits for OK. A request to end the program (SIGTERM, SIGINT, a logout) ends it here,
// as Windows ends a program whatever box it shows, with the status a close gives.
void runBox(Box* box) {
    bool focused = false;
    pollfd connection = {ConnectionNumber(box->display), POLLIN, 0};
    for (;;) {
        while (XPending(box->display)) {
            XEvent event;
            XNextEvent(box->display, &event);
            if (handle(box, &event, &focused)) {
                return;
            }
        }
        if (SDL_QuitRequested()) {
            std::exit(0);
        }
        poll(&connection, 1, 100);
    }
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string utf8Caption = utf8FromAnsi(caption);
    Box box = {};
    box.display = XOpenDisplay(nullptr);
    if (box.display != nullptr) {
        box.font = XLoadQueryFont(box.display, "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso10646-1");
        if (box.font == nullptr) {
            box.font = XLoadQueryFont(box.display, "fixed");
        }
    }
    // Without a display or a font there is nobody to ask; the text must not be lost.
    if (box.font == nullptr) {
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8FromAnsi(text).c_str());
        if (box.display != nullptr) {
            XCloseDisplay(box.display);
        }
        return IDOK;
    }
    box.lines = linesOf(text);
    box.stopIcon = (type & MB_ICONHAND) != 0;
    allocateColours(&box);
    layOut(&box);
    createBoxWindow(&box, liveWindow(owner), utf8Caption);
    runBox(&box);
    XFreeGC(box.display, box.gc);
    XDestroyWindow(box.display, box.window);
    XFreeFont(box.display, box.font);
    XCloseDisplay(box.display);
    return IDOK;
}
