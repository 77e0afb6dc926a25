#include "e2e_support.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <chrono>

#include "app/x11_errors.h"
#include "../tools/fixture_list.h"

namespace zvapp::e2e {

bool WaitFor(const std::function<bool()>& cond, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QTest::qWait(20);
  }
  return true;
}

QImage Grab(const QRect& globalRect) {
  QScreen* s = QGuiApplication::primaryScreen();
  return s->grabWindow(0, globalRect.x(), globalRect.y(), globalRect.width(), globalRect.height()).toImage();
}

namespace {

// Announced is not yet managing, and an announcement can outlive its manager:
// a probe window shows whether new windows get a frame.
bool FramesNewWindows() {
  QWidget probe;
  probe.resize(64, 64);
  probe.show();
  const bool framed = WaitFor([&] { return probe.frameGeometry() != probe.geometry(); }, 3000);
  probe.close();
  return framed;
}

QProcess* gWindowManager = nullptr;  // main thread

void StopWindowManager() {
  if (!gWindowManager) return;
  gWindowManager->terminate();
  if (!gWindowManager->waitForFinished(5000)) gWindowManager->kill();
  gWindowManager->waitForFinished(5000);
  delete gWindowManager;
  gWindowManager = nullptr;
}

}  // namespace

bool EnsureWindowManager(std::string& error) {
  if (X11WindowManagerRunning() && FramesNewWindows()) return true;
  if (!gWindowManager) {
    gWindowManager = new QProcess;
    qAddPostRoutine(StopWindowManager);
    gWindowManager->start("openbox", {"--sm-disable"});
    if (!gWindowManager->waitForStarted(10000)) {
      error = "openbox did not start";
      return false;
    }
  }
  if (!WaitFor(X11WindowManagerRunning, 10000)) {
    error = "no window manager came up";
    return false;
  }
  for (int attempt = 0; attempt < 3; ++attempt)
    if (FramesNewWindows()) return true;
  error = "the window manager frames no window";
  return false;
}

int FrameNumberIn(const QImage& img, const QRect& drawn, int pictureWidth, int pictureHeight) {
  namespace fx = zv::fixtures;
  const int side = fx::CodeBlockSize(pictureWidth, pictureHeight);
  if (img.isNull() || side == 0 || drawn.width() <= 0 || drawn.height() <= 0) return -1;
  const double sx = double(drawn.width()) / pictureWidth, sy = double(drawn.height()) / pictureHeight;
  int number = 0;
  for (int row = 0; row < fx::kCodeRows; ++row) {
    for (int i = 0; i < fx::kCodeBlocksPerRow; ++i) {
      // The inner half of the block, where scaling leaves the level clean.
      const int x0 = drawn.x() + int((i * side + side / 4) * sx), x1 = drawn.x() + int((i * side + 3 * side / 4) * sx);
      const int y0 = drawn.y() + int((row * side + side / 4) * sy),
                y1 = drawn.y() + int((row * side + 3 * side / 4) * sy);
      long sum = 0, count = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
          if (img.valid(x, y)) {
            sum += qGray(img.pixel(x, y));
            ++count;
          }
      if (!count) return -1;
      const long mean = sum / count;
      if (mean > fx::kAmbiguousLow && mean < fx::kAmbiguousHigh) return -1;
      if (mean >= 128) number |= 1 << (row * fx::kCodeBlocksPerRow + i);
    }
  }
  return number;
}

}  // namespace zvapp::e2e
