#include "messagebox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sdl_internal.h"

namespace {

const double fontPixels = 12;  // Windows' message font, 9 points at 96 dpi
const int margin = 12;
const int iconSide = 32;
const int crossInset = 10;
const int crossWidth = 3;
const int buttonWidth = 88;
const int buttonHeight = 26;
const int bandPadding = 10;
const int leastWidth = 200;

struct Rgb {
    double red;
    double green;
    double blue;
};
const Rgb background = {1, 1, 1};
const Rgb band = {0xf0 / 255.0, 0xf0 / 255.0, 0xf0 / 255.0};
const Rgb ink = {0, 0, 0};
const Rgb buttonFace = {0xe1 / 255.0, 0xe1 / 255.0, 0xe1 / 255.0};
const Rgb buttonBorder = {0, 0x78 / 255.0, 0xd7 / 255.0};
const Rgb stopRed = {0xe8 / 255.0, 0x11 / 255.0, 0x23 / 255.0};
const Rgb stopCross = {1, 1, 1};

int scaled(double scale, double measure) { return static_cast<int>(std::lround(measure * scale)); }

void setFont(cairo_t* cr, double scale, bool smooth) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontPixels * scale);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options,
                                     smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    // As GNOME hints by default: full hinting rounds each size's glyphs differently, and
    // a scaled box's text would not grow with the box.
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

int textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return static_cast<int>(std::ceil(extents.x_advance));
}

void fill(cairo_t* cr, const Rgb& colour, const BoxRect& area) {
    cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_fill(cr);
}

void drawStopIcon(cairo_t* cr, const BoxPicture& box) {
    const int gap = scaled(box.scale, margin);
    const double side = scaled(box.scale, iconSide);
    cairo_set_source_rgb(cr, stopRed.red, stopRed.green, stopRed.blue);
    cairo_arc(cr, gap + side / 2, gap + side / 2, side / 2, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, stopCross.red, stopCross.green, stopCross.blue);
    cairo_set_line_width(cr, scaled(box.scale, crossWidth));
    const double low = gap + scaled(box.scale, crossInset);
    const double high = gap + side - scaled(box.scale, crossInset);
    cairo_move_to(cr, low, low);
    cairo_line_to(cr, high, high);
    cairo_move_to(cr, low, high);
    cairo_line_to(cr, high, low);
    cairo_stroke(cr);
}

void showText(cairo_t* cr, double x, double y, const std::string& text) {
    cairo_set_source_rgb(cr, ink.red, ink.green, ink.blue);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

}  // namespace

BoxPicture layOutBox(const char* ansiText, UINT type, double scale, bool smooth) {
    BoxPicture box = {};
    box.scale = scale;
    box.smooth = smooth;
    box.lines.emplace_back();
    for (const char c : utf8FromAnsi(ansiText)) {
        if (c == '\n') {
            box.lines.emplace_back();
        } else if (c != '\r') {
            box.lines.back() += c;
        }
    }
    box.stopIcon = (type & MB_ICONHAND) != 0;

    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    setFont(cr, scale, smooth);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    box.ascent = static_cast<int>(std::ceil(font.ascent));
    box.descent = static_cast<int>(std::ceil(font.descent));
    int widest = 0;
    for (const std::string& line : box.lines) {
        widest = std::max(widest, textWidth(cr, line));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);

    const int gap = scaled(scale, margin);
    const int icon = box.stopIcon ? scaled(scale, iconSide) : 0;
    const int buttonW = scaled(scale, buttonWidth);
    const int buttonH = scaled(scale, buttonHeight);
    const int padding = scaled(scale, bandPadding);
    box.lineHeight = box.ascent + box.descent + scaled(scale, 2);
    box.textLeft = gap + (box.stopIcon ? icon + gap : 0);
    box.firstBaseline = gap + box.ascent;
    box.width = std::max({box.textLeft + widest + gap, 2 * gap + buttonW, scaled(scale, leastWidth)});
    box.bandTop = 2 * gap + std::max(static_cast<int>(box.lines.size()) * box.lineHeight, icon);
    box.height = box.bandTop + buttonH + 2 * padding;
    box.button = {box.width - gap - buttonW, box.bandTop + padding, buttonW, buttonH};
    return box;
}

void drawBox(cairo_t* cr, const BoxPicture& box) {
    // Without antialiasing, shapes too keep to the box's colours.
    cairo_set_antialias(cr, box.smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    fill(cr, background, {0, 0, box.width, box.bandTop});
    fill(cr, band, {0, box.bandTop, box.width, box.height - box.bandTop});
    if (box.stopIcon) {
        drawStopIcon(cr, box);
    }
    setFont(cr, box.scale, box.smooth);
    int baseline = box.firstBaseline;
    for (const std::string& line : box.lines) {
        showText(cr, box.textLeft, baseline, line);
        baseline += box.lineHeight;
    }
    const BoxRect& b = box.button;
    fill(cr, buttonBorder, b);
    const int inset = scaled(box.scale, box.buttonHeld ? 3 : 2);
    fill(cr, buttonFace, {b.x + inset, b.y + inset, b.width - 2 * inset, b.height - 2 * inset});
    showText(cr, b.x + (b.width - textWidth(cr, "OK")) / 2,
             b.y + (b.height + box.ascent - box.descent) / 2, "OK");
}

bool onButton(const BoxPicture& box, double x, double y) {
    const BoxRect& b = box.button;
    return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

void printBoxText(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", utf8FromAnsi(caption).c_str(), utf8FromAnsi(text).c_str());
}

void endIfAskedTo() {
    if (SDL_QuitRequested()) {
        std::exit(0);
    }
}
