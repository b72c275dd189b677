// Rendering contexts over SDL's OpenGL contexts.
#include "sdl_internal.h"

namespace {

StandInGLContext* liveContext(HGLRC context) {
    for (auto& c : standIn().contexts) {
        if (c.get() == context && c->sdl != nullptr) {
            return c.get();
        }
    }
    return nullptr;
}

}  // namespace

HGLRC wglCreateContext(HDC dc) {
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (window == nullptr || dc->pixelFormat == 0) {
        return nullptr;
    }
    // SDL makes a new context current, WGL does not: put the old one back.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext made = SDL_GL_CreateContext(window->sdl);
    SDL_GL_MakeCurrent(previousWindow, previous);
    if (made == nullptr) {
        return nullptr;
    }
    standIn().contexts.push_back(std::make_unique<StandInGLContext>());
    StandInGLContext* context = standIn().contexts.back().get();
    context->sdl = made;
    context->window = window;
    return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC handle) {
    if (handle == nullptr) {
        return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    }
    StandInGLContext* context = liveContext(handle);
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (context == nullptr || window == nullptr || dc->pixelFormat == 0 ||
        SDL_GL_MakeCurrent(window->sdl, context->sdl) != 0) {
        return FALSE;
    }
    // WGL presents in step with the display's refresh unless told otherwise.
    if (!context->swapIntervalSet) {
        SDL_GL_SetSwapInterval(1);
        context->swapIntervalSet = true;
    }
    return TRUE;
}

BOOL wglDeleteContext(HGLRC handle) {
    StandInGLContext* context = liveContext(handle);
    if (context == nullptr) {
        return FALSE;
    }
    if (SDL_GL_GetCurrentContext() == context->sdl) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }
    SDL_GL_DeleteContext(context->sdl);
    context->sdl = nullptr;
    return TRUE;
}
