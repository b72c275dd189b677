// Frame cost of the renderer in an offscreen Mesa context, beside its floor on the same
// GL: the same state and mesh drawn from a display list, and a frame that only clears
// and presents. Prints one CSV row per window size: size,kind,median,min,max (ms).
#include <GL/osmesa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sdl/process_heap.h"
#include "scene/renderer.h"
#include "scene/viewer_state.h"

namespace {

double millisecondsPerFrame(void (*frame)(), int frames) {
    frame();
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        frame();
        glFinish();  // count the drawing, not just its submission
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / frames;
}

GLuint meshList = 0;

// The program's frame with the mesh replayed from a display list instead of being
// sent call by call: what immediate mode costs on top of the drawing itself.
void displayListFrame() {
    GLuint list = meshList;
    glClearColor(0.2f, 0.1f, 0.05f, 1.0f);
    glDisable(GL_FOG);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(viewerState.rotation.incrementAngle, 0.0f, 1.0f, 0.0f);
    glMultMatrixf(viewerState.rotation.modelMatrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewerState.rotation.modelMatrix);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    for (int i = 0; i < 6; ++i) {
        glLightfv(GL_LIGHT1 + i, GL_POSITION, viewerState.lightPositions[i]);
    }
    glEnable(GL_LIGHT2);
    glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glMultMatrixf(viewerState.rotation.modelMatrix);
    setMaterials();
    glCallList(list);
    glPopMatrix();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glFlush();
}

void clearOnlyFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const std::vector<int> sizes = quick ? std::vector<int>{614} : std::vector<int>{614, 864, 1152, 1728};
    const int runs = quick ? 3 : 7;
    const int frames = quick ? 5 : 30;
    setupProcessHeap();  // the heap the program itself draws on

    for (int size : sizes) {
        OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
        std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4);
        if (context == nullptr ||
            !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, size, size)) {
            std::fprintf(stderr, "frame_bench: no OSMesa context\n");
            return 1;
        }
        viewerState.windowWidth = size;
        viewerState.windowHeight = size;
        initScene();
        meshList = glGenLists(1);
        glNewList(meshList, GL_COMPILE);
        drawModel();
        glEndList();

        struct Kind {
            const char* name;
            void (*frame)();
        };
        const Kind kinds[] = {{"program", renderFrame},
                              {"display_list", displayListFrame},
                              {"clear_only", clearOnlyFrame}};
        // Runs take turns, so drift in the machine's speed reaches every kind alike.
        std::vector<double> samples[3];
        for (int run = 0; run < runs; ++run) {
            for (int k = 0; k < 3; ++k) {
                samples[k].push_back(millisecondsPerFrame(kinds[k].frame, frames));
            }
        }
        for (int k = 0; k < 3; ++k) {
            std::sort(samples[k].begin(), samples[k].end());
            std::printf("%d,%s,%.3f,%.3f,%.3f\n", size, kinds[k].name,
                        samples[k][samples[k].size() / 2], samples[k].front(), samples[k].back());
        }
        glDeleteLists(meshList, 1);
        OSMesaDestroyContext(context);
    }
    return 0;
}
