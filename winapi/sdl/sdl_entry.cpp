// Process start: what the C runtime does before WinMain on Windows.
#include <cstdio>
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
    // A Windows program starts inside a desktop session; here that is the Wayland or
    // the X display, connected before anything shows. Held from now on, it also keeps
    // an X server that has no other client from resetting when the instruction box
    // closes its own connection.
    if (!ensureVideo()) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        const std::string tried =
            display ? '"' + std::string(display) + '"' : "(DISPLAY is not set)";
        if (wayland != nullptr) {
            const char* why = standIn().seatless ? " (it offers no input seat)" : "";
            std::fprintf(stderr,
                         "%s: cannot open the Wayland display \"%s\"%s nor the X display %s\n",
                         program_invocation_short_name, wayland, why, tried.c_str());
        } else {
            std::fprintf(stderr, "%s: cannot open the X display %s\n",
                         program_invocation_short_name, tried.c_str());
        }
        return 1;
    }
    // The command line without the program name, its arguments joined by blanks.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? " " : "");
        commandLine += argv[i];
    }
    // Started without start-up information, a Windows program is shown in its default way.
    std::exit(WinMain(&moduleInstance, nullptr, &commandLine[0], SW_SHOWDEFAULT));
}
