#include <algorithm>

#include "app/app.h"
#include "scene/renderer.h"
#include "scene/viewer_state.h"

namespace {

const WORD iconResource = 101;
const char instructionText[] = " mouse: touch the window image for movement----- ";
const char instructionCaption[] = "soft by Orvelund - orvelund@trackball-viewer.org ";

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(iconResource));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = viewerState.className;
    RegisterClassA(&windowClass);
}

// The title is Windows-1252 text, which an ANSI window reads in the system's code page:
// a Russian system shows its marks around p as another letter. Given again as Unicode,
// straight to the default procedure, it is kept whole on every system.
void showTitleAsWritten(HWND window) {
    WCHAR title[64] = {};
    MultiByteToWideChar(1252, 0, viewerState.windowTitle, -1, title, sizeof title / sizeof *title);
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    registerWindowClass(instance);

    MessageBoxA(nullptr, instructionText, instructionCaption, MB_OK);

    // 80 % of the screen's height on a landscape screen; on a portrait one the square
    // must fit the screen's width as well.
    const int shorterSide =
        std::min(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    viewerState.windowWidth = static_cast<int32_t>(shorterSide * 0.8);
    viewerState.windowHeight = static_cast<int32_t>(shorterSide * 0.8);

    HWND window = CreateWindowExA(
        0, viewerState.className, viewerState.windowTitle,
        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, viewerState.windowPosition.x,
        viewerState.windowPosition.y, viewerState.windowWidth, viewerState.windowHeight,
        nullptr, nullptr, instance, nullptr);
    // With no window no message could ever end the loop; leave instead of hanging.
    if (window == nullptr) {
        return 1;
    }
    showTitleAsWritten(window);

    ShowWindow(window, showMode);
    UpdateWindow(window);

    return runMainLoop();
}

int runMainLoop() {
    MSG msg;
    for (;;) {
        // Draw while nothing is waiting; a waiting message always comes first, so input
        // stays prompt even while frames follow each other back to back.
        while (viewerState.idleCallback != nullptr) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                break;
            }
            viewerState.idleCallback();
        }
        if (GetMessageA(&msg, nullptr, 0, 0) != 1) {
            return static_cast<int>(msg.wParam);
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void requestRedraw() {
    if (viewerState.idleCallback == nullptr) {
        viewerState.idleCallback = idleRender;
    }
}

void idleRender() {
    if (viewerState.rotation.spinning == 0) {
        viewerState.idleCallback = nullptr;
    }
    renderFrame();
}
