// Pixel formats as SDL's OpenGL window attributes, palettes, and presenting a frame.
#include "sdl_internal.h"

namespace {

void requestAttributes(const PIXELFORMATDESCRIPTOR& format) {
    // cColorBits is a minimum: split it over the channels as a 3-3-2 or wider format.
    const int colourBits = format.cColorBits < 3 ? 3 : format.cColorBits;
    const int red = colourBits >= 24 ? 8 : (colourBits + 2) / 3;
    const int blue = colourBits >= 24 ? 8 : colourBits - 2 * red;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.cDepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.cStencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (format.dwFlags & PFD_DOUBLEBUFFER) ? 1 : 0);
    // A compatibility profile makes SDL create the context from the framebuffer
    // configuration these attributes chose; the legacy path takes the first one that
    // shares the window's visual, which may lack the double buffer.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// The display offers a format when it can make an OpenGL window with it.
bool displayOffers(const PIXELFORMATDESCRIPTOR& format) {
    requestAttributes(format);
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (probe == nullptr) {
        return false;
    }
    SDL_DestroyWindow(probe);
    return true;
}

bool sameFormat(const PIXELFORMATDESCRIPTOR& a, const PIXELFORMATDESCRIPTOR& b) {
    return a.dwFlags == b.dwFlags && a.iPixelType == b.iPixelType &&
           a.cColorBits == b.cColorBits && a.cDepthBits == b.cDepthBits &&
           a.cStencilBits == b.cStencilBits;
}

int countBits(Uint32 mask) {
    int bits = 0;
    for (; mask != 0; mask &= mask - 1) {
        ++bits;
    }
    return bits;
}

int lowestBit(Uint32 mask) {
    int shift = 0;
    for (; mask != 0 && !(mask & 1); mask >>= 1) {
        ++shift;
    }
    return shift;
}

// Fills the colour fields from the pixels the window really has.
void describeWindowPixels(SDL_Window* window, PIXELFORMATDESCRIPTOR* descriptor) {
    const Uint32 pixels = SDL_GetWindowPixelFormat(window);
    int bpp = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    if (pixels == SDL_PIXELFORMAT_UNKNOWN || !SDL_PixelFormatEnumToMasks(pixels, &bpp, &r, &g, &b, &a)) {
        return;
    }
    descriptor->cColorBits = static_cast<BYTE>(countBits(r) + countBits(g) + countBits(b));
    descriptor->cRedBits = static_cast<BYTE>(countBits(r));
    descriptor->cRedShift = static_cast<BYTE>(lowestBit(r));
    descriptor->cGreenBits = static_cast<BYTE>(countBits(g));
    descriptor->cGreenShift = static_cast<BYTE>(lowestBit(g));
    descriptor->cBlueBits = static_cast<BYTE>(countBits(b));
    descriptor->cBlueShift = static_cast<BYTE>(lowestBit(b));
    descriptor->cAlphaBits = static_cast<BYTE>(countBits(a));
    descriptor->cAlphaShift = static_cast<BYTE>(lowestBit(a));
    if (SDL_ISPIXELFORMAT_INDEXED(pixels)) {
        descriptor->cColorBits = static_cast<BYTE>(SDL_BITSPERPIXEL(pixels));
        descriptor->dwFlags |= PFD_NEED_PALETTE;
    }
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
    if (dc == nullptr || request == nullptr || !ensureVideo() ||
        !(request->dwFlags & PFD_SUPPORT_OPENGL) || request->iPixelType != PFD_TYPE_RGBA) {
        return 0;
    }
    for (size_t i = 0; i < s.formats.size(); ++i) {
        if (sameFormat(s.formats[i], *request)) {
            return static_cast<int>(i + 1);
        }
    }
    if (!displayOffers(*request)) {
        return 0;
    }
    PIXELFORMATDESCRIPTOR chosen = {};
    chosen.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    chosen.nVersion = 1;
    chosen.dwFlags = request->dwFlags;
    chosen.iPixelType = request->iPixelType;
    chosen.cColorBits = request->cColorBits;
    chosen.cDepthBits = request->cDepthBits;
    chosen.cStencilBits = request->cStencilBits;
    chosen.iLayerType = PFD_MAIN_PLANE;
    s.formats.push_back(chosen);
    return static_cast<int>(s.formats.size());
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    StandInState& s = standIn();
    StandInWindow* window = dc ? liveWindow(dc->window) : nullptr;
    // As on Windows, a window's pixel format can be set only once.
    if (window == nullptr || dc->pixelFormat != 0 || format < 1 ||
        format > static_cast<int>(s.formats.size())) {
        return FALSE;
    }
    requestAttributes(s.formats[format - 1]);
    if (!createSdlWindow(window, SDL_WINDOW_OPENGL)) {
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
        *descriptor = s.formats[format - 1];
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
    SDL_GL_SwapWindow(window->sdl);
    return TRUE;
}
