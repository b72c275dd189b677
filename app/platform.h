// The one place where the viewer meets its platform: the Windows API and OpenGL 1.1.
// On Windows <windows.h> is the system's; on Linux the include path puts our own
// stand-in first, so this header reads the same on both.
#pragma once

#include <windows.h>

#include <GL/gl.h>
