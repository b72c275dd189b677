// The accessibility bus and ATK's bridge to it: the bus found on the session's bus
// before joining, the toolkit's event hooks the bridge listens through, and GLib's main
// context served while the program waits for its display.
#include "atk_bus.h"

#include <atk-bridge.h>
#include <dbus/dbus.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "accessibility.h"

namespace {

AtkObject* root;
GSourceFunc firstListening;
std::map<guint, guint> hookSignals;  // the bridge's event listeners, by hook

// ATK tells its bridge of events through the toolkit, which names them
// "toolkit:type:signal" and hooks the signal's every emission.
guint addEventListener(GSignalEmissionHook listener, const gchar* eventType) {
    if (hookSignals.empty()) {
        g_idle_add(firstListening, nullptr);
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

}  // namespace

// Asked before the bridge, which warns on standard error where there is none and would
// start a session bus where none runs.
bool accessibilityBusRuns() {
    const char* disabled = std::getenv("NO_AT_BRIDGE");
    if (disabled != nullptr && std::atoi(disabled) == 1) {
        return false;
    }
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

bool startAccessibilityBridge(AtkObject* application, GSourceFunc listening) {
    root = application;
    firstListening = listening;
    reclaimAccessibility();
    return atk_bridge_adaptor_init(nullptr, nullptr) == 0;
}

void reclaimAccessibility() {
    if (root == nullptr) {
        return;
    }
    AtkUtilClass* util = ATK_UTIL_CLASS(g_type_class_ref(ATK_TYPE_UTIL));
    util->get_root = []() { return root; };
    util->get_toolkit_name = []() -> const gchar* { return "SDL"; };
    util->get_toolkit_version = []() -> const gchar* { return "2"; };
    util->add_global_event_listener = addEventListener;
    util->remove_global_event_listener = removeEventListener;
}

void serveAccessibility() {
    while (servingAccessibility() && g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool waitServingAccessibility(int file, int milliseconds) {
    std::vector<GPollFD> files(8);
    files[0] = {file, G_IO_IN, 0};
    GMainContext* context = g_main_context_default();
    if (!servingAccessibility() || !g_main_context_acquire(context)) {
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
