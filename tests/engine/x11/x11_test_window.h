#pragma once
// A plain X11 window made by a test, standing in for an application's panel.
// Xlib's macros stay out of the tests that use it.
#include <cstdint>

#include "engine/video_display.h"

namespace zv::test {

class TX11TestWindow {
public:
  // Opens the default display and maps a window of this size; Id() is 0 when
  // there is no display.
  TX11TestWindow(int width, int height);
  ~TX11TestWindow();
  TX11TestWindow(const TX11TestWindow&) = delete;
  TX11TestWindow& operator=(const TX11TestWindow&) = delete;
  uint64_t Id() const { return FWindow; }
  void Resize(int width, int height);
  // What the X server shows in the window now (its size included).
  bool Grab(TOutputPixels& out);

private:
  void* FDisplay = nullptr;
  uint64_t FWindow = 0;
};

}  // namespace zv::test
