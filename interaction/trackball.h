// The virtual trackball, the rotation control it drives, and the input mapping.
#pragma once

#include "app/platform.h"
#include "scene/mesh_model.h"

const int leftButton = 1;

Vector3 trackballVector(int x, int y, int width, int height);
void rotationBegin(int button, int x, int y);
void rotationDrag(int x, int y);
void rotationEnd(int button, int x, int y);

LRESULT inputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
