// Rendering contexts of the exact configuration the window's pixel format names.
#include <SDL_opengl.h>

#include "sdl_internal.h"

namespace {

StandInGLContext* liveContext(HGLRC context) {
    for (auto& c : standIn().contexts) {
        if (c.get() == context && c->handle != nullptr) {
            return c.get();
        }
    }
    return nullptr;
}

void release(StandInGLContext* context) {
    windowSystem().releaseContext(liveWindow(context->window));
    standIn().currentContext = nullptr;
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
    void* made = windowSystem().createContext(window, standIn().formats[dc->pixelFormat - 1]);
    if (made == nullptr) {
        return nullptr;
    }
    standIn().contexts.push_back(std::make_unique<StandInGLContext>());
    StandInGLContext* context = standIn().contexts.back().get();
    context->handle = made;
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
    if (context == nullptr || window == nullptr || dc->pixelFormat == 0 ||
        !windowSystem().makeCurrent(window, context->handle)) {
        return FALSE;
    }
    standIn().currentContext = context;
    presentClientArea(window);
    return TRUE;
}

BOOL wglDeleteContext(HGLRC handle) {
    StandInGLContext* context = liveContext(handle);
    StandInWindow* window = context ? liveWindow(context->window) : nullptr;
    if (window == nullptr) {
        return FALSE;
    }
    if (standIn().currentContext == context) {
        release(context);
    }
    windowSystem().deleteContext(window, context->handle);
    context->handle = nullptr;
    return TRUE;
}
