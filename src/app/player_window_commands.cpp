// The commands of the control bar: open, pause, stop, seek, volume, mute, snapshot.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cmath>
#include <utility>

#include "app/debug_output.h"
#include "app/open_error_text.h"
#include "app/playback_session.h"
#include "app/player_window.h"
#include "app/file_dialogs.h"
#include "app/snapshot.h"
#include "engine/subtitle_files.h"
#include "runtime/file_utils.h"

namespace zvapp {

namespace {
// Nearest integer, halves to even (the default rounding mode).
int64_t RoundHalfEven(double v) { return int64_t(std::nearbyint(v)); }
}  // namespace

std::string TfrmPlayer::VideoFiltersText() const {
  auto addr = [](const std::atomic<int32_t>& v) { return std::to_string(reinterpret_cast<uintptr_t>(&v)); };
  return "nativeeq=" + std::to_string(Brightness.load()) + ":" + std::to_string(Contrast.load()) + ":" +
         addr(Brightness) + ":" + addr(Contrast) + ", nativehue=" + std::to_string(Hue.load()) + ":" +
         std::to_string(Saturation.load()) + ":" + addr(Hue) + ":" + addr(Saturation);
}

void TfrmPlayer::btnOpenClick() {
  if (!FFPlayer.LibrariesLoaded()) {
    if (!FFPlayer.LoadLibraries(zv::ApplicationPath() + "LibAV", true)) {
      ShowMessage(QString::fromStdString(FFPlayer.LastErrMsg()));
      return;
    }
    FFPlayer.RegisterFilters();
  }
  const QString fileName = RunOpenDialog();
  const QStringList more = std::exchange(DialogMoreFiles, {});
  if (fileName.isEmpty()) return;
  // Subtitle files chosen while a video plays join it.
  if (FFileOpen && zv::IsSubtitleFileName(fileName.toStdString())) {
    for (const QString& f : QStringList{fileName} + more)
      if (zv::IsSubtitleFileName(f.toStdString())) FFPlayer.LoadSubtitleFile(f.toStdString());
    return;
  }
  Session->OpenPaths(QStringList{fileName} + more, TPlaybackSession::TAdd::Replace);
}

bool TfrmPlayer::RequestOpen(const QString& fileName) { return FOpens->RequestOpen(fileName); }

bool TfrmPlayer::OpenBusy() const { return FOpens->Busy(); }

bool TfrmPlayer::OpenNow(const QString& fileName) {
  // A file named at start-up arrives without the open command's library step.
  if (!FFPlayer.LibrariesLoaded()) {
    if (!FFPlayer.LoadLibraries(zv::ApplicationPath() + "LibAV", true)) {
      ShowMessage(QString::fromStdString(FFPlayer.LastErrMsg()));
      return false;
    }
    FFPlayer.RegisterFilters();
  }
  FFPlayer.SetDisableAudio(false);
  FFPlayer.SetDisableVideo(false);
  FFPlayer.SetDisableDisplay(false);
  FFPlayer.SetVideoFilters(VideoFiltersText());
  ScreenControl = plPlayer;
  const uint64_t target = uint64_t(plPlayer->winId());
  FFPlayer.SetDefaultDrivers();
  if (FFileOpen) Session->LeavingFile();
  FOpenedFile = QFileInfo(fileName).absoluteFilePath();
  FOpenFolder = QFileInfo(fileName).absolutePath();
  if (!FFPlayer.Open(fileName.toStdString(), target, false)) {
    const QString reason = QString::fromStdString(FFPlayer.LastErrMsg());
    if (FOpens->Superseded()) {
      // A newer request replaces this one; its reason is no news for the user.
      DebugOutput("Open of " + fileName.toStdString() + " gave way to a newer request: " + reason.toStdString());
      return false;
    }
    ResetAfterFailedOpen();
    ShowMessage(OpenErrorBoxText(fileName, DescribeOpenError(fileName, reason, QFileInfo::exists(fileName))));
    return false;
  }
  // The file plays, but without sound: say why.
  const std::string soundError = FFPlayer.SoundDeviceError();
  if (!soundError.empty()) ShowNotice(QString::fromStdString(soundError));
  return true;
}

void TfrmPlayer::ResetAfterFailedOpen() {
  FOpenedFile.clear();
  FFileTitle.clear();
  FFileOpen = false;
  FFileDuration = 0;
  FLastPosition = 0;
  lblDuration->setText(QString::fromLatin1(kProductName));
  MoveTrackQuietly([this] {
    TrackPlay->SetValue(0);
    TrackPlay->SetMax(0);
  });
}

void TfrmPlayer::PictureValuesChanged() {
  if (FFileOpen && FFPlayer.IsPaused()) tmrRefilter->start();
}

void TfrmPlayer::btnPauseClick() {
  if (!FFileOpen) {
    // Play after Stop plays the last file again, from its start.
    if (CanPlayAgain()) RequestOpen(FOpenedFile);
    return;
  }
  if (FFPlayer.IsPaused())
    FFPlayer.Resume();
  else
    FFPlayer.Pause();
}

void TfrmPlayer::btnStopClick() {
  Session->LeavingFile();
  FFPlayer.Stop(true);
}

void TfrmPlayer::TrackPlayChange() {
  const int64_t target = RoundHalfEven(double(TrackPlay->Value()));
  // A paused file stays paused, as it does for the keys' seeks.
  if (TrackPlay->IsDragging() && TrackPlay->Tracking()) {
    // One pause for the whole drag, a key-picture seek per move (scrubbing
    // stays quick), the exact landing and the resume at release.
    if (!FDragPaused && !FFPlayer.IsPaused()) {
      FFPlayer.Pause();
      FDragPaused = true;
    }
    FFPlayer.Seek(zv::TSeekFlags{}, false, target);
  } else if (FFPlayer.IsPaused()) {
    FFPlayer.Seek(zv::TSeekFlags{zv::sfExact}, false, target);
  } else {
    FFPlayer.Pause();
    FFPlayer.Seek(zv::TSeekFlags{zv::sfExact}, false, target);
    FFPlayer.Resume();
  }
  FLastPosition = target;
  emit Seeked(target);
}

void TfrmPlayer::TrackPlayUserMove() {
  // With nothing open the thumb moves alone.
  if (FFileOpen) UpdateTimeText(RoundHalfEven(double(TrackPlay->Value())), FFileDuration);
}

void TfrmPlayer::TrackPlayRelease() {
  // Where the thumb was let go, exactly (it waits behind the drag's last seek).
  if (FFileOpen && TrackPlay->Tracking())
    FFPlayer.Seek(zv::TSeekFlags{zv::sfExact}, false, RoundHalfEven(double(TrackPlay->Value())));
  if (!FDragPaused) return;
  FDragPaused = false;
  FFPlayer.Resume();
}

void TfrmPlayer::SeekTo(int64_t targetUs) {
  if (!FFileOpen) return;
  if (FFileDuration > 0 && targetUs > FFileDuration) targetUs = FFileDuration;
  if (targetUs < 0) targetUs = 0;
  FFPlayer.Seek(zv::TSeekFlags{zv::sfExact}, false, targetUs);
  FLastPosition = targetUs;
  UpdateTimeText(targetUs, FFileDuration);
  ShowOsdMessage(zv::SeekMessage(targetUs / 1000, FFileDuration / 1000));
  if (FFileDuration > 0) MoveTrackQuietly([this, targetUs] { TrackPlay->SetValue(float(targetUs)); });
  emit Seeked(targetUs);
}

void TfrmPlayer::SeekBy(int64_t deltaUs) { SeekTo(FLastPosition + deltaUs); }

void TfrmPlayer::ChangeVolumeBy(int delta) { TrackVolume->SetValue(TrackVolume->Value() + float(delta)); }

void TfrmPlayer::TrackVolumeChange() {
  const int volume = int(RoundHalfEven(double(TrackVolume->Value())));
  FFPlayer.SetAudioVolume(volume);
  if (FFileOpen) ShowOsdMessage(zv::VolumeMessage(volume, zv::MaxAudioVolume));
  emit VolumeChanged(volume);
}

void TfrmPlayer::btnMuteClick() {
  FFPlayer.SetMute(btnMute->isChecked());
  if (FFileOpen) ShowOsdMessage(btnMute->isChecked() ? "Mute" : "Unmute");
}

void TfrmPlayer::OpenSubtitleFileDialog() {
  if (!FFileOpen) return;
  const QString file = RunOpenFileDialog(this, tr("Subtitle files") + "|*.srt;*.ass;*.ssa;*.vtt;*.SRT;*.ASS;*.SSA;*.VTT");
  if (!file.isEmpty()) FFPlayer.LoadSubtitleFile(file.toStdString());
}

void TfrmPlayer::ShowOsdMessage(const std::string& text) {
  FFPlayer.ShowMessage(text, zv::TTextOverlay::DefaultMessageMs);
}

void TfrmPlayer::btnCaptureClick() {
  const QImage frame = FFPlayer.CurrentFrame();
  if (frame.isNull() || frame.width() == 0) {
    if (FFileOpen) ShowNotice(QStringLiteral("No picture to save"));
    return;
  }
  const QString fileName = RunSaveDialog(QDir(SnapshotFolder()).filePath(SnapshotName(FOpenedFile, FLastPosition)));
  // The dialog took the pointer's leave: the button would stay lit.
  btnCapture->setDown(false);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(btnCapture, &leave);
  if (fileName.isEmpty()) return;
  QString error;
  if (!SaveSnapshot(frame, fileName, &error)) ShowMessage(error);
}

}  // namespace zvapp
