// The window: a canvas on the page, sized in device pixels as a DPI-aware Windows
// program sizes its window in the monitor's pixels.
#include <emscripten.h>

#include "web_internal.h"

namespace {

// A square at (x, y) of the page where it fits, else in the middle; the backing store
// has a pixel for each device pixel, so the picture stays sharp at any zoom. It keeps
// those pixels as the page changes size, as a desktop window keeps its size; where the
// page is too small for it, it is shown scaled down to fit, in the middle.
EM_JS(void, makeCanvas, (int x, int y, int width, int height), {
    const canvas = document.createElement('canvas');
    canvas.id = 'canvas';
    canvas.width = width;
    canvas.height = height;
    canvas.hidden = true;
    canvas.setAttribute('role', 'img');
    // A new zoom changes how many device pixels a CSS pixel holds, and the page's size
    // in CSS pixels with it: both come as a resize.
    const place = () => {
        const ratio = window.devicePixelRatio || 1;
        let cssWidth = width / ratio, cssHeight = height / ratio;
        let left = x / ratio, top = y / ratio;
        if (left + cssWidth > innerWidth || top + cssHeight > innerHeight) {
            const fit = Math.min(1, innerWidth / cssWidth, innerHeight / cssHeight);
            cssWidth *= fit;
            cssHeight *= fit;
            left = (innerWidth - cssWidth) / 2;
            top = (innerHeight - cssHeight) / 2;
        }
        Object.assign(canvas.style, {left: left + 'px', top: top + 'px',
                                     width: cssWidth + 'px', height: cssHeight + 'px'});
    };
    place();
    addEventListener('resize', place);
    document.getElementById('desktop').append(canvas);
});

EM_JS(void, showCanvas, (int shown), { document.getElementById('canvas').hidden = !shown; });

// The title goes to the page's, which the browser shows on its tab, and names the picture.
EM_JS(void, setTitle, (const char16_t* title), {
    document.title = UTF16ToString(title);
    const canvas = document.getElementById('canvas');
    if (canvas) {
        canvas.setAttribute('aria-label', document.title);
    }
});

EM_JS(int, screenSide, (int vertical), {
    return Math.round((vertical ? innerHeight : innerWidth) * (window.devicePixelRatio || 1));
});

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window->procedure(window, message, wParam, lParam);
}

}  // namespace

WebStandIn& standIn() {
    static WebStandIn state;
    return state;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    standIn().windowClass = *windowClass;
    return 1;
}

HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR windowName, DWORD, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
    HWND window = &standIn().window;
    window->procedure = standIn().windowClass.lpfnWndProc;
    makeCanvas(x, y, width, height);
    WCHAR title[256] = {};
    MultiByteToWideChar(1252, 0, windowName, -1, title, 255);
    setTitle(title);
    send(window, WM_CREATE, 0, 0);
    listenForInput();
    return window;
}

BOOL ShowWindow(HWND window, int showMode) {
    showCanvas(showMode != SW_HIDE);
    window->needsPaint = showMode != SW_HIDE;
    return TRUE;
}

BOOL UpdateWindow(HWND window) {
    if (window->needsPaint) {
        send(window, WM_PAINT, 0, 0);
    }
    return TRUE;
}

// A page cannot resize the canvas by dragging: the size is always the program's.
BOOL SetWindowPos(HWND, HWND, int, int, int, int, UINT) { return TRUE; }

BOOL DestroyWindow(HWND window) {
    stopListening();
    send(window, WM_DESTROY, 0, 0);
    window->destroyed = true;
    standIn().queue.clear();
    return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        DestroyWindow(window);
    } else if (message == WM_PAINT) {
        window->needsPaint = false;
    }
    return 0;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        setTitle(reinterpret_cast<LPCWSTR>(lParam));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The page's own icon and the browser's arrow serve instead.
HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }

// The page is the screen, in device pixels.
int GetSystemMetrics(int index) { return screenSide(index == SM_CYSCREEN); }

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    window->needsPaint = false;
    *paint = PAINTSTRUCT{};
    paint->hdc = &standIn().dc;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

HDC GetDC(HWND window) {
    standIn().dc.window = window;
    return &standIn().dc;
}

int ReleaseDC(HWND, HDC) { return 1; }

HWND WindowFromDC(HDC dc) { return dc ? dc->window : nullptr; }

// Code page 1252 as the browser decodes it.
EM_JS(int, decodeAnsi, (const char* text, char16_t* wide, int wideCount), {
    const bytes = HEAPU8.subarray(text, text + HEAPU8.subarray(text).indexOf(0));
    const decoded = new TextDecoder('windows-1252').decode(bytes);
    if (wideCount === 0) {
        return decoded.length + 1;
    }
    if (decoded.length + 1 > wideCount) {
        return 0;
    }
    stringToUTF16(decoded, wide, 2 * wideCount);
    return decoded.length + 1;
});

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, LPWSTR wide,
                        int wideCount) {
    if (codePage != 1252 || text == nullptr || bytes != -1) {
        return 0;
    }
    return decodeAnsi(text, wide, wideCount);
}
