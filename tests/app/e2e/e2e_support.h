#pragma once
// What the end-to-end tests share: waiting while Qt runs, screen grabs, a
// window manager, and frame numbers read back from pictures on screen.
#include <QImage>
#include <QRect>

#include <functional>
#include <string>

namespace zvapp::e2e {

// Serves Qt's loop until cond holds or the deadline passes.
bool WaitFor(const std::function<bool()>& cond, int ms = 15000);

// The screen's pixels inside a rectangle in global coordinates.
QImage Grab(const QRect& globalRect);

// Makes sure a window manager frames new windows: starts openbox when none
// does, once per program (it ends with the program). False with the reason
// when none comes up.
bool EnsureWindowManager(std::string& error);

// The frame number a test picture of pictureWidth x pictureHeight carries,
// read where it is drawn (scaled) at `drawn` inside img; -1 when unreadable.
int FrameNumberIn(const QImage& img, const QRect& drawn, int pictureWidth, int pictureHeight);

// Global geometry of the first mapped X11 window titled `title` (the client
// window, not its frame); an empty rectangle when there is none.
QRect FindX11Window(const std::string& title);

}  // namespace zvapp::e2e
