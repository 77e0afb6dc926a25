#pragma once
// What the player window needs from the playback engine. The window talks to
// this face only, so its logic can run against a recording double in tests.
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/player.h"
#include "runtime/base_component.h"

namespace zvapp {

// The opened file's video picture shape, for the "aspect ratio" line.
struct TVideoShape {
  int width = 0, height = 0;
  int sarNum = 0, sarDen = 0;
};

class IPlayer {
public:
  virtual ~IPlayer() = default;

  virtual bool LibrariesLoaded() const = 0;
  virtual bool LoadLibraries(const std::string& APath, bool ALoadSDL) = 0;
  // The two equalizer filters; after a successful LoadLibraries.
  virtual void RegisterFilters() = 0;
  virtual bool Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused) = 0;
  virtual void Stop(bool AWait) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual bool IsPaused() const = 0;
  virtual void Seek(zv::TSeekFlags AFlags, bool AWait, int64_t ATarget) = 0;
  // Pauses on the next picture (> 0) or exactly the one before (< 0).
  virtual bool StepFrame(int ADirection) = 0;
  // The A-B loop: A, then B at the position, then cleared; its marks (µs, -1 unset).
  virtual zv::TAbLoop::TMark MarkLoopPoint() = 0;
  virtual bool LoopPoints(int64_t& A, int64_t& B) = 0;
  // A copy of the picture on screen; a null image when there is none.
  virtual QImage CurrentFrame() = 0;
  virtual void UpdateScreenPosition() = 0;
  virtual int VideoStreamIndex() const = 0;
  virtual uint64_t ScreenHandle() const = 0;
  virtual std::string LastErrMsg() const = 0;
  // The decoder's description of the open file (one block of lines).
  virtual std::string FileInfoText() = 0;
  // The open file's chapters in start order; empty when it has none.
  virtual std::vector<zv::TChapter> Chapters() = 0;
  // False when the open file has no video stream.
  virtual bool VideoShape(TVideoShape& shape) = 0;
  // The open file's "title" metadata; empty when it has none.
  virtual std::string MetadataTitle() = 0;
  // Why the last opened file plays without sound ("no sound device: ..."); empty when it has sound.
  virtual std::string SoundDeviceError() const = 0;

  virtual void SetVideoFilters(const std::string& v) = 0;
  // Interlaced pictures deinterlaced (the default) or shown as they come.
  virtual void SetDeinterlace(bool v) = 0;
  virtual void SetDisableAudio(bool v) = 0;
  virtual void SetDisableVideo(bool v) = 0;
  virtual void SetDisableDisplay(bool v) = 0;
  virtual void SetDefaultDrivers() = 0;
  virtual void SetAudioVolume(int v) = 0;
  virtual void SetMute(bool v) = 0;
  virtual void SetAspectRatio(float v) = 0;
  // An on-screen message over the picture (or the waveform) for ADurationMs
  // (zv::TTextOverlay::DefaultMessageMs, about 1.5 s, is the usual), replacing
  // the one shown; never in CurrentFrame or snapshots. Nothing without libass.
  virtual void ShowMessage(const std::string& AText, int ADurationMs) = 0;
  // Output rows at the bottom the window's controls cover: subtitles keep above them.
  virtual void SetSubtitleBottomReserve(int APixels) = 0;
  // Text subtitles (each shows a message): on/off, next track, delay (ms),
  // and a file loaded for the open video and shown.
  virtual void ToggleSubtitles() = 0;
  virtual void CycleSubtitleTrack() = 0;
  virtual void ShiftSubtitleDelay(int AMilliseconds) = 0;
  virtual void LoadSubtitleFile(const std::string& AFileName) = 0;
  // Playback speed, clamped to zv::MinSpeed..zv::MaxSpeed (0.25..4); the
  // speed taken. The sound keeps its pitch; each opened file starts at 1.
  virtual double SetSpeed(double ASpeed) = 0;
  virtual double Speed() const = 0;
  // The open file's sound tracks and subtitle tracks (embedded streams, then
  // loaded files; none current is off), named as the menus show them; empty
  // with nothing open. Choosing one switches at the position playing, with
  // a message; 0 turns subtitles off.
  virtual std::vector<zv::TTrack> AudioTracks() = 0;
  virtual bool SelectAudioTrack(int ANumber) = 0;
  virtual void CycleAudioTrack() = 0;
  virtual std::vector<zv::TTrack> SubtitleTracks() = 0;
  virtual bool SelectSubtitleTrack(int ANumber) = 0;

  virtual void SetOnFileOpen(zv::TFileOpenEvent h) = 0;
  virtual void SetOnPosition(zv::TPositionEvent h) = 0;
  virtual void SetOnState(zv::TPlayStateEvent h) = 0;
  // Unassigns OnVideoHook and OnAudioHook.
  virtual void ClearHookEvents() = 0;
};

}  // namespace zvapp
