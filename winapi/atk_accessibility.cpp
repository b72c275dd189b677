// Accessible objects of the stand-in's own, as programs that draw their own widgets
// give them: ATK objects under an application root, put on the AT-SPI bus by ATK's
// bridge. ATK draws nothing, so it serves boxes at every depth, on X11 and Wayland.
#include "accessibility.h"

#include <atk-bridge.h>
#include <atk/atk.h>
#include <dbus/dbus.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

struct Accessible {
    AtkObject object;
    AtkObject* children[4];
    int childCount;
    guint64 states;  // one bit for each AtkStateType
};

struct AccessibleClass {
    AtkObjectClass object;
};

bool joined;
AtkObject* application;
AtkObject* box;
AtkObject* boxButton;
bool boxClicked;
std::map<StandInWindow*, AtkObject*> frames;
std::map<guint, guint> hookSignals;  // the bridge's event listeners, by hook

Accessible* self(AtkObject* object) { return reinterpret_cast<Accessible*>(object); }

gpointer parentClass;

void classInit(gpointer klass, gpointer) {
    parentClass = g_type_class_peek_parent(klass);
    AtkObjectClass* object = ATK_OBJECT_CLASS(klass);
    object->get_n_children = [](AtkObject* o) -> gint { return self(o)->childCount; };
    object->ref_child = [](AtkObject* o, gint i) -> AtkObject* {
        return i >= 0 && i < self(o)->childCount ? ATK_OBJECT(g_object_ref(self(o)->children[i]))
                                                 : nullptr;
    };
    object->get_index_in_parent = [](AtkObject* o) -> gint {
        Accessible* parent = o->accessible_parent ? self(o->accessible_parent) : nullptr;
        for (int i = 0; parent != nullptr && i < parent->childCount; ++i) {
            if (parent->children[i] == o) {
                return i;
            }
        }
        return -1;
    };
    object->ref_state_set = [](AtkObject* o) -> AtkStateSet* {
        AtkStateSet* set = atk_state_set_new();
        for (int state = 0; state < ATK_STATE_LAST_DEFINED; ++state) {
            if (self(o)->states >> state & 1) {
                atk_state_set_add_state(set, static_cast<AtkStateType>(state));
            }
        }
        return set;
    };
    G_OBJECT_CLASS(klass)->finalize = [](GObject* o) {
        for (int i = 0; i < self(ATK_OBJECT(o))->childCount; ++i) {
            g_object_unref(self(ATK_OBJECT(o))->children[i]);
        }
        G_OBJECT_CLASS(parentClass)->finalize(o);
    };
}

GType accessibleType() {
    static const GType type = g_type_register_static_simple(
        ATK_TYPE_OBJECT, "TrackballViewerAccessible", sizeof(AccessibleClass), classInit,
        sizeof(Accessible), nullptr, GTypeFlags(0));
    return type;
}

// A kind of accessible that offers an interface: a button its action, a box or a
// window the signals screen readers follow windows by.
GType typeWith(const char* name, GType interface, GInterfaceInitFunc init) {
    const GType type = g_type_register_static_simple(accessibleType(), name,
                                                     sizeof(AccessibleClass), nullptr,
                                                     sizeof(Accessible), nullptr, GTypeFlags(0));
    const GInterfaceInfo info = {init, nullptr, nullptr};
    g_type_add_interface_static(type, interface, &info);
    return type;
}

void actionInit(gpointer iface, gpointer) {
    AtkActionIface* action = static_cast<AtkActionIface*>(iface);
    action->get_n_actions = [](AtkAction*) -> gint { return 1; };
    action->get_name = [](AtkAction*, gint i) -> const gchar* { return i == 0 ? "click" : nullptr; };
    action->do_action = [](AtkAction*, gint i) -> gboolean {
        boxClicked = boxClicked || i == 0;
        return i == 0;
    };
}

GType buttonType() {
    static const GType type = typeWith("TrackballViewerButton", ATK_TYPE_ACTION, actionInit);
    return type;
}

GType windowType() {
    static const GType type = typeWith("TrackballViewerWindow", ATK_TYPE_WINDOW, nullptr);
    return type;
}

guint64 bits(std::initializer_list<AtkStateType> states) {
    guint64 set = 0;
    for (AtkStateType state : states) {
        set |= guint64{1} << state;
    }
    return set;
}

AtkObject* make(GType type, AtkRole role, const std::string& name, guint64 states) {
    AtkObject* made = ATK_OBJECT(g_object_new(type, nullptr));
    atk_object_set_role(made, role);
    atk_object_set_name(made, name.c_str());
    self(made)->states = states;
    return made;
}

// True if the state changed.
bool setState(AtkObject* object, AtkStateType state, bool on) {
    const guint64 bit = guint64{1} << state;
    if (((self(object)->states & bit) != 0) == on) {
        return false;
    }
    self(object)->states ^= bit;
    atk_object_notify_state_change(object, state, on);
    return true;
}

// Takes the child's reference.
void adopt(AtkObject* parent, AtkObject* child) {
    Accessible* p = self(parent);
    if (p->childCount == G_N_ELEMENTS(p->children)) {
        g_object_unref(child);
        return;
    }
    p->children[p->childCount] = child;
    atk_object_set_parent(child, parent);
    g_signal_emit_by_name(parent, "children-changed::add", p->childCount++, child);
}

void disown(AtkObject* parent, AtkObject* child) {
    Accessible* p = self(parent);
    AtkObject** end = p->children + p->childCount;
    AtkObject** found = std::find(p->children, end, child);
    if (found != end) {
        g_signal_emit_by_name(parent, "children-changed::remove",
                              static_cast<gint>(found - p->children), child);
        std::copy(found + 1, end, found);
        --p->childCount;
        g_object_unref(child);
    }
}

// The bridge listens only while a screen reader does, which it learns from the registry
// after the program has joined: by then the first box has come. A screen reader that
// starts listening hears which window is active and what has the focus, as it would
// have when they came.
gboolean tellActivation(gpointer) {
    Accessible* root = self(application);
    for (int i = 0; i < root->childCount; ++i) {
        if (self(root->children[i])->states >> ATK_STATE_ACTIVE & 1) {
            g_signal_emit_by_name(root->children[i], "activate");
        }
    }
    if (boxButton != nullptr) {
        atk_object_notify_state_change(boxButton, ATK_STATE_FOCUSED, TRUE);
    }
    return G_SOURCE_REMOVE;
}

// ATK tells its bridge of events through the toolkit, which names them
// "toolkit:type:signal" and hooks the signal's every emission.
guint addEventListener(GSignalEmissionHook listener, const gchar* eventType) {
    if (hookSignals.empty()) {
        g_idle_add(tellActivation, nullptr);
    }
    gchar** parts = g_strsplit(eventType, ":", 3);
    guint hook = 0;
    if (g_strv_length(parts) == 3) {
        const GType type = g_type_from_name(parts[1]);
        const guint signal = type != 0 ? g_signal_lookup(parts[2], type) : 0;
        if (signal != 0) {
            hook = g_signal_add_emission_hook(signal, 0, listener, nullptr, nullptr);
            hookSignals[hook] = signal;
        }
    }
    g_strfreev(parts);
    return hook;
}

void removeEventListener(guint hook) {
    const auto found = hookSignals.find(hook);
    if (found != hookSignals.end()) {
        g_signal_remove_emission_hook(found->second, hook);
        hookSignals.erase(found);
    }
}

// The session bus's address where one runs; never one that libdbus would start.
std::string sessionBusAddress() {
    const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (named != nullptr && *named != 0) {
        return named;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string socket = std::string(runtime != nullptr ? runtime : "") + "/bus";
    struct stat found = {};
    return runtime != nullptr && stat(socket.c_str(), &found) == 0 && S_ISSOCK(found.st_mode)
               ? "unix:path=" + socket
               : "";
}

// Whether the session has an accessibility bus: asked before the bridge, which warns
// on standard error where there is none and would start a session bus where none runs.
bool accessibilityBusRuns() {
    const char* named = std::getenv("AT_SPI_BUS_ADDRESS");
    if (named != nullptr && *named != 0) {
        return true;
    }
    const std::string session = sessionBusAddress();
    if (session.empty()) {
        return false;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_connection_open_private(session.c_str(), &error);
    bool runs = false;
    if (bus != nullptr && dbus_bus_register(bus, &error)) {
        DBusMessage* ask = dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus",
                                                        "org.a11y.Bus", "GetAddress");
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, ask, 1000, &error);
        runs = reply != nullptr;
        dbus_message_unref(ask);
        if (reply != nullptr) {
            dbus_message_unref(reply);
        }
    }
    if (bus != nullptr) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    dbus_error_free(&error);
    return runs;
}

bool join() {
    static bool tried = false;
    if (tried) {
        return joined;
    }
    tried = true;
    const char* disabled = std::getenv("NO_AT_BRIDGE");
    if ((disabled != nullptr && std::atoi(disabled) == 1) || !accessibilityBusRuns()) {
        return false;
    }
    // The bridge looks the signals up by type name: the types must exist first.
    g_type_class_unref(g_type_class_ref(buttonType()));
    g_type_class_unref(g_type_class_ref(windowType()));
    application = make(accessibleType(), ATK_ROLE_APPLICATION, DESKTOP_APP_NAME, 0);
    AtkUtilClass* util = ATK_UTIL_CLASS(g_type_class_ref(ATK_TYPE_UTIL));
    util->get_root = []() { return application; };
    util->get_toolkit_name = []() -> const gchar* { return "SDL"; };
    util->get_toolkit_version = []() -> const gchar* { return "2"; };
    util->add_global_event_listener = addEventListener;
    util->remove_global_event_listener = removeEventListener;
    joined = atk_bridge_adaptor_init(nullptr, nullptr) == 0;
    return joined;
}

const guint64 shown = bits({ATK_STATE_VISIBLE, ATK_STATE_SHOWING, ATK_STATE_ENABLED,
                            ATK_STATE_SENSITIVE});

// A window appears, and where it is active screen readers present it.
void showWindowObject(AtkObject* window, bool active) {
    adopt(application, window);
    g_signal_emit_by_name(window, "create");
    if (active && setState(window, ATK_STATE_ACTIVE, true)) {
        g_signal_emit_by_name(window, "activate");
    }
}

void hideWindowObject(AtkObject* window) {
    if (setState(window, ATK_STATE_ACTIVE, false)) {
        g_signal_emit_by_name(window, "deactivate");
    }
    g_signal_emit_by_name(window, "destroy");
    disown(application, window);
}

}  // namespace

void showAccessibleBox(const std::string& caption, const std::string& text, bool alert) {
    boxClicked = false;
    if (!join() || box != nullptr) {
        return;
    }
    box = make(windowType(), alert ? ATK_ROLE_ALERT : ATK_ROLE_DIALOG, caption,
               shown | bits({ATK_STATE_MODAL}));
    atk_object_set_description(box, text.c_str());
    adopt(box, make(accessibleType(), ATK_ROLE_LABEL, text, shown));
    boxButton = make(buttonType(), ATK_ROLE_PUSH_BUTTON, "OK", shown | bits({ATK_STATE_FOCUSABLE}));
    adopt(box, boxButton);
    showWindowObject(box, true);
    // As Windows gives a new box's button the focus.
    setState(boxButton, ATK_STATE_FOCUSED, true);
}

bool accessibleBoxClicked() { return boxClicked; }

void hideAccessibleBox() {
    if (box != nullptr) {
        setState(boxButton, ATK_STATE_FOCUSED, false);
        hideWindowObject(box);
        box = nullptr;
        boxButton = nullptr;
    }
}

void showAccessibleWindow(StandInWindow* window, const std::string& title) {
    if (join() && frames.count(window) == 0) {
        frames[window] = make(windowType(), ATK_ROLE_FRAME, title, shown);
        showWindowObject(frames[window], false);
    }
}

void nameAccessibleWindow(StandInWindow* window, const std::string& title) {
    const auto found = frames.find(window);
    if (found != frames.end()) {
        atk_object_set_name(found->second, title.c_str());
    }
}

void activateAccessibleWindow(StandInWindow* window, bool active) {
    const auto found = frames.find(window);
    if (found != frames.end() && setState(found->second, ATK_STATE_ACTIVE, active)) {
        g_signal_emit_by_name(found->second, active ? "activate" : "deactivate");
    }
}

void hideAccessibleWindow(StandInWindow* window) {
    const auto found = frames.find(window);
    if (found != frames.end()) {
        hideWindowObject(found->second);
        frames.erase(found);
    }
}

bool servingAccessibility() { return joined; }

void serveAccessibility() {
    while (joined && g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool waitServingAccessibility(int file, int milliseconds) {
    std::vector<GPollFD> files(8);
    files[0] = {file, G_IO_IN, 0};
    GMainContext* context = g_main_context_default();
    if (!joined || !g_main_context_acquire(context)) {
        g_poll(files.data(), 1, milliseconds);
        return files[0].revents != 0;
    }
    // GLib's own steps, around one poll that also watches the display.
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    gint timeout = -1;
    gint count = 0;
    while ((count = g_main_context_query(context, priority, &timeout, files.data() + 1,
                                         static_cast<gint>(files.size()) - 1)) >=
           static_cast<gint>(files.size())) {
        files.resize(static_cast<size_t>(count) + 1);
    }
    if (milliseconds >= 0) {
        timeout = timeout < 0 ? milliseconds : std::min(timeout, milliseconds);
    }
    g_poll(files.data(), static_cast<guint>(count) + 1, timeout);
    g_main_context_check(context, priority, files.data() + 1, count);
    g_main_context_dispatch(context);
    g_main_context_release(context);
    return files[0].revents != 0;
}
