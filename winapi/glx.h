// GLX as the stand-in uses it for pixel formats, contexts and presenting. It comes
// from the OpenGL library SDL loads, so the program links no second OpenGL library
// beside the one that draws; and it picks and binds the exact configuration a pixel
// format names, as WGL does, where SDL would pick one by its own ranking.
#pragma once

#include <GL/glx.h>

#include "sdl_internal.h"

struct GlxFunctions {
    Bool (*queryExtension)(Display*, int*, int*);
    GLXFBConfig* (*chooseFBConfig)(Display*, int, const int*, int*);
    int (*getFBConfigAttrib)(Display*, GLXFBConfig, int, int*);
    XVisualInfo* (*getVisualFromFBConfig)(Display*, GLXFBConfig);
    GLXContext (*createNewContext)(Display*, GLXFBConfig, int, GLXContext, Bool);
    Bool (*makeCurrent)(Display*, GLXDrawable, GLXContext);
    void (*destroyContext)(Display*, GLXContext);
    void (*swapBuffers)(Display*, GLXDrawable);
    void (*swapIntervalEXT)(Display*, GLXDrawable, int);  // either may be missing
    int (*swapIntervalMESA)(unsigned);
};

// Loads the functions once; null where the display offers no GLX.
const GlxFunctions* glxFunctions(Display* display);
Display* displayOf(StandInWindow* window);
Window xWindowOf(StandInWindow* window);
// The configuration a pixel format was chosen as, or null.
GLXFBConfig configOf(Display* display, int fbconfigId);
