#pragma once
// The player window, shown, against a recording player double with a fixed
// clock, pointer and dialogs.
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/debug_output.h"
#include "app/player_window.h"
#include "fake_player.h"

namespace zvapp {

using testing::FakePlayer;
inline constexpr int64_t kSec = 1000000;

class PlayerWindowTest : public ::testing::Test {
public:
  void SetUp() override {
    window = std::make_unique<TfrmPlayer>(player);
    window->TickCount = [this] { return now; };
    window->CursorPos = [this] { return cursor; };
    window->RunOpenDialog = [this] {
      player.calls.push_back("OpenDialog");
      return openName;
    };
    window->RunSaveDialog = [this](const QString& suggested) {
      suggestedSave = suggested;
      player.calls.push_back("SaveDialog");
      return saveName;
    };
    window->ShowMessage = [this](const QString& t) { messages << t; };
    window->ShowNotice = [this](const QString& t) { notices << t; };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    SetDebugOutputSink([this](const std::string& l) { lines.push_back(l); });
  }
  void TearDown() override {
    SetDebugOutputSink(nullptr);
    window.reset();
  }
  void OpenFile(int64_t duration) {
    int sw = 0, sh = 0;
    window->FFPlayerFileOpen(duration, 320, 240, sw, sh);
    player.calls.clear();
  }
  // A click on the track at a fraction of its width.
  void ClickTrack(double fraction) {
    TTrackBar* t = window->TrackPlay;
    QTest::mouseClick(t, Qt::LeftButton, {}, QPoint(int(5 + (t->width() - 11) * fraction), t->height() / 2));
  }

  FakePlayer player;
  std::unique_ptr<TfrmPlayer> window;
  uint32_t now = 100000;
  std::optional<QPoint> cursor = QPoint(0, 0);
  QString openName, saveName, suggestedSave;
  QStringList messages, notices;
  std::vector<std::string> lines;
};

}  // namespace zvapp
