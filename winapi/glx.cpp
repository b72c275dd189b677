#include "glx.h"

#include <SDL_syswm.h>

namespace {

template <typename Function>
void load(Function* function, const char* name) {
    *function = reinterpret_cast<Function>(SDL_GL_GetProcAddress(name));
}

}  // namespace

const GlxFunctions* glxFunctions(Display* display) {
    static GlxFunctions glx = {};
    static bool loaded = false;
    if (!loaded) {
        if (SDL_GL_LoadLibrary(nullptr) != 0) {
            return nullptr;
        }
        load(&glx.queryExtension, "glXQueryExtension");
        load(&glx.chooseFBConfig, "glXChooseFBConfig");
        load(&glx.getFBConfigAttrib, "glXGetFBConfigAttrib");
        load(&glx.getVisualFromFBConfig, "glXGetVisualFromFBConfig");
        load(&glx.createNewContext, "glXCreateNewContext");
        load(&glx.makeCurrent, "glXMakeCurrent");
        load(&glx.destroyContext, "glXDestroyContext");
        load(&glx.swapBuffers, "glXSwapBuffers");
        load(&glx.swapIntervalEXT, "glXSwapIntervalEXT");
        load(&glx.swapIntervalMESA, "glXSwapIntervalMESA");
        loaded = true;
    }
    const bool complete = glx.queryExtension && glx.chooseFBConfig && glx.getFBConfigAttrib &&
                          glx.getVisualFromFBConfig && glx.createNewContext &&
                          glx.makeCurrent && glx.destroyContext && glx.swapBuffers;
    if (!complete || display == nullptr) {
        return nullptr;
    }
    // Asking the server is a round trip: once per display, not on every call (choosing a
    // format reads hundreds of attributes, and every frame is presented through here).
    static Display* askedDisplay = nullptr;
    static bool displayHasGlx = false;
    if (display != askedDisplay) {
        int errorBase = 0;
        int eventBase = 0;
        displayHasGlx = glx.queryExtension(display, &errorBase, &eventBase);
        askedDisplay = display;
    }
    return displayHasGlx ? &glx : nullptr;
}

namespace {

bool x11Info(StandInWindow* window, SDL_SysWMinfo* info) {
    SDL_VERSION(&info->version);
    return window != nullptr && SDL_GetWindowWMInfo(window->sdl, info) &&
           info->subsystem == SDL_SYSWM_X11;
}

}  // namespace

Display* displayOf(StandInWindow* window) {
    SDL_SysWMinfo info;
    return x11Info(window, &info) ? info.info.x11.display : nullptr;
}

Window xWindowOf(StandInWindow* window) {
    SDL_SysWMinfo info;
    return x11Info(window, &info) ? info.info.x11.window : None;
}

GLXFBConfig configOf(Display* display, int fbconfigId) {
    const GlxFunctions* glx = glxFunctions(display);
    const int wanted[] = {GLX_FBCONFIG_ID, fbconfigId, None};
    int count = 0;
    GLXFBConfig* configs =
        glx ? glx->chooseFBConfig(display, DefaultScreen(display), wanted, &count) : nullptr;
    GLXFBConfig config = count > 0 ? configs[0] : nullptr;
    if (configs != nullptr) {
        XFree(configs);
    }
    return config;
}
