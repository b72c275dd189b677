// Pixel formats, palettes, contexts and presenting in a browser: one format, WebGL 2's
// drawing buffer with a depth buffer, and WebGL 2 contexts on the canvas.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "gl_state.h"
#include "web_internal.h"

struct StandInGLContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle;
};

struct StandInPalette {
    int unused;
};

namespace {

const int webglFormat = 1;

EM_JS(int, hasWebGL2, (), {
    return document.createElement('canvas').getContext('webgl2') ? 1 : 0;
});

// Until the browser's next animation frame: one frame per display refresh, and the
// page composites the one just drawn meanwhile.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise((next) => requestAnimationFrame(next));
});

}  // namespace

// Where the browser offers no WebGL 2, no format serves.
int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return hasWebGL2() ? webglFormat : 0; }

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (format != webglFormat || dc->pixelFormat != 0) {
        return FALSE;
    }
    dc->pixelFormat = format;
    return TRUE;
}

int GetPixelFormat(HDC dc) { return dc->pixelFormat; }

// 8 bits a colour and a 24-bit depth buffer, double-buffered: what WebGL 2 gives.
int DescribePixelFormat(HDC, int format, UINT bytes, PIXELFORMATDESCRIPTOR* descriptor) {
    if (format == webglFormat && descriptor != nullptr && bytes >= sizeof *descriptor) {
        *descriptor = PIXELFORMATDESCRIPTOR{};
        descriptor->nSize = sizeof *descriptor;
        descriptor->nVersion = 1;
        descriptor->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        descriptor->iPixelType = PFD_TYPE_RGBA;
        descriptor->cColorBits = 24;
        descriptor->cRedBits = descriptor->cGreenBits = descriptor->cBlueBits = 8;
        descriptor->cRedShift = 16;
        descriptor->cGreenShift = 8;
        descriptor->cDepthBits = 24;
    }
    return webglFormat;
}

// A browser's display has no palette hardware to load: the objects are only kept.
HPALETTE CreatePalette(const LOGPALETTE*) { return new StandInPalette{}; }
HPALETTE SelectPalette(HDC, HPALETTE palette, BOOL) { return palette; }
UINT RealizePalette(HDC) { return 0; }
BOOL UnrealizeObject(HGDIOBJ) { return TRUE; }

BOOL SwapBuffers(HDC) {
    waitForAnimationFrame();
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (dc->pixelFormat != webglFormat) {
        return nullptr;
    }
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = false;  // the window is opaque, whatever alpha a frame draws
    attributes.antialias = false;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (handle <= 0) {
        return nullptr;
    }
    // A new context starts from OpenGL's initial state.
    startGLContext();
    return new StandInGLContext{handle};
}

BOOL wglMakeCurrent(HDC, HGLRC context) {
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = context ? context->handle : 0;
    return emscripten_webgl_make_context_current(handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

// The canvas keeps showing the last frame, as a closed window's last picture stays
// on the page until it is reloaded.
BOOL wglDeleteContext(HGLRC context) {
    delete context;
    return TRUE;
}
