// The browser stand-in's one state record and what its files share. The page has one
// window, a canvas; DOM events come in through a queue on the JavaScript side and go
// out as window messages.
#pragma once

#include <deque>

#include "windows.h"

struct StandInWindow {
    WNDPROC procedure;
    bool needsPaint;
    bool destroyed;
};

struct StandInDC {
    HWND window;
    int pixelFormat;
};

struct QueuedMessage {
    MSG msg;
    int typed;  // the character a WM_KEYDOWN typed, for TranslateMessage
};

struct WebStandIn {
    WNDCLASSA windowClass;
    StandInWindow window;
    StandInDC dc;
    std::deque<QueuedMessage> queue;
    int typed;  // what the last WM_KEYDOWN taken from the queue typed
    bool quit;
    int quitCode;
};

WebStandIn& standIn();

// The WebGL context that the browser took away is back: its objects are made again.
void restoreContext();

// Starts the canvas's input listeners; stops them for good.
void listenForInput();
void stopListening();
