// The message queue. Pointer events give the mouse messages for mouse, touch and pen
// alike, as Windows promotes touch to mouse input; keys come by the character typed,
// so f and p work in any layout. The page asks for nothing while the program waits.
#include <emscripten.h>

#include "web_internal.h"

namespace {

// Each event as [message, wParam, x or typed character, y], on Module.viewerEvents,
// posted by Module.viewerPost; a waiting GetMessageA is woken by the next. Points are in
// the canvas's pixels.
EM_JS(void, addListeners, (), {
    const canvas = document.getElementById('canvas');
    const events = Module.viewerEvents = [];
    const stop = Module.viewerListeners = new AbortController();
    const post = Module.viewerPost = (event) => {
        events.push(event);
        const wake = Module.viewerWake;
        Module.viewerWake = null;
        if (wake) wake();
    };
    const point = (e) => {
        const box = canvas.getBoundingClientRect();
        return [Math.floor((e.clientX - box.left) * canvas.width / box.width),
                Math.floor((e.clientY - box.top) * canvas.height / box.height)];
    };
    const options = {signal: stop.signal};
    let held = null;  // where the pressed button last was, or null
    canvas.addEventListener('pointerdown', (e) => {
        if (e.button !== 0) return;
        Module.viewerPointer = e.pointerId;
        e.preventDefault();
        held = point(e);
        post([0x0201, 1, ...held]);
    }, options);
    canvas.addEventListener('pointerup', (e) => {
        if (e.button !== 0) return;
        held = null;
        post([0x0202, 0, ...point(e)]);
    }, options);
    canvas.addEventListener('pointermove', (e) => {
        const at = point(e);
        if (held && (e.buttons & 1)) held = at;
        post([0x0200, e.buttons & 1, ...at]);
    }, options);
    // A touch the browser takes for a gesture of its own, or palm rejection, cancels the
    // pointer, and a capture can be lost without a release: either ends the drag as a
    // release where the pointer last was, or the viewer would wait for one forever.
    const cancel = () => {
        if (held) post([0x0202, 0, ...held]);
        held = null;
    };
    canvas.addEventListener('pointercancel', cancel, options);
    canvas.addEventListener('lostpointercapture', cancel, options);
    // No menu or browser gesture takes a press or a drag on the picture.
    canvas.addEventListener('contextmenu', (e) => e.preventDefault(), options);
    window.addEventListener('keydown', (e) => {
        const typed = e.key === 'Escape' ? 27 : (e.key.length === 1 ? e.key.charCodeAt(0) : 0);
        if (typed !== 0 && !e.ctrlKey && !e.altKey && !e.metaKey) post([0x0100, 0, typed, 0]);
    }, options);
});

EM_JS(void, removeListeners, (), {
    if (Module.viewerListeners) Module.viewerListeners.abort();
    Module.viewerEvents = [];
});

EM_JS(int, takeEvent, (int* out), {
    const event = Module.viewerEvents && Module.viewerEvents.shift();
    if (!event) return 0;
    HEAP32.set(event, out >> 2);
    return 1;
});

// Asyncify runs this again as the program wakes: the sleep is asked for either way, and
// ends at once where an event waits.
EM_JS(void, waitForEvent, (), {
    Asyncify.handleSleep((wakeUp) => {
        if (Module.viewerEvents.length > 0) wakeUp();
        else Module.viewerWake = () => Module.viewerResume(wakeUp);
    });
});

EM_JS(void, capturePointer, (int on), {
    const canvas = document.getElementById('canvas');
    try {
        if (on) canvas.setPointerCapture(Module.viewerPointer);
        else canvas.releasePointerCapture(Module.viewerPointer);
    } catch (e) {
        // The pointer is already up: there is nothing left to capture.
    }
});

// Windows keeps at most one pending mouse move: a new position replaces it.
void post(const int* event) {
    std::deque<QueuedMessage>& queue = standIn().queue;
    HWND window = &standIn().window;
    const UINT message = static_cast<UINT>(event[0]);
    // The context is back with nothing drawn: the window needs painting, as a Windows
    // window whose picture was lost is invalidated.
    if (message == WM_PAINT) {
        restoreContext();
        window->needsPaint = true;
        return;
    }
    if (message == WM_KEYDOWN) {
        // Letters' virtual-key codes are their capitals.
        const int typed = event[2];
        const WPARAM key = static_cast<WPARAM>(typed >= 'a' && typed <= 'z' ? typed - 32 : typed);
        queue.push_back({MSG{window, message, key, 0, 0, {0, 0}}, typed});
        return;
    }
    const LPARAM point = MAKELPARAM(event[2], event[3]);
    if (message == WM_MOUSEMOVE && !queue.empty() && queue.back().msg.message == WM_MOUSEMOVE) {
        queue.back().msg.wParam = static_cast<WPARAM>(event[1]);
        queue.back().msg.lParam = point;
        return;
    }
    queue.push_back({MSG{window, message, static_cast<WPARAM>(event[1]), point, 0, {0, 0}}, 0});
}

void takeEvents() {
    int event[4];
    while (takeEvent(event)) {
        post(event);
    }
}

// Posted and input messages first, then the quit, then a paint.
bool nextMessage(MSG* msg, bool remove) {
    WebStandIn& state = standIn();
    takeEvents();
    if (!state.queue.empty()) {
        *msg = state.queue.front().msg;
        return true;
    }
    if (state.quit) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(state.quitCode), 0, 0, {0, 0}};
        if (remove) {
            state.quit = false;
        }
        return true;
    }
    if (state.window.needsPaint && !state.window.destroyed) {
        *msg = MSG{&state.window, WM_PAINT, 0, 0, 0, {0, 0}};
        return true;
    }
    return false;
}

}  // namespace

void listenForInput() { addListeners(); }

void stopListening() { removeListeners(); }

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT) { return nextMessage(msg, false); }

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT) {
    while (!nextMessage(msg, true)) {
        waitForEvent();
    }
    if (msg->message != WM_QUIT && msg->message != WM_PAINT) {
        standIn().typed = standIn().queue.front().typed;
        standIn().queue.pop_front();
    }
    return msg->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG* msg) {
    std::deque<QueuedMessage>& queue = standIn().queue;
    if (msg->message == WM_KEYDOWN) {
        queue.push_front(
            {MSG{msg->hwnd, WM_CHAR, static_cast<WPARAM>(standIn().typed), 1, 0, {0, 0}}, 0});
        return TRUE;
    }
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg->hwnd == nullptr || msg->hwnd->destroyed) {
        return 0;
    }
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    standIn().quit = true;
    standIn().quitCode = exitCode;
}

// Pointer capture keeps a drag that leaves the canvas coming to it until the button
// is up, as SetCapture does.
HWND SetCapture(HWND window) {
    capturePointer(1);
    return window;
}

BOOL ReleaseCapture(void) {
    capturePointer(0);
    return TRUE;
}
