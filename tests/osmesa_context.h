// An offscreen Mesa context sized like the viewer's window, for tests that draw.
#pragma once

#include <vector>

#include "scene/viewer_state.h"

struct OffscreenContext {
    int width;
    int height;
    std::vector<unsigned char> pixels;  // RGBA, bottom row first
};

// Makes a context of the given size current and sets the window size to match.
void makeOffscreenContext(OffscreenContext* context, int width, int height);
// Restores every field of the viewer state to its start value.
void resetViewerState();
