// Window titles as every X11 reader expects them: window managers and tools that know
// only the legacy properties read WM_NAME as Latin-1 text (or compound text), so the
// UTF-8 bytes SDL leaves there show as "Â´".
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "x11.h"

void nameXWindow(Display* display, Window window, const std::string& utf8) {
    char* list[] = {const_cast<char*>(utf8.c_str())};
    XTextProperty legacy = {};
    // STRING where the title is Latin-1 throughout, compound text where it is not.
    if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &legacy) == Success) {
        XSetWMName(display, window, &legacy);
        XSetWMIconName(display, window, &legacy);
        XFree(legacy.value);
    }
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
        XChangeProperty(display, window, XInternAtom(display, name, False), utf8String, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.c_str()),
                        static_cast<int>(utf8.size()));
    }
}

void x11NameWindow(StandInWindow* window) {
    if (Display* display = displayOf(window)) {
        nameXWindow(display, xWindowOf(window), window->title);
    }
}
