#include <cstdlib>

#include "app/app.h"
#include "palette/palette.h"
#include "scene/renderer.h"
#include "scene/viewer_state.h"

namespace {

void failPixelFormat(HDC windowDC, LPCSTR text) {
    MessageBoxA(WindowFromDC(windowDC), text, "Error", MB_ICONHAND | MB_OK);
    std::exit(1);
}

}  // namespace

void setupPixelFormat(HDC windowDC) {
    PIXELFORMATDESCRIPTOR request = {};
    request.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (viewerState.options.doubleBuffer) {
        request.dwFlags |= PFD_DOUBLEBUFFER;
    }
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 8;  // a minimum: the system may choose more
    request.cDepthBits = viewerState.options.depthBuffer ? 16 : 0;
    request.iLayerType = PFD_MAIN_PLANE;

    const int format = ChoosePixelFormat(windowDC, &request);
    if (format == 0) {
        failPixelFormat(windowDC, "ChoosePixelFormat failed\n");
    }
    if (SetPixelFormat(windowDC, format, &request) != TRUE) {
        failPixelFormat(windowDC, "SetPixelFormat failed");
    }
}

void setupContext(HWND window) {
    // The class owns its DC, so this one stays valid until the window goes.
    viewerState.windowDC = GetDC(window);
    setupPixelFormat(viewerState.windowDC);
    setupPalette(viewerState.windowDC);
    viewerState.glContext = wglCreateContext(viewerState.windowDC);
    wglMakeCurrent(viewerState.windowDC, viewerState.glContext);
    initScene();
}

void tearDownContext(HWND window) {
    if (viewerState.glContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(viewerState.glContext);
    }
    viewerState.idleCallback = nullptr;
    ReleaseDC(window, viewerState.windowDC);
    PostQuitMessage(0);
}
