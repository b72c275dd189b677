// Accessible objects of the stand-in's own, as programs that draw their own widgets
// give them: ATK objects under an application root, put on the AT-SPI bus by ATK's
// bridge. ATK draws nothing, so it serves boxes at every depth, on X11 and Wayland.
#include "accessibility.h"
#include "atk_bus.h"

#include <atk/atk.h>

#include <algorithm>
#include <map>

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
// have when they came. Called once the bridge first listens.
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

}  // namespace

bool joinAccessibility() {
    static bool tried = false;
    if (tried) {
        return joined;
    }
    tried = true;
    if (!accessibilityBusRuns()) {
        return false;
    }
    // The bridge looks the signals up by type name: the types must exist first.
    g_type_class_unref(g_type_class_ref(buttonType()));
    g_type_class_unref(g_type_class_ref(windowType()));
    application = make(accessibleType(), ATK_ROLE_APPLICATION, DESKTOP_APP_NAME, 0);
    joined = startAccessibilityBridge(application, tellActivation);
    return joined;
}

namespace {

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
    if (!joinAccessibility() || box != nullptr) {
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
    if (joinAccessibility() && frames.count(window) == 0) {
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
