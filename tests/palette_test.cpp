#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "palette/palette.h"

namespace {

LOGPALETTE* makeDescription(int entries) {
    LOGPALETTE* description = static_cast<LOGPALETTE*>(
        std::calloc(1, sizeof(LOGPALETTE) + (entries - 1) * sizeof(PALETTEENTRY)));
    description->palVersion = 0x300;
    description->palNumEntries = static_cast<WORD>(entries);
    return description;
}

}  // namespace

TEST(PaletteEntries, ThreeThreeTwoFormatSpreadsEachChannelOverItsLevels) {
    PIXELFORMATDESCRIPTOR format = {};
    format.cColorBits = 8;
    format.cRedBits = 3;
    format.cRedShift = 0;
    format.cGreenBits = 3;
    format.cGreenShift = 3;
    format.cBlueBits = 2;
    format.cBlueShift = 6;
    LOGPALETTE* description = makeDescription(256);
    fillPaletteEntries(description, format);

    const int eighths[8] = {0, 36, 72, 109, 145, 182, 218, 255};
    const int quarters[4] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = description->palPalEntry[i];
        ASSERT_EQ(e.peRed, eighths[i & 7]) << i;
        ASSERT_EQ(e.peGreen, eighths[(i >> 3) & 7]) << i;
        ASSERT_EQ(e.peBlue, quarters[i >> 6]) << i;
        ASSERT_EQ(e.peFlags, 0) << i;
    }
    std::free(description);
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
