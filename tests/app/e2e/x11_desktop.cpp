#include "x11_desktop.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

namespace zvapp::e2e {

namespace {

Display* Dpy() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}

// Reads a 32-bit list property (windows or atoms).
std::vector<unsigned long> ListProperty(Window w, const char* name, Atom type) {
  Display* d = Dpy();
  std::vector<unsigned long> out;
  if (!d) return out;
  Atom prop = XInternAtom(d, name, False);
  Atom actual;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, prop, 0, 4096, False, type, &actual, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    auto* items = reinterpret_cast<unsigned long*>(data);
    out.assign(items, items + count);
  }
  if (data) XFree(data);
  return out;
}

}  // namespace

std::vector<WId> ClientStacking() {
  Display* d = Dpy();
  if (!d) return {};
  XSync(d, False);
  std::vector<WId> out;
  for (unsigned long w : ListProperty(DefaultRootWindow(d), "_NET_CLIENT_LIST_STACKING", XA_WINDOW))
    out.push_back(WId(w));
  return out;
}

bool StackedAbove(WId upper, WId lower) {
  const std::vector<WId> s = ClientStacking();
  auto u = std::find(s.begin(), s.end(), upper), l = std::find(s.begin(), s.end(), lower);
  return u != s.end() && l != s.end() && u > l;
}

WId TransientOwner(WId window) {
  Display* d = Dpy();
  Window owner = 0;
  if (!d || !XGetTransientForHint(d, Window(window), &owner)) return 0;
  return WId(owner);
}

bool HasWmState(WId window, const char* stateAtom) {
  Display* d = Dpy();
  if (!d) return false;
  XSync(d, False);
  const Atom want = XInternAtom(d, stateAtom, False);
  for (unsigned long a : ListProperty(Window(window), "_NET_WM_STATE", XA_ATOM))
    if (a == want) return true;
  return false;
}

bool WindowViewable(WId window) {
  Display* d = Dpy();
  XWindowAttributes attrs;
  return d && XGetWindowAttributes(d, Window(window), &attrs) && attrs.map_state == IsViewable;
}

WId FocusedWindow() {
  Display* d = Dpy();
  Window focus = 0;
  int revert = 0;
  if (d) XGetInputFocus(d, &focus, &revert);
  return WId(focus);
}

void ClickAt(const QPoint& global) {
  Display* d = Dpy();
  if (!d) return;
  XTestFakeMotionEvent(d, -1, global.x(), global.y(), CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
}

void PressAt(const QPoint& global) {
  Display* d = Dpy();
  if (!d) return;
  XTestFakeMotionEvent(d, -1, global.x(), global.y(), CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XFlush(d);
}

void MovePointerTo(const QPoint& global) {
  Display* d = Dpy();
  if (!d) return;
  XTestFakeMotionEvent(d, -1, global.x(), global.y(), CurrentTime);
  XFlush(d);
}

void ReleaseButton() {
  Display* d = Dpy();
  if (!d) return;
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
}

void PressKey(unsigned long keysym) {
  Display* d = Dpy();
  if (!d) return;
  const KeyCode code = XKeysymToKeycode(d, KeySym(keysym));
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  XFlush(d);
}

void PressShiftedKey(unsigned long keysym) {
  Display* d = Dpy();
  if (!d) return;
  const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
  XTestFakeKeyEvent(d, shift, True, CurrentTime);
  PressKey(keysym);
  XTestFakeKeyEvent(d, shift, False, CurrentTime);
  XFlush(d);
}

}  // namespace zvapp::e2e
