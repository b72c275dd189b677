// Pixel formats as GLX configurations, palettes, and presenting a frame.
#include <string>

#include "glx.h"

namespace {

int configValue(Display* display, GLXFBConfig config, int attribute) {
    int value = 0;
    glXGetFBConfigAttrib(display, config, attribute, &value);
    return value;
}

// Windows picks the format nearest the request, while GLX ranks the deepest buffers
// first: a depth buffer deeper than asked for changes which of two coinciding faces wins.
int distanceFromRequest(Display* display, GLXFBConfig config,
                        const PIXELFORMATDESCRIPTOR& request) {
    return 64 * (configValue(display, config, GLX_DEPTH_SIZE) - request.cDepthBits) +
           8 * configValue(display, config, GLX_STENCIL_SIZE) +
           4 * configValue(display, config, GLX_ACCUM_RED_SIZE) +
           2 * configValue(display, config, GLX_SAMPLES) +
           configValue(display, config, GLX_ALPHA_SIZE);
}

PIXELFORMATDESCRIPTOR describeConfig(Display* display, GLXFBConfig config, DWORD flags) {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    format.nVersion = 1;
    format.dwFlags = flags;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cRedBits = static_cast<BYTE>(configValue(display, config, GLX_RED_SIZE));
    format.cGreenBits = static_cast<BYTE>(configValue(display, config, GLX_GREEN_SIZE));
    format.cBlueBits = static_cast<BYTE>(configValue(display, config, GLX_BLUE_SIZE));
    format.cAlphaBits = static_cast<BYTE>(configValue(display, config, GLX_ALPHA_SIZE));
    format.cColorBits = static_cast<BYTE>(format.cRedBits + format.cGreenBits + format.cBlueBits);
    format.cDepthBits = static_cast<BYTE>(configValue(display, config, GLX_DEPTH_SIZE));
    format.cStencilBits = static_cast<BYTE>(configValue(display, config, GLX_STENCIL_SIZE));
    format.iLayerType = PFD_MAIN_PLANE;
    return format;
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
    Display* display = displayOf(window);
    int errorBase = 0;
    int eventBase = 0;
    // A display without GLX offers no OpenGL format at all.
    if (display == nullptr || !glXQueryExtension(display, &errorBase, &eventBase) ||
        request == nullptr || !(request->dwFlags & PFD_SUPPORT_OPENGL) ||
        request->iPixelType != PFD_TYPE_RGBA) {
        return 0;
    }
    const int colourBits = request->cColorBits < 3 ? 3 : request->cColorBits;
    const int wanted[] = {
        GLX_X_RENDERABLE, True,
        GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_DOUBLEBUFFER, (request->dwFlags & PFD_DOUBLEBUFFER) ? True : False,
        GLX_RED_SIZE, colourBits >= 24 ? 8 : (colourBits + 2) / 3,
        GLX_DEPTH_SIZE, request->cDepthBits,
        GLX_STENCIL_SIZE, request->cStencilBits,
        None,
    };
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    // Renderable window configurations all come with a visual the window can take.
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const int distance = distanceFromRequest(display, configs[i], *request);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0) {
        if (configs != nullptr) {
            XFree(configs);
        }
        return 0;
    }
    const DWORD flags =
        request->dwFlags & (PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL);
    const unsigned long visual = configValue(display, configs[best], GLX_VISUAL_ID);
    StandInPixelFormat chosen = {describeConfig(display, configs[best], flags), configs[best],
                                 visual};
    XFree(configs);
    for (size_t i = 0; i < s.formats.size(); ++i) {
        if (s.formats[i].visual == chosen.visual) {
            return static_cast<int>(i + 1);
        }
    }
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
    // The window takes the visual of the chosen configuration, which its contexts use.
    const StandInPixelFormat& chosen = s.formats[format - 1];
    SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, std::to_string(chosen.visual).c_str());
    const bool made = createSdlWindow(window, SDL_WINDOW_OPENGL);
    SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, nullptr);
    if (!made) {
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
    glXSwapBuffers(displayOf(window), xWindowOf(window));
    return TRUE;
}
