// GLX behind the pixel-format and WGL calls: it picks and binds the exact configuration
// a pixel format names, as WGL does, where SDL would pick one by its own ranking.
#include <GL/glx.h>

#include "x11.h"

namespace {

int configValue(Display* display, GLXFBConfig config, int attribute) {
    int value = 0;
    glXGetFBConfigAttrib(display, config, attribute, &value);
    return value;
}

StandInPixelFormat describe(Display* display, GLXFBConfig config, DWORD flags) {
    const auto value = [&](int attribute) { return configValue(display, config, attribute); };
    const ConfigSizes sizes = {value(GLX_RED_SIZE),   value(GLX_GREEN_SIZE),
                               value(GLX_BLUE_SIZE),  value(GLX_ALPHA_SIZE),
                               value(GLX_ACCUM_RED_SIZE), value(GLX_DEPTH_SIZE),
                               value(GLX_STENCIL_SIZE), value(GLX_SAMPLES)};
    return describeConfig(sizes, flags, config,
                          static_cast<unsigned long>(value(GLX_VISUAL_ID)));
}

// WGL presents in step with the display's refresh unless told otherwise.
void presentOnRefresh(Display* display, Window window) {
    const auto address = [](const char* name) {
        return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
    };
    if (auto swapIntervalEXT =
            reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(address("glXSwapIntervalEXT"))) {
        swapIntervalEXT(display, window, 1);
    } else if (auto swapIntervalMESA =
                   reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(address("glXSwapIntervalMESA"))) {
        swapIntervalMESA(1);
    }
}

}  // namespace

std::vector<StandInPixelFormat> glxPixelFormats(StandInWindow* window,
                                                const PIXELFORMATDESCRIPTOR& request) {
    std::vector<StandInPixelFormat> formats;
    Display* display = displayOf(window);
    int errorBase = 0;
    int eventBase = 0;
    // A display without GLX offers no OpenGL format at all.
    if (display == nullptr || !glXQueryExtension(display, &errorBase, &eventBase)) {
        return formats;
    }
    const int colourBits = request.cColorBits < 3 ? 3 : request.cColorBits;
    const int wanted[] = {
        GLX_X_RENDERABLE, True,
        GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_DOUBLEBUFFER, (request.dwFlags & PFD_DOUBLEBUFFER) ? True : False,
        GLX_RED_SIZE, colourBits >= 24 ? 8 : (colourBits + 2) / 3,
        GLX_DEPTH_SIZE, request.cDepthBits,
        GLX_STENCIL_SIZE, request.cStencilBits,
        None,
    };
    const DWORD flags =
        request.dwFlags & (PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL);
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    // Renderable window configurations all come with a visual the window can take.
    for (int i = 0; i < count; ++i) {
        formats.push_back(describe(display, configs[i], flags));
    }
    if (configs != nullptr) {
        XFree(configs);
    }
    return formats;
}

// X11 fixes a window's visual when the window is made, so the window is made again
// with the configuration's; it is still unmapped then, so nobody sees it.
bool glxSetPixelFormat(StandInWindow* window, const StandInPixelFormat& format) {
    SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, std::to_string(format.id).c_str());
    const bool made = createSdlWindow(window, SDL_WINDOW_OPENGL);
    SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, nullptr);
    return made;
}

void* glxCreateContext(StandInWindow* window, const StandInPixelFormat& format) {
    return glXCreateNewContext(displayOf(window), static_cast<GLXFBConfig>(format.config),
                               GLX_RGBA_TYPE, nullptr, True);
}

bool glxMakeCurrent(StandInWindow* window, void* context) {
    Display* display = displayOf(window);
    if (display == nullptr ||
        !glXMakeCurrent(display, xWindowOf(window), static_cast<GLXContext>(context))) {
        return false;
    }
    presentOnRefresh(display, xWindowOf(window));
    return true;
}

void glxReleaseContext(StandInWindow* window) {
    if (Display* display = displayOf(window)) {
        glXMakeCurrent(display, None, nullptr);
    }
}

void glxDeleteContext(StandInWindow* window, void* context) {
    glXDestroyContext(displayOf(window), static_cast<GLXContext>(context));
}

void glxSwapBuffers(StandInWindow* window) { glXSwapBuffers(displayOf(window), xWindowOf(window)); }
