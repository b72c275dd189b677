/* Preloaded into the viewer by the end-to-end tests: records the caption and text of
 * every message box as SDL receives them, then shows the box as usual. */
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

int SDL_ShowMessageBox(const SDL_MessageBoxData *box, int *button) {
    int (*show)(const SDL_MessageBoxData *, int *) =
        (int (*)(const SDL_MessageBoxData *, int *))dlsym(RTLD_NEXT, "SDL_ShowMessageBox");
    const char *path = getenv("MESSAGEBOX_LOG");
    if (path != NULL) {
        FILE *log = fopen(path, "a");
        if (log != NULL) {
            /* Unit and record separators: the texts may hold line feeds. */
            fprintf(log, "%s\x1f%s\x1e", box->title, box->message);
            fclose(log);
        }
    }
    return show(box, button);
}
