// Between the accessible objects (atk_accessibility.cpp) and the bus they are put on
// (atk_bus.cpp).
#pragma once

#include <atk/atk.h>

// Whether the session has an accessibility bus to join, unless NO_AT_BRIDGE says not to.
bool accessibilityBusRuns();
// Puts the application and what is below it on the bus through ATK's bridge; the
// listening callback runs, once, when the bridge first listens for events.
bool startAccessibilityBridge(AtkObject* application, GSourceFunc listening);
