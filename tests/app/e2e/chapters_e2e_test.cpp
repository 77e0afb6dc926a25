// A file with chapters in the real window: the picture's menu lists them, and
// choosing one (or Page Down) moves the playing position there.
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include "app/debug_output.h"
#include "app/player_window.h"
#include "e2e_support.h"
#include "window_rig.h"

namespace zvapp {
namespace {

using e2e::WaitFor;

class ChaptersEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X display (scripts/test runs one)";
    const QString media = qEnvironmentVariable("ZELVO_MEDIA_DIR");
    file = QDir(media).filePath("chapters_metadata.mkv");
    ASSERT_TRUE(QFile::exists(file)) << "write the test media first: " << file.toStdString();
    std::string error;
    ASSERT_TRUE(e2e::EnsureWindowManager(error)) << error;
    SetDebugOutputSink([this](const std::string& l) { lines.push_back(l); });
  }
  void TearDown() override { SetDebugOutputSink(nullptr); }
  bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

  QString file;
  std::vector<std::string> lines;
};

QStringList ItemTexts(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << a->text();
  return out;
}

TEST_F(ChaptersEndToEnd, MenuListsChaptersAndChoosingOneMovesThePosition) {
  e2e::TWindowRig rig;
  std::string error;
  ASSERT_TRUE(rig.Show(error)) << error;
  TfrmPlayer& w = *rig.window;
  EXPECT_FALSE(w.mnuChapters->isEnabled()) << "no file, no chapters";

  // The engine's own positions, with the wall time they arrived at.
  QElapsedTimer clock;
  clock.start();
  std::vector<std::pair<int64_t, int64_t>> positions;  // (ms since start, µs)
  QObject::connect(&w, &TfrmPlayer::PositionChanged, &w,
                   [&](int64_t us) { positions.emplace_back(clock.elapsed(), us); });

  ASSERT_TRUE(w.OpenFile(file)) << rig.messages.join("; ").toStdString();
  ASSERT_TRUE(WaitFor([&] { return Logged("Play"); }));
  ASSERT_TRUE(w.mnuChapters->isEnabled());
  EXPECT_EQ(ItemTexts(w.mnuChapters), (QStringList{"1: Chapter One (0:00:00)", "2: Chapter Two (0:00:01)",
                                                   "3: Chapter Three (0:00:03)"}));
  EXPECT_EQ(w.TrackPlay->Marks(), (std::vector<float>{1.5e6f, 3.0e6f}));

  // The menu as the user opens it, over the picture.
  w.PopPlayer->popup(w.plPlayer->mapToGlobal(w.plPlayer->rect().center()));
  ASSERT_TRUE(WaitFor([&] { return w.PopPlayer->isVisible(); }));
  EXPECT_TRUE(w.PopPlayer->actions().contains(w.mnuChapters->menuAction()));
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }));
  const int64_t before = positions.back().second;
  const int64_t choseAt = clock.elapsed();
  w.mnuChapters->actions().at(2)->trigger();
  w.PopPlayer->close();

  // Reached far sooner than playing on would: the seek lands on the keyframe
  // at or before 3 s (pictures every 0.48 s).
  auto jumped = [&](int64_t from, int64_t lo, int64_t hi) {
    for (const auto& [ms, us] : positions)
      if (ms >= from && us >= lo && us < hi && us > before + (ms - choseAt) * 1000 + 1000000) return true;
    return false;
  };
  EXPECT_TRUE(WaitFor([&] { return jumped(choseAt, 2500000, 4100000); }, 5000))
      << "position before " << before << " µs; last seen " << positions.back().second;

  // Page Up soon after goes back: to a chapter start before the one reached.
  const int64_t pageAt = clock.elapsed();
  ASSERT_TRUE(w.TriggerShortcut(QKeySequence(Qt::Key_PageUp)));
  EXPECT_TRUE(WaitFor([&] {
    for (const auto& [ms, us] : positions)
      if (ms >= pageAt && us < 2500000) return true;
    return false;
  }, 5000));
  w.btnStopClick();
  EXPECT_TRUE(WaitFor([&] { return !w.mnuChapters->isEnabled(); }));
}

}  // namespace
}  // namespace zvapp
