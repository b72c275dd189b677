// The program as screen readers find it on the Linux desktop: AT-SPI objects made with
// ATK (atk_accessibility.cpp) and put on the bus by its bridge (atk_bus.cpp), as Windows
// gives Narrator its boxes and windows. The program joins the accessibility bus at its
// first box or window, where one can be reached without starting a session bus;
// elsewhere every call here does nothing and waiting is a plain poll.
#pragma once

#include <string>

struct StandInWindow;

// A shown message box: a dialog, or an alert for an error box, named by its caption,
// holding its text and an OK button that has the focus. A screen reader's click on OK
// ends the box as Return does.
void showAccessibleBox(const std::string& caption, const std::string& text, bool alert);
bool accessibleBoxClicked();
void hideAccessibleBox();

// A shown window: a frame named by its title, active while it has the focus.
void showAccessibleWindow(StandInWindow* window, const std::string& title);
void nameAccessibleWindow(StandInWindow* window, const std::string& title);
void activateAccessibleWindow(StandInWindow* window, bool active);
void hideAccessibleWindow(StandInWindow* window);

// Joins the bus where one runs, once; true if joined.
bool joinAccessibility();
// GTK, which libdecor's GTK plugin starts inside the program to draw title bars, puts
// its own root and event hooks in ATK's place, and would start ATK's bridge with its
// own root had the program not joined first. Called after anything that may have
// started it, this puts the program's back.
void reclaimAccessibility();
// The bus's requests are served while the program waits for its window system, and
// between frames.
bool servingAccessibility();
void serveAccessibility();
// Waits until the file (a display's connection) has input or the milliseconds (-1:
// for ever) run out, serving the bus meanwhile. True if the file has input.
bool waitServingAccessibility(int file, int milliseconds);
