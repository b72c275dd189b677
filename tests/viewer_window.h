// The viewer's window as WinMain makes it, but left hidden, on the test's X display.
#pragma once

#include "app/app.h"
#include "scene/viewer_state.h"

HWND openViewerWindow(int size);
// Destroys the window if it is still there and takes the quit message it posts.
void closeViewerWindow(HWND window);
// Ends the main loop from outside, as SIGTERM would, after the given delay.
void closeLater(int milliseconds);
// The rotation angle, in degrees, that modelMatrix holds about the vertical axis.
double turnedDegrees();
