// Pixel formats as the window system's OpenGL configurations, palettes, and presenting
// a frame.
#include "sdl_internal.h"

StandInPixelFormat describeConfig(const ConfigSizes& sizes, DWORD flags, void* config,
                                  unsigned long id) {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    format.nVersion = 1;
    format.dwFlags = flags;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cRedBits = static_cast<BYTE>(sizes.red);
    format.cGreenBits = static_cast<BYTE>(sizes.green);
    format.cBlueBits = static_cast<BYTE>(sizes.blue);
    format.cAlphaBits = static_cast<BYTE>(sizes.alpha);
    format.cColorBits = static_cast<BYTE>(sizes.red + sizes.green + sizes.blue);
    format.cAccumRedBits = static_cast<BYTE>(sizes.accumRed);
    format.cDepthBits = static_cast<BYTE>(sizes.depth);
    format.cStencilBits = static_cast<BYTE>(sizes.stencil);
    format.iLayerType = PFD_MAIN_PLANE;
    return {format, config, id, sizes.samples};
}

namespace {

// Windows picks the format nearest the request, while GLX and EGL rank the deepest
// buffers first: a depth buffer deeper than asked for changes which of two coinciding
// faces wins.
int distanceFromRequest(const StandInPixelFormat& format, const PIXELFORMATDESCRIPTOR& request) {
    const PIXELFORMATDESCRIPTOR& offered = format.descriptor;
    return 64 * (offered.cDepthBits - request.cDepthBits) + 8 * offered.cStencilBits +
           4 * offered.cAccumRedBits + 2 * format.samples + offered.cAlphaBits;
}

// Fills the colour fields from the pixels the window really has.
void describeWindowPixels(SDL_Window* window, PIXELFORMATDESCRIPTOR* descriptor) {
    SDL_PixelFormat* pixels = SDL_AllocFormat(SDL_GetWindowPixelFormat(window));
    if (pixels == nullptr) {
        return;
    }
    const auto bits = [](Uint32 mask, Uint8 loss) { return mask ? 8 - loss : 0; };
    descriptor->cRedBits = static_cast<BYTE>(bits(pixels->Rmask, pixels->Rloss));
    descriptor->cRedShift = pixels->Rshift;
    descriptor->cGreenBits = static_cast<BYTE>(bits(pixels->Gmask, pixels->Gloss));
    descriptor->cGreenShift = pixels->Gshift;
    descriptor->cBlueBits = static_cast<BYTE>(bits(pixels->Bmask, pixels->Bloss));
    descriptor->cBlueShift = pixels->Bshift;
    descriptor->cAlphaBits = static_cast<BYTE>(bits(pixels->Amask, pixels->Aloss));
    descriptor->cAlphaShift = pixels->Ashift;
    descriptor->cColorBits =
        static_cast<BYTE>(descriptor->cRedBits + descriptor->cGreenBits + descriptor->cBlueBits);
    if (SDL_ISPIXELFORMAT_INDEXED(pixels->format)) {
        descriptor->cColorBits = pixels->BitsPerPixel;
        descriptor->dwFlags |= PFD_NEED_PALETTE;
    }
    SDL_FreeFormat(pixels);
}

StandInPalette* livePalette(HGDIOBJ object) {
    for (auto& palette : standIn().palettes) {
        if (palette.get() == object) {
            return palette.get();
        }
    }
    return nullptr;
}

}  // namespace

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    StandInState& s = standIn();
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (window == nullptr || request == nullptr || !(request->dwFlags & PFD_SUPPORT_OPENGL) ||
        request->iPixelType != PFD_TYPE_RGBA) {
        return 0;
    }
    const std::vector<StandInPixelFormat> offered = windowSystem().pixelFormats(window, *request);
    if (offered.empty()) {
        return 0;
    }
    const StandInPixelFormat* best = &offered[0];
    for (const StandInPixelFormat& format : offered) {
        if (distanceFromRequest(format, *request) < distanceFromRequest(*best, *request)) {
            best = &format;
        }
    }
    for (size_t i = 0; i < s.formats.size(); ++i) {
        if (s.formats[i].id == best->id) {
            return static_cast<int>(i + 1);
        }
    }
    s.formats.push_back(*best);
    return static_cast<int>(s.formats.size());
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    StandInState& s = standIn();
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    // As on Windows, a window's pixel format can be set only once.
    if (window == nullptr || dc->pixelFormat != 0 || format < 1 ||
        format > static_cast<int>(s.formats.size()) ||
        !windowSystem().setPixelFormat(window, s.formats[format - 1])) {
        return FALSE;
    }
    dc->pixelFormat = format;
    return TRUE;
}

int GetPixelFormat(HDC dc) { return dc ? dc->pixelFormat : 0; }

int DescribePixelFormat(HDC dc, int format, UINT bytes, PIXELFORMATDESCRIPTOR* descriptor) {
    StandInState& s = standIn();
    const int count = static_cast<int>(s.formats.size());
    if (dc == nullptr || format < 1 || format > count) {
        return 0;
    }
    if (descriptor != nullptr && bytes >= sizeof(PIXELFORMATDESCRIPTOR)) {
        *descriptor = s.formats[format - 1].descriptor;
        StandInWindow* window = liveWindow(dc->window);
        if (window != nullptr && dc->pixelFormat == format) {
            describeWindowPixels(window->sdl, descriptor);
        }
    }
    return count;
}

HPALETTE CreatePalette(const LOGPALETTE* description) {
    if (description == nullptr || description->palNumEntries == 0) {
        return nullptr;
    }
    auto palette = std::make_unique<StandInPalette>();
    palette->entries.assign(description->palPalEntry,
                            description->palPalEntry + description->palNumEntries);
    standIn().palettes.push_back(std::move(palette));
    return standIn().palettes.back().get();
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    if (dc == nullptr || livePalette(palette) == nullptr) {
        return nullptr;
    }
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    return previous;
}

// A true-colour X display has no hardware palette: no entry of the system palette
// changes, which is what RealizePalette reports on such a display.
UINT RealizePalette(HDC dc) {
    StandInPalette* palette = dc ? livePalette(dc->palette) : nullptr;
    if (palette != nullptr) {
        palette->realized = true;
    }
    return 0;
}

BOOL UnrealizeObject(HGDIOBJ object) {
    StandInPalette* palette = livePalette(object);
    if (palette == nullptr) {
        return FALSE;
    }
    palette->realized = false;
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    if (window == nullptr || dc->pixelFormat == 0) {
        return FALSE;
    }
    windowSystem().swapBuffers(window);
    return TRUE;
}
