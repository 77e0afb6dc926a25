// Picture by picture, exact seeks and the A-B loop from the keyboard in the
// real window, read back from the frame numbers drawn on the screen.
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "../../../tools/fixture_list.h"
#include "app/debug_output.h"
#include "app/player_window.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

namespace fx = zv::fixtures;
using e2e::WaitFor;

// The frame number as drawn: the picture keeps its shape, centred in the panel.
int ScreenFrameNumber(TfrmPlayer& w) {
  const QSize picture(160, 120);
  const QRect panel(w.plPlayer->mapToGlobal(QPoint(0, 0)), w.plPlayer->size());
  const QSize shown = picture.scaled(panel.size(), Qt::KeepAspectRatio);
  const QPoint origin((panel.width() - shown.width()) / 2, (panel.height() - shown.height()) / 2);
  return e2e::FrameNumberIn(e2e::Grab(panel), QRect(origin, shown), picture.width(), picture.height());
}

// The picture of the last seek (a step's) is on screen.
bool Landed(e2e::TWindowRig& rig) {
  zv::TMediaState* s = rig.player.Engine().CurStream();
  return s && !s->Seek.Pending() && s->ShownGeneration.load() >= s->Seek.Last().Generation;
}

class SteppingEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    file = QDir(qEnvironmentVariable("ZELVO_MEDIA_DIR")).filePath(QString::fromUtf8(fx::kSync60s.data()));
    ASSERT_TRUE(QFile::exists(file)) << "write the test media first: " << file.toStdString();
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
  }
  QString file;
};

TEST_F(SteppingEndToEnd, KeysStepPicturesSeekExactlyAndMarkALoop) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer& w = *rig.window;
  ASSERT_TRUE(w.OpenFile(file)) << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return ScreenFrameNumber(w) > 10; }));

  // "." pauses on the next picture; each press moves one on, "," one back.
  QTest::keyClick(&w, Qt::Key_Period);
  ASSERT_TRUE(WaitFor([&] { return rig.player.IsPaused(); }));
  int n = -1;
  ASSERT_TRUE(WaitFor([&] { return Landed(rig) && (n = ScreenFrameNumber(w)) >= 0; }));
  for (int i = 1; i <= 3; ++i) {
    QTest::keyClick(&w, Qt::Key_Period);
    EXPECT_TRUE(WaitFor([&] { return ScreenFrameNumber(w) == n + i; }, 5000)) << "next " << i;
  }
  for (int i = 2; i >= -1; --i) {
    QTest::keyClick(&w, Qt::Key_Comma);
    EXPECT_TRUE(WaitFor([&] { return ScreenFrameNumber(w) == n + i; }, 5000)) << "previous to " << n + i;
  }
  n -= 1;
  // The time text follows the picture on screen.
  EXPECT_TRUE(WaitFor([&] { return std::llabs(w.LastPosition() - (n * 1000000LL / fx::kFps)) < 40000; }, 5000))
      << w.LastPosition();

  // Right: 5 s on, on that very picture (125 on), not the key picture before it.
  QTest::keyClick(&w, Qt::Key_Right);
  EXPECT_TRUE(WaitFor([&] { return ScreenFrameNumber(w) == n + 5 * fx::kFps; }, 5000)) << ScreenFrameNumber(w);
  EXPECT_TRUE(rig.player.IsPaused());

  // L: A here, B ten pictures on, then off; the track shows them meanwhile.
  QTest::keyClick(&w, Qt::Key_L);
  EXPECT_TRUE(WaitFor([&] { return w.TrackPlay->LoopA() >= 0; }));
  for (int i = 0; i < 10; ++i) QTest::keyClick(&w, Qt::Key_Period);
  ASSERT_TRUE(WaitFor([&] { return ScreenFrameNumber(w) == n + 5 * fx::kFps + 10; }, 5000));
  QTest::keyClick(&w, Qt::Key_L);
  EXPECT_TRUE(WaitFor([&] { return w.TrackPlay->LoopB() > w.TrackPlay->LoopA(); }));
  EXPECT_NEAR(w.TrackPlay->LoopB() - w.TrackPlay->LoopA(), 10 * 1e6 / fx::kFps, 1000);
  // Playing on from A, the pictures stay within the loop.
  w.btnPauseClick();
  ASSERT_TRUE(WaitFor([&] { return !rig.player.IsPaused(); }));
  const int a = n + 5 * fx::kFps, b = a + 10;
  std::vector<int> seen;
  WaitFor([&] {
    if (const int shown = ScreenFrameNumber(w); shown >= 0) seen.push_back(shown);
    return seen.size() >= 40;
  }, 4000);
  EXPECT_GE(seen.size(), 10u);
  int back = 0;
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_TRUE(seen[i] >= a - 1 && seen[i] <= b + 3) << seen[i] << " outside " << a << ".." << b;
    if (i > 0 && seen[i] < seen[i - 1]) ++back;
  }
  EXPECT_GE(back, 1) << "the loop went back to A";
  QTest::keyClick(&w, Qt::Key_L);
  EXPECT_TRUE(WaitFor([&] { return w.TrackPlay->LoopA() < 0 && w.TrackPlay->LoopB() < 0; }));
}

}  // namespace
}  // namespace zvapp
