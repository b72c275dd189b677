// The test page's program: draws a frame case on the page's canvas with the browser's
// OpenGL, each in a fresh WebGL 2 context state, for the test to read back.
#include <emscripten/html5.h>

#include "frame_cases.h"
#include "scene/viewer_state.h"
#include "webgl/gl_state.h"

extern "C" {

// Returns the model matrix after the frame, or null where WebGL 2 or the case is missing.
EMSCRIPTEN_KEEPALIVE const float* drawCase(const char* name, int size) {
    static EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    if (context == 0) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.alpha = false;
        attributes.antialias = false;
        attributes.preserveDrawingBuffer = true;
        emscripten_set_canvas_element_size("#canvas", size, size);
        context = emscripten_webgl_create_context("#canvas", &attributes);
        if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
            return nullptr;
        }
    }
    startGLContext();
    viewerState.windowWidth = size;
    viewerState.windowHeight = size;
    return drawFrameCase(name) ? viewerState.rotation.modelMatrix : nullptr;
}

}
