// What the Wayland files of the stand-in share: the Wayland side of the window-system
// calls.
#pragma once

#include "sdl/sdl_internal.h"

bool startWaylandVideo();

// EGL configurations and contexts (egl_context.cpp), through SDL's EGL on the window's
// surface.
std::vector<StandInPixelFormat> eglPixelFormats(StandInWindow* window,
                                                const PIXELFORMATDESCRIPTOR& request);
bool eglSetPixelFormat(StandInWindow* window, const StandInPixelFormat& format);
// Named apart from EGL's own calls.
void* eglNewContext(StandInWindow* window, const StandInPixelFormat& format);
bool eglBindContext(StandInWindow* window, void* context);
void eglUnbindContext(StandInWindow* window);
void eglDropContext(StandInWindow* window, void* context);
void eglPresent(StandInWindow* window);

int wlMessageBox(StandInWindow* owner, LPCSTR text, LPCSTR caption, UINT type);

// Reads and dispatches what the display sends within the milliseconds (-1: until
// something comes), serving the accessibility bus meanwhile.
struct wl_display;
void waitForWayland(wl_display* display, int milliseconds);
