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

// A canvas of the page's, off the layout, to try WebGL 2 on before the window has one.
EM_JS(void, makeProbeCanvas, (int made), {
    if (made) {
        const probe = document.createElement('canvas');
        probe.id = 'webgl-probe';
        probe.hidden = true;
        document.body.append(probe);
    } else {
        document.getElementById('webgl-probe').remove();
    }
});

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE createContext(const char* canvas) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = false;  // the window is opaque, whatever alpha a frame draws
    attributes.antialias = false;
    // Shown by a copy rather than a swap: WebKitGTK's compositor without DMA-BUF shows a
    // swapped frame only once the next one is drawn, so a still model would show the
    // frame before its last.
    attributes.preserveDrawingBuffer = true;
    return emscripten_webgl_create_context(canvas, &attributes);
}

// Some browsers offer WebGL 2 and still refuse a shader, for their GPU's limits: only
// a WebGL 2 that compiles and links the OpenGL layer's program can draw.
bool webglRunsTheLayer() {
    makeProbeCanvas(1);
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE probe = createContext("#webgl-probe");
    bool runs = false;
    if (probe > 0 && emscripten_webgl_make_context_current(probe) == EMSCRIPTEN_RESULT_SUCCESS) {
        runs = glProgramLinks();
        emscripten_webgl_make_context_current(0);
    }
    if (probe > 0) {
        emscripten_webgl_destroy_context(probe);
    }
    makeProbeCanvas(0);
    return runs;
}

// Browsers drop WebGL contexts: a phone when the user switches apps, a desktop when the
// GPU resets. Taking the loss lets the browser give the context back; the page says
// what happened meanwhile, and the window is painted again once it is back.
EM_JS(void, watchContext, (), {
    const canvas = document.getElementById('canvas');
    const lost = document.getElementById('lost');
    canvas.addEventListener('webglcontextlost', (e) => {
        e.preventDefault();
        if (lost) lost.hidden = false;
    });
    canvas.addEventListener('webglcontextrestored', () => {
        if (lost) lost.hidden = true;
        Module.viewerPost([0x000F, 0, 0, 0]);
    });
});

// Until the browser's next animation frame: one frame per display refresh, and the
// page composites the one just drawn meanwhile.
EM_JS(void, waitForAnimationFrame, (), {
    Asyncify.handleSleep((wakeUp) => requestAnimationFrame(() => Module.viewerResume(wakeUp)));
});

}  // namespace

// Where the browser offers no WebGL 2 that can draw, no format serves.
int ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) {
    return webglRunsTheLayer() ? webglFormat : 0;
}

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
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = createContext("#canvas");
    if (handle <= 0) {
        return nullptr;
    }
    // A new context starts from OpenGL's initial state.
    startGLContext();
    watchContext();
    return new StandInGLContext{handle};
}

void restoreContext() { restoreGLContext(); }

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
