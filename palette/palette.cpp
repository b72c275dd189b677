#include "palette/palette.h"

#include <cstdlib>

#include "app/app.h"
#include "scene/viewer_state.h"

namespace {

// Scales a channel value of the given width to 0..255. A channel of 0 bits (which a
// colour-index format may report) has no levels, so its entries stay 0.
BYTE channelLevel(int index, int shift, int bits) {
    const int mask = (1 << bits) - 1;
    if (mask == 0) {
        return 0;
    }
    return static_cast<BYTE>(((index >> shift) & mask) * 255 / mask);
}

}  // namespace

void fillPaletteEntries(LOGPALETTE* description, const PIXELFORMATDESCRIPTOR& format) {
    for (int i = 0; i < description->palNumEntries; ++i) {
        PALETTEENTRY& entry = description->palPalEntry[i];
        entry.peRed = channelLevel(i, format.cRedShift, format.cRedBits);
        entry.peGreen = channelLevel(i, format.cGreenShift, format.cGreenBits);
        entry.peBlue = channelLevel(i, format.cBlueShift, format.cBlueBits);
        entry.peFlags = 0;
    }
}

void setupPalette(HDC windowDC) {
    PIXELFORMATDESCRIPTOR format = {};
    DescribePixelFormat(windowDC, GetPixelFormat(windowDC), sizeof(PIXELFORMATDESCRIPTOR),
                        &format);
    if (!(format.dwFlags & PFD_NEED_PALETTE) && format.iPixelType != PFD_TYPE_COLORINDEX) {
        return;
    }

    // Palette hardware indexes at most 8 bits; a wider index would not fit the table.
    if (format.cColorBits > 8) {
        return;
    }
    const int entryCount = 1 << format.cColorBits;
    // LOGPALETTE declares one entry; the rest follow it in the same block.
    LOGPALETTE* description = static_cast<LOGPALETTE*>(
        std::malloc(sizeof(LOGPALETTE) + (entryCount - 1) * sizeof(PALETTEENTRY)));
    if (description == nullptr) {
        return;
    }
    description->palVersion = 0x300;
    description->palNumEntries = static_cast<WORD>(entryCount);
    fillPaletteEntries(description, format);
    viewerState.paletteHandle = CreatePalette(description);
    std::free(description);

    if (viewerState.paletteHandle != nullptr) {
        SelectPalette(windowDC, viewerState.paletteHandle, FALSE);
        RealizePalette(windowDC);
    }
}

void realizePalette() {
    UnrealizeObject(viewerState.paletteHandle);
    SelectPalette(viewerState.windowDC, viewerState.paletteHandle, FALSE);
    RealizePalette(viewerState.windowDC);
}

LRESULT paletteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (viewerState.paletteHandle != nullptr) {
        if (message == WM_QUERYNEWPALETTE) {
            realizePalette();
            requestRedraw();
            return TRUE;
        }
        // Our own realisation changes the system palette too; answering that would loop.
        if (message == WM_PALETTECHANGED && reinterpret_cast<HWND>(wParam) != window) {
            realizePalette();
            requestRedraw();
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
