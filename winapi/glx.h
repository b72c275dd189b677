// GLX as the stand-in uses it for pixel formats, contexts and presenting: it picks and
// binds the exact configuration a pixel format names, as WGL does, where SDL would pick
// one by its own ranking.
#pragma once

#include <GL/glx.h>

#include "sdl_internal.h"

// The X display and window behind a window; null and None where it has none.
Display* displayOf(StandInWindow* window);
Window xWindowOf(StandInWindow* window);

// Gives an X window its title in both the EWMH and the legacy properties, and the same
// as its icon's title.
void nameXWindow(Display* display, Window window, const std::string& utf8);
