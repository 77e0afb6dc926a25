#pragma once
// What the tests read from and send to the X server as a user's desktop
// would: window stacking, transient owners, window-manager states, and
// pointer and key events through the XTEST extension.
#include <QRect>
#include <QtGui/qwindowdefs.h>

#include <vector>

namespace zvapp::e2e {

// Client windows from bottom to top (_NET_CLIENT_LIST_STACKING).
std::vector<WId> ClientStacking();
// True when both are listed and upper lies above lower.
bool StackedAbove(WId upper, WId lower);
// The WM_TRANSIENT_FOR owner; 0 when none.
WId TransientOwner(WId window);
// True when the window manager lists the state atom (e.g. "_NET_WM_STATE_ABOVE").
bool HasWmState(WId window, const char* stateAtom);
// True when the window is mapped and all its ancestors too.
bool WindowViewable(WId window);
// The window holding the X input focus.
WId FocusedWindow();

// A real button click at a global position (the window manager sees it).
void ClickAt(const QPoint& global);
// The parts of a drag: press there, move with the button held, let go.
void PressAt(const QPoint& global);
void MovePointerTo(const QPoint& global);
void ReleaseButton();
// A key press and release as from the keyboard (keysym, e.g. XK_Escape).
void PressKey(unsigned long keysym);
// The same with Shift held (XK_braceright gives "}" on a US keyboard).
void PressShiftedKey(unsigned long keysym);

}  // namespace zvapp::e2e
