#include "engine/x11/x11_test_window.h"

#include <X11/Xlib.h>

namespace zv::test {

TX11TestWindow::TX11TestWindow(int width, int height) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  FDisplay = d;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, unsigned(width), unsigned(height), 0, 0, 0);
  XMapWindow(d, w);
  XSync(d, False);
  FWindow = w;
}

TX11TestWindow::~TX11TestWindow() {
  auto* d = static_cast<Display*>(FDisplay);
  if (!d) return;
  if (FWindow) XDestroyWindow(d, Window(FWindow));
  XCloseDisplay(d);
}

}  // namespace zv::test
