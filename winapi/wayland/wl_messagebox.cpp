// MessageBoxA as a Wayland window of the stand-in's own. X11's box would come through
// XWayland, stretched by the compositor to the output's scale, or not come at all where
// no X server runs. This one is drawn into shared memory at the output's scale, read
// from the keyboard by its layout, and framed through libdecor: the compositor's title
// bar where it draws frames (KDE, sway), the program's own where it does not (GNOME,
// weston), as SDL frames the program's window.
#include <libdecor.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>

#include "a11y/accessibility.h"
#include "wayland.h"
#include "wl_messagebox.h"

void drawWaylandBox(WaylandBox* box) {
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

namespace {

// libdecor's word that it cannot show a window here, such as without xdg-shell; it
// tells no box which.
bool decorFailed;

bool makeBuffer(WaylandBox* box) {
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

libdecor_interface decorInterface = {
    [](libdecor*, libdecor_error, const char*) { decorFailed = true; },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The content keeps its size whatever the compositor proposes; the frame goes around it.
void configure(libdecor_frame* frame, libdecor_configuration* configuration, void* data) {
    WaylandBox* box = static_cast<WaylandBox*>(data);
    libdecor_state* state = libdecor_state_new(box->picture.width, box->picture.height);
    libdecor_frame_commit(frame, state, configuration);
    libdecor_state_free(state);
    drawWaylandBox(box);
}

libdecor_frame_interface frameInterface = {
    configure,
    // Windows' OK box answers IDOK when it is closed.
    [](libdecor_frame*, void* data) { static_cast<WaylandBox*>(data)->ended = true; },
    [](libdecor_frame*, void* data) { wl_surface_commit(static_cast<WaylandBox*>(data)->surface); },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr,
};

void showBox(WaylandBox* box, const std::string& caption) {
    box->surface = wl_compositor_create_surface(box->compositor);
    wl_surface_set_buffer_scale(box->surface, box->scale);
    box->decor = libdecor_new(box->display, &decorInterface);
    reclaimAccessibility();
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
void runBox(WaylandBox* box) {
    while (!box->ended && !accessibleBoxClicked() && !decorFailed && !SDL_QuitRequested() &&
           wl_display_get_error(box->display) == 0 && libdecor_dispatch(box->decor, 0) >= 0) {
        waitForWayland(box->display, 100);
    }
}

void closeBox(WaylandBox* box) {
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
    WaylandBox box = {};
    box.display = wl_display_connect(nullptr);
    if (box.display != nullptr) {
        box.registry = wl_display_get_registry(box.display);
        wl_registry_add_listener(box.registry, &waylandBoxRegistry, &box);
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
