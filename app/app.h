// Process entry, the window and its procedure, and the idle-driven main loop.
#pragma once

#include "app/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showMode);
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int runMainLoop();

void setupPixelFormat(HDC windowDC);
void setupContext(HWND window);
void tearDownContext(HWND window);

void requestRedraw();
void idleRender();

