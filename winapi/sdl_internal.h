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
    WNDPROC proc;
    HICON icon;
    std::string title;  // UTF-8, as X11 takes it
    DWORD style;
    int x;
    int y;
    int width;   // the client area, as the last size event or request left it
    int height;
    int shownWidth;  // the X window's size, which a window manager may have imposed
    int shownHeight;
    FrameExtents frame;
    bool alive;
    bool needsPaint;
    bool exposed;       // viewable: the server has shown it at least once
    bool focusPending;  // asked to activate before it was viewable
    StandInDC dc;
};

// GLXContext and GLXFBConfig, without pulling Xlib into every file.
struct __GLXcontextRec;
struct __GLXFBConfigRec;

struct StandInGLContext {
    __GLXcontextRec* glx;
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

// A pixel format: what it gives, and the X visual of the GLX configuration behind it.
struct StandInPixelFormat {
    PIXELFORMATDESCRIPTOR descriptor;
    __GLXFBConfigRec* config;  // valid while the display is open
    unsigned long visual;
};

struct QueuedMessage {
    MSG msg;
    std::string typed;  // the characters a WM_KEYDOWN typed, for TranslateMessage
};

struct StandInState {
    bool videoReady;
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

StandInState& standIn();
bool ensureVideo();
// The primary monitor on the X screen: Windows' screen coordinates start at its corner.
SDL_Rect primaryBounds();
StandInWindow* liveWindow(HWND window);
StandInWindow* windowFromSdlId(Uint32 id);
bool createSdlWindow(StandInWindow* window, Uint32 extraFlags);
void nameWindow(StandInWindow* window);
void activateWindow(StandInWindow* window);
LRESULT sendMessage(StandInWindow* window, UINT message, WPARAM wParam, LPARAM lParam);
void dropMessagesFor(StandInWindow* window);

// Window-manager frames and states (x11_frame.cpp). The extents are zero where no
// window manager runs, or none came within the time given; asked for first, most
// window managers give them before the window is mapped.
FrameExtents frameExtents(StandInWindow* window, bool askFirst, int milliseconds);
bool maximisedOrFullscreen(StandInWindow* window);
void leaveMaximisedAndFullscreen(StandInWindow* window);
void resizeClient(StandInWindow* window, int width, int height);

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
