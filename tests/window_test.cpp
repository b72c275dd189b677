#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <GL/glx.h>
#include <X11/Xatom.h>

#include "palette/palette.h"
#include "viewer_window.h"
#include "x11/x11.h"

namespace {

const ViewerState startState = viewerState;

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        viewerState = startState;
        window = openViewerWindow(320);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { closeViewerWindow(window); }

    HPALETTE makePalette() {
        LOGPALETTE* description =
            static_cast<LOGPALETTE*>(std::calloc(1, sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY)));
        description->palVersion = 0x300;
        description->palNumEntries = 256;
        HPALETTE palette = CreatePalette(description);
        std::free(description);
        return palette;
    }

    HWND window = nullptr;
};

}  // namespace

TEST_F(ViewerWindow, CreationGivesAContextOnATrueColourFormat) {
    EXPECT_NE(viewerState.windowDC, nullptr);
    EXPECT_NE(viewerState.glContext, nullptr);
    EXPECT_EQ(WindowFromDC(viewerState.windowDC), window);

    const int format = GetPixelFormat(viewerState.windowDC);
    ASSERT_GT(format, 0);
    PIXELFORMATDESCRIPTOR described = {};
    ASSERT_GE(DescribePixelFormat(viewerState.windowDC, format, sizeof described, &described),
              format);
    EXPECT_EQ(described.dwFlags & (PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER),
              static_cast<DWORD>(PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER));
    EXPECT_FALSE(described.dwFlags & PFD_NEED_PALETTE);
    EXPECT_EQ(described.iPixelType, PFD_TYPE_RGBA);
    EXPECT_GE(described.cColorBits, 24);
    EXPECT_EQ(described.cRedBits + described.cGreenBits + described.cBlueBits,
              described.cColorBits);
    EXPECT_GE(described.cDepthBits, 16);
    // The format is set once; Windows refuses a second time too.
    EXPECT_EQ(SetPixelFormat(viewerState.windowDC, format, &described), FALSE);

    GLint doubleBuffered = 0;
    glGetBooleanv(GL_DOUBLEBUFFER, reinterpret_cast<GLboolean*>(&doubleBuffered));
    EXPECT_NE(doubleBuffered & 0xFF, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 320);
}

TEST_F(ViewerWindow, TheFormatIsTheOneNearestTheRequest) {
    // Of what the display offers for a double-buffered RGBA window, the shallowest depth
    // buffer that holds 16 bits, and no extra buffers where a format goes without them:
    // a deeper depth buffer changes which of two coinciding faces is drawn.
    Display* display = displayOf(window);
    int count = 0;
    GLXFBConfig* configs = glXGetFBConfigs(display, DefaultScreen(display), &count);
    int depth = 256, stencil = 256, accum = 256, samples = 256;
    for (int i = 0; i < count; ++i) {
        auto value = [&](int attribute) {
            int v = 0;
            glXGetFBConfigAttrib(display, configs[i], attribute, &v);
            return v;
        };
        if ((value(GLX_DRAWABLE_TYPE) & GLX_WINDOW_BIT) && (value(GLX_RENDER_TYPE) & GLX_RGBA_BIT) &&
            value(GLX_DOUBLEBUFFER) && value(GLX_DEPTH_SIZE) >= 16 && value(GLX_VISUAL_ID) != 0) {
            depth = std::min(depth, value(GLX_DEPTH_SIZE));
            stencil = std::min(stencil, value(GLX_STENCIL_SIZE));
            accum = std::min(accum, value(GLX_ACCUM_RED_SIZE));
            samples = std::min(samples, value(GLX_SAMPLES));
        }
    }
    XFree(configs);
    ASSERT_EQ(depth, 16) << "the display should offer a 16-bit depth buffer";

    GLint chosen[4] = {};
    glGetIntegerv(GL_DEPTH_BITS, &chosen[0]);
    glGetIntegerv(GL_STENCIL_BITS, &chosen[1]);
    glGetIntegerv(GL_ACCUM_RED_BITS, &chosen[2]);
    glGetIntegerv(GL_SAMPLES, &chosen[3]);
    EXPECT_EQ(chosen[0], depth);
    EXPECT_EQ(chosen[1], stencil);
    EXPECT_EQ(chosen[2], accum);
    EXPECT_EQ(chosen[3], samples);
    PIXELFORMATDESCRIPTOR described = {};
    DescribePixelFormat(viewerState.windowDC, GetPixelFormat(viewerState.windowDC),
                        sizeof described, &described);
    EXPECT_EQ(described.cDepthBits, depth);
    EXPECT_EQ(described.cStencilBits, stencil);
}

TEST_F(ViewerWindow, TrueColourBuildsNoPaletteAndPaletteMessagesGoToDefault) {
    EXPECT_EQ(viewerState.paletteHandle, nullptr);
    EXPECT_EQ(windowProc(window, WM_QUERYNEWPALETTE, 0, 0), 0);
    EXPECT_EQ(windowProc(window, WM_PALETTECHANGED, 0, 0), 0);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
}

TEST_F(ViewerWindow, APaletteIsRealisedAgainWhenAskedAndOneFrameDrawn) {
    viewerState.paletteHandle = makePalette();
    ASSERT_NE(viewerState.paletteHandle, nullptr);
    SelectPalette(viewerState.windowDC, viewerState.paletteHandle, FALSE);
    RealizePalette(viewerState.windowDC);

    UnrealizeObject(viewerState.paletteHandle);
    ASSERT_FALSE(viewerState.paletteHandle->realized);
    EXPECT_EQ(windowProc(window, WM_QUERYNEWPALETTE, 0, 0), TRUE);
    EXPECT_TRUE(viewerState.paletteHandle->realized);
    EXPECT_EQ(viewerState.windowDC->palette, viewerState.paletteHandle);
    EXPECT_NE(viewerState.idleCallback, nullptr);

    viewerState.idleCallback = nullptr;
    UnrealizeObject(viewerState.paletteHandle);
    const WPARAM otherWindow = 0x1234;
    EXPECT_EQ(windowProc(window, WM_PALETTECHANGED, otherWindow, 0), 0);
    EXPECT_TRUE(viewerState.paletteHandle->realized);
    EXPECT_NE(viewerState.idleCallback, nullptr);

    // Its own realisation changed the palette: answering that would loop.
    viewerState.idleCallback = nullptr;
    UnrealizeObject(viewerState.paletteHandle);
    EXPECT_EQ(windowProc(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(window), 0), 0);
    EXPECT_FALSE(viewerState.paletteHandle->realized);
    EXPECT_EQ(viewerState.idleCallback, nullptr);
}

TEST_F(ViewerWindow, ResizingIsUndone) {
    SetWindowPos(window, HWND_TOP, 0, 0, 200, 150, SWP_NOMOVE);
    int width = 0, height = 0;
    SDL_GetWindowSize(window->sdl, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 320);
}

TEST_F(ViewerWindow, AFrameGivenOnlyWhenShownShrinksClientAndViewportAlike) {
    // The test plays a window manager that frames a window only once it is mapped.
    Display* display = displayOf(window);
    const Window root = DefaultRootWindow(display);
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    const Atom frameExtents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    const long extents[4] = {1, 1, 20, 4};
    XChangeProperty(display, root, check, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&root), 1);
    XChangeProperty(display, root, supported, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&frameExtents), 1);
    XChangeProperty(display, xWindowOf(window), frameExtents, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(extents), 4);
    ShowWindow(window, SW_SHOWDEFAULT);
    XDeleteProperty(display, root, check);
    XDeleteProperty(display, root, supported);

    XWindowAttributes client = {};
    XGetWindowAttributes(display, xWindowOf(window), &client);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(client.width, 318);
    EXPECT_EQ(client.height, 296);
    EXPECT_EQ(viewport[2], 318);
    EXPECT_EQ(viewport[3], 296);
}

TEST_F(ViewerWindow, AnImposedSizeShowsTheClientAreaWholeAndCentredAndMapsThePointer) {
    // The test plays a tiling window manager: it gives the window a size of its own and
    // keeps it, refusing the size the program asks for.
    Display* manager = XOpenDisplay(nullptr);
    ASSERT_NE(manager, nullptr);
    const Window xWindow = xWindowOf(window);
    XSelectInput(manager, DefaultRootWindow(manager), SubstructureRedirectMask);
    XResizeWindow(manager, xWindow, 160, 400);
    XSync(manager, False);

    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SIZE));
    DispatchMessageA(&msg);
    XWindowAttributes shown = {};
    XGetWindowAttributes(displayOf(window), xWindow, &shown);
    ASSERT_EQ(shown.width, 160);
    ASSERT_EQ(shown.height, 400);

    // The 320-pixel client area at half size in the middle of the 400-pixel height.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 120, 160, 160}));
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = window->sdlId;
    motion.motion.x = 40;
    motion.motion.y = 230;
    SDL_PushEvent(&motion);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(msg.lParam, MAKELPARAM(80, 220));
    XCloseDisplay(manager);
}

TEST_F(ViewerWindow, KeyPressesArriveAsTheCharactersTheyType) {
    // What SDL reports for one press of f, then the same key held down.
    SDL_Event events[4] = {};
    events[0].type = SDL_KEYDOWN;
    events[0].key.windowID = window->sdlId;
    events[0].key.keysym.sym = SDLK_f;
    events[1].type = SDL_TEXTINPUT;
    events[1].text.windowID = window->sdlId;
    SDL_strlcpy(events[1].text.text, "f", sizeof events[1].text.text);
    events[2] = events[0];
    events[2].key.repeat = 1;
    events[3] = events[1];
    events[3].text.text[0] = 'F';
    for (SDL_Event& event : events) {
        SDL_PushEvent(&event);
    }

    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('F'));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('f'));
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_NE(msg.lParam & (1L << 30), 0);
    TranslateMessage(&msg);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('F'));
    // A message that is not a key press types nothing.
    EXPECT_FALSE(TranslateMessage(&msg));
}

TEST_F(ViewerWindow, PendingMouseMovesCoalesceIntoTheLatest) {
    // Windows keeps one pending move: a fast drag handled between two frames turns the
    // model from the last handled point to the newest, by the whole way the pointer went.
    for (int x : {10, 40, 90}) {
        SDL_Event motion = {};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.windowID = window->sdlId;
        motion.motion.x = x;
        motion.motion.y = 2 * x;
        SDL_PushEvent(&motion);
    }
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = window->sdlId;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);

    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(msg.lParam, MAKELPARAM(90, 180));
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(ViewerWindow, AProtocolErrorIsReportedOnceAndTheProgramGoesOn) {
    // Focusing a window that is not viewable is refused with BadMatch, as under a window
    // manager that has not yet shown the frame; Xlib's own handler would end the process.
    Display* display = displayOf(window);
    ASSERT_NE(display, nullptr);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        XSetInputFocus(display, xWindowOf(window), RevertToNone, CurrentTime);
        XSync(display, False);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "window_tests: X error BadMatch (invalid parameter attributes) on request "
              "X_SetInputFocus; going on\n");
}
