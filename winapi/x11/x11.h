// What the X11 files of the stand-in share: the display and windows behind SDL's, and
// the X11 side of the window-system calls.
#pragma once

#include <X11/Xlib.h>

#include "sdl/sdl_internal.h"

bool startX11Video();

// The X display and window behind a window; null and None where it has none.
Display* displayOf(StandInWindow* window);
Window xWindowOf(StandInWindow* window);

// Gives an X window its title in both the EWMH and the legacy properties, and the same
// as its icon's title (x11_title.cpp).
void nameXWindow(Display* display, Window window, const std::string& utf8);
void x11NameWindow(StandInWindow* window);

// Window-manager frames and states (x11_frame.cpp). The extents are zero where no
// window manager runs, or none came within the time given.
FrameExtents x11FrameExtents(StandInWindow* window, bool askFirst, int milliseconds);
bool x11MaximisedOrFullscreen(StandInWindow* window);
void x11LeaveMaximisedAndFullscreen(StandInWindow* window);
void x11ResizeClient(StandInWindow* window, int width, int height);

int x11MessageBox(StandInWindow* owner, LPCSTR text, LPCSTR caption, UINT type);

// GLX configurations and contexts (glx_context.cpp).
std::vector<StandInPixelFormat> glxPixelFormats(StandInWindow* window,
                                                const PIXELFORMATDESCRIPTOR& request);
bool glxSetPixelFormat(StandInWindow* window, const StandInPixelFormat& format);
void* glxCreateContext(StandInWindow* window, const StandInPixelFormat& format);
bool glxMakeCurrent(StandInWindow* window, void* context);
void glxReleaseContext(StandInWindow* window);
void glxDeleteContext(StandInWindow* window, void* context);
void glxSwapBuffers(StandInWindow* window);
