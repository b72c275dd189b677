// Draws one of the frame cases with Mesa, offscreen, and writes it to standard output:
// the RGBA pixels, bottom row first, then the model matrix as 16 floats.
#include <cstdio>

#include "frame_cases.h"
#include "osmesa_context.h"

int main(int argc, char** argv) {
    const int size = 512;
    OffscreenContext context;
    makeOffscreenContext(&context, size, size);
    if (argc != 2 || !drawFrameCase(argv[1])) {
        std::fprintf(stderr, "usage: gl_reference first|fog|wireframe|drag|...\n");
        return 2;
    }
    std::fwrite(context.pixels.data(), 1, context.pixels.size(), stdout);
    std::fwrite(viewerState.rotation.modelMatrix, sizeof(float), 16, stdout);
    return 0;
}
