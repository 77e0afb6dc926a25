// Picture by picture and the A-B loop in the window: the keys, their
// on-screen messages and the loop's marks on the position track.
#include <cstdio>

#include "app/player_window.h"

namespace zvapp {

namespace {
// "00:01:02.3": a loop's ends are a few pictures apart at times.
std::string LoopTime(int64_t us) {
  if (us < 0) us = 0;
  const int64_t tenths = (us + 50000) / 100000;
  const int64_t s = tenths / 10;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%lld", (long long)(s / 3600), (long long)(s / 60 % 60),
                (long long)(s % 60), (long long)(tenths % 10));
  return buf;
}
}  // namespace

void TfrmPlayer::FrameStep(int direction) {
  if (!FFileOpen || FFPlayer.VideoStreamIndex() < 0) return;
  FFPlayer.StepFrame(direction);
}

void TfrmPlayer::MarkLoop() {
  if (!FFileOpen) return;
  const zv::TAbLoop::TMark mark = FFPlayer.MarkLoopPoint();
  int64_t a = -1, b = -1;
  FFPlayer.LoopPoints(a, b);
  switch (mark) {
    case zv::TAbLoop::lmA:
      ShowOsdMessage("A-B loop: A at " + LoopTime(a));
      break;
    case zv::TAbLoop::lmB:
      ShowOsdMessage("A-B loop: " + LoopTime(a) + " - " + LoopTime(b));
      break;
    case zv::TAbLoop::lmCleared:
      ShowOsdMessage("A-B loop: off");
      break;
  }
  ShowLoopMarks();
}

void TfrmPlayer::ShowLoopMarks() {
  int64_t a = -1, b = -1;
  if (!FFileOpen || !FFPlayer.LoopPoints(a, b)) a = b = -1;
  TrackPlay->SetLoop(a >= 0 ? float(a) : -1.0f, b >= 0 ? float(b) : -1.0f);
}

}  // namespace zvapp
