#include "app/x11_errors.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "app/debug_output.h"

namespace zvapp {

namespace {

std::atomic<int> gErrorCount{0};
// Set while X11WindowExists probes, so its expected BadWindow stays quiet.
thread_local bool tProbing = false;
thread_local bool tProbeFailed = false;

int OnXError(Display* display, XErrorEvent* e) {
  if (tProbing) {
    tProbeFailed = true;
    return 0;
  }
  gErrorCount.fetch_add(1, std::memory_order_relaxed);
  char text[256] = {};
  XGetErrorText(display, e->error_code, text, sizeof text);
  DebugOutput("X error: " + std::string(text) + " (code " + std::to_string(int(e->error_code)) + ", request " +
              std::to_string(int(e->request_code)) + "." + std::to_string(int(e->minor_code)) + ", resource 0x" +
              [&] {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%lx", e->resourceid);
                return std::string(buf);
              }() +
              ")");
  return 0;
}

Display* QtDisplay() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

}  // namespace

void InstallX11ErrorHandler() {
  if (QtDisplay()) XSetErrorHandler(OnXError);
}

int X11ErrorCount() { return gErrorCount.load(std::memory_order_relaxed); }

void FillNativeWindowBlack(WId window) {
  Display* d = QtDisplay();
  if (!d || !window) return;
  XSetWindowBackground(d, Window(window), BlackPixel(d, DefaultScreen(d)));
  XClearWindow(d, Window(window));
  XFlush(d);
}

bool X11WindowExists(WId window) {
  Display* d = QtDisplay();
  if (!d || !window) return false;
  XWindowAttributes attrs;
  tProbing = true;
  tProbeFailed = false;
  Status ok = XGetWindowAttributes(d, Window(window), &attrs);
  XSync(d, False);
  tProbing = false;
  return ok != 0 && !tProbeFailed;
}

bool X11WindowManagerRunning() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  // The root names the manager's check window, which names itself; a manager
  // that has gone leaves the root's entry behind, pointing at nothing.
  auto checkWindow = [&](Window w, Window& out) {
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool ok = XGetWindowProperty(d, w, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
                  Success &&
              count == 1 && data;
    if (ok) out = *reinterpret_cast<Window*>(data);
    if (data) XFree(data);
    return ok;
  };
  Window fromRoot = 0, fromItself = 0;
  tProbing = true;
  tProbeFailed = false;
  bool found = checkWindow(DefaultRootWindow(d), fromRoot) && checkWindow(fromRoot, fromItself);
  XSync(d, False);
  found = found && !tProbeFailed && fromItself == fromRoot;
  tProbing = false;
  XCloseDisplay(d);
  return found;
}

}  // namespace zvapp
