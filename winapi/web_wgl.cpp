// Presenting in a browser.
#include <windows.h>

// The browser shows what WebGL drew once the page is composited, after the program
// hands control back; there is nothing to swap.
BOOL SwapBuffers(HDC) { return TRUE; }
