// The window's keyboard: shortcuts that work wherever the focus is inside the
// window, in full screen too, and that other windows of the program pass on.
#include "app/player_window.h"

namespace zvapp {

namespace {
constexpr int64_t kShortSeek = 5 * 1000000LL;
constexpr int64_t kLongSeek = 60 * 1000000LL;
constexpr int kVolumeStep = 8;
constexpr int kSubtitleDelayStep = 100;  // ms
}  // namespace

void TfrmPlayer::CreateShortcuts() {
  auto add = [this](const char* name, const QString& text, std::initializer_list<QKeySequence> keys,
                    std::function<void()> command) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    a->setShortcuts(QList<QKeySequence>(keys));
    // The window's own shortcuts, whichever child has the focus.
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [command = std::move(command)] { command(); });
    addAction(a);
    return a;
  };
  actPause = add("actPause", tr("Pause / resume"), {Qt::Key_Space}, [this] { btnPause->click(); });
  actSeekBack = add("actSeekBack", tr("Back 5 s"), {Qt::Key_Left}, [this] { SeekBy(-kShortSeek); });
  actSeekForward = add("actSeekForward", tr("Forward 5 s"), {Qt::Key_Right}, [this] { SeekBy(kShortSeek); });
  actSeekBackLong = add("actSeekBackLong", tr("Back 60 s"), {QKeySequence(Qt::SHIFT | Qt::Key_Left)},
                        [this] { SeekBy(-kLongSeek); });
  actSeekForwardLong = add("actSeekForwardLong", tr("Forward 60 s"), {QKeySequence(Qt::SHIFT | Qt::Key_Right)},
                           [this] { SeekBy(kLongSeek); });
  actVolumeUp = add("actVolumeUp", tr("Louder"), {Qt::Key_Up}, [this] { ChangeVolumeBy(kVolumeStep); });
  actVolumeDown = add("actVolumeDown", tr("Softer"), {Qt::Key_Down}, [this] { ChangeVolumeBy(-kVolumeStep); });
  actMute = add("actMute", tr("Mute"), {Qt::Key_M}, [this] { btnMute->click(); });
  actLeaveFullScreen = add("actLeaveFullScreen", tr("Leave full screen"), {Qt::Key_Escape}, [this] { EscapePressed(); });
  actOpen = add("actOpen", tr("Open"), {QKeySequence::Open}, [this] { btnOpen->click(); });
  actQuit = add("actQuit", tr("Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });
  actChapterPrev = add("actChapterPrev", tr("Previous chapter"), {Qt::Key_PageUp}, [this] { ChapterStep(-1); });
  actChapterNext = add("actChapterNext", tr("Next chapter"), {Qt::Key_PageDown}, [this] { ChapterStep(1); });
  add("actFrameNext", tr("Next picture"), {Qt::Key_Period}, [this] { FrameStep(1); });
  add("actFramePrevious", tr("Previous picture"), {Qt::Key_Comma}, [this] { FrameStep(-1); });
  add("actLoop", tr("A-B loop"), {Qt::Key_L}, [this] { MarkLoop(); });
  actSnapshot = add("actSnapshot", tr("Snapshot"), {Qt::Key_S}, [this] { btnCapture->click(); });
  add("actSpeedDown", tr("Slower (/ 1.1)"), {Qt::Key_BracketLeft}, [this] { ChangeSpeedBy(1 / 1.1); });
  add("actSpeedUp", tr("Faster (x 1.1)"), {Qt::Key_BracketRight}, [this] { ChangeSpeedBy(1.1); });
  add("actSpeedHalf", tr("Half the speed"), {Qt::Key_BraceLeft}, [this] { ChangeSpeedBy(0.5); });
  add("actSpeedDouble", tr("Twice the speed"), {Qt::Key_BraceRight}, [this] { ChangeSpeedBy(2); });
  add("actSpeedReset", tr("Normal speed"), {Qt::Key_Backspace}, [this] { SetSpeed(1); });
  auto subtitles = [this](std::function<void()> command) {
    return [this, command = std::move(command)] {
      if (FFileOpen) command();
    };
  };
  add("actSubtitles", tr("Subtitles on / off"), {Qt::Key_V}, subtitles([this] { FFPlayer.ToggleSubtitles(); }));
  add("actSubtitleTrack", tr("Next subtitle track"), {Qt::Key_J}, subtitles([this] { FFPlayer.CycleSubtitleTrack(); }));
  add("actAudioTrack", tr("Next audio track"), {Qt::Key_NumberSign}, subtitles([this] { FFPlayer.CycleAudioTrack(); }));
  add("actSubtitleEarlier", tr("Subtitles 100 ms earlier"), {Qt::Key_Z},
      subtitles([this] { FFPlayer.ShiftSubtitleDelay(-kSubtitleDelayStep); }));
  add("actSubtitleLater", tr("Subtitles 100 ms later"), {Qt::Key_X},
      subtitles([this] { FFPlayer.ShiftSubtitleDelay(kSubtitleDelayStep); }));

  // The menu item carries its keys, so the menu shows them; F first is what it shows.
  mnuFullScreen->setShortcuts({QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_F11)});
  mnuFullScreen->setShortcutContext(Qt::WindowShortcut);
  mnuFullScreen->setShortcutVisibleInContextMenu(true);
  addAction(mnuFullScreen);
  mnuDeinterlace->setShortcut(QKeySequence(Qt::Key_D));
  mnuDeinterlace->setShortcutContext(Qt::WindowShortcut);
  mnuDeinterlace->setShortcutVisibleInContextMenu(true);
  addAction(mnuDeinterlace);
}

bool TfrmPlayer::TriggerShortcut(const QKeySequence& key) {
  for (QAction* a : actions()) {
    if (a->isEnabled() && a->shortcuts().contains(key)) {
      a->trigger();
      return true;
    }
  }
  return false;
}

}  // namespace zvapp
