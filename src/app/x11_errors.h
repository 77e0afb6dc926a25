#pragma once
// X11 details of the window system: error reporting and the panel's window.
#include <QtGui/qwindowdefs.h>
#include <cstdint>

namespace zvapp {

// Installs an Xlib error handler that logs each error to the debug output
// instead of ending the process. Call after QApplication exists (Qt installs a
// silent one of its own). Nothing happens off X11.
void InstallX11ErrorHandler();

// Number of X errors seen since start (for tests).
int X11ErrorCount();

// Gives the X window a black background and clears it; nothing off X11.
void FillNativeWindowBlack(WId window);

// True when window names a live X window; false off X11.
bool X11WindowExists(WId window);

// True when a window manager announces itself on the default display.
bool X11WindowManagerRunning();

}  // namespace zvapp
