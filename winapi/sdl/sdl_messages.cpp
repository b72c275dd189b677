// The message queue: SDL events become the window messages Windows would post.
#include <cmath>

#include "a11y/accessibility.h"
#include "sdl_internal.h"

namespace {

DWORD now() { return SDL_GetTicks(); }

void postTo(StandInWindow* window, UINT message, WPARAM wParam, LPARAM lParam,
            std::string typed = std::string()) {
    standIn().queue.push_back({MSG{window, message, wParam, lParam, now(), {0, 0}}, typed});
}

WPARAM buttonFlags() {
    return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0;
}

// A point of the SDL window as a point of the client area the program set.
LPARAM clientPoint(const StandInWindow* window, int x, int y) {
    const ClientView view = clientView(window);
    const double pixelX = x * window->pixelRatio;
    const double pixelY = y * window->pixelRatio;
    return MAKELPARAM(static_cast<int>(std::floor((pixelX - view.left) / view.scale)),
                      static_cast<int>(std::floor((pixelY - view.top) / view.scale)));
}

// Windows keeps at most one pending mouse move: a new position replaces it.
void postMouseMove(StandInWindow* window, int x, int y) {
    std::deque<QueuedMessage>& queue = standIn().queue;
    if (queue.empty() || queue.back().msg.message != WM_MOUSEMOVE ||
        queue.back().msg.hwnd != window) {
        postTo(window, WM_MOUSEMOVE, 0, 0);
    }
    queue.back().msg.wParam = buttonFlags();
    queue.back().msg.lParam = clientPoint(window, x, y);
}

// Keys that type a control character, which SDL reports as no text. Their SDL key
// codes are those characters, and so are their virtual-key codes.
SDL_Keycode controlKey(SDL_Keycode key) {
    if (key == SDLK_KP_ENTER) {
        return SDLK_RETURN;
    }
    const bool control =
        key == SDLK_ESCAPE || key == SDLK_RETURN || key == SDLK_BACKSPACE || key == SDLK_TAB;
    return control ? key : 0;
}

WPARAM virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if ((key >= SDLK_0 && key <= SDLK_9) || key == SDLK_SPACE) {
        return static_cast<WPARAM>(key);
    }
    return static_cast<WPARAM>(controlKey(key));
}

// The text SDL reports belongs to the key press just before it, whatever the layout.
void attachText(const char* utf8) {
    std::deque<QueuedMessage>& queue = standIn().queue;
    for (auto it = queue.rbegin(); it != queue.rend(); ++it) {
        if (it->msg.message == WM_KEYDOWN) {
            it->typed += ansiFromUtf8(utf8);
            return;
        }
    }
}

void translateWindowEvent(const SDL_WindowEvent& event) {
    StandInWindow* window = windowFromSdlId(event.windowID);
    if (window == nullptr) {
        return;
    }
    switch (event.event) {
    case SDL_WINDOWEVENT_SHOWN:
        window->needsPaint = true;
        break;
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        window->exposed = false;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        window->needsPaint = true;
        window->exposed = true;
        if (window->focusPending) {
            window->focusPending = false;
            SDL_SetWindowInputFocus(window->sdl);
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        // The size in pixels changes with the window's units and with its scale.
        SDL_GL_GetDrawableSize(window->sdl, &window->shownWidth, &window->shownHeight);
        window->pixelRatio =
            event.data1 > 0 ? static_cast<double>(window->shownWidth) / event.data1 : 1;
        presentClientArea(window);
        if (window->shownWidth != window->width || window->shownHeight != window->height) {
            window->width = window->shownWidth;
            window->height = window->shownHeight;
            const WPARAM kind = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MAXIMIZED)
                                    ? SIZE_MAXIMIZED
                                    : SIZE_RESTORED;
            postTo(window, WM_SIZE, kind, MAKELPARAM(window->width, window->height));
        }
        break;
    }
    case SDL_WINDOWEVENT_MOVED:
        // A window of fixed size that a window manager maximises or makes fullscreen keeps
        // its size and only moves; Windows tells the program its window was maximised.
        if (windowSystem().maximisedOrFullscreen(window)) {
            postTo(window, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(window->width, window->height));
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        activateAccessibleWindow(window, true);
        postTo(window, WM_QUERYNEWPALETTE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        activateAccessibleWindow(window, false);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        postTo(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void translateEvent(const SDL_Event& event) {
    StandInState& s = standIn();
    switch (event.type) {
    case SDL_QUIT:
        // SDL reports SIGINT and SIGTERM this way: close every window as its close box would.
        for (auto& window : s.windows) {
            if (window->alive) {
                postTo(window.get(), WM_CLOSE, 0, 0);
            }
        }
        break;
    case SDL_WINDOWEVENT:
        translateWindowEvent(event.window);
        break;
    case SDL_MOUSEMOTION: {
        StandInWindow* window = s.captured ? s.captured : windowFromSdlId(event.motion.windowID);
        if (window != nullptr) {
            postMouseMove(window, event.motion.x, event.motion.y);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        StandInWindow* window = s.captured ? s.captured : windowFromSdlId(event.button.windowID);
        if (window == nullptr || event.button.button != SDL_BUTTON_LEFT) {
            break;
        }
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        // A click activates the window it lands on, as on Windows; on X11 that is a window
        // manager's job, and there may be none.
        if (down && SDL_GetKeyboardFocus() != window->sdl) {
            activateWindow(window);
        }
        postTo(window, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
               clientPoint(window, event.button.x, event.button.y));
        break;
    }
    case SDL_KEYDOWN: {
        StandInWindow* window = windowFromSdlId(event.key.windowID);
        if (window != nullptr) {
            // Bit 30 marks an auto-repeat; the repeat count is one per message.
            const LPARAM flags = 1 | (event.key.repeat ? (1L << 30) : 0);
            const char control = static_cast<char>(controlKey(event.key.keysym.sym));
            postTo(window, WM_KEYDOWN, virtualKey(event.key.keysym.sym), flags,
                   control ? std::string(1, control) : std::string());
        }
        break;
    }
    case SDL_TEXTINPUT:
        attachText(event.text.text);
        break;
    default:
        break;
    }
}

void pumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        translateEvent(event);
    }
}

StandInWindow* windowToPaint() {
    for (auto& window : standIn().windows) {
        if (window->alive && window->needsPaint &&
            (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN)) {
            return window.get();
        }
    }
    return nullptr;
}

// Windows' order: posted and input messages first, then the quit message, then paint.
bool nextMessage(MSG* msg, bool remove) {
    StandInState& s = standIn();
    if (!s.queue.empty()) {
        *msg = s.queue.front().msg;
        if (remove) {
            s.lastRetrieved = *msg;
            s.lastTyped = s.queue.front().typed;
            s.queue.pop_front();
        }
        return true;
    }
    if (s.quitPosted) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, now(), {0, 0}};
        if (remove) {
            s.quitPosted = false;
        }
        return true;
    }
    // WM_PAINT stays until BeginPaint validates the window.
    if (StandInWindow* window = windowToPaint()) {
        *msg = MSG{window, WM_PAINT, 0, 0, now(), {0, 0}};
        return true;
    }
    return false;
}

}  // namespace

LRESULT sendMessage(StandInWindow* window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window->proc(window, message, wParam, lParam);
}

void dropMessagesFor(StandInWindow* window) {
    std::deque<QueuedMessage>& queue = standIn().queue;
    for (auto it = queue.begin(); it != queue.end();) {
        it = (it->msg.hwnd == window) ? queue.erase(it) : it + 1;
    }
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT) {
    if (standIn().videoReady) {
        pumpEvents();
    }
    serveAccessibility();
    return nextMessage(msg, false) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) {
    StandInState& s = standIn();
    if (!s.videoReady && !s.quitPosted) {
        return -1;
    }
    for (;;) {
        if (s.videoReady) {
            pumpEvents();
        }
        if (nextMessage(msg, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        // Sleeps in the display connection's poll until something arrives; SDL's own
        // wait knows nothing of the accessibility bus.
        if (servingAccessibility() && !s.windows.empty() &&
            windowSystem().waitForInput(s.windows.back().get())) {
            continue;
        }
        SDL_Event event;
        if (SDL_WaitEvent(&event)) {
            translateEvent(event);
        }
    }
}

BOOL TranslateMessage(const MSG* msg) {
    StandInState& s = standIn();
    if (msg == nullptr || msg->message != WM_KEYDOWN || msg->hwnd != s.lastRetrieved.hwnd ||
        msg->time != s.lastRetrieved.time || s.lastTyped.empty()) {
        return FALSE;
    }
    // The characters come next, ahead of anything queued after the key.
    for (auto it = s.lastTyped.rbegin(); it != s.lastTyped.rend(); ++it) {
        const WPARAM character = static_cast<unsigned char>(*it);
        s.queue.push_front({{msg->hwnd, WM_CHAR, character, msg->lParam, msg->time, {0, 0}}, ""});
    }
    s.lastTyped.clear();
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    StandInWindow* window = msg ? liveWindow(msg->hwnd) : nullptr;
    return window ? sendMessage(window, msg->message, msg->wParam, msg->lParam) : 0;
}

void PostQuitMessage(int exitCode) {
    standIn().quitPosted = true;
    standIn().quitCode = exitCode;
}
