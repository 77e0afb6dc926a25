#pragma once
// The playback engine's component: plays one media file at a time into a
// window handed over by the application, and reports its state and position
// through events delivered by its own event thread.
//
// Play states as the application sees them (OnState):
//
//            Open ok                 Pause               Resume
//   (closed) -------> psPlay --------------> psPause ----------> psResume
//       ^               |   \                  |                    |
//       |               |    \ end of file,    |  Seek keeps the    |
//       |               |     queues drained   |  reported state    |
//       |               |      v               |                    |
//       |               |     psEnd (once; a seek re-arms it)       |
//       |               v                      v                    v
//       +------------ psStop <--- Stop, quit event, fatal error ----+
//
// psStep belongs to the type and is never reported. A file opened paused
// reports psPlay and stays paused.
#include <SDL2/SDL.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/ab_loop.h"
#include "engine/chapters.h"
#include "engine/demuxer.h"
#include "engine/frame_step.h"
#include "engine/manual_event.h"
#include "engine/media_state.h"
#include "engine/notice_queue.h"
#include "engine/overlay_texture.h"
#include "engine/playback_speed.h"
#include "engine/play_wakeup.h"
#include "engine/player_lock.h"
#include "engine/shown_picture.h"
#include "engine/subtitle_file_loader.h"
#include "engine/surface_display.h"
#include "engine/text_overlay.h"
#include "engine/track_list.h"
#include "engine/video_display.h"
#include "engine/video_stats.h"
#include "runtime/base_component.h"
#include "runtime/bitmap.h"
#include "runtime/format_converter.h"
#include "runtime/sdl_loader.h"

namespace zv {

enum TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
const char* PlayStateName(TPlayState s);

// The first three keep their historical names; the rest are this platform's SDL drivers.
enum TAudioDriver { adDefault, adDirectSound, adWaveOut, adDummy, adDisk, adPulseAudio, adPipewire, adAlsa };
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI, vdDummy, vdX11, vdWayland };
// The value SDL_AUDIODRIVER / SDL_VIDEODRIVER gets; empty for the defaults.
const char* AudioDriverName(TAudioDriver d);
const char* VideoDriverName(TVideoDriver d);
// Reverse lookup by SDL name ("dummy", "pulseaudio"...); false when unknown.
bool AudioDriverFromName(const std::string& name, TAudioDriver& d);
bool VideoDriverFromName(const std::string& name, TVideoDriver& d);

constexpr int MaxAudioVolume = 128;

using TFileOpenEvent = std::function<void(TFFBaseComponent* Sender, int64_t ADuration, int AFrameWidth,
                                          int AFrameHeight, int& AScreenWidth, int& AScreenHeight)>;
using TPositionEvent = std::function<void(TFFBaseComponent* Sender, int64_t APTS)>;
using TPlayStateEvent = std::function<void(TFFBaseComponent* Sender, TPlayState APlayState)>;
// Published with its type; the engine never raises it.
using TAudioHookEvent = std::function<void(TFFBaseComponent* Sender, int64_t APTS, uint8_t* ASample, int ASize,
                                           int ASampleRate, int AChannels)>;

// Raised on the video thread for every picture while VideoHook is set; the
// bitmap's canvas is locked meanwhile. AUpdate false keeps the decoded picture.
using TVideoHookEvent = std::function<void(TFFBaseComponent* Sender, TBitmap* ABitmap, int64_t APTS, bool& AUpdate)>;

class TPlayThread;
class TEventThread;

class TCustomPlayer : public TFFBaseComponent {
public:
  TCustomPlayer();
  ~TCustomPlayer() override;

  // --- operations (application thread) ---
  bool LoadLibraries(const std::string& APath, bool ALoadSDL);
  bool LibrariesLoaded() const;
  // AScreenHandle: X11 window id; 0 lets SDL make its own window.
  bool Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused);
  void Stop(bool AWait);
  void Pause();
  void Resume();
  bool IsPaused() const;
  // ATarget: µs from the file's start, or a byte offset with sfByte. Lands
  // on the key picture before ATarget; with sfExact on the picture shown at
  // ATarget itself, the sound starting there too (slower: the pictures from
  // the key picture on are decoded). AWait: until the first picture is out.
  void Seek(TSeekFlags AFlags, bool AWait, int64_t ATarget);
  // Pauses and shows the next picture (ADirection > 0) or exactly the one
  // before (< 0); at the first or the last picture it stays. False when
  // there is no picture to step through (nothing open, no video).
  bool StepFrame(int ADirection);
  // The A-B loop: sets A at the position, then B, then clears both; once both
  // are set, passing B jumps (exactly) back to A. The marks (µs from the
  // file's start, -1 when not set) are forgotten with the playback.
  TAbLoop::TMark MarkLoopPoint();
  void ClearLoop() { FAbLoop.Clear(); }
  bool LoopPoints(int64_t& A, int64_t& B) const;
  // Makes the output follow the host window's current size.
  void UpdateScreenPosition();
  int VideoStreamIndex() const;
  // The open file's description as it was opened; empty with nothing open.
  std::string FileInfoText() const;
  // The open file's chapters in start order; empty with none or nothing open.
  std::vector<TChapter> Chapters() const;
  std::string LastErrMsg() const;
  // Why the last opened file has no sound although it has an audio stream
  // ("no sound device: " and SDL's reason); empty otherwise.
  std::string SoundDeviceError() const;
  uint64_t ScreenHandle() const { return FScreenHandle.load(std::memory_order_relaxed); }
  std::string VideoFilters() const;
  void SetVideoFilters(const std::string& v);
  // Interlaced pictures are deinterlaced (the default), or shown as they
  // come; any thread, taken by the next picture.
  bool Deinterlace() const { return FDeinterlace.load(std::memory_order_relaxed); }
  void SetDeinterlace(bool v) { FDeinterlace.store(v, std::memory_order_relaxed); }
  // Shows text over the picture (or the waveform) for durationMs, replacing
  // the message shown; never part of CurrentFrame, snapshots or the video
  // hook's pictures. Any thread; nothing without libass.
  void ShowMessage(const std::string& AText, int ADurationMs = TTextOverlay::DefaultMessageMs);
  // Text subtitles and messages (the subtitle decoder feeds it; any thread).
  TTextOverlay& TextOverlay() { return FTextOverlay; }
  // Loads a subtitle file (SubRip, ASS/SSA, WebVTT) for the open file and
  // shows it once loaded, off this thread; a failure logs and shows a message.
  void LoadSubtitleFile(const std::string& AFileName);
  // Whether Open loads the subtitle files beside the video (default on).
  bool AutoLoadSubtitleFiles() const { return FAutoLoadSubtitleFiles.load(std::memory_order_relaxed); }
  void SetAutoLoadSubtitleFiles(bool v) { FAutoLoadSubtitleFiles.store(v, std::memory_order_relaxed); }
  TSubtitleFileLoader& SubtitleFiles() { return FSubtitleFiles; }
  // Subtitles shown or hidden (V), the next track of SubtitleTracks, after
  // the last none, then the first again (J), and their delay moved (Z/X, ms;
  // positive shows them later). Each shows a message.
  void SetSubtitlesVisible(bool AVisible);
  void ToggleSubtitles();
  void CycleSubtitleTrack();
  void ShiftSubtitleDelay(int AMilliseconds);

  // Tracks (player_tracks.cpp). Each list is empty with nothing open; the
  // track playing is marked Current (or the one asked for, until the switch
  // is carried out a moment later).
  // The open file's sound streams in file order, named as menus show them
  // ("2: fre - Commentary (aac, 2 ch)").
  std::vector<TTrack> AudioTracks() const;
  // Plays the ANumber-th (from 1) sound track from the position playing on:
  // its sound component is closed and opened on the new stream, the picture
  // and the position go on. False when nothing is open or there is no such
  // track. Shows a message.
  bool SelectAudioTrack(int ANumber);
  // The next sound track, after the last the first (#).
  void CycleAudioTrack();
  // The embedded subtitle streams (bitmap and text) in file order, then the
  // subtitle files loaded for the open file; none Current means off.
  std::vector<TTrack> SubtitleTracks();
  // The ANumber-th (from 1) of SubtitleTracks, or none for 0, from the
  // position playing on. False when there is no such track.
  bool SelectSubtitleTrack(int ANumber);
  // Playback speed, MinSpeed (0.25) .. MaxSpeed (4): media time runs this many
  // times faster than wall time, the sound keeps its pitch, pictures, the
  // position and the position events follow. Out-of-range values are clamped
  // (NaN gives 1); returns the speed taken. Kept over seeks and pauses; each
  // Open starts at 1. Takes effect within a sound device period.
  double SetSpeed(double ASpeed);
  double Speed() const;

  // --- properties ---
  TAudioDriver AudioDriver() const { return FAudioDriver; }
  void SetAudioDriver(TAudioDriver v) { FAudioDriver = v; }
  TVideoDriver VideoDriver() const { return FVideoDriver; }
  void SetVideoDriver(TVideoDriver v) { FVideoDriver = v; }
  int AudioVolume() const { return FAudioVolume.load(std::memory_order_relaxed); }
  void SetAudioVolume(int v);  // clamped to 0..128
  bool Mute() const { return FMute.load(std::memory_order_relaxed); }
  // Where a sound device's callback reads the volume and mute.
  TAudioOutput::TLevel SoundLevel() const { return {&FAudioVolume, &FMute, &FSpeed}; }
  void SetMute(bool v) { FMute.store(v, std::memory_order_relaxed); }
  bool DisableAudio() const { return FDisableAudio.load(std::memory_order_relaxed); }
  void SetDisableAudio(bool v) { FDisableAudio.store(v, std::memory_order_relaxed); }
  bool DisableVideo() const { return FDisableVideo.load(std::memory_order_relaxed); }
  void SetDisableVideo(bool v) { FDisableVideo.store(v, std::memory_order_relaxed); }
  bool DisableDisplay() const { return FDisableDisplay.load(std::memory_order_relaxed); }
  void SetDisableDisplay(bool v) { FDisableDisplay.store(v, std::memory_order_relaxed); }
  int FrameWidth() const { return FFrameWidth; }
  void SetFrameWidth(int v) { FFrameWidth = v; }
  int FrameHeight() const { return FFrameHeight; }
  void SetFrameHeight(int v) { FFrameHeight = v; }
  int ScreenWidth() const { return FScreenWidth.load(std::memory_order_relaxed); }
  void SetScreenWidth(int v) { FScreenWidth.store(v, std::memory_order_relaxed); }
  int ScreenHeight() const { return FScreenHeight.load(std::memory_order_relaxed); }
  void SetScreenHeight(int v) { FScreenHeight.store(v, std::memory_order_relaxed); }
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread.load(std::memory_order_relaxed); }
  void SetTriggerEventInMainThread(bool v) { FTriggerEventInMainThread.store(v, std::memory_order_relaxed); }
  int IoTimeout() const { return FIoTimeout.load(std::memory_order_relaxed); }  // ms per blocking open step
  void SetIoTimeout(int ms) { FIoTimeout.store(ms, std::memory_order_relaxed); }

  // Decoding threads of the video decoder, read at each open: 0 one per core, 1 single.
  int DecoderThreads() const { return FDecoderThreads.load(std::memory_order_relaxed); }
  void SetDecoderThreads(int v) { FDecoderThreads.store(v < 0 ? 0 : v, std::memory_order_relaxed); }
  bool VideoHook() const { return FVideoHook.load(std::memory_order_relaxed); }
  void SetVideoHook(bool v) { FVideoHook.store(v, std::memory_order_relaxed); }

  // A copy of the picture on screen (the bitmap belongs to the player); with
  // nothing open 0 x 0 and APTS -1. Any thread.
  TBitmap& CurrentFrame(int64_t& APTS);
  TBitmap& CurrentFrame();
  // Picture counts of the current (or last) playback.
  TVideoStats VideoStats() const { return FVideoStats.Snapshot(); }
  // Read-backs of the rendered output.
  TOutputCapture& OutputCapture() { return FOutputCapture; }

  // --- events (may be set from the application thread at any time) ---
  void SetOnFileOpen(TFileOpenEvent h);
  void SetOnPosition(TPositionEvent h);
  void SetOnState(TPlayStateEvent h);
  void SetOnBeforeFindStreamInfo(TBeforeFindStreamInfoEvent h);
  void SetOnAudioHook(TAudioHookEvent h);
  void SetOnVideoHook(TVideoHookEvent h);

  // --- engine side: called by the decoding, output and display code ---
  const TSDLEntryPoints& SDL() const { return FSDL; }
  SDL_Renderer* Renderer() const { return FRenderer.load(std::memory_order_acquire); }
  SDL_Window* Window() const { return FWindow.load(std::memory_order_acquire); }
  int AudioDisplayPeriod() const { return 20; }  // ms
  int SwsFlags() const { return 4; }             // bicubic
  TMediaState* CurStream() const { return FCurStream.load(std::memory_order_acquire); }
  void ReportError(const std::string& text, bool keep);
  // The audio output could not open the sound device for this reason.
  void SetSoundDeviceError(const std::string& reason);
  void UpdatePosition();
  void SetPlayState(TPlayState s);
  // The psPause of a file opened paused, once its first pictures are decoded:
  // held back until Open has reported psPlay.
  void ReportOpenedPaused(TMediaState* playback);
  void SeekRequest(TMediaState* playback, TSeekFlags AFlags, bool AWait, int64_t APos, int64_t ARel);
  // Seek generations: each accepted request gets the next number; the reader
  // notes the one it carried out, the video thread the one whose first picture
  // it queued (or after which it found no more pictures).
  void NoteSeekCarriedOut(int64_t generation, bool failed);
  void NoteSeekPicture(int64_t generation);
  TManualEvent& SeekDoneEvent() { return FSeekDoneEvent; }
  TManualEvent& PictureReadyEvent() { return FPictureReadyEvent; }
  std::atomic<bool>& Seeking() { return FSeeking; }
  // What the play loop sleeps on; every request to it goes through here.
  TPlayWakeup& Wakeup() { return FWakeup; }

  // Display shape: 0 the picture's own, > 0 forced width/height, < 0 fill.
  float AspectRatio() const { return FAspectRatio.load(std::memory_order_relaxed); }

  // Notices waiting for the event thread.
  TNoticeQueue& Notices() { return FNotices; }

  // Video path (video_thread.cpp, picture_queue.cpp, video_display.cpp).
  TVideoHookEvent OnVideoHook() const;
  TFormatConverter& HookConverter() { return FHookConverter; }  // video thread only
  TShownPicture& ShownPicture() { return FShownPicture; }
  TOverlayTexture& OverlayTexture() { return FOverlayTexture; }  // play thread
  TSurfaceDisplay& SurfaceDisplay() { return FSurfaceDisplay; }  // play thread, under the player lock
  TVideoStatsCounter& VideoStatsCounter() { return FVideoStats; }

protected:
  std::atomic<float> FAspectRatio{0};
  // Asks the play loop of the playback, if any, to open the output again.
  void ReopenVideo();

private:
  friend class TPlayThread;
  friend class TEventThread;

  void SetLastErrMsg(const std::string& text);
  void DeliverPosition(int64_t pos);
  void DeliverState(TPlayState s);
  void StopEventThread();
  void JoinPlayThread();
  void WaitForPlayThread();
  // Closes the current playback; the caller holds FPlayerLock.
  void DoExit_Locked();
  // Stop, or an Open from a handler, while an Open runs further up this stack.
  void CancelOpen();
  void ReportPlay(TMediaState* playback);
  // Stop(true): until the notices of the stopped playback have been delivered.
  void WaitForDelivery();
  // Undoes what an Open that will not play has set up (play thread, playback).
  void AbandonOpen();
  // Waits (serving hand-offs) until done() or the playback closes.
  void WaitForSeek(const std::function<bool()>& done);
  void NoteSeekProgress(std::atomic<int64_t>& counter, int64_t generation);
  // Under FPlayerLock: the generation of the request (0 when none was made).
  int64_t RequestSeek(TMediaState* playback, TSeekFlags AFlags, int64_t APos, int64_t ARel);
  // Under the play loop: jumps back to A when pos passed the loop's B.
  void LoopIfDue(TMediaState* playback, int64_t pos);
  // The per-playback reset after every SDL shutdown.
  void ResetPlaybackState();

  // Opening and demultiplexing (stream_open.cpp, stream_component.cpp).
  bool StreamOpen(const std::string& AFileName, bool APaused);
  void ReadThreadMain(TMediaState* playback);
  // The demuxer's view of this player.
  TDemuxerSinks DemuxerSinks(TMediaState* playback);
  int StreamComponentOpen(TMediaState* playback, int AIndex);
  // Reader thread: the stream switches asked for (player_tracks.cpp).
  TStreamReread SwitchStreams(TMediaState* playback);
  bool SwitchAudioStream(TMediaState* playback, int AIndex, double ANow);
  void StreamComponentClose(TMediaState* playback, int AIndex);
  static bool OpenTimeoutInterrupt(void* Self, void* AOpaque);
  static bool AbortInterrupt(void* Self, void* AOpaque);
  // Ends one playback: threads joined, components and file closed (play_thread.cpp).
  void CloseStream(TMediaState* playback);

  TSDLLoader FSDLLoader;
  TSDLEntryPoints FSDL;  // copied after a load; main thread writes it only with no playback

  // Properties: plain ones are set by the application thread between playbacks.
  TAudioDriver FAudioDriver = adDefault;
  TVideoDriver FVideoDriver = vdDefault;
  std::atomic<int> FAudioVolume{MaxAudioVolume};
  std::atomic<bool> FMute{false};
  std::atomic<bool> FDisableAudio{false}, FDisableVideo{false}, FDisableDisplay{false};
  int FFrameWidth = 0, FFrameHeight = 0;
  std::atomic<int> FScreenWidth{0}, FScreenHeight{0};
  std::atomic<bool> FTriggerEventInMainThread{true};
  std::atomic<int> FIoTimeout{10000};
  std::atomic<uint64_t> FScreenHandle{0};
  std::atomic<bool> FDeinterlace{true};

  mutable std::mutex FEventLock;
  TFileOpenEvent FOnFileOpen;                          // guarded by FEventLock
  TPositionEvent FOnPosition;                          // guarded by FEventLock
  TPlayStateEvent FOnState;                            // guarded by FEventLock
  TBeforeFindStreamInfoEvent FOnBeforeFindStreamInfo;  // guarded by FEventLock
  TAudioHookEvent FOnAudioHook;                        // guarded by FEventLock
  TVideoHookEvent FOnVideoHook;                        // guarded by FEventLock

  mutable std::mutex FTextLock;
  std::string FLastErrMsg;    // guarded by FTextLock
  std::string FVideoFilters;  // guarded by FTextLock
  std::string FSoundDeviceError;  // guarded by FTextLock

  // Playback state.
  std::atomic<TMediaState*> FCurStream{nullptr};      // set by the stream open, cleared by the close
  std::atomic<TMediaState*> FOpeningStream{nullptr};  // the read thread's record while it opens
  std::atomic<int64_t> FIoStartTime{INT64_MAX};       // µs; INT64_MAX idle, 0 cancelled
  std::atomic<int64_t> FLastPosition{AV_NOPTS_VALUE};
  std::atomic<bool> FSeeking{false};
  // The play loop's event handling against the application's operations and the close.
  mutable TPlayerLock FPlayerLock;
  std::atomic<bool> FOpening{false};       // an Open runs (it may serve handlers meanwhile)
  std::atomic<bool> FOpenCancelled{false};  // Stop during that Open
  std::atomic<int64_t> FSeekRequested{0};   // application thread, under FPlayerLock
  std::atomic<int64_t> FSeekCarriedOut{0};  // written under FSeekWaitLock
  std::atomic<int64_t> FSeekPictureQueued{0};  // written under FSeekWaitLock
  std::atomic<uint64_t> FPlaybackCloses{0};  // written under FSeekWaitLock
  std::mutex FSeekWaitLock;
  std::condition_variable FSeekWaitCond;
  TManualEvent FSeekDoneEvent{true};
  TManualEvent FPictureReadyEvent{true};
  TManualEvent FPlayThreadDoneEvent{true};
  TNoticeQueue FNotices;
  std::atomic<SDL_Window*> FWindow{nullptr};      // play thread writes
  std::atomic<SDL_Renderer*> FRenderer{nullptr};  // play thread writes
  TPlayWakeup FWakeup;

  std::atomic<int> FDecoderThreads{0};
  std::atomic<bool> FVideoHook{false};
  TFormatConverter FHookConverter;   // video thread only
  TFormatConverter FFrameConverter;  // used under FShownPicture's lock
  TShownPicture FShownPicture;
  TVideoStatsCounter FVideoStats;
  TOutputCapture FOutputCapture;
  TChapterList FChapters;  // own lock; the read thread sets it at open
  TTrackList FTracks;      // own lock; the read thread sets it at open
  TTextOverlay FTextOverlay;
  TOverlayTexture FOverlayTexture;  // play thread only
  TSurfaceDisplay FSurfaceDisplay;  // play thread, under FPlayerLock
  TSubtitleFileLoader FSubtitleFiles{FTextOverlay};
  std::atomic<bool> FAutoLoadSubtitleFiles{true};
  TPlaybackSpeed FSpeed;  // own atomic; set under FPlayerLock
  TFrameStep FFrameStep;  // own lock
  TAbLoop FAbLoop;        // own lock

  std::unique_ptr<TEventThread> FEventThread;  // application thread only
  std::unique_ptr<TPlayThread> FPlayThread;    // application thread only
};

class TFFPlayer : public TCustomPlayer {
public:
  TFFPlayer() = default;
  // A change while a file is open re-opens the output.
  void SetAspectRatio(float v);
};

}  // namespace zv
