// The process heap as the program runs on it, set up before anything allocates.
#pragma once

void setupProcessHeap();
