// The logical palette that palette-based (8-bit) displays need for RGBA rendering.
#pragma once

#include "app/platform.h"

void setupPalette(HDC windowDC);
// Maps each of the description's entries to the colour its bit fields stand for.
void fillPaletteEntries(LOGPALETTE* description, const PIXELFORMATDESCRIPTOR& format);
void realizePalette();
LRESULT paletteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
