// Icons from the icon resources linked into the program, and the system cursor.
#include "resources.h"
#include "sdl_internal.h"

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    const uintptr_t id = reinterpret_cast<uintptr_t>(name);
    if (instance == nullptr || id > 0xFFFF) {
        return nullptr;
    }
    for (size_t i = 0; i < standInIconResourceCount; ++i) {
        const StandInIconResource& resource = standInIconResources[i];
        if (resource.id != id) {
            continue;
        }
        SDL_RWops* file = SDL_RWFromConstMem(resource.data, static_cast<int>(resource.size));
        SDL_Surface* surface = SDL_LoadBMP_RW(file, SDL_TRUE);
        if (surface == nullptr) {
            return nullptr;
        }
        standIn().icons.push_back(std::make_unique<StandInIcon>(StandInIcon{surface}));
        return standIn().icons.back().get();
    }
    return nullptr;
}

// X11 shows the arrow on a window that sets no cursor of its own.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    static StandInCursor arrow = {SDL_SYSTEM_CURSOR_ARROW};
    if (instance != nullptr || name != IDC_ARROW) {
        return nullptr;
    }
    return &arrow;
}
