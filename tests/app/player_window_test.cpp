// The player window against a recording player double.
#include <QFileInfo>
#include <QSignalSpy>
#include <tuple>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/control_box.h"
#include "app/debug_output.h"
#include "app/player_window.h"
#include "fake_player.h"
#include "window_test_fixture.h"
#include "filters/picture_values.h"
#include "runtime/file_utils.h"
#include "runtime/format.h"

namespace zvapp {
namespace {

TEST_F(PlayerWindowTest, StartsAsDesigned) {
  EXPECT_EQ(window->windowTitle(), "ZELVO Player FREE");
  EXPECT_EQ(window->minimumSize(), QSize(400, 300));
  // The product's name until a file opens; no made-up web address.
  EXPECT_EQ(window->lblDuration->text(), "ZELVO Player");
  EXPECT_FALSE(window->windowIcon().isNull());
  EXPECT_EQ(window->ControlBar->height(), 40);
  EXPECT_EQ(window->plPlayer->geometry(), window->rect());
  EXPECT_EQ(window->TrackPlay->Max(), 100);
  EXPECT_EQ(window->TrackVolume->Max(), 128);
  EXPECT_EQ(window->TrackVolume->Value(), 128);
  EXPECT_FALSE(window->tmrRefresh->isActive());
  EXPECT_EQ(window->tmrRefresh->interval(), 1000);
  EXPECT_TRUE(window->btnMute->isCheckable());
  EXPECT_TRUE(window->btnCapture->isCheckable());
  // The design's three first, then Deinterlace, Chapters and subtitles; the playlist's items follow.
  ASSERT_GE(window->PopPlayer->actions().size(), 6);
  EXPECT_EQ(window->PopPlayer->actions()[0]->text(), "Stay on top");
  EXPECT_EQ(window->PopPlayer->actions()[1]->text(), "Full Screen");
  EXPECT_EQ(window->PopPlayer->actions()[2]->text(), "Control Box");
  EXPECT_EQ(window->PopPlayer->actions()[3]->text(), "Deinterlace");
  EXPECT_TRUE(window->mnuDeinterlace->isChecked()) << "automatic at start";
  EXPECT_EQ(window->PopPlayer->actions()[4]->text(), "Chapters");
  EXPECT_FALSE(window->PopPlayer->actions()[4]->isEnabled()) << "no file, no chapters";
  EXPECT_EQ(window->PopPlayer->actions()[5]->text(), "Open Subtitle File...");
  ASSERT_GE(window->PopPlayer->actions().size(), 8);
  EXPECT_EQ(window->PopPlayer->actions()[6]->text(), "Audio Track");
  EXPECT_FALSE(window->PopPlayer->actions()[6]->isEnabled()) << "no file, no tracks";
  EXPECT_EQ(window->PopPlayer->actions()[7]->text(), "Subtitle Track");
  EXPECT_FALSE(window->PopPlayer->actions()[7]->isEnabled());
  // The menu shows the full-screen keys.
  EXPECT_EQ(window->mnuFullScreen->shortcuts(), (QList<QKeySequence>{QKeySequence("F"), QKeySequence("F11")}));
  EXPECT_TRUE(window->mnuFullScreen->isShortcutVisibleInContextMenu());
  EXPECT_FALSE(window->mnuStayOnTop->isChecked());
  EXPECT_FALSE(window->mnuFullScreen->isChecked());
  EXPECT_TRUE(window->plPlayer->testAttribute(Qt::WA_NativeWindow));
  EXPECT_EQ(window->plPlayer->paintEngine(), nullptr);
}

TEST_F(PlayerWindowTest, FileOpenPreparesTrackTimeTextAndDebugLines) {
  zv::SetDecimalSeparatorForTesting('.');
  player.videoIndex = 0;
  player.shape = {720, 576, 16, 15};
  player.infoText = "File Name: x.mkv\r\nDuration: 01:30:00\r\n";
  window->TrackVolume->SetValue(77);
  player.volume = -1;
  int sw = 0, sh = 0;
  window->FFPlayerFileOpen(5400 * kSec, 720, 576, sw, sh);  // no ScreenControl yet: sizes stay
  zv::SetDecimalSeparatorForTesting('\0');
  EXPECT_EQ(lines, (std::vector<std::string>{"File Name: x.mkv", "Duration: 01:30:00", "aspect ratio: 1.33",
                                              "duration: 5400.00, frame size: 720x576"}));
  EXPECT_EQ(sw, 0);
  EXPECT_EQ(window->lblDuration->text(), "00:00:00/01:30:00");
  EXPECT_EQ(window->TrackPlay->Frequency(), 5);
  EXPECT_EQ(window->TrackPlay->Max(), float(5400 * kSec));
  EXPECT_TRUE(window->TrackPlay->Tracking());
  EXPECT_EQ(window->TrackPlay->Value(), 0);
  EXPECT_EQ(player.Count("Seek"), 0);
  EXPECT_TRUE(window->tmrRefresh->isActive());
  EXPECT_EQ(player.volume, 77);
}

TEST_F(PlayerWindowTest, ProgrammaticTrackMovesNeverSeek) {
  OpenFile(5400 * kSec);
  window->TrackPlay->SetValue(1000 * kSec);  // the user had moved it somewhere
  player.calls.clear();
  window->FFPlayerPosition(3725400000);
  EXPECT_EQ(window->lblDuration->text(), "01:02:05/01:30:00");
  EXPECT_EQ(window->TrackPlay->Value(), float(3725400000));
  // A new file resets the track to 0, also without seeking.
  OpenFile(60 * kSec);
  EXPECT_EQ(window->TrackPlay->Value(), 0);
  window->FFPlayerPosition(30 * kSec);
  EXPECT_EQ(player.Count("Seek"), 0);
  EXPECT_EQ(player.Count("Pause"), 0);
  // The handler is attached again afterwards: a user click seeks.
  player.paused = false;
  ClickTrack(0.5);
  // The press seeks to the key picture at once, the release lands exactly.
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Pause", "Seek", "Seek", "Resume"}));
  EXPECT_NEAR(double(player.lastSeekTarget), 30.0 * kSec, 0.02 * 60 * kSec);
  EXPECT_EQ(player.lastSeekTarget % 5, 0);
  EXPECT_EQ(player.lastSeekFlags.bits, zv::TSeekFlags{zv::sfExact}.bits);
}

TEST_F(PlayerWindowTest, UnknownDurationNeverMovesTheTrack) {
  OpenFile(-1);
  EXPECT_FALSE(window->TrackPlay->Tracking());
  window->FFPlayerPosition(12 * kSec);
  EXPECT_EQ(window->lblDuration->text(), "00:00:12/00:00:00");
  EXPECT_EQ(window->TrackPlay->Value(), 0);
  OpenFile(0);
  EXPECT_FALSE(window->TrackPlay->Tracking());
}

TEST_F(PlayerWindowTest, PlayStateTableDrivesTimerControlsAndTopmost) {
  window->mnuStayOnTop->setChecked(true);
  window->ShowControls(false);
  window->FFPlayerState(zv::psPlay);
  EXPECT_TRUE(window->tmrRefresh->isActive());
  EXPECT_TRUE(window->IsTopMost());
  EXPECT_TRUE(window->ControlBar->isHidden());  // play does not show them

  window->FFPlayerState(zv::psPause);
  EXPECT_FALSE(window->tmrRefresh->isActive());
  EXPECT_FALSE(window->ControlBar->isHidden());
  EXPECT_FALSE(window->IsTopMost());

  window->FFPlayerState(zv::psResume);
  EXPECT_TRUE(window->IsTopMost());
  window->FFPlayerState(zv::psStop);
  EXPECT_FALSE(window->tmrRefresh->isActive());
  EXPECT_FALSE(window->IsTopMost());

  window->mnuStayOnTop->setChecked(false);
  window->FFPlayerState(zv::psPlay);
  EXPECT_FALSE(window->IsTopMost());
  window->ShowControls(false);
  player.calls.clear();
  player.paused = false;
  window->FFPlayerState(zv::psEnd);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Seek", "Pause"}));
  EXPECT_EQ(player.lastSeekTarget, 0);
  EXPECT_TRUE(player.lastSeekFlags.contains(zv::sfAny));
  EXPECT_EQ(player.lastSeekFlags.bits, 1 << zv::sfAny);
  EXPECT_FALSE(window->tmrRefresh->isActive());
  EXPECT_FALSE(window->ControlBar->isHidden());
  EXPECT_EQ(lines, (std::vector<std::string>{"Play", "Pause", "Resume", "Stop", "Play", "End"}));
}

TEST_F(PlayerWindowTest, StayOnTopOnlyWhilePlaying) {
  player.paused = true;
  window->mnuStayOnTop->trigger();
  EXPECT_TRUE(window->mnuStayOnTop->isChecked());
  EXPECT_FALSE(window->IsTopMost());
  window->FFPlayerState(zv::psPlay);
  EXPECT_TRUE(window->IsTopMost());
  player.paused = false;
  window->mnuStayOnTop->trigger();
  EXPECT_FALSE(window->IsTopMost());
  window->mnuStayOnTop->trigger();
  EXPECT_TRUE(window->IsTopMost());
}

TEST_F(PlayerWindowTest, RefreshTicksHideAndShowTheBar) {
  const QRect outer = window->frameGeometry();
  const QPoint inside = outer.center();
  window->FFPlayerState(zv::psPlay);
  window->RefreshTick(inside, now);  // a move into the window: activity
  EXPECT_EQ(window->Activity().LastActiveTick, now);
  window->RefreshTick(inside + QPoint(10, -10), now + 3000);
  EXPECT_FALSE(window->ControlBar->isHidden());
  window->RefreshTick(inside + QPoint(10, 10), now + 3001);
  EXPECT_TRUE(window->ControlBar->isHidden());
  EXPECT_FALSE(window->PointerHidden());  // the pointer hides only in full screen
  window->RefreshTick(std::nullopt, now + 9000);  // unreadable pointer: tick skipped
  EXPECT_TRUE(window->ControlBar->isHidden());
  window->RefreshTick(inside + QPoint(11, 0), now + 9000);
  EXPECT_FALSE(window->ControlBar->isHidden());
  // A pointer outside the window is no activity.
  window->RefreshTick(outer.topLeft() + QPoint(-50, -50), now + 12001);
  EXPECT_TRUE(window->ControlBar->isHidden());
  // A click on the picture is activity.
  now += 20000;
  QTest::mouseClick(window->plPlayer, Qt::LeftButton, {}, QPoint(20, 20));
  window->RefreshTick(outer.topLeft() + QPoint(-50, -50), now + 1000);
  EXPECT_FALSE(window->ControlBar->isHidden());
}

TEST_F(PlayerWindowTest, FullScreenKeepsThePanelWindowAndEscLeaves) {
  const WId panelId = window->plPlayer->winId();
  const WId windowId = window->winId();
  const QRect bounds = window->plPlayer->geometry();
  QSignalSpy spy(window.get(), &TfrmPlayer::FullScreenChanged);
  QTest::mouseDClick(window->plPlayer, Qt::LeftButton, {}, QPoint(30, 30));
  EXPECT_EQ(spy.count(), 1);
  EXPECT_TRUE(window->mnuFullScreen->isChecked());
  EXPECT_TRUE(window->PanelFillsClient());
  EXPECT_TRUE(window->IsTopMost());
  EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
  // Hidden controls hide the pointer while in full screen.
  window->ShowControls(false);
  EXPECT_TRUE(window->PointerHidden());
  window->ShowControls(true);
  EXPECT_FALSE(window->PointerHidden());
  window->ShowControls(false);

  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->mnuFullScreen->isChecked());
  EXPECT_FALSE(window->PanelFillsClient());
  EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
  EXPECT_FALSE(window->IsTopMost());
  EXPECT_FALSE(window->PointerHidden());
  EXPECT_EQ(window->plPlayer->geometry(), bounds);
  EXPECT_EQ(window->plPlayer->winId(), panelId);
  EXPECT_EQ(window->winId(), windowId);

  // The menu item switches both ways too.
  window->mnuFullScreen->trigger();
  EXPECT_TRUE(window->PanelFillsClient());
  window->mnuFullScreen->trigger();
  EXPECT_FALSE(window->PanelFillsClient());
  EXPECT_EQ(window->plPlayer->winId(), panelId);
}

TEST_F(PlayerWindowTest, EscOutsideFullScreenOnlyClearsTheMark) {
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->mnuFullScreen->isChecked());
  EXPECT_FALSE(window->PanelFillsClient());
}

TEST_F(PlayerWindowTest, OpenLoadsLibrariesOnceAndHandsOverThePanel) {
  openName = "/media/a.mkv";
  window->Brightness = 12;
  window->Hue = -7;
  window->btnOpen->click();
  EXPECT_EQ(player.calls, (std::vector<std::string>{"LoadLibraries " + zv::ApplicationPath() + "LibAV sdl",
                                                    "RegisterFilters", "OpenDialog", "Open /media/a.mkv"}));
  EXPECT_EQ(player.screen, uint64_t(window->plPlayer->winId()));
  // The filter text names the window's values by address, and the engine can find them.
  std::string f = player.videoFilters;
  ASSERT_EQ(f.rfind("nativeeq=12:0:", 0), 0u) << f;
  auto addr = std::to_string(reinterpret_cast<uintptr_t>(&window->Brightness));
  EXPECT_NE(f.find(":" + addr + ":"), std::string::npos) << f;
  EXPECT_NE(f.find(", nativehue=-7:0:" + std::to_string(reinterpret_cast<uintptr_t>(&window->Hue)) + ":"),
            std::string::npos)
      << f;
  EXPECT_EQ(zv::FindPictureValue(reinterpret_cast<uintptr_t>(&window->Saturation)), &window->Saturation);

  // A second open neither loads nor registers again; a cancelled one opens nothing.
  player.calls.clear();
  player.videoFilters = "kept";
  openName.clear();
  window->btnOpen->click();
  EXPECT_EQ(player.calls, (std::vector<std::string>{"OpenDialog"}));
  EXPECT_EQ(player.videoFilters, "kept");
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PlayerWindowTest, FailuresShowTheLastErrorText) {
  player.loadOk = false;
  player.lastErr = "Library libavcodec.so.59 not found";
  window->btnOpen->click();
  EXPECT_EQ(messages, QStringList{"Library libavcodec.so.59 not found"});
  EXPECT_EQ(player.Count("OpenDialog"), 0);
}

// A failed open says what happened in words, keeps the library's reason as a
// details line, and leaves no time or thumb of the file that played before.
TEST_F(PlayerWindowTest, FailedOpensSayWhyInWordsAndResetTheTime) {
  QTemporaryDir dir;
  QFile present(dir.filePath("garbage.mkv"));
  ASSERT_TRUE(present.open(QIODevice::WriteOnly));
  present.write("not a media file");
  present.close();
  struct Case {
    QString file;
    std::string engineText;
    const char* sentence;
    const char* details;
  } cases[] = {
      {present.fileName(), present.fileName().toStdString() + ": Invalid data found when processing input",
       "The file could not be played: its data is damaged or it is not a media file.",
       "Invalid data found when processing input"},
      {dir.filePath("gone.mp4"), dir.filePath("gone.mp4").toStdString() + ": No such file or directory",
       "The file does not exist.", "No such file or directory"},
      {present.fileName(), present.fileName().toStdString() + ": could not open codecs, no stream to play.",
       "No sound or picture stream could be opened.", "could not open codecs, no stream to play."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sentence);
    player.openOk = true;
    window->OpenFile("/media/before.mkv");
    OpenFile(10 * kSec);
    window->FFPlayerPosition(4 * kSec);
    ASSERT_EQ(window->lblDuration->text(), "00:00:04/00:00:10");
    messages.clear();
    player.openOk = false;
    player.lastErr = c.engineText;
    openName = c.file;
    window->btnOpen->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QFileInfo(c.file).fileName() + "\n\n" + c.sentence + "\n\nDetails: " + c.details);
    EXPECT_EQ(window->lblDuration->text(), TfrmPlayer::kProductName);
    EXPECT_EQ(window->TrackPlay->Value(), 0);
    EXPECT_FALSE(window->FileIsOpen());
    // Nothing to play again after a failure.
    player.calls.clear();
    window->btnPause->click();
    EXPECT_TRUE(player.calls.empty());
  }
}

TEST_F(PlayerWindowTest, PlayAfterStopOpensTheLastFileAgainFromItsStart) {
  window->btnPause->click();  // nothing played yet: nothing to do
  EXPECT_TRUE(player.calls.empty());
  window->OpenFile("/media/clip.mkv");
  OpenFile(60 * kSec);
  player.paused = false;
  window->FFPlayerState(zv::psPlay);
  window->FFPlayerPosition(30 * kSec);
  window->btnStop->click();
  window->FFPlayerState(zv::psStop);
  EXPECT_TRUE(window->CanPlayAgain());
  player.calls.clear();
  // The button and Space both play it again.
  window->btnPause->click();
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Open /media/clip.mkv"}));
  window->FFPlayerState(zv::psStop);
  player.calls.clear();
  QTest::keyClick(window.get(), Qt::Key_Space);
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Open /media/clip.mkv"}));
}

TEST_F(PlayerWindowTest, PauseStopVolumeAndMute) {
  OpenFile(60 * kSec);
  player.paused = true;
  window->btnPause->click();
  player.paused = false;
  window->btnPause->click();
  window->btnStop->click();
  EXPECT_EQ(player.calls, (std::vector<std::string>{"Resume", "Pause", "Stop wait"}));
  window->TrackVolume->SetValue(64.4f);
  EXPECT_EQ(player.volume, 64);
  window->btnMute->click();
  EXPECT_TRUE(player.mute);
  EXPECT_TRUE(window->btnMute->isChecked());
  window->btnMute->click();
  EXPECT_FALSE(player.mute);
}

TEST_F(PlayerWindowTest, SnapshotNeedsAPictureAndWritesTheChosenKind) {
  window->btnCapture->click();  // no picture: no dialog
  EXPECT_EQ(player.Count("SaveDialog"), 0);
  player.frame = QImage(8, 6, QImage::Format_RGB32);
  player.frame.fill(qRgb(10, 20, 30));
  window->btnCapture->click();  // cancelled
  EXPECT_EQ(player.Count("SaveDialog"), 1);
  QTemporaryDir dir;
  saveName = dir.filePath("a.BMP");
  window->btnCapture->click();
  QFile bmp(saveName);
  ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
  EXPECT_EQ(bmp.read(2), "BM");
  saveName = dir.filePath("b.png");
  window->btnCapture->click();
  QFile png(saveName);
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  EXPECT_EQ(png.read(4), QByteArray("\x89PNG"));
  EXPECT_TRUE(messages.isEmpty());
  // The dialog was offered the pictures folder and a name from the file and the time.
  EXPECT_TRUE(suggestedSave.endsWith(" 00-00-00.jpg")) << suggestedSave.toStdString();
  EXPECT_FALSE(window->btnCapture->isDown());
}

TEST_F(PlayerWindowTest, SoundOnlyFilesHaveNoSnapshot) {
  player.videoIndex = -1;
  window->OpenFile("/media/song.mp3");
  OpenFile(60 * kSec);
  EXPECT_FALSE(window->btnCapture->isEnabled());
  EXPECT_FALSE(window->actSnapshot->isEnabled());
  QTest::keyClick(window.get(), Qt::Key_S);
  EXPECT_EQ(player.Count("SaveDialog"), 0);
  player.videoIndex = 0;
  window->OpenFile("/media/clip.mkv");
  OpenFile(60 * kSec);
  window->FFPlayerPosition(75 * kSec);
  EXPECT_TRUE(window->btnCapture->isEnabled());
  // A video whose picture is not there yet says so.
  QTest::keyClick(window.get(), Qt::Key_S);
  EXPECT_EQ(notices, QStringList{"No picture to save"});
  player.frame = QImage(8, 6, QImage::Format_RGB32);
  QTest::keyClick(window.get(), Qt::Key_S);
  EXPECT_EQ(QFileInfo(suggestedSave).fileName(), "clip 00-01-15.jpg");
}

TEST_F(PlayerWindowTest, LoggerLinesAndClosingDetachesEvents) {
  window->FFLoggerLog(1234, zv::llInfo, "abc");
  EXPECT_EQ(lines, (std::vector<std::string>{"#1234.5: abc"}));
  ASSERT_TRUE(player.onState);
  window->close();
  EXPECT_FALSE(player.onState);
  EXPECT_FALSE(player.onPosition);
  EXPECT_TRUE(player.onFileOpen);
  EXPECT_FALSE(window->FFLogger.HasOnLog());
  EXPECT_EQ(player.Count("ClearHookEvents"), 1);
  EXPECT_EQ(player.Count("Stop wait"), 1);
}

TEST_F(PlayerWindowTest, ControlBoxWritesPictureValuesAndAspectRatio) {
  TfrmControlBox box(*window);
  window->SetControlBox(&box);
  EXPECT_EQ(box.windowTitle(), "Control Box");
  EXPECT_FALSE(box.isVisible());
  window->mnuControlBox->trigger();
  EXPECT_TRUE(box.isVisible());
  // Labels, sliders, values and buttons side by side, none over another, all inside.
  for (auto row : {std::tuple{box.lblBrightness, box.trbBrightness, box.lblBrightnessValue, box.btnBrightness},
                   std::tuple{box.lblContrast, box.trbContrast, box.lblContrastValue, box.btnContrast},
                   std::tuple{box.lblSaturation, box.trbSaturation, box.lblSaturationValue, box.btnSaturation},
                   std::tuple{box.lblHue, box.trbHue, box.lblHueValue, box.btnHue}}) {
    auto [label, slider, value, reset] = row;
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_LT(label->geometry().right(), slider->x());
    EXPECT_LT(slider->geometry().right(), value->x());
    EXPECT_LT(value->geometry().right(), reset->x());
    EXPECT_LE(reset->geometry().right(), box.grpEqualizer->width());
    EXPECT_GE(value->width(), value->fontMetrics().horizontalAdvance("-100"));
  }
  if (const QString dir = qEnvironmentVariable("ZELVO_SHOT_DIR"); !dir.isEmpty()) box.grab().save(dir + "/box.png");

  QSignalSpy moved(box.trbHue, &QSlider::valueChanged);
  box.btnHue->click();  // at 0 already: nothing happens
  EXPECT_EQ(moved.count(), 0);
  box.trbBrightness->setValue(37);
  box.trbContrast->setValue(-100);
  box.trbSaturation->setValue(55);
  box.trbHue->setValue(-3);
  EXPECT_EQ(window->Brightness.load(), 37);
  EXPECT_EQ(window->Contrast.load(), -100);
  EXPECT_EQ(window->Saturation.load(), 55);
  EXPECT_EQ(window->Hue.load(), -3);
  box.btnBrightness->click();
  box.btnContrast->click();
  box.btnSaturation->click();
  box.btnHue->click();
  EXPECT_EQ(box.trbBrightness->value(), 0);
  EXPECT_EQ(window->Brightness.load(), 0);
  EXPECT_EQ(window->Contrast.load(), 0);
  EXPECT_EQ(window->Saturation.load(), 0);
  EXPECT_EQ(window->Hue.load(), 0);

  const float values[] = {0.0f, -1.0f, 4.0f / 3.0f, 16.0f / 9.0f, 1.85f, 2.35f};
  const char* texts[] = {"keeping original (0)", "scaling to fit (-1)", "4:3", "16:9", "1.85:1", "2.35:1"};
  ASSERT_EQ(box.cboAspectRatio->count(), 6);
  for (int i : {3, 1, 2, 4, 5, 0}) {
    box.cboAspectRatio->setCurrentIndex(i);
    EXPECT_EQ(box.cboAspectRatio->currentText(), texts[i]);
    EXPECT_EQ(player.aspect, values[i]) << i;
    EXPECT_EQ(AspectRatioOfItem(i), values[i]);
  }
  EXPECT_EQ(AspectRatioOfItem(-1), 0.0f);
  EXPECT_EQ(float(16.0 / 9.0), 1.7777778f);
  box.cboAspectRatio->setCurrentIndex(-1);
  EXPECT_EQ(player.aspect, 0.0f);
  window->SetControlBox(nullptr);
}

}  // namespace
}  // namespace zvapp
