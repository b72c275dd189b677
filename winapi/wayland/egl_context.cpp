// EGL behind the pixel-format and WGL calls on Wayland. SDL's Wayland windows always
// carry an EGL surface of SDL's own, made with the configuration SDL picks from its GL
// attributes: a pixel format sets those attributes to its configuration's exact sizes
// before the window is made again, and contexts are SDL's on that surface.
#include <EGL/egl.h>
#include <SDL_syswm.h>

#include <algorithm>

#include "wayland.h"

namespace {

// SDL's EGL display, the one for the window's Wayland connection.
EGLDisplay displayOf(StandInWindow* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window->sdl, &info) || info.subsystem != SDL_SYSWM_WAYLAND) {
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display =
        eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(info.info.wl.display));
    return eglInitialize(display, nullptr, nullptr) ? display : EGL_NO_DISPLAY;
}

int configValue(EGLDisplay display, EGLConfig config, EGLint attribute) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, attribute, &value);
    return value;
}

StandInPixelFormat describe(EGLDisplay display, EGLConfig config, DWORD flags) {
    const auto value = [&](EGLint attribute) { return configValue(display, config, attribute); };
    const ConfigSizes sizes = {value(EGL_RED_SIZE),  value(EGL_GREEN_SIZE), value(EGL_BLUE_SIZE),
                               value(EGL_ALPHA_SIZE), 0,  value(EGL_DEPTH_SIZE),
                               value(EGL_STENCIL_SIZE), value(EGL_SAMPLES)};
    return describeConfig(sizes, flags, config,
                          static_cast<unsigned long>(value(EGL_CONFIG_ID)));
}

}  // namespace

std::vector<StandInPixelFormat> eglPixelFormats(StandInWindow* window,
                                                const PIXELFORMATDESCRIPTOR& request) {
    std::vector<StandInPixelFormat> formats;
    EGLDisplay display = displayOf(window);
    if (display == EGL_NO_DISPLAY) {
        return formats;
    }
    const int colourBits = request.cColorBits < 3 ? 3 : request.cColorBits;
    const EGLint wanted[] = {
        EGL_SURFACE_TYPE, EGL_WINDOW_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, colourBits >= 24 ? 8 : (colourBits + 2) / 3,
        EGL_DEPTH_SIZE, request.cDepthBits,
        EGL_STENCIL_SIZE, request.cStencilBits,
        EGL_NONE,
    };
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count == 0) {
        return formats;
    }
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    // A window surface always has a back buffer, which the compositor is handed.
    const DWORD flags = PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    for (EGLint i = 0; i < count; ++i) {
        formats.push_back(describe(display, configs[static_cast<size_t>(i)], flags));
    }
    // EGL ranks the deepest colour first, 10 bits a channel where the driver has them,
    // which the compositor takes down to the 8 of the screen, rounding otherwise than the
    // driver would. Windows offers the screen's own depth: 8 bits, wherever there are.
    const auto trueColour = [](const StandInPixelFormat& f) {
        return f.descriptor.cRedBits == 8 && f.descriptor.cGreenBits == 8 &&
               f.descriptor.cBlueBits == 8;
    };
    if (std::any_of(formats.begin(), formats.end(), trueColour)) {
        formats.erase(std::remove_if(formats.begin(), formats.end(),
                                     [&](const StandInPixelFormat& f) { return !trueColour(f); }),
                      formats.end());
    }
    return formats;
}

bool eglSetPixelFormat(StandInWindow* window, const StandInPixelFormat& format) {
    const PIXELFORMATDESCRIPTOR& d = format.descriptor;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, d.cRedBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, d.cGreenBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, d.cBlueBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, d.cAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, d.cRedBits + d.cGreenBits + d.cBlueBits + d.cAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, d.cDepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, d.cStencilBits);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, format.samples > 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, format.samples);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // OpenGL with its fixed-function pipeline, as WGL gives it.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    return createSdlWindow(window, SDL_WINDOW_OPENGL);
}

// SDL makes a new context current; WGL leaves the current one as it was.
void* eglNewContext(StandInWindow* window, const StandInPixelFormat&) {
    SDL_Window* currentWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    SDL_GLContext made = SDL_GL_CreateContext(window->sdl);
    SDL_GL_MakeCurrent(currentWindow, current);
    return made;
}

// WGL presents in step with the display's refresh unless told otherwise.
bool eglBindContext(StandInWindow* window, void* context) {
    if (SDL_GL_MakeCurrent(window->sdl, context) != 0) {
        return false;
    }
    SDL_GL_SetSwapInterval(1);
    return true;
}

void eglUnbindContext(StandInWindow* window) {
    SDL_GL_MakeCurrent(window ? window->sdl : nullptr, nullptr);
}

void eglDropContext(StandInWindow*, void* context) { SDL_GL_DeleteContext(context); }

void eglPresent(StandInWindow* window) { SDL_GL_SwapWindow(window->sdl); }
