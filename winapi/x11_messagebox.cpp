// MessageBoxA as an X11 dialog of the stand-in's own. SDL's box takes its colours for
// 24-bit pixel values, which are other colours on every other visual, and waits for OK
// in a child process whatever signal the program gets. Like Windows' box for a program
// that is aware of the display's DPI, it is drawn at the desktop's scale with smooth text.
#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "messagebox.h"
#include "x11.h"

namespace {

const double windowsDpi = 96;
const double largestDpi = 480;  // Windows scales the desktop to 500 % at most
const char* const coreFontPattern = "-misc-fixed-medium-r-normal--*-*-*-*-*-*-iso10646-1";
const int coreFontPixels = 13;  // the core font that matches the box at 96 dpi

typedef std::vector<FcChar32> Line;

// Antialiased text where the server composites (RENDER); else the server's own fonts.
struct BoxFont {
    XftFont* xft;
    XftDraw* draw;
    XFontStruct* core;
    int ascent;
    int descent;
};

struct Box {
    Display* display;
    Window window;
    GC gc;
    BoxFont font;
    unsigned long pixels[boxColourCount];
    std::vector<Line> lines;
    bool stopIcon;
    BoxLayout layout;
    bool buttonHeld;
};

// A line of the text as Unicode characters, as the fonts take them.
Line charactersOf(const std::string& utf8) {
    Line line;
    const FcChar8* next = reinterpret_cast<const FcChar8*>(utf8.data());
    int left = static_cast<int>(utf8.size());
    FcChar32 character = 0;
    for (int used; left > 0 && (used = FcUtf8ToUcs4(next, &character, left)) > 0;
         next += used, left -= used) {
        line.push_back(character);
    }
    return line;
}

// The desktop's scale, as GNOME, KDE and Xfce publish it for X11 programs: Xft.dpi in
// the resource database, 96 where there is none.
double desktopDpi(Display* display) {
    const char* resources = XResourceManagerString(display);
    double dpi = windowsDpi;
    if (resources != nullptr) {
        XrmInitialize();
        XrmDatabase database = XrmGetStringDatabase(resources);
        char* type = nullptr;
        XrmValue value = {};
        if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) &&
            value.addr != nullptr) {
            dpi = std::atof(value.addr);
        }
        XrmDestroyDatabase(database);
    }
    return dpi > 0 ? std::min(dpi, largestDpi) : windowsDpi;
}

// A colour the visual cannot show exactly gets its nearest; a full colour map, black or
// white by brightness, so that text stays readable against its background.
void allocateColours(Box* box) {
    const int screen = DefaultScreen(box->display);
    const Colormap colormap = DefaultColormap(box->display, screen);
    for (int i = 0; i < boxColourCount; ++i) {
        const BoxRgb& wanted = boxColours[i];
        XColor colour = {0, wanted.red, wanted.green, wanted.blue, DoRed | DoGreen | DoBlue, 0};
        const bool light = colour.red / 3 + colour.green / 3 + colour.blue / 3 > 0x8000;
        box->pixels[i] = XAllocColor(box->display, colormap, &colour)
                             ? colour.pixel
                             : (light ? WhitePixel(box->display, screen)
                                      : BlackPixel(box->display, screen));
    }
}

// Whether the server composites antialiased text onto the screen's pixels. On a colour
// map it blends some of the colours the box allocates as others: text on the button
// came out as a black block on Xvfb's 8-bit PseudoColor screen.
bool compositesText(Display* display) {
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    return XftDefaultHasRender(display) && XRenderFindVisualFormat(display, visual) != nullptr &&
           (visual->c_class == TrueColor || visual->c_class == DirectColor);
}

// The desktop's sans-serif font at the message font's size, antialiased, where the
// server composites it; or else the core font nearest that size, as far as the
// server's fonts go.
BoxFont openFont(Display* display, double scale) {
    BoxFont font = {};
    const int screen = DefaultScreen(display);
    if (compositesText(display)) {
        font.xft = XftFontOpen(display, screen, XFT_FAMILY, XftTypeString, "sans-serif",
                               XFT_PIXEL_SIZE, XftTypeDouble,
                               messageFontPoints * windowsDpi * scale / 72, XFT_ANTIALIAS,
                               XftTypeBool, True, nullptr);
    }
    if (font.xft != nullptr) {
        font.ascent = font.xft->ascent;
        font.descent = font.xft->descent;
        return font;
    }
    int count = 0;
    char** names = XListFonts(display, coreFontPattern, 100, &count);
    const char* nearest = "fixed";
    int nearestPixels = 0;
    const double wanted = coreFontPixels * scale;
    for (int i = 0; i < count; ++i) {
        // The pixel size follows the name's seventh dash; 0 marks a scaled bitmap.
        const char* field = names[i];
        for (int dashes = 1; dashes < 7 && field != nullptr; ++dashes) {
            field = std::strchr(field + 1, '-');
        }
        const int pixels = field ? std::atoi(field + 1) : 0;
        if (pixels > 0 && std::fabs(pixels - wanted) < std::fabs(nearestPixels - wanted)) {
            nearest = names[i];
            nearestPixels = pixels;
        }
    }
    font.core = XLoadQueryFont(display, nearest);
    if (names != nullptr) {
        XFreeFontNames(names);
    }
    if (font.core != nullptr) {
        font.ascent = font.core->ascent;
        font.descent = font.core->descent;
    }
    return font;
}

void closeFont(Display* display, BoxFont* font) {
    if (font->draw != nullptr) {
        XftDrawDestroy(font->draw);
    }
    if (font->xft != nullptr) {
        XftFontClose(display, font->xft);
    }
    if (font->core != nullptr) {
        XFreeFont(display, font->core);
    }
}

// A core font takes 16-bit characters; Windows-1252 has none beyond them.
std::vector<XChar2b> coreCharacters(const Line& line) {
    std::vector<XChar2b> characters;
    for (const FcChar32 c : line) {
        characters.push_back({static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)});
    }
    return characters;
}

int lineWidth(const Box& box, const Line& line) {
    if (box.font.xft != nullptr) {
        XGlyphInfo extents = {};
        XftTextExtents32(box.display, box.font.xft, line.data(), static_cast<int>(line.size()),
                         &extents);
        return extents.xOff;
    }
    const std::vector<XChar2b> characters = coreCharacters(line);
    return XTextWidth16(box.font.core, characters.data(), static_cast<int>(characters.size()));
}

void drawLine(const Box& box, int x, int baseline, const Line& line) {
    if (line.empty()) {
        return;
    }
    if (box.font.xft != nullptr) {
        XftColor ink = {};
        ink.pixel = box.pixels[boxText];
        ink.color.alpha = 0xffff;  // black, as wanted
        XftDrawString32(box.font.draw, &ink, box.font.xft, x, baseline, line.data(),
                        static_cast<int>(line.size()));
        return;
    }
    const std::vector<XChar2b> characters = coreCharacters(line);
    XSetForeground(box.display, box.gc, box.pixels[boxText]);
    XDrawString16(box.display, box.window, box.gc, x, baseline, characters.data(),
                  static_cast<int>(characters.size()));
}

void layOut(Box* box, double scale) {
    int textWidth = 0;
    for (const Line& line : box->lines) {
        textWidth = std::max(textWidth, lineWidth(*box, line));
    }
    box->layout = layOutBox(scale, textWidth, static_cast<int>(box->lines.size()),
                            box->font.ascent, box->font.descent, box->stopIcon);
}

void fill(const Box& box, BoxColour colour, const BoxRect& area) {
    XSetForeground(box.display, box.gc, box.pixels[colour]);
    XFillRectangle(box.display, box.window, box.gc, area.x, area.y,
                   static_cast<unsigned>(area.width), static_cast<unsigned>(area.height));
}

void drawStopIcon(const Box& box) {
    const BoxRect& icon = box.layout.icon;
    XSetForeground(box.display, box.gc, box.pixels[boxStopRed]);
    XFillArc(box.display, box.window, box.gc, icon.x, icon.y, static_cast<unsigned>(icon.width),
             static_cast<unsigned>(icon.height), 0, 360 * 64);
    XSetForeground(box.display, box.gc, box.pixels[boxStopCross]);
    XSetLineAttributes(box.display, box.gc, static_cast<unsigned>(box.layout.crossWidth),
                       LineSolid, CapButt, JoinMiter);
    const int low = icon.x + box.layout.crossInset;
    const int high = icon.x + icon.width - box.layout.crossInset;
    XDrawLine(box.display, box.window, box.gc, low, low, high, high);
    XDrawLine(box.display, box.window, box.gc, low, high, high, low);
    XSetLineAttributes(box.display, box.gc, 1, LineSolid, CapButt, JoinMiter);
}

void draw(const Box& box) {
    const BoxLayout& layout = box.layout;
    fill(box, boxBackground, {0, 0, layout.width, layout.bandTop});
    fill(box, boxBand, {0, layout.bandTop, layout.width, layout.height - layout.bandTop});
    if (box.stopIcon) {
        drawStopIcon(box);
    }
    int baseline = layout.firstBaseline;
    for (const Line& line : box.lines) {
        drawLine(box, layout.textLeft, baseline, line);
        baseline += layout.lineHeight;
    }
    fill(box, boxButtonBorder, layout.button);
    fill(box, boxButtonFace, buttonFace(layout, box.buttonHeld));
    const Line ok = {'O', 'K'};
    drawLine(box, labelLeft(layout, lineWidth(box, ok)),
             labelBaseline(layout, box.font.ascent, box.font.descent), ok);
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
    const int width = box->layout.width;
    const int height = box->layout.height;
    const int x = area.x + (area.w - width) / 2;
    const int y = area.y + (area.h - height) / 2;
    box->window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                      static_cast<unsigned>(width), static_cast<unsigned>(height),
                                      0, box->pixels[boxText], box->pixels[boxBand]);
    nameXWindow(display, box->window, caption);

    // A dialog of fixed size where the program put it, above its owner.
    XSizeHints* size = XAllocSizeHints();
    size->flags = PPosition | PMinSize | PMaxSize;
    size->x = x;
    size->y = y;
    size->min_width = size->max_width = width;
    size->min_height = size->max_height = height;
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint;
    hints->input = True;
    // Known by the menu entry as the program's window is, and by its process.
    XClassHint identity = {const_cast<char*>(DESKTOP_APP_ID), const_cast<char*>(DESKTOP_APP_ID)};
    XSetWMProperties(display, box->window, nullptr, nullptr, nullptr, 0, size, hints, &identity);
    XFree(hints);
    XFree(size);
    const long pid = getpid();
    XChangeProperty(display, box->window, XInternAtom(display, "_NET_WM_PID", False),
                    XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid),
                    1);
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
    if (box->font.xft != nullptr) {
        const int screen = DefaultScreen(display);
        box->font.draw = XftDrawCreate(display, box->window, DefaultVisual(display, screen),
                                       DefaultColormap(display, screen));
    } else {
        XSetFont(display, box->gc, box->font.core->fid);
    }
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
                          onButton(box->layout, event->xbutton.x, event->xbutton.y);
        draw(*box);
        return false;
    case ButtonRelease: {
        const bool clicked =
            box->buttonHeld && onButton(box->layout, event->xbutton.x, event->xbutton.y);
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
        endIfAskedTo();
        poll(&connection, 1, 100);
    }
}

}  // namespace

int x11MessageBox(StandInWindow* owner, LPCSTR text, LPCSTR caption, UINT type) {
    Box box = {};
    box.display = XOpenDisplay(nullptr);
    double scale = 1;
    if (box.display != nullptr) {
        scale = desktopDpi(box.display) / windowsDpi;
        box.font = openFont(box.display, scale);
    }
    // Without a display or a font there is nobody to ask.
    if (box.font.xft == nullptr && box.font.core == nullptr) {
        printBoxText(caption, text);
        if (box.display != nullptr) {
            XCloseDisplay(box.display);
        }
        return IDOK;
    }
    for (const std::string& line : boxLines(text)) {
        box.lines.push_back(charactersOf(line));
    }
    box.stopIcon = (type & MB_ICONHAND) != 0;
    allocateColours(&box);
    layOut(&box, scale);
    createBoxWindow(&box, owner, utf8FromAnsi(caption));
    runBox(&box);
    closeFont(box.display, &box.font);
    XFreeGC(box.display, box.gc);
    XDestroyWindow(box.display, box.window);
    XCloseDisplay(box.display);
    return IDOK;
}
