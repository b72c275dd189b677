// Windows' message box as each window system's box draws it: the text on white, an OK
// button on a grey band below, a stop sign beside the text for MB_ICONHAND. Measures
// are Windows' at 96 dpi, times the scale the box is drawn at.
#pragma once

#include <string>
#include <vector>

enum BoxColour {
    boxBackground,
    boxBand,
    boxText,
    boxButtonFace,
    boxButtonBorder,
    boxStopRed,
    boxStopCross,
    boxColourCount
};

// 16 bits a channel.
struct BoxRgb {
    unsigned short red;
    unsigned short green;
    unsigned short blue;
};
extern const BoxRgb boxColours[boxColourCount];

const double messageFontPoints = 9;  // Windows' message font

struct BoxRect {
    int x;
    int y;
    int width;
    int height;
};

struct BoxLayout {
    double scale;
    int width;
    int height;
    int bandTop;
    int textLeft;
    int firstBaseline;
    int lineHeight;
    BoxRect icon;  // where the stop sign goes, if the box has one
    int crossInset;
    int crossWidth;
    BoxRect button;
};

// A measure of Windows' box at the box's scale.
int scaledMeasure(double scale, double measure);
// The box around text of that width and number of lines in a font of that ascent and
// descent.
BoxLayout layOutBox(double scale, int textWidth, int lines, int ascent, int descent,
                    bool stopIcon);
BoxRect buttonFace(const BoxLayout& layout, bool held);
bool onButton(const BoxLayout& layout, int x, int y);
// Where the button's label starts, for a label of that width.
int labelLeft(const BoxLayout& layout, int labelWidth);
int labelBaseline(const BoxLayout& layout, int ascent, int descent);

// The text's lines in UTF-8, from the code page the program writes in.
std::vector<std::string> boxLines(const char* ansi);

// Where no box can be shown the text still reaches the user, on standard error.
void printBoxText(const char* caption, const char* text);
// While a box waits: a request to end the program (SIGTERM, SIGINT, a logout) ends it
// there, as Windows ends a program whatever box it shows, with the status a close gives.
void endIfAskedTo();
