// Rendering contexts: GLX contexts of the exact configuration the window's pixel
// format names.
#include "glx.h"

namespace {

StandInGLContext* liveContext(HGLRC context) {
    for (auto& c : standIn().contexts) {
        if (c.get() == context && c->glx != nullptr) {
            return c.get();
        }
    }
    return nullptr;
}

void release(StandInGLContext* context) {
    Display* display = displayOf(liveWindow(context->window));
    if (display != nullptr) {
        glxFunctions(display)->makeCurrent(display, None, nullptr);
    }
    standIn().currentContext = nullptr;
}

}  // namespace

HGLRC wglCreateContext(HDC dc) {
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (window == nullptr || dc->pixelFormat == 0) {
        return nullptr;
    }
    Display* display = displayOf(window);
    const GlxFunctions* glx = glxFunctions(display);
    GLXFBConfig config = glx ? configOf(display, standIn().formats[dc->pixelFormat - 1].fbconfigId)
                             : nullptr;
    GLXContext made = config ? glx->createNewContext(display, config, GLX_RGBA_TYPE, nullptr, True)
                             : nullptr;
    if (made == nullptr) {
        return nullptr;
    }
    standIn().contexts.push_back(std::make_unique<StandInGLContext>());
    StandInGLContext* context = standIn().contexts.back().get();
    context->glx = made;
    context->window = window;
    return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC handle) {
    if (handle == nullptr) {
        if (standIn().currentContext != nullptr) {
            release(standIn().currentContext);
        }
        return TRUE;
    }
    StandInGLContext* context = liveContext(handle);
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    Display* display = displayOf(window);
    const GlxFunctions* glx = glxFunctions(display);
    if (context == nullptr || glx == nullptr || dc->pixelFormat == 0 ||
        !glx->makeCurrent(display, xWindowOf(window), context->glx)) {
        return FALSE;
    }
    standIn().currentContext = context;
    // WGL presents in step with the display's refresh unless told otherwise.
    if (!context->swapIntervalSet) {
        if (glx->swapIntervalEXT != nullptr) {
            glx->swapIntervalEXT(display, xWindowOf(window), 1);
        } else if (glx->swapIntervalMESA != nullptr) {
            glx->swapIntervalMESA(1);
        }
        context->swapIntervalSet = true;
    }
    return TRUE;
}

BOOL wglDeleteContext(HGLRC handle) {
    StandInGLContext* context = liveContext(handle);
    Display* display = context ? displayOf(liveWindow(context->window)) : nullptr;
    if (context == nullptr || display == nullptr) {
        return FALSE;
    }
    if (standIn().currentContext == context) {
        release(context);
    }
    glxFunctions(display)->destroyContext(display, context->glx);
    context->glx = nullptr;
    return TRUE;
}
