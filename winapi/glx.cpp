#include "glx.h"

#include <SDL_syswm.h>

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
