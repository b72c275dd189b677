// Icons from the icon resources linked into the program, and the system cursor.
#include <cstring>

#include "resources.h"
#include "sdl_internal.h"

namespace {

unsigned readWord(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned readDword(const unsigned char* p) { return readWord(p) | (readWord(p + 2) << 16); }

// Decodes one palette-based image of an icon group into an ARGB surface; the AND mask
// becomes the alpha channel.
SDL_Surface* decodeImage(const unsigned char* data, size_t size, size_t offset, size_t length) {
    if (offset + length > size || length < 40) {
        return nullptr;
    }
    const unsigned char* dib = data + offset;
    const int width = static_cast<int>(readDword(dib + 4));
    const int height = static_cast<int>(readDword(dib + 8)) / 2;  // colour rows, then mask
    const unsigned bitCount = readWord(dib + 14);
    unsigned colours = readDword(dib + 32);
    if (bitCount != 4 && bitCount != 8) {
        return nullptr;
    }
    if (colours == 0) {
        colours = 1u << bitCount;
    }
    const unsigned char* palette = dib + readDword(dib);
    const unsigned char* pixels = palette + 4 * colours;
    const size_t pixelStride = ((width * bitCount + 31) / 32) * 4;
    const unsigned char* mask = pixels + pixelStride * height;
    const size_t maskStride = ((width + 31) / 32) * 4;
    if (mask + maskStride * height > data + offset + length) {
        return nullptr;
    }

    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) {
        return nullptr;
    }
    for (int row = 0; row < height; ++row) {
        const int source = height - 1 - row;  // stored bottom-up
        Uint32* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                                row * surface->pitch);
        for (int x = 0; x < width; ++x) {
            const unsigned char packed = pixels[source * pixelStride + x * bitCount / 8];
            const unsigned index =
                bitCount == 8 ? packed : ((x % 2 == 0) ? (packed >> 4) : (packed & 0x0F));
            const unsigned char* bgr = palette + 4 * (index < colours ? index : 0);
            const bool clear = mask[source * maskStride + x / 8] & (0x80 >> (x % 8));
            out[x] = (clear ? 0u : 0xFF000000u) | (bgr[2] << 16) | (bgr[1] << 8) | bgr[0];
        }
    }
    return surface;
}

// Of the group's images, the one with the most colours serves best on this display.
SDL_Surface* decodeIconGroup(const unsigned char* data, size_t size) {
    if (size < 6 || readWord(data + 2) != 1) {
        return nullptr;
    }
    const unsigned count = readWord(data + 4);
    size_t bestOffset = 0;
    size_t bestLength = 0;
    unsigned bestBits = 0;
    for (unsigned i = 0; i < count && 6 + 16 * (i + 1) <= size; ++i) {
        const unsigned char* entry = data + 6 + 16 * i;
        const unsigned bits = readWord(entry + 6);
        if (bits > bestBits) {
            bestBits = bits;
            bestLength = readDword(entry + 8);
            bestOffset = readDword(entry + 12);
        }
    }
    return bestBits ? decodeImage(data, size, bestOffset, bestLength) : nullptr;
}

}  // namespace

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
        SDL_Surface* surface = decodeIconGroup(resource.data, resource.size);
        if (surface == nullptr) {
            return nullptr;
        }
        standIn().icons.push_back(std::make_unique<StandInIcon>());
        standIn().icons.back()->surface = surface;
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
