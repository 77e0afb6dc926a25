#pragma once
// The window's player face over the engine's TFFPlayer.
#include <memory>

#include "app/player_port.h"
#include "engine/player.h"
#include "runtime/bitmap.h"

namespace zvapp {

// A copy of the engine's bitmap (BGR rows) as a Qt image; null for an empty bitmap.
QImage BitmapToImage(const zv::TBitmap& bitmap);

class TEnginePlayer : public IPlayer {
public:
  TEnginePlayer();
  ~TEnginePlayer() override;

  zv::TFFPlayer& Engine() { return *FPlayer; }

  bool LibrariesLoaded() const override { return FPlayer->LibrariesLoaded(); }
  bool LoadLibraries(const std::string& APath, bool ALoadSDL) override { return FPlayer->LoadLibraries(APath, ALoadSDL); }
  void RegisterFilters() override;
  bool Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused) override {
    return FPlayer->Open(AFileName, AScreenHandle, APaused);
  }
  void Stop(bool AWait) override { FPlayer->Stop(AWait); }
  void Pause() override { FPlayer->Pause(); }
  void Resume() override { FPlayer->Resume(); }
  bool IsPaused() const override { return FPlayer->IsPaused(); }
  void Seek(zv::TSeekFlags AFlags, bool AWait, int64_t ATarget) override { FPlayer->Seek(AFlags, AWait, ATarget); }
  bool StepFrame(int ADirection) override { return FPlayer->StepFrame(ADirection); }
  zv::TAbLoop::TMark MarkLoopPoint() override { return FPlayer->MarkLoopPoint(); }
  bool LoopPoints(int64_t& A, int64_t& B) override { return FPlayer->LoopPoints(A, B); }
  QImage CurrentFrame() override;
  void UpdateScreenPosition() override { FPlayer->UpdateScreenPosition(); }
  int VideoStreamIndex() const override { return FPlayer->VideoStreamIndex(); }
  uint64_t ScreenHandle() const override { return FPlayer->ScreenHandle(); }
  std::string LastErrMsg() const override { return FPlayer->LastErrMsg(); }
  std::string FileInfoText() override;
  std::vector<zv::TChapter> Chapters() override;
  bool VideoShape(TVideoShape& shape) override;
  std::string MetadataTitle() override;
  std::string SoundDeviceError() const override { return FPlayer->SoundDeviceError(); }

  void SetVideoFilters(const std::string& v) override { FPlayer->SetVideoFilters(v); }
  void SetDeinterlace(bool v) override { FPlayer->SetDeinterlace(v); }
  void SetDisableAudio(bool v) override { FPlayer->SetDisableAudio(v); }
  void SetDisableVideo(bool v) override { FPlayer->SetDisableVideo(v); }
  void SetDisableDisplay(bool v) override { FPlayer->SetDisableDisplay(v); }
  void SetDefaultDrivers() override {
    FPlayer->SetVideoDriver(zv::vdDefault);
    FPlayer->SetAudioDriver(zv::adDefault);
  }
  void SetAudioVolume(int v) override { FPlayer->SetAudioVolume(v); }
  void SetMute(bool v) override { FPlayer->SetMute(v); }
  void SetAspectRatio(float v) override { FPlayer->SetAspectRatio(v); }
  void ShowMessage(const std::string& AText, int ADurationMs) override { FPlayer->ShowMessage(AText, ADurationMs); }
  void SetSubtitleBottomReserve(int APixels) override { FPlayer->TextOverlay().SetBottomReserve(APixels); }
  void ToggleSubtitles() override { FPlayer->ToggleSubtitles(); }
  void CycleSubtitleTrack() override { FPlayer->CycleSubtitleTrack(); }
  void ShiftSubtitleDelay(int AMilliseconds) override { FPlayer->ShiftSubtitleDelay(AMilliseconds); }
  void LoadSubtitleFile(const std::string& AFileName) override { FPlayer->LoadSubtitleFile(AFileName); }
  double SetSpeed(double ASpeed) override { return FPlayer->SetSpeed(ASpeed); }
  double Speed() const override { return FPlayer->Speed(); }
  std::vector<zv::TTrack> AudioTracks() override { return FPlayer->AudioTracks(); }
  bool SelectAudioTrack(int ANumber) override { return FPlayer->SelectAudioTrack(ANumber); }
  void CycleAudioTrack() override { FPlayer->CycleAudioTrack(); }
  std::vector<zv::TTrack> SubtitleTracks() override { return FPlayer->SubtitleTracks(); }
  bool SelectSubtitleTrack(int ANumber) override { return FPlayer->SelectSubtitleTrack(ANumber); }

  void SetOnFileOpen(zv::TFileOpenEvent h) override { FPlayer->SetOnFileOpen(std::move(h)); }
  void SetOnPosition(zv::TPositionEvent h) override { FPlayer->SetOnPosition(std::move(h)); }
  void SetOnState(zv::TPlayStateEvent h) override { FPlayer->SetOnState(std::move(h)); }
  void ClearHookEvents() override;

private:
  std::unique_ptr<zv::TFFPlayer> FPlayer;
};

}  // namespace zvapp
