// Process start: what the C runtime does before WinMain on Windows.
#include <cstdlib>
#include <string>

#include "process_heap.h"
#include "sdl_internal.h"

struct StandInInstance {
    int unused;
};

namespace {

StandInInstance moduleInstance;

}  // namespace

int main(int argc, char** argv) {
    setupProcessHeap();
    // The command line without the program name, its arguments joined by blanks.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? " " : "");
        commandLine += argv[i];
    }
    // Started without start-up information, a Windows program is shown in its default way.
    std::exit(WinMain(&moduleInstance, nullptr, &commandLine[0], SW_SHOWDEFAULT));
}
