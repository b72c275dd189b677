// The logical palette that palette-based (8-bit) displays need for RGBA rendering.
#pragma once

#include "app/platform.h"

void setupPalette(HDC windowDC);
void realizePalette();
LRESULT paletteMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
