/* A mouse for a compositor that has none, for the Wayland tests: it makes a virtual
 * pointer on the seat and keeps it while it runs, so that clients get a pointer, then
 * moves and clicks it as told on standard input, a command a line:
 *   move X Y     to that point of the output layout, in its units
 *   press        the left button down
 *   release      and up again
 *   key CODE     a key (its evdev code) pressed and let go, where the protocol has keys
 * answering "ok" to each once the compositor has taken it. The protocols are wlroots'
 * virtual-pointer v1 and, on KWin, KDE's fake-input (version 4, which has keys); their
 * requests are written out here from the protocols' definitions.
 * Usage: wlpointer LAYOUT_WIDTH LAYOUT_HEIGHT */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static const struct wl_interface *noTypes[] = {NULL, NULL, NULL, NULL, NULL};
extern const struct wl_interface virtualPointerInterface;
static const struct wl_interface *createTypes[] = {&wl_seat_interface, &virtualPointerInterface};

enum { MOTION_ABSOLUTE = 1, BUTTON = 2, FRAME = 4 };
/* The requests up to the last one used, in the protocol's order. */
static const struct wl_message pointerRequests[] = {
    {"motion", "uff", noTypes}, {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes}, {"axis", "uuf", noTypes},
    {"frame", "", noTypes},
};
const struct wl_interface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 1, 5,
                                                     pointerRequests, 0, NULL};
static const struct wl_message managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
};
static const struct wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 1,
                                                     managerRequests, 0, NULL};

enum { AUTHENTICATE = 0, FAKE_BUTTON = 2, FAKE_MOTION_ABSOLUTE = 9, FAKE_KEY = 10 };
static const struct wl_message fakeInputRequests[] = {
    {"authenticate", "ss", noTypes}, {"pointer_motion", "ff", noTypes},
    {"button", "uu", noTypes}, {"axis", "uf", noTypes},
    {"touch_down", "2uff", noTypes}, {"touch_motion", "2uff", noTypes},
    {"touch_up", "2u", noTypes}, {"touch_cancel", "2", noTypes},
    {"touch_frame", "2", noTypes}, {"pointer_motion_absolute", "3ff", noTypes},
    {"keyboard_key", "4uu", noTypes},
};
static const struct wl_interface fakeInputInterface = {"org_kde_kwin_fake_input", 4, 11,
                                                       fakeInputRequests, 0, NULL};

static struct wl_proxy *manager;
static struct wl_proxy *fakeInput;
static struct wl_seat *seat;

static void announce(void *data, struct wl_registry *registry, uint32_t name,
                     const char *interface, uint32_t version) {
    (void)data;
    if (strcmp(interface, fakeInputInterface.name) == 0 && version >= 4) {
        fakeInput = wl_registry_bind(registry, name, &fakeInputInterface, 4);
    } else if (strcmp(interface, managerInterface.name) == 0) {
        manager = wl_registry_bind(registry, name, &managerInterface, 1);
    } else if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    }
}

static void forget(void *data, struct wl_registry *registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

static const struct wl_registry_listener registryListener = {announce, forget};

static uint32_t now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: wlpointer LAYOUT_WIDTH LAYOUT_HEIGHT\n");
        return 2;
    }
    const uint32_t width = (uint32_t)atoi(argv[1]);
    const uint32_t height = (uint32_t)atoi(argv[2]);
    struct wl_display *display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "wlpointer: no compositor\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, NULL);
    wl_display_roundtrip(display);
    struct wl_proxy *pointer = NULL;
    if (manager != NULL && seat != NULL) {
        pointer = wl_proxy_marshal_constructor(manager, 0, &virtualPointerInterface,
                                               (struct wl_proxy *)seat, NULL);
    } else if (fakeInput != NULL) {
        wl_proxy_marshal(fakeInput, AUTHENTICATE, "wlpointer", "the viewer's tests");
    } else {
        fprintf(stderr, "wlpointer: the compositor makes no virtual pointers\n");
        return 1;
    }
    wl_display_roundtrip(display);
    printf("ok\n");
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin) != NULL) {
        unsigned x = 0;
        unsigned y = 0;
        const int pressed = line[0] == 'p';
        if (sscanf(line, "move %u %u", &x, &y) == 2) {
            if (pointer != NULL) {
                wl_proxy_marshal(pointer, MOTION_ABSOLUTE, now(), x, y, width, height);
            } else {
                wl_proxy_marshal(fakeInput, FAKE_MOTION_ABSOLUTE, wl_fixed_from_int((int)x),
                                 wl_fixed_from_int((int)y));
            }
        } else if (strncmp(line, "press", 5) == 0 || strncmp(line, "release", 7) == 0) {
            const uint32_t state =
                pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
            if (pointer != NULL) {
                wl_proxy_marshal(pointer, BUTTON, now(), BTN_LEFT, state);
            } else {
                wl_proxy_marshal(fakeInput, FAKE_BUTTON, BTN_LEFT, state);
            }
        } else if (sscanf(line, "key %u", &x) == 1 && pointer == NULL) {
            wl_proxy_marshal(fakeInput, FAKE_KEY, x, WL_KEYBOARD_KEY_STATE_PRESSED);
            wl_proxy_marshal(fakeInput, FAKE_KEY, x, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            fprintf(stderr, "wlpointer: unknown command %s", line);
            continue;
        }
        if (pointer != NULL) {
            wl_proxy_marshal(pointer, FRAME);
        }
        wl_display_roundtrip(display);
        printf("ok\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
