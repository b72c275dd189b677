// The single global record of everything the viewer changes or configures at run time.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "scene/mesh_model.h"

struct WindowPoint {
    int32_t x;
    int32_t y;
};

struct RotationState {
    float incrementAngle;  // degrees, applied once per drawn frame while rotationActive
    Vector3 incrementAxis;  // not normalised: OpenGL normalises it
    float modelMatrix[16];  // column-major, the running product of all increments
    Vector3 lastTrackPoint;
    WindowPoint pressPoint;
    int32_t spinning;
    int32_t rotationActive;
    int32_t dragging;
};

struct RenderOptions {
    int32_t fogEnabled;
    int32_t wireframe;
    int32_t doubleBuffer;
    int32_t depthBuffer;
    int32_t lighting;
    int32_t texturing;
    int32_t textureReplace;
    int32_t cullFaces;
    int32_t perspective;
};

struct ViewerState {
    int32_t windowWidth;
    int32_t windowHeight;
    WindowPoint windowPosition;
    const char* className;
    const char* windowTitle;
    HDC windowDC;
    HGLRC glContext;
    HPALETTE paletteHandle;
    void (*idleCallback)();
    RotationState rotation;
    RenderOptions options;
    float panOffset[2];
    float lightPositions[6][4];  // lights 1 to 6; light 0 is fixed in initScene
    float frontDiffuse[3];
    float backDiffuse[3];
    float stepValue;  // stepped by keys j and k; nothing reads it
};

extern ViewerState viewerState;
