// The Wayland message box's state, shared by its window (wl_messagebox.cpp) and its
// input (wl_box_input.cpp).
#pragma once

#include <cstddef>

#include "sdl/messagebox.h"

struct libdecor;
struct libdecor_frame;
struct wl_buffer;
struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_pointer;
struct wl_registry;
struct wl_registry_listener;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

struct WaylandBox {
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

// Draws the box's picture and shows it.
void drawWaylandBox(WaylandBox* box);

// Binds the compositor, shared memory and the seat as the display announces them, and
// reads the seat's keyboard and pointer into the box.
extern const wl_registry_listener waylandBoxRegistry;
