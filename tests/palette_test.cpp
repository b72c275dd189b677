#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "palette/palette.h"
#include "scene/viewer_state.h"
#include "sdl/sdl_internal.h"

namespace {

LOGPALETTE* makeDescription(int entries) {
    LOGPALETTE* description = static_cast<LOGPALETTE*>(
        std::calloc(1, sizeof(LOGPALETTE) + (entries - 1) * sizeof(PALETTEENTRY)));
    description->palVersion = 0x300;
    description->palNumEntries = static_cast<WORD>(entries);
    return description;
}

}  // namespace

TEST(PaletteEntries, AnEightBitFormatGetsA332PaletteSelectedAndRealised) {
    // The window's DC as it is on an 8-bit display: a 3-3-2 format that needs a palette.
    PIXELFORMATDESCRIPTOR format = {};
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_NEED_PALETTE;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 8;
    format.cRedBits = 3;
    format.cRedShift = 0;
    format.cGreenBits = 3;
    format.cGreenShift = 3;
    format.cBlueBits = 2;
    format.cBlueShift = 6;
    standIn().formats.push_back({format, nullptr, 0, 0});
    StandInDC dc = {};
    dc.pixelFormat = static_cast<int>(standIn().formats.size());
    viewerState.paletteHandle = nullptr;
    setupPalette(&dc);

    ASSERT_NE(viewerState.paletteHandle, nullptr);
    EXPECT_EQ(dc.palette, viewerState.paletteHandle);
    EXPECT_TRUE(viewerState.paletteHandle->realized);
    const std::vector<PALETTEENTRY>& entries = viewerState.paletteHandle->entries;
    ASSERT_EQ(entries.size(), 256u);
    const int eighths[8] = {0, 36, 72, 109, 145, 182, 218, 255};
    const int quarters[4] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = entries[i];
        ASSERT_EQ(e.peRed, eighths[i & 7]) << i;
        ASSERT_EQ(e.peGreen, eighths[(i >> 3) & 7]) << i;
        ASSERT_EQ(e.peBlue, quarters[i >> 6]) << i;
        ASSERT_EQ(e.peFlags, 0) << i;
    }
    viewerState.paletteHandle = nullptr;
}

TEST(PaletteEntries, ChannelsWithoutBitsStayBlack) {
    // A 4-bit colour-index format reports no channel bits at all.
    PIXELFORMATDESCRIPTOR format = {};
    format.iPixelType = PFD_TYPE_COLORINDEX;
    format.cColorBits = 4;
    LOGPALETTE* description = makeDescription(16);
    fillPaletteEntries(description, format);
    for (int i = 0; i < 16; ++i) {
        const PALETTEENTRY& e = description->palPalEntry[i];
        EXPECT_EQ(e.peRed | e.peGreen | e.peBlue | e.peFlags, 0) << i;
    }

    // Only one channel present: it alone carries levels.
    format.cGreenBits = 2;
    format.cGreenShift = 1;
    fillPaletteEntries(description, format);
    std::set<int> greens;
    for (int i = 0; i < 16; ++i) {
        greens.insert(description->palPalEntry[i].peGreen);
        EXPECT_EQ(description->palPalEntry[i].peRed, 0);
    }
    EXPECT_EQ(greens, (std::set<int>{0, 85, 170, 255}));
    std::free(description);
}
