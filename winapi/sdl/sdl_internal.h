// State shared by the stand-in's files: one record, as the calls it stands in for
// keep their state in the system.
#pragma once

#include <SDL.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows.h"

struct StandInDC {
    StandInWindow* window;
    int pixelFormat;  // 0 until SetPixelFormat
    HPALETTE palette;
};

// What a window manager's frame adds on each side of the client area.
struct FrameExtents {
    int left;
    int right;
    int top;
    int bottom;
};

struct StandInWindow {
    SDL_Window* sdl;
    Uint32 sdlId;
    // The program's pixels per SDL unit: 1 on X11; on Wayland the buffer's scale, as a
    // program that Windows knows to be DPI aware sees the monitor's own pixels.
    double pixelRatio;
    WNDPROC proc;
    HICON icon;
    std::string title;  // UTF-8, as X11 takes it
    DWORD style;
    int x;
    int y;
    int width;   // the client area in pixels, as the last size event or request left it
    int height;
    int shownWidth;  // the window's size in pixels, which a window manager may have imposed
    int shownHeight;
    FrameExtents frame;
    bool alive;
    bool needsPaint;
    bool exposed;       // viewable: the server has shown it at least once
    bool focusPending;  // asked to activate before it was viewable
    StandInDC dc;
};

struct StandInGLContext {
    void* handle;  // the window system's context; null once deleted
    StandInWindow* window;
};

struct StandInPalette {
    std::vector<PALETTEENTRY> entries;
    bool realized;
};

struct StandInIcon {
    SDL_Surface* surface;
};

struct StandInCursor {
    SDL_SystemCursor shape;
};

// A pixel format: what it gives, and the configuration of the window system's OpenGL
// behind it (a GLX or an EGL configuration, valid while the display is open).
struct StandInPixelFormat {
    PIXELFORMATDESCRIPTOR descriptor;
    void* config;
    unsigned long id;  // the X visual or the EGL configuration: one format for each
    int samples;
};

// What a configuration of the window system's OpenGL gives, in bits.
struct ConfigSizes {
    int red;
    int green;
    int blue;
    int alpha;
    int accumRed;
    int depth;
    int stencil;
    int samples;
};

// The pixel format of such a configuration, as Windows describes it (sdl_pixelformat.cpp).
StandInPixelFormat describeConfig(const ConfigSizes& sizes, DWORD flags, void* config,
                                  unsigned long id);

struct QueuedMessage {
    MSG msg;
    std::string typed;  // the characters a WM_KEYDOWN typed, for TranslateMessage
};

struct WindowSystem;

struct StandInState {
    bool videoReady;
    bool seatless;  // the Wayland display answered but offers no input seat
    const WindowSystem* system;
    std::map<std::string, WNDCLASSA> classes;  // by name, which each class points into
    std::vector<std::unique_ptr<StandInWindow>> windows;
    std::deque<QueuedMessage> queue;
    bool quitPosted;
    int quitCode;
    MSG lastRetrieved;
    std::string lastTyped;
    StandInWindow* captured;
    std::vector<StandInPixelFormat> formats;
    std::vector<std::unique_ptr<StandInPalette>> palettes;
    std::vector<std::unique_ptr<StandInIcon>> icons;
    std::vector<std::unique_ptr<StandInGLContext>> contexts;
    StandInGLContext* currentContext;
};

// What the window systems do their own way. One is chosen when video starts
// (sdl_display.cpp), and every call below goes through it: X11 with GLX (x11_*.cpp,
// glx_context.cpp) or Wayland with EGL (wl_*.cpp, egl_context.cpp).
struct WindowSystem {
    // The primary monitor: Windows' screen coordinates start at its corner, in pixels.
    SDL_Rect (*primaryBounds)();
    Uint32 windowFlags;  // for every SDL window
    void (*nameWindow)(StandInWindow* window);
    void (*showWindow)(StandInWindow* window);
    // The frame around the client area where the system tells it, else zero; asked for
    // first, most window managers give it before the window is mapped.
    FrameExtents (*frameExtents)(StandInWindow* window, bool askFirst, int milliseconds);
    bool (*maximisedOrFullscreen)(StandInWindow* window);
    void (*leaveMaximisedAndFullscreen)(StandInWindow* window);
    void (*resizeClient)(StandInWindow* window, int width, int height);
    bool (*captureMouse)(bool capture);
    // Waits for the display's next input, serving the accessibility bus meanwhile; false
    // where the window has no display to wait on.
    bool (*waitForInput)(StandInWindow* window);
    int (*messageBox)(StandInWindow* owner, LPCSTR text, LPCSTR caption, UINT type);

    // Pixel formats: the configurations that can draw in a window as asked, each with
    // what it gives; then the window made to take one.
    std::vector<StandInPixelFormat> (*pixelFormats)(StandInWindow* window,
                                                    const PIXELFORMATDESCRIPTOR& request);
    bool (*setPixelFormat)(StandInWindow* window, const StandInPixelFormat& format);
    // Rendering contexts of a format's exact configuration, and presenting.
    void* (*createContext)(StandInWindow* window, const StandInPixelFormat& format);
    bool (*makeCurrent)(StandInWindow* window, void* context);
    void (*releaseContext)(StandInWindow* window);
    void (*deleteContext)(StandInWindow* window, void* context);
    void (*swapBuffers)(StandInWindow* window);
};

extern const WindowSystem x11WindowSystem;
extern const WindowSystem waylandWindowSystem;

StandInState& standIn();
bool ensureVideo();
// The system video runs on; X11's where none could start, whose calls then fail.
const WindowSystem& windowSystem();
SDL_Rect primaryBounds();
// The primary monitor's pixels per SDL unit: 1 on X11, the output's scale on Wayland.
double screenScale();
StandInWindow* liveWindow(HWND window);
StandInWindow* windowFromSdlId(Uint32 id);
bool createSdlWindow(StandInWindow* window, Uint32 extraFlags);
void activateWindow(StandInWindow* window);
LRESULT sendMessage(StandInWindow* window, UINT message, WPARAM wParam, LPARAM lParam);
void dropMessagesFor(StandInWindow* window);

// Where the client area the program set lies in the X window, which a window manager may
// have given another size and kept: whole, centred, scaled down where it does not fit.
struct ClientView {
    int left;
    int top;
    int width;
    int height;
    double scale;
};
ClientView clientView(const StandInWindow* window);
// Points the current context's viewport at that area (sdl_wgl.cpp); around it the
// window shows what the program clears the buffer to.
void presentClientArea(StandInWindow* window);

std::string utf8FromAnsi(const char* text);
std::string ansiFromUtf8(const char* text);
std::string utf8FromWide(LPCWSTR text);
