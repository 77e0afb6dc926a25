#pragma once
// A player double that records what the window asks of it.
#include <string>
#include <vector>

#include "app/player_port.h"

namespace zvapp::testing {

class FakePlayer : public IPlayer {
public:
  std::vector<std::string> calls;
  std::vector<std::string> messages;  // ShowMessage texts, in order
  bool loaded = false;
  bool loadOk = true;
  bool openOk = true;
  std::vector<std::string> failingFiles;  // Open fails for these
  bool paused = true;
  int volume = -1;
  bool mute = false;
  double speed = 1;
  float aspect = 0;
  int videoIndex = -1;
  uint64_t screen = 0;
  std::string videoFilters;
  bool deinterlace = true;
  std::string lastErr = "no such file";
  std::string infoText;
  std::vector<zv::TChapter> chapters;
  std::string title;
  std::string soundError;
  TVideoShape shape;
  QImage frame;
  int64_t lastSeekTarget = -1;
  zv::TSeekFlags lastSeekFlags;
  zv::TFileOpenEvent onFileOpen;
  zv::TPositionEvent onPosition;
  zv::TPlayStateEvent onState;

  int Count(const std::string& name) const {
    int n = 0;
    for (auto& c : calls) n += c == name;
    return n;
  }

  bool LibrariesLoaded() const override { return loaded; }
  bool LoadLibraries(const std::string& APath, bool ALoadSDL) override {
    calls.push_back("LoadLibraries " + APath + (ALoadSDL ? " sdl" : ""));
    loaded = loadOk;
    return loadOk;
  }
  void RegisterFilters() override { calls.push_back("RegisterFilters"); }
  bool Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused) override {
    calls.push_back("Open " + AFileName + (APaused ? " paused" : ""));
    screen = AScreenHandle;
    for (const auto& f : failingFiles)
      if (f == AFileName) return false;
    return openOk;
  }
  void Stop(bool AWait) override { calls.push_back(AWait ? "Stop wait" : "Stop"); }
  void Pause() override {
    calls.push_back("Pause");
    paused = true;
  }
  void Resume() override {
    calls.push_back("Resume");
    paused = false;
  }
  bool IsPaused() const override { return paused; }
  void Seek(zv::TSeekFlags AFlags, bool AWait, int64_t ATarget) override {
    calls.push_back(std::string("Seek") + (AWait ? " wait" : ""));
    lastSeekFlags = AFlags;
    lastSeekTarget = ATarget;
  }
  bool StepFrame(int ADirection) override {
    calls.push_back("StepFrame " + std::to_string(ADirection));
    paused = true;
    return videoIndex >= 0;
  }
  int64_t loopA = -1, loopB = -1, loopAt = 0;  // loopAt: where the next mark goes
  zv::TAbLoop::TMark MarkLoopPoint() override {
    calls.push_back("MarkLoopPoint");
    if (loopA < 0) return loopA = loopAt, zv::TAbLoop::lmA;
    if (loopB < 0) return loopB = loopAt, zv::TAbLoop::lmB;
    loopA = loopB = -1;
    return zv::TAbLoop::lmCleared;
  }
  bool LoopPoints(int64_t& A, int64_t& B) override {
    A = loopA;
    B = loopB;
    return A >= 0 || B >= 0;
  }
  QImage CurrentFrame() override { return frame; }
  void UpdateScreenPosition() override {}
  int VideoStreamIndex() const override { return videoIndex; }
  uint64_t ScreenHandle() const override { return screen; }
  std::string LastErrMsg() const override { return lastErr; }
  std::string FileInfoText() override { return infoText; }
  std::vector<zv::TChapter> Chapters() override { return chapters; }
  bool VideoShape(TVideoShape& s) override {
    s = shape;
    return videoIndex >= 0;
  }
  std::string MetadataTitle() override { return title; }
  std::string SoundDeviceError() const override { return soundError; }
  void SetVideoFilters(const std::string& v) override { videoFilters = v; }
  void SetDeinterlace(bool v) override { deinterlace = v; }
  void SetDisableAudio(bool) override {}
  void SetDisableVideo(bool) override {}
  void SetDisableDisplay(bool) override {}
  void SetDefaultDrivers() override {}
  void SetAudioVolume(int v) override { volume = v; }
  void SetMute(bool v) override { mute = v; }
  void ShowMessage(const std::string& AText, int) override { messages.push_back(AText); }
  int subtitleReserve = 0;
  void SetSubtitleBottomReserve(int APixels) override { subtitleReserve = APixels; }
  void ToggleSubtitles() override { calls.push_back("ToggleSubtitles"); }
  void CycleSubtitleTrack() override { calls.push_back("CycleSubtitleTrack"); }
  void ShiftSubtitleDelay(int ms) override { calls.push_back("ShiftSubtitleDelay " + std::to_string(ms)); }
  void LoadSubtitleFile(const std::string& f) override { calls.push_back("LoadSubtitleFile " + f); }
  double SetSpeed(double v) override {
    calls.push_back("SetSpeed");
    return speed = zv::ClampSpeed(v);
  }
  double Speed() const override { return speed; }
  std::vector<zv::TTrack> audioTracks, subtitleTracks;
  std::vector<zv::TTrack> AudioTracks() override { return audioTracks; }
  bool SelectAudioTrack(int n) override {
    calls.push_back("SelectAudioTrack " + std::to_string(n));
    return n >= 1 && n <= int(audioTracks.size());
  }
  void CycleAudioTrack() override { calls.push_back("CycleAudioTrack"); }
  std::vector<zv::TTrack> SubtitleTracks() override { return subtitleTracks; }
  bool SelectSubtitleTrack(int n) override {
    calls.push_back("SelectSubtitleTrack " + std::to_string(n));
    return n >= 0 && n <= int(subtitleTracks.size());
  }
  void SetAspectRatio(float v) override {
    calls.push_back("SetAspectRatio");
    aspect = v;
  }
  void SetOnFileOpen(zv::TFileOpenEvent h) override { onFileOpen = std::move(h); }
  void SetOnPosition(zv::TPositionEvent h) override { onPosition = std::move(h); }
  void SetOnState(zv::TPlayStateEvent h) override { onState = std::move(h); }
  void ClearHookEvents() override { calls.push_back("ClearHookEvents"); }
};

}  // namespace zvapp::testing
