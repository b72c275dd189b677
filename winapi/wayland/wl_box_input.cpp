// What the Wayland message box binds of its own connection, and its input: the seat's
// keyboard, read through the keymap the compositor sends, and its pointer on OK.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <string>

#include "wl_messagebox.h"

namespace {

// Keys by what the layout makes of them, as Windows reads Return, Esc and Space.
void keymap(void* data, wl_keyboard*, uint32_t format, int32_t file, uint32_t size) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    close(file);
    if (text == MAP_FAILED || format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        return;
    }
    xkb_keymap* made = xkb_keymap_new_from_string(box->xkb, static_cast<const char*>(text),
                                                  XKB_KEYMAP_FORMAT_TEXT_V1,
                                                  XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (made == nullptr) {
        return;
    }
    xkb_state_unref(box->keys);
    xkb_keymap_unref(box->keymap);
    box->keymap = made;
    box->keys = xkb_state_new(made);
}

void key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    if (box->keys == nullptr || state != WL_KEYBOARD_KEY_STATE_PRESSED) {
        return;
    }
    // Wayland counts keys from evdev's codes, XKB eight above them.
    const xkb_keysym_t symbol = xkb_state_key_get_one_sym(box->keys, code + 8);
    box->ended = box->ended || symbol == XKB_KEY_Return || symbol == XKB_KEY_KP_Enter ||
                 symbol == XKB_KEY_Escape || symbol == XKB_KEY_space;
}

void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
               uint32_t locked, uint32_t group) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    if (box->keys != nullptr) {
        xkb_state_update_mask(box->keys, depressed, latched, locked, 0, 0, group);
    }
}

const wl_keyboard_listener keyboardListener = {
    keymap,
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    key,
    modifiers,
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

void pointerAt(void* data, wl_fixed_t x, wl_fixed_t y) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    box->pointerX = wl_fixed_to_double(x);
    box->pointerY = wl_fixed_to_double(y);
}

void button(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t which, uint32_t state) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    if (which != BTN_LEFT || !box->pointerInside) {
        return;
    }
    const bool onOk = onButton(box->picture, box->pointerX, box->pointerY);
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
        box->picture.buttonHeld = onOk;
    } else {
        box->ended = box->ended || (box->picture.buttonHeld && onOk);
        box->picture.buttonHeld = false;
    }
    drawWaylandBox(box);
}

// The frame's title bar and edges are surfaces of libdecor's, which reads them itself.
// Events of versions above the one bound never come, and newer libwayland has more.
wl_pointer_listener makePointerListener() {
    wl_pointer_listener listener = {};
    listener.enter = [](void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x,
                        wl_fixed_t y) {
        static_cast<WaylandBox*>(data)->pointerInside = surface == static_cast<WaylandBox*>(data)->surface;
        pointerAt(data, x, y);
    };
    listener.leave = [](void* data, wl_pointer*, uint32_t, wl_surface*) {
        static_cast<WaylandBox*>(data)->pointerInside = false;
    };
    listener.motion = [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        pointerAt(data, x, y);
    };
    listener.button = button;
    listener.axis = [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {};
    return listener;
}

const wl_pointer_listener pointerListener = makePointerListener();

void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && box->keyboard == nullptr) {
        box->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(box->keyboard, &keyboardListener, box);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && box->pointer == nullptr) {
        box->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(box->pointer, &pointerListener, box);
    }
}

const wl_seat_listener seatListener = {
    seatCapabilities,
    [](void*, wl_seat*, const char*) {},
};

void announce(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    const std::string offered = interface;
    if (offered == wl_compositor_interface.name) {
        box->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    } else if (offered == wl_shm_interface.name) {
        box->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (offered == wl_seat_interface.name && box->seat == nullptr) {
        box->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
        wl_seat_add_listener(box->seat, &seatListener, box);
    }
}

}  // namespace

const wl_registry_listener waylandBoxRegistry = {
    announce,
    [](void*, wl_registry*, uint32_t) {},
};
