// The process heap as the program runs on it, set up at process start before WinMain.
#pragma once

void setupProcessHeap();
