// MessageBoxA as a Wayland window of the stand-in's own. X11's box would come through
// XWayland, stretched by the compositor to the output's scale, or not come at all where
// no X server runs. This one is drawn with cairo into shared memory at the output's
// scale, in the desktop's sans-serif font, and read from the keyboard by its layout.
#include <cairo.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>

#include "messagebox.h"
#include "wayland.h"
#include "xdg-shell-client-protocol.h"

namespace {

const double fontPixels = messageFontPoints * 96 / 72;  // at 96 dpi, as the units are

struct Box {
    wl_display* display;
    wl_registry* registry;
    wl_compositor* compositor;
    wl_shm* shm;
    xdg_wm_base* shell;
    wl_seat* seat;
    wl_keyboard* keyboard;
    wl_pointer* pointer;
    wl_surface* surface;
    xdg_surface* xdgSurface;
    xdg_toplevel* toplevel;
    wl_buffer* buffer;
    unsigned char* pixels;
    size_t bytes;
    xkb_context* xkb;
    xkb_keymap* keymap;
    xkb_state* keys;
    int scale;  // buffer pixels per unit
    std::vector<std::string> lines;
    bool stopIcon;
    BoxLayout layout;  // in units
    double ascent;
    double descent;
    double pointerX;
    double pointerY;
    bool buttonHeld;
    bool ended;
};

void setFont(cairo_t* cr) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontPixels);
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void layOut(Box* box) {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    setFont(cr);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    box->ascent = std::ceil(font.ascent);
    box->descent = std::ceil(font.descent);
    int widest = 0;
    for (const std::string& line : box->lines) {
        widest = std::max(widest, static_cast<int>(std::ceil(textWidth(cr, line))));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    box->layout = layOutBox(1, widest, static_cast<int>(box->lines.size()),
                            static_cast<int>(box->ascent), static_cast<int>(box->descent),
                            box->stopIcon);
}

void setColour(cairo_t* cr, BoxColour colour) {
    const BoxRgb& rgb = boxColours[colour];
    cairo_set_source_rgb(cr, rgb.red / 65535.0, rgb.green / 65535.0, rgb.blue / 65535.0);
}

void fill(cairo_t* cr, BoxColour colour, const BoxRect& area) {
    setColour(cr, colour);
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_fill(cr);
}

void drawStopIcon(cairo_t* cr, const BoxLayout& layout) {
    const BoxRect& icon = layout.icon;
    setColour(cr, boxStopRed);
    cairo_arc(cr, icon.x + icon.width / 2.0, icon.y + icon.height / 2.0, icon.width / 2.0, 0,
              2 * M_PI);
    cairo_fill(cr);
    setColour(cr, boxStopCross);
    cairo_set_line_width(cr, layout.crossWidth);
    const double low = icon.x + layout.crossInset;
    const double high = icon.x + icon.width - layout.crossInset;
    cairo_move_to(cr, low, low);
    cairo_line_to(cr, high, high);
    cairo_move_to(cr, low, high);
    cairo_line_to(cr, high, low);
    cairo_stroke(cr);
}

void draw(Box* box) {
    const BoxLayout& layout = box->layout;
    cairo_surface_t* target = cairo_image_surface_create_for_data(
        box->pixels, CAIRO_FORMAT_RGB24, layout.width * box->scale, layout.height * box->scale,
        layout.width * box->scale * 4);
    cairo_t* cr = cairo_create(target);
    cairo_scale(cr, box->scale, box->scale);
    fill(cr, boxBackground, {0, 0, layout.width, layout.bandTop});
    fill(cr, boxBand, {0, layout.bandTop, layout.width, layout.height - layout.bandTop});
    if (box->stopIcon) {
        drawStopIcon(cr, layout);
    }
    setFont(cr);
    setColour(cr, boxText);
    int baseline = layout.firstBaseline;
    for (const std::string& line : box->lines) {
        cairo_move_to(cr, layout.textLeft, baseline);
        cairo_show_text(cr, line.c_str());
        baseline += layout.lineHeight;
    }
    fill(cr, boxButtonBorder, layout.button);
    fill(cr, boxButtonFace, buttonFace(layout, box->buttonHeld));
    setColour(cr, boxText);
    const int ascent = static_cast<int>(box->ascent);
    const int descent = static_cast<int>(box->descent);
    cairo_move_to(cr, labelLeft(layout, static_cast<int>(std::lround(textWidth(cr, "OK")))),
                  labelBaseline(layout, ascent, descent));
    cairo_show_text(cr, "OK");
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);

    wl_surface_attach(box->surface, box->buffer, 0, 0);
    wl_surface_damage(box->surface, 0, 0, layout.width, layout.height);
    wl_surface_commit(box->surface);
}

bool makeBuffer(Box* box) {
    const int width = box->layout.width * box->scale;
    const int height = box->layout.height * box->scale;
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
    const bool onOk = onButton(box->layout, static_cast<int>(box->pointerX),
                               static_cast<int>(box->pointerY));
    if (which != BTN_LEFT) {
        return;
    }
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) {
        box->buttonHeld = onOk;
    } else {
        box->ended = box->ended || (box->buttonHeld && onOk);
        box->buttonHeld = false;
    }
    draw(box);
}

const wl_pointer_listener pointerListener = {
    [](void* data, wl_pointer*, uint32_t, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
        pointerAt(data, x, y);
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) {},
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

const xdg_wm_base_listener shellListener = {
    [](void*, xdg_wm_base* shell, uint32_t serial) { xdg_wm_base_pong(shell, serial); },
};

const xdg_surface_listener surfaceListener = {
    [](void* data, xdg_surface* surface, uint32_t serial) {
        xdg_surface_ack_configure(surface, serial);
        draw(static_cast<Box*>(data));
    },
};

const xdg_toplevel_listener toplevelListener = {
    [](void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {},
    [](void* data, xdg_toplevel*) { static_cast<Box*>(data)->ended = true; },
    nullptr, nullptr,
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
    } else if (offered == xdg_wm_base_interface.name) {
        box->shell =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(box->shell, &shellListener, box);
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

void showBox(Box* box, const std::string& caption) {
    box->surface = wl_compositor_create_surface(box->compositor);
    wl_surface_set_buffer_scale(box->surface, box->scale);
    box->xdgSurface = xdg_wm_base_get_xdg_surface(box->shell, box->surface);
    xdg_surface_add_listener(box->xdgSurface, &surfaceListener, box);
    box->toplevel = xdg_surface_get_toplevel(box->xdgSurface);
    xdg_toplevel_add_listener(box->toplevel, &toplevelListener, box);
    xdg_toplevel_set_title(box->toplevel, caption.c_str());
    xdg_toplevel_set_app_id(box->toplevel, DESKTOP_APP_ID);
    // A dialog of fixed size, which tiling compositors float.
    xdg_toplevel_set_min_size(box->toplevel, box->layout.width, box->layout.height);
    xdg_toplevel_set_max_size(box->toplevel, box->layout.width, box->layout.height);
    // The first buffer goes with the answer to the compositor's first configure.
    wl_surface_commit(box->surface);
}

void runBox(Box* box) {
    while (!box->ended && wl_display_get_error(box->display) == 0) {
        while (wl_display_prepare_read(box->display) != 0) {
            wl_display_dispatch_pending(box->display);
        }
        wl_display_flush(box->display);
        pollfd connection = {wl_display_get_fd(box->display), POLLIN, 0};
        if (poll(&connection, 1, 100) > 0) {
            wl_display_read_events(box->display);
        } else {
            wl_display_cancel_read(box->display);
        }
        wl_display_dispatch_pending(box->display);
        endIfAskedTo();
    }
}

void closeBox(Box* box) {
    if (box->keyboard != nullptr) {
        wl_keyboard_destroy(box->keyboard);
    }
    if (box->pointer != nullptr) {
        wl_pointer_destroy(box->pointer);
    }
    if (box->toplevel != nullptr) {
        xdg_toplevel_destroy(box->toplevel);
        xdg_surface_destroy(box->xdgSurface);
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
    if (box.display == nullptr || box.compositor == nullptr || box.shm == nullptr ||
        box.shell == nullptr) {
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
    box.lines = boxLines(text);
    box.stopIcon = (type & MB_ICONHAND) != 0;
    layOut(&box);
    if (makeBuffer(&box)) {
        showBox(&box, utf8FromAnsi(caption));
        runBox(&box);
    } else {
        printBoxText(caption, text);
    }
    closeBox(&box);
    return IDOK;
}
