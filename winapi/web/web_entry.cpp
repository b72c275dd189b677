// Process start in a browser: the page's script runs main, which calls WinMain as the
// Windows runtime does and exits with its result; the page then shows that the viewer
// has ended.
#include <cstdlib>

#include "windows.h"

struct StandInInstance {
    int unused;
};

int main() {
    static StandInInstance moduleInstance;
    static char commandLine[] = "";
    std::exit(WinMain(&moduleInstance, nullptr, commandLine, SW_SHOWDEFAULT));
}
