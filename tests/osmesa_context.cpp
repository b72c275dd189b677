#include "osmesa_context.h"

#include <GL/osmesa.h>

#include <stdexcept>

namespace {

const ViewerState startState = viewerState;
OSMesaContext current = nullptr;

}  // namespace

void makeOffscreenContext(OffscreenContext* context, int width, int height) {
    if (current != nullptr) {
        OSMesaDestroyContext(current);
    }
    current = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    if (current == nullptr) {
        throw std::runtime_error("no OSMesa context");
    }
    context->width = width;
    context->height = height;
    context->pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    if (!OSMesaMakeCurrent(current, context->pixels.data(), GL_UNSIGNED_BYTE, width, height)) {
        throw std::runtime_error("cannot make the OSMesa context current");
    }
    viewerState.windowWidth = width;
    viewerState.windowHeight = height;
}

void resetViewerState() { viewerState = startState; }
