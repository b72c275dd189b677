// MessageBoxA as a Wayland window of the stand-in's own. X11's box would come through
// XWayland, stretched by the compositor to the output's scale, or not come at all where
// no X server runs. This one is drawn into shared memory at the output's scale, read
// from the keyboard by its layout, and framed through libdecor: the compositor's title
// bar where it draws frames (KDE, sway), the program's own where it does not (GNOME,
// weston), as SDL frames the program's window.
#include <libdecor.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>

#include "accessibility.h"
#include "messagebox.h"
#include "wayland.h"

namespace {

struct Box {
    wl_display* display;
    wl_registry* registry;
    wl_compositor* compositor;
    wl_shm* shm;
    wl_seat* seat;
    wl_keyboard* keyboard;
    wl_pointer* pointer;
    libdecor* decor;
    libdecor_frame* frame;
    wl_surface* surface;
    wl_buffer* buffer;
    unsigned char* pixels;
    size_t bytes;
    xkb_context* xkb;
    xkb_keymap* keymap;
    xkb_state* keys;
    int scale;  // buffer pixels per unit
    BoxPicture picture;  // in units
    bool pointerInside;  // on the box's own surface, not its frame
    double pointerX;
    double pointerY;
    bool ended;
};

// libdecor's word that it cannot show a window here, such as without xdg-shell; it
// tells no box which.
bool decorFailed;

void draw(Box* box) {
    const BoxPicture& picture = box->picture;
    const int stride = picture.width * box->scale * 4;
    cairo_surface_t* target = cairo_image_surface_create_for_data(
        box->pixels, CAIRO_FORMAT_RGB24, picture.width * box->scale,
        picture.height * box->scale, stride);
    cairo_t* cr = cairo_create(target);
    cairo_scale(cr, box->scale, box->scale);
    drawBox(cr, picture);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
    wl_surface_attach(box->surface, box->buffer, 0, 0);
    wl_surface_damage(box->surface, 0, 0, picture.width, picture.height);
    wl_surface_commit(box->surface);
}

bool makeBuffer(Box* box) {
    const int width = box->picture.width * box->scale;
    const int height = box->picture.height * box->scale;
    box->bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    const int file = memfd_create("message box", MFD_CLOEXEC);
    if (file < 0 || ftruncate(file, static_cast<off_t>(box->bytes)) != 0) {
        if (file >= 0) {
            close(file);
        }
        return false;
    }
    void* mapped = mmap(nullptr, box->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (mapped == MAP_FAILED) {
        close(file);
        return false;
    }
    box->pixels = static_cast<unsigned char*>(mapped);
    wl_shm_pool* pool = wl_shm_create_pool(box->shm, file, static_cast<int32_t>(box->bytes));
    box->buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(file);
    return true;
}

// Keys by what the layout makes of them, as Windows reads Return, Esc and Space.
void keymap(void* data, wl_keyboard*, uint32_t format, int32_t file, uint32_t size) {
    Box* box = static_cast<Box*>(data);
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
    Box* box = static_cast<Box*>(data);
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
    Box* box = static_cast<Box*>(data);
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
    Box* box = static_cast<Box*>(data);
    box->pointerX = wl_fixed_to_double(x);
    box->pointerY = wl_fixed_to_double(y);
}

void button(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t which, uint32_t state) {
    Box* box = static_cast<Box*>(data);
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
    draw(box);
}

// The frame's title bar and edges are surfaces of libdecor's, which reads them itself.
const wl_pointer_listener pointerListener = {
    [](void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
        static_cast<Box*>(data)->pointerInside = surface == static_cast<Box*>(data)->surface;
        pointerAt(data, x, y);
    },
    [](void* data, wl_pointer*, uint32_t, wl_surface*) {
        static_cast<Box*>(data)->pointerInside = false;
    },
    [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) { pointerAt(data, x, y); },
    button,
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    // Events of versions above the one bound never come.
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    Box* box = static_cast<Box*>(data);
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
    Box* box = static_cast<Box*>(data);
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

const wl_registry_listener registryListener = {
    announce,
    [](void*, wl_registry*, uint32_t) {},
};

libdecor_interface decorInterface = {
    [](libdecor*, libdecor_error, const char*) { decorFailed = true; },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The content keeps its size whatever the compositor proposes; the frame goes around it.
void configure(libdecor_frame* frame, libdecor_configuration* configuration, void* data) {
    Box* box = static_cast<Box*>(data);
    libdecor_state* state = libdecor_state_new(box->picture.width, box->picture.height);
    libdecor_frame_commit(frame, state, configuration);
    libdecor_state_free(state);
    draw(box);
}

libdecor_frame_interface frameInterface = {
    configure,
    // Windows' OK box answers IDOK when it is closed.
    [](libdecor_frame*, void* data) { static_cast<Box*>(data)->ended = true; },
    [](libdecor_frame*, void* data) { wl_surface_commit(static_cast<Box*>(data)->surface); },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr,
};

void showBox(Box* box, const std::string& caption) {
    box->surface = wl_compositor_create_surface(box->compositor);
    wl_surface_set_buffer_scale(box->surface, box->scale);
    box->decor = libdecor_new(box->display, &decorInterface);
    box->frame = libdecor_decorate(box->decor, box->surface, &frameInterface, box);
    libdecor_frame_set_title(box->frame, caption.c_str());
    libdecor_frame_set_app_id(box->frame, DESKTOP_APP_ID);
    // A dialog of fixed size, which tiling compositors float, moved by its title alone.
    libdecor_frame_set_min_content_size(box->frame, box->picture.width, box->picture.height);
    libdecor_frame_set_max_content_size(box->frame, box->picture.width, box->picture.height);
    libdecor_frame_unset_capabilities(
        box->frame, static_cast<libdecor_capabilities>(
                        LIBDECOR_ACTION_RESIZE | LIBDECOR_ACTION_MINIMIZE |
                        LIBDECOR_ACTION_FULLSCREEN));
    libdecor_frame_map(box->frame);
}

// A request to end the program takes the box down first: sway 1.7 crashes now and then
// when a client leaves a decorated window to it.
void runBox(Box* box) {
    while (!box->ended && !accessibleBoxClicked() && !decorFailed && !SDL_QuitRequested() &&
           wl_display_get_error(box->display) == 0 && libdecor_dispatch(box->decor, 0) >= 0) {
        waitForWayland(box->display, 100);
    }
}

void closeBox(Box* box) {
    if (box->keyboard != nullptr) {
        wl_keyboard_destroy(box->keyboard);
    }
    if (box->pointer != nullptr) {
        wl_pointer_destroy(box->pointer);
    }
    if (box->frame != nullptr) {
        libdecor_frame_unref(box->frame);
        libdecor_unref(box->decor);
        wl_surface_destroy(box->surface);
    }
    if (box->buffer != nullptr) {
        wl_buffer_destroy(box->buffer);
        munmap(box->pixels, box->bytes);
    }
    xkb_state_unref(box->keys);
    xkb_keymap_unref(box->keymap);
    xkb_context_unref(box->xkb);
    // The compositor takes the window down with the connection, before the program goes on.
    wl_display_roundtrip(box->display);
    wl_display_disconnect(box->display);
}

}  // namespace

int wlMessageBox(StandInWindow*, LPCSTR text, LPCSTR caption, UINT type) {
    Box box = {};
    box.display = wl_display_connect(nullptr);
    if (box.display != nullptr) {
        box.registry = wl_display_get_registry(box.display);
        wl_registry_add_listener(box.registry, &registryListener, &box);
        wl_display_roundtrip(box.display);
        wl_display_roundtrip(box.display);  // the seat's capabilities
    }
    // Without a compositor that shows windows there is nobody to ask.
    if (box.display == nullptr || box.compositor == nullptr || box.shm == nullptr) {
        printBoxText(caption, text);
        if (box.display != nullptr) {
            wl_display_disconnect(box.display);
        }
        return IDOK;
    }
    box.xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    // The output's scale, as the program's windows take it; a fractional one is drawn at
    // the next whole scale, which the compositor takes down.
    box.scale = static_cast<int>(std::ceil(screenScale() - 0.01));
    box.picture = layOutBox(text, type, 1, true);
    if (makeBuffer(&box)) {
        showBox(&box, utf8FromAnsi(caption));
        runBox(&box);
    }
    if (box.buffer == nullptr || decorFailed) {
        printBoxText(caption, text);
    }
    closeBox(&box);
    endIfAskedTo();
    return IDOK;
}
