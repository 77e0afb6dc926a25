#include "engine/x11/x11_test_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

void TX11TestWindow::Resize(int width, int height) {
  auto* d = static_cast<Display*>(FDisplay);
  if (!d || !FWindow) return;
  XResizeWindow(d, Window(FWindow), unsigned(width), unsigned(height));
  XSync(d, False);
}

bool TX11TestWindow::Grab(TOutputPixels& out) {
  auto* d = static_cast<Display*>(FDisplay);
  if (!d || !FWindow) return false;
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, Window(FWindow), &a)) return false;
  XImage* image = XGetImage(d, Window(FWindow), 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
  if (!image) return false;
  out.Width = a.width;
  out.Height = a.height;
  out.Argb.resize(size_t(a.width) * a.height);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const unsigned long px = XGetPixel(image, x, y);
      // A TrueColor visual of 8 bits a channel, as Xvfb's.
      out.Argb[size_t(y) * a.width + x] = 0xFF000000u | uint32_t(px & 0xFFFFFF);
    }
  XDestroyImage(image);
  return true;
}

TX11TestWindow::~TX11TestWindow() {
  auto* d = static_cast<Display*>(FDisplay);
  if (!d) return;
  if (FWindow) XDestroyWindow(d, Window(FWindow));
  XCloseDisplay(d);
}

}  // namespace zv::test
