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
    if (Display* display = displayOf(liveWindow(context->window))) {
        glXMakeCurrent(display, None, nullptr);
    }
    standIn().currentContext = nullptr;
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

void presentClientArea(StandInWindow* window) {
    const StandInGLContext* current = standIn().currentContext;
    if (current != nullptr && current->window == window) {
        const ClientView view = clientView(window);
        // OpenGL counts rows from the bottom.
        glViewport(view.left, window->shownHeight - view.top - view.height, view.width,
                   view.height);
    }
}

HGLRC wglCreateContext(HDC dc) {
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (window == nullptr || dc->pixelFormat == 0) {
        return nullptr;
    }
    Display* display = displayOf(window);
    GLXFBConfig config = standIn().formats[dc->pixelFormat - 1].config;
    GLXContext made = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
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
    if (context == nullptr || display == nullptr || dc->pixelFormat == 0 ||
        !glXMakeCurrent(display, xWindowOf(window), context->glx)) {
        return FALSE;
    }
    standIn().currentContext = context;
    presentOnRefresh(display, xWindowOf(window));
    presentClientArea(window);
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
    glXDestroyContext(display, context->glx);
    context->glx = nullptr;
    return TRUE;
}
