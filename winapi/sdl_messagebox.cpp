// MessageBoxA over SDL's message box: modal, one OK button.
#include <cstdio>

#include "sdl_internal.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string utf8Text = utf8FromAnsi(text);
    const std::string utf8Caption = utf8FromAnsi(caption);
    StandInWindow* ownerWindow = liveWindow(owner);

    const SDL_MessageBoxButtonData ok = {
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
        "OK"};
    SDL_MessageBoxData box = {};
    box.flags = (type & MB_ICONHAND) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    box.window = ownerWindow ? ownerWindow->sdl : nullptr;
    box.title = utf8Caption.c_str();
    box.message = utf8Text.c_str();
    box.numbuttons = 1;
    box.buttons = &ok;

    int pressed = IDOK;
    // Without a display there is nobody to ask; the text must not be lost all the same.
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
    }
    return IDOK;
}
