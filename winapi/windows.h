// Stand-in for the Windows calls the viewer makes: on Linux on top of SDL2 and the
// system's OpenGL (sdl_*, x11_*, wl_*, glx_*, egl_* files), in a browser on the page's
// own API and WebGL 2 (web_* files, with OpenGL 1.1 from ../webgl). It is no general
// emulation: each call below gives the effect the viewer relies on, and nothing more.
//
// It runs on one of two window systems, chosen once at start (sdl_display.cpp): Wayland
// where a compositor can be reached (WAYLAND_DISPLAY) and SDL_VIDEODRIVER does not ask
// for X11; else X11. The calls below say what each gives on X11; on Wayland:
//  - the program sees the output's own pixels, as a DPI-aware Windows program sees the
//    monitor's: GetSystemMetrics gives them, and a window's client area is a buffer of
//    that many pixels at the output's scale (wl_display.cpp);
//  - the compositor places windows and draws their frames without saying how large:
//    positions are its own, and the client area is the size the program gives;
//  - fixed least and largest sizes keep the window's size, and tiling compositors float
//    it; maximise and fullscreen are left again;
//  - the pointer's position comes past the window's edges while a button is held, as
//    the compositor's implicit grab sends it, with nothing to capture;
//  - pixel formats are EGL configurations, and contexts SDL's EGL ones on the window's
//    surface (egl_context.cpp); message boxes are Wayland windows (wl_messagebox.cpp).
//
// In a browser, where the page is the desktop:
//  - GetSystemMetrics gives the page's size in device pixels, and CreateWindowExA makes a
//    canvas of that many device pixels (its CSS size times devicePixelRatio, kept so
//    when the zoom changes), at the position where it fits, else in the middle, shown
//    scaled down to fit a page too small for it; the title is the page's. Nothing
//    changes its size (web_window.cpp);
//  - pointer events give the mouse messages for mouse, touch and pen, in the canvas's
//    pixels; SetCapture is pointer capture, and a pointer cancelled or a capture lost
//    ends a drag as a release would; keys come by the character typed; the
//    page's own gestures and menu stay off the canvas (web_messages.cpp);
//  - GetMessageA waits for the next event through Asyncify, asking the page for
//    nothing; SwapBuffers waits for the next animation frame, which paces spinning;
//  - MessageBoxA is a modal HTML dialog named by its caption, OK focused (web_messagebox.cpp);
//  - the one pixel format is WebGL 2's drawing buffer with a depth buffer, 0 where the
//    browser has no WebGL 2 or one that cannot link the OpenGL layer's program; contexts
//    are WebGL 2 ones on the canvas. One that the browser loses is taken back when the
//    browser restores it, and the window is then painted again (web_wgl.cpp);
//  - main calls WinMain and exits with its result; the page then shows that the viewer
//    has ended, its last picture dimmed (web_entry.cpp, site/index.html).
//
// Windows and messages (sdl_window.cpp, sdl_messages.cpp, sdl_display.cpp, x11_display.cpp,
// x11_frame.cpp, x11_title.cpp)
//  [X] RegisterClassA        remembers the class; CreateWindowExA looks it up by name
//  [X] CreateWindowExA       outer position (from the primary monitor's corner) and
//                            size: a window manager's frame (_NET_FRAME_EXTENTS, or the
//                            one it puts the window in) comes out of them. The size is
//                            the program's: fixed size hints, so tiling managers float
//                            the window and others offer no resize handles. The title in
//                            the EWMH and the legacy (Latin-1) properties. Its X11 class
//                            and Wayland app_id are the menu entry's id, as are the message
//                            boxes'. Sends WM_CREATE
//  [X] ShowWindow            SW_HIDE hides; any other mode shows normally and activates
//  [X] UpdateWindow          sends WM_PAINT at once if the window needs painting
//  [X] SetWindowPos          outer size, leaving a maximised or fullscreen state first;
//                            activates the window. The viewer passes SWP_NOMOVE: the
//                            position is never changed
//  [X] DestroyWindow         sends WM_DESTROY, then drops the window and its messages
//  [X] DefWindowProcA        WM_CLOSE destroys the window, WM_PAINT validates; else 0
//  [X] DefWindowProcW        WM_SETTEXT sets the title; else as DefWindowProcA
//  [X] GetMessageA           blocks without using the CPU; order: posted and input
//                            messages, then WM_QUIT, then WM_PAINT
//  [X] PeekMessageA          PM_NOREMOVE only: never blocks, never removes
//  [X] TranslateMessage      posts WM_CHAR for what a WM_KEYDOWN typed (any layout)
//  [X] DispatchMessageA      calls the window's procedure
//  [X] PostQuitMessage       GetMessageA then returns 0 with the code in wParam
//  [X] BeginPaint/EndPaint   validate the window
//  [X] SetCapture            grabs the pointer: motion and release keep coming, in
//      ReleaseCapture        client coordinates that may lie outside the window
//  A window manager that imposes a size and keeps it (a tile) gets the client area the
//  program set, whole and centred, scaled down where it does not fit; pointer positions
//  are mapped into that area.
//  [X] GetDC/ReleaseDC/WindowFromDC   one own DC per window (CS_OWNDC)
//  [X] LoadIconA             icon resources linked into the program, as bitmaps
//  [X] LoadCursorA           the system arrow
//  [X] GetSystemMetrics      SM_CXSCREEN, SM_CYSCREEN of the primary monitor; of the X
//                            screen DISPLAY names, where that is not screen 0
//  [ ] Other mouse buttons, WM_KEYUP, timers, child windows: the viewer uses none.
//  SIGINT and SIGTERM arrive as WM_CLOSE, so the program still tears down; while a
//  message box is up they end the program at once, with status 0. An X protocol error
//  is reported on stderr once per kind and the program goes on.
//
// Text (codepage.cpp)
//  [X] MultiByteToWideChar   code page 1252 only, the viewer's own; a whole string (-1)
//
// Message boxes (messagebox.cpp, x11_messagebox.cpp, wl_messagebox.cpp)
//  [X] MessageBoxA           modal, OK button only, centred on the owner or the primary
//                            monitor, an owned box transient for its owner; Windows-1252
//                            text shown as such, in the same colours on every visual.
//                            MB_ICONHAND shows a stop sign. Drawn once, with cairo, at the
//                            desktop's DPI (Xft.dpi), its text antialiased in the sans-serif
//                            font; without antialiasing on a colour map, which holds the
//                            box's own few colours exactly. On Wayland a window of its own
//                            drawn at the output's scale, which the compositor places, with
//                            a title bar through libdecor that moves it and whose close
//                            button answers IDOK; the text goes to stderr where no box can
//                            be shown. Screen readers find it as Narrator does on Windows
//                            (atk_accessibility.cpp): a dialog, an alert for MB_ICONHAND,
//                            named by the caption, with the text and a focused OK button
//                            whose click action dismisses it; a shown window is a frame
//                            named by its title, active while it has the focus

// Pixel formats, palettes and presenting (sdl_pixelformat.cpp, over glx_context.cpp)
//  [X] ChoosePixelFormat     the GLX configuration nearest the request, as Windows
//                            picks; 0 where the display offers no OpenGL
//  [X] SetPixelFormat        once per window; gives the window that configuration's visual
//  [X] GetPixelFormat/DescribePixelFormat   the format really in use on the window
//  [X] CreatePalette/SelectPalette/RealizePalette/UnrealizeObject   keep the
//      palette object; a true-colour X display has no palette hardware to load
//  [X] SwapBuffers           presents, synchronised to the refresh where possible. In the
//                            browser build (web_wgl.cpp) there is nothing to swap: the
//                            page shows what WebGL drew when it is next composited
//
// Rendering contexts (sdl_wgl.cpp, over glx_context.cpp)
//  [X] wglCreateContext, wglMakeCurrent, wglDeleteContext   GLX contexts of the
//      pixel format's exact configuration; the viewport is the client area's place
//
// Process start (sdl_entry.cpp, process_heap.cpp)
//  [X] main sets up the heap to keep freed blocks and connects to the Wayland or the X
//      display (or says it cannot and exits with 1), then calls WinMain(instance, NULL,
//      command line without the program name, SW_SHOWDEFAULT) and exits with its result.
//      A Wayland display that offers no input seat is passed over for X11.
//  [ ] SetThreadExecutionState: the viewer never asks to keep the display awake, so the
//      screen saver, idle and lock come on as the desktop sets them.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef uint16_t ATOM;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef char16_t WCHAR;  // UTF-16, as on Windows
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef struct StandInWindow* HWND;
typedef struct StandInDC* HDC;
typedef struct StandInGLContext* HGLRC;
typedef struct StandInPalette* HPALETTE;
typedef struct StandInIcon* HICON;
typedef struct StandInCursor* HCURSOR;
typedef struct StandInInstance* HINSTANCE;
typedef struct StandInBrush* HBRUSH;
typedef struct StandInMenu* HMENU;
typedef void* HGDIOBJ;
typedef void* LPVOID;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))
#define MAKEINTRESOURCEA(i) ((LPCSTR)(uintptr_t)(WORD)(i))

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT;

typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

typedef struct tagPIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
} PIXELFORMATDESCRIPTOR;

typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

// Window class styles and window styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_OWNDC 0x0020
#define WS_OVERLAPPED 0x00000000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_THICKFRAME 0x00040000L
#define WS_SYSMENU 0x00080000L
#define WS_CAPTION 0x00C00000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_VISIBLE 0x10000000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWDEFAULT 10

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

#define PM_NOREMOVE 0x0000

#define HWND_TOP ((HWND)0)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002

#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Messages.
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_KEYDOWN 0x0100
#define WM_CHAR 0x0102
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_QUERYNEWPALETTE 0x030F
#define WM_PALETTECHANGED 0x0311

#define MK_LBUTTON 0x0001
#define SIZE_RESTORED 0
#define SIZE_MAXIMIZED 2
#define VK_ESCAPE 0x1B

// Message boxes.
#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define IDOK 1

// Pixel formats.
#define PFD_TYPE_RGBA 0
#define PFD_TYPE_COLORINDEX 1
#define PFD_MAIN_PLANE 0
#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_NEED_PALETTE 0x00000080

ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL ShowWindow(HWND window, int showMode);
BOOL UpdateWindow(HWND window);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                  UINT flags);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
int GetSystemMetrics(int index);

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
void PostQuitMessage(int exitCode);

HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HWND SetCapture(HWND window);
BOOL ReleaseCapture(void);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HWND WindowFromDC(HDC dc);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request);
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);
int GetPixelFormat(HDC dc);
int DescribePixelFormat(HDC dc, int format, UINT bytes, PIXELFORMATDESCRIPTOR* descriptor);
HPALETTE CreatePalette(const LOGPALETTE* description);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
BOOL UnrealizeObject(HGDIOBJ object);
BOOL SwapBuffers(HDC dc);

HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide,
                        int wideCount);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showMode);
