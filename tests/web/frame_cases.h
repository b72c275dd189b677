// Frames drawn by the renderer alike in Mesa and in the browser's OpenGL, each from a
// fresh context and the viewer's start state, so the two pictures can be compared.
#pragma once

// Draws the named frame into the current context of the window size already set;
// false for a name it does not know.
bool drawFrameCase(const char* name);
