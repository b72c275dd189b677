// MessageBoxA as an X11 dialog of the stand-in's own. SDL's box takes its colours for
// 24-bit pixel values, which are other colours on every other visual, and waits for OK
// in a child process whatever signal the program gets. Like Windows' box for a program
// that is aware of the display's DPI, it is drawn at the desktop's scale with smooth text.
#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "a11y/accessibility.h"
#include "sdl/messagebox.h"
#include "x11.h"

namespace {

const double windowsDpi = 96;
const double largestDpi = 480;  // Windows scales the desktop to 500 % at most

struct Box {
    Display* display;
    Window window;
    cairo_surface_t* surface;  // null on a colour map
    std::map<uint32_t, unsigned long> pixels;  // a colour map's entries, by RGB
    BoxPicture picture;
};

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

// Whether the visual shows every shade antialiased text blends; a colour map holds
// few, and cairo dithers the box's greys from a colour cube of its own there.
bool showsShades(Visual* visual) {
    return visual->c_class == TrueColor || visual->c_class == DirectColor;
}

// A colour map's entry for a colour: the nearest the server has, or where the map is
// full, black or white by brightness, so that text stays readable against its paper.
unsigned long pixelFor(Box* box, uint32_t rgb) {
    const auto known = box->pixels.find(rgb);
    if (known != box->pixels.end()) {
        return known->second;
    }
    const int screen = DefaultScreen(box->display);
    const unsigned short red = (rgb >> 16 & 0xff) * 257;
    const unsigned short green = (rgb >> 8 & 0xff) * 257;
    const unsigned short blue = (rgb & 0xff) * 257;
    XColor colour = {0, red, green, blue, DoRed | DoGreen | DoBlue, 0};
    const bool light = red / 3 + green / 3 + blue / 3 > 0x8000;
    const unsigned long pixel =
        XAllocColor(box->display, DefaultColormap(box->display, screen), &colour)
            ? colour.pixel
            : (light ? WhitePixel(box->display, screen) : BlackPixel(box->display, screen));
    return box->pixels[rgb] = pixel;
}

// On a colour map the box is drawn without antialiasing, in its own few colours, and
// each is put through the map exactly.
void putThroughColourMap(Box* box) {
    const int width = box->picture.width;
    const int height = box->picture.height;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(image);
    drawBox(cr, box->picture);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    const int screen = DefaultScreen(box->display);
    XImage* shown = XCreateImage(box->display, DefaultVisual(box->display, screen),
                                 static_cast<unsigned>(DefaultDepth(box->display, screen)),
                                 ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, 0);
    shown->data = static_cast<char*>(std::malloc(static_cast<size_t>(shown->bytes_per_line) *
                                                 static_cast<size_t>(height)));
    const unsigned char* rows = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(rows + y * stride);
        for (int x = 0; x < width; ++x) {
            XPutPixel(shown, x, y, pixelFor(box, row[x] & 0xffffff));
        }
    }
    XPutImage(box->display, box->window, DefaultGC(box->display, screen), shown, 0, 0, 0, 0,
              static_cast<unsigned>(width), static_cast<unsigned>(height));
    XDestroyImage(shown);
    cairo_surface_destroy(image);
}

void draw(Box* box) {
    if (box->surface == nullptr) {
        putThroughColourMap(box);
        return;
    }
    cairo_t* cr = cairo_create(box->surface);
    drawBox(cr, box->picture);
    cairo_destroy(cr);
    cairo_surface_flush(box->surface);
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
    const int width = box->picture.width;
    const int height = box->picture.height;
    const int x = area.x + (area.w - width) / 2;
    const int y = area.y + (area.h - height) / 2;
    const int screen = DefaultScreen(display);
    box->window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y,
                                      static_cast<unsigned>(width), static_cast<unsigned>(height),
                                      0, BlackPixel(display, screen), WhitePixel(display, screen));
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
    if (box->picture.smooth) {
        box->surface = cairo_xlib_surface_create(display, box->window,
                                                 DefaultVisual(display, screen), width, height);
    }
    XMapRaised(display, box->window);
}

// What ends the box: OK by key or mouse, or its close box. True once it has ended.
bool handle(Box* box, XEvent* event, bool* focused) {
    switch (event->type) {
    case Expose:
        if (event->xexpose.count == 0) {
            draw(box);
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
        box->picture.buttonHeld = event->xbutton.button == Button1 &&
                                  onButton(box->picture, event->xbutton.x, event->xbutton.y);
        draw(box);
        return false;
    case ButtonRelease: {
        const bool clicked = box->picture.buttonHeld &&
                             onButton(box->picture, event->xbutton.x, event->xbutton.y);
        box->picture.buttonHeld = false;
        draw(box);
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
    while (!accessibleBoxClicked()) {
        while (XPending(box->display)) {
            XEvent event;
            XNextEvent(box->display, &event);
            if (handle(box, &event, &focused)) {
                return;
            }
        }
        endIfAskedTo();
        waitServingAccessibility(ConnectionNumber(box->display), 100);
    }
}

}  // namespace

int x11MessageBox(StandInWindow* owner, LPCSTR text, LPCSTR caption, UINT type) {
    Box box = {};
    box.display = XOpenDisplay(nullptr);
    // Without a display there is nobody to ask.
    if (box.display == nullptr) {
        printBoxText(caption, text);
        return IDOK;
    }
    Visual* visual = DefaultVisual(box.display, DefaultScreen(box.display));
    box.picture = layOutBox(text, type, desktopDpi(box.display) / windowsDpi, showsShades(visual));
    createBoxWindow(&box, owner, utf8FromAnsi(caption));
    runBox(&box);
    cairo_surface_destroy(box.surface);
    XDestroyWindow(box.display, box.window);
    XCloseDisplay(box.display);
    return IDOK;
}
