#include "messagebox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sdl_internal.h"

namespace {

const int margin = 12;
const int iconSide = 32;
const int crossInset = 10;
const int crossWidth = 3;
const int buttonWidth = 88;
const int buttonHeight = 26;
const int bandPadding = 10;
const int leastWidth = 200;

}  // namespace

const BoxRgb boxColours[boxColourCount] = {
    {0xffff, 0xffff, 0xffff}, {0xf0f0, 0xf0f0, 0xf0f0}, {0x0000, 0x0000, 0x0000},
    {0xe1e1, 0xe1e1, 0xe1e1}, {0x0000, 0x7878, 0xd7d7}, {0xe8e8, 0x1111, 0x2323},
    {0xffff, 0xffff, 0xffff},
};

int scaledMeasure(double scale, double measure) {
    return static_cast<int>(std::lround(measure * scale));
}

BoxLayout layOutBox(double scale, int textWidth, int lines, int ascent, int descent,
                    bool stopIcon) {
    BoxLayout box = {};
    box.scale = scale;
    const int gap = scaledMeasure(scale, margin);
    const int icon = stopIcon ? scaledMeasure(scale, iconSide) : 0;
    const int buttonW = scaledMeasure(scale, buttonWidth);
    const int buttonH = scaledMeasure(scale, buttonHeight);
    const int padding = scaledMeasure(scale, bandPadding);
    box.lineHeight = ascent + descent + scaledMeasure(scale, 2);
    box.textLeft = gap + (stopIcon ? icon + gap : 0);
    box.firstBaseline = gap + ascent;
    box.width = std::max({box.textLeft + textWidth + gap, 2 * gap + buttonW,
                          scaledMeasure(scale, leastWidth)});
    box.bandTop = 2 * gap + std::max(lines * box.lineHeight, icon);
    box.height = box.bandTop + buttonH + 2 * padding;
    box.icon = {gap, gap, icon, icon};
    box.crossInset = scaledMeasure(scale, crossInset);
    box.crossWidth = scaledMeasure(scale, crossWidth);
    box.button = {box.width - gap - buttonW, box.bandTop + padding, buttonW, buttonH};
    return box;
}

BoxRect buttonFace(const BoxLayout& layout, bool held) {
    const int inset = scaledMeasure(layout.scale, held ? 3 : 2);
    const BoxRect& b = layout.button;
    return {b.x + inset, b.y + inset, b.width - 2 * inset, b.height - 2 * inset};
}

bool onButton(const BoxLayout& layout, int x, int y) {
    const BoxRect& b = layout.button;
    return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

int labelLeft(const BoxLayout& layout, int labelWidth) {
    return layout.button.x + (layout.button.width - labelWidth) / 2;
}

int labelBaseline(const BoxLayout& layout, int ascent, int descent) {
    return layout.button.y + (layout.button.height + ascent - descent) / 2;
}

std::vector<std::string> boxLines(const char* ansi) {
    std::vector<std::string> lines(1);
    for (const char c : utf8FromAnsi(ansi)) {
        if (c == '\n') {
            lines.emplace_back();
        } else if (c != '\r') {
            lines.back() += c;
        }
    }
    return lines;
}

void printBoxText(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", utf8FromAnsi(caption).c_str(), utf8FromAnsi(text).c_str());
}

void endIfAskedTo() {
    if (SDL_QuitRequested()) {
        std::exit(0);
    }
}
