// Xlib stays in this file: its macros clash with Qt's and GoogleTest's names,
// so Qt comes first.
#include <QRect>
#include <string>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zvapp::e2e {

namespace {
Window FindByName(Display* d, Window w, const std::string& title) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    const bool match = title == name;
    XFree(name);
    XWindowAttributes a;
    if (match && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; ++i) found = FindByName(d, children[i], title);
    if (children) XFree(children);
  }
  return found;
}
}  // namespace

QRect FindX11Window(const std::string& title) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return {};
  QRect r;
  const Window root = DefaultRootWindow(d);
  if (Window w = FindByName(d, root, title)) {
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child;
    if (XGetWindowAttributes(d, w, &a) && XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child))
      r = QRect(x, y, a.width, a.height);
  }
  XCloseDisplay(d);
  return r;
}

}  // namespace zvapp::e2e
