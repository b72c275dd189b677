// Windows' message box as the stand-in shows it on either window system: the text on
// white, an OK button on a grey band below, a stop sign beside the text for MB_ICONHAND.
// Laid out and drawn here, once, with cairo; the X11 and Wayland files make its window,
// read its input and show the picture.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "windows.h"

struct BoxRect {
    int x;
    int y;
    int width;
    int height;
};

// Measures are Windows' at 96 dpi, times the scale the box is drawn at.
struct BoxPicture {
    double scale;
    bool smooth;  // antialiased; else only the box's own colours are drawn
    std::vector<std::string> lines;  // UTF-8
    bool stopIcon;
    int width;
    int height;
    int bandTop;
    int textLeft;
    int firstBaseline;
    int lineHeight;
    int ascent;
    int descent;
    BoxRect button;
    bool buttonHeld;
};

// The box for that text and type at that scale, its text measured in the desktop's
// sans-serif font at the size of Windows' message font.
BoxPicture layOutBox(const char* ansiText, UINT type, double scale, bool smooth);
void drawBox(cairo_t* cr, const BoxPicture& box);
bool onButton(const BoxPicture& box, double x, double y);

// Where no box can be shown the text still reaches the user, on standard error.
void printBoxText(const char* caption, const char* text);
// While a box waits: a request to end the program (SIGTERM, SIGINT, a logout) ends it
// there, as Windows ends a program whatever box it shows, with the status a close gives.
void endIfAskedTo();
