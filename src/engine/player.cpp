#include "engine/player.h"

#include <cstdlib>
#include <cstring>
#include <exception>

#include "engine/clocks.h"
#include "engine/event_thread.h"
#include "engine/file_name_limit.h"
#include "engine/play_thread.h"
#include "engine/play_requests.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"
#include "runtime/media_errors.h"

namespace zv {

namespace {

struct DriverName {
  int value;
  const char* name;
};
constexpr DriverName kAudioDrivers[] = {{adDefault, ""},        {adDirectSound, "dsound"}, {adWaveOut, "waveout"},
                                        {adDummy, "dummy"},     {adDisk, "disk"},          {adPulseAudio, "pulseaudio"},
                                        {adPipewire, "pipewire"}, {adAlsa, "alsa"}};
constexpr DriverName kVideoDrivers[] = {{vdDefault, ""},   {vdDirectDraw, "directx"}, {vdGDI, "windib"},
                                        {vdDummy, "dummy"}, {vdX11, "x11"},            {vdWayland, "wayland"}};

}  // namespace

const char* PlayStateName(TPlayState s) {
  static const char* const names[] = {"psPlay", "psPause", "psResume", "psStep", "psStop", "psEnd"};
  return unsigned(s) < 6 ? names[s] : "?";
}

const char* AudioDriverName(TAudioDriver d) {
  for (auto& e : kAudioDrivers)
    if (e.value == d) return e.name;
  return "";
}

const char* VideoDriverName(TVideoDriver d) {
  for (auto& e : kVideoDrivers)
    if (e.value == d) return e.name;
  return "";
}

bool AudioDriverFromName(const std::string& name, TAudioDriver& d) {
  for (auto& e : kAudioDrivers)
    if (name == e.name) return d = TAudioDriver(e.value), true;
  return false;
}

bool VideoDriverFromName(const std::string& name, TVideoDriver& d) {
  for (auto& e : kVideoDrivers)
    if (name == e.name) return d = TVideoDriver(e.value), true;
  return false;
}

TCustomPlayer::TCustomPlayer() {
  InitMainThread();
  FVersion = "3.0";
  ResetPlaybackState();
  // A paused picture gets a new subtitle line or message drawn at once.
  FTextOverlay.SetChangeSink([this] { FWakeup.Signal(wrRefresh); });
}

void TCustomPlayer::LoadSubtitleFile(const std::string& AFileName) {
  if (CurStream()) FSubtitleFiles.LoadFile(AFileName);
}

void TCustomPlayer::ShowMessage(const std::string& AText, int ADurationMs) { FTextOverlay.ShowMessage(AText, ADurationMs); }

TCustomPlayer::~TCustomPlayer() {
  // No notice reaches the application during teardown.
  {
    std::lock_guard<std::mutex> g(FEventLock);
    FOnPosition = nullptr;
    FOnState = nullptr;
    FOnAudioHook = nullptr;
    FOnVideoHook = nullptr;
  }
  Stop(true);
  StopEventThread();
  JoinPlayThread();
}

bool TCustomPlayer::LoadLibraries(const std::string& APath, bool ALoadSDL) {
  TFFLoader& loader = FFLoader();
  loader.SetLibraryPath(APath);
  SetTextLibrariesFolder(APath);
  if (!loader.LoadLibs(PlayerLibraries)) {
    SetLastErrMsg(loader.LastErrMsg());
    return false;
  }
  if (!ALoadSDL) return true;
  if (CurStream() || FPlayThread) return FSDLLoader.Loaded();  // never swap SDL under a playback
  if (!FSDLLoader.Load(APath, SDLLibFileName)) {
    SetLastErrMsg(FSDLLoader.LastErrMsg());
    FSDL = TSDLEntryPoints{};
    return false;
  }
  FSDL = FSDLLoader.EntryPoints();
  return true;
}

bool TCustomPlayer::LibrariesLoaded() const { return FFLoader().LibsLoaded(PlayerLibraries); }

void TCustomPlayer::SetLastErrMsg(const std::string& text) {
  std::lock_guard<std::mutex> g(FTextLock);
  FLastErrMsg = text;
}

std::string TCustomPlayer::LastErrMsg() const {
  std::lock_guard<std::mutex> g(FTextLock);
  return FLastErrMsg;
}

std::string TCustomPlayer::VideoFilters() const {
  std::lock_guard<std::mutex> g(FTextLock);
  return FVideoFilters;
}

void TCustomPlayer::SetVideoFilters(const std::string& v) {
  std::lock_guard<std::mutex> g(FTextLock);
  FVideoFilters = v;
}

void TCustomPlayer::SetAudioVolume(int v) {
  FAudioVolume.store(v < 0 ? 0 : v > MaxAudioVolume ? MaxAudioVolume : v, std::memory_order_relaxed);
}

namespace {
// Handlers are swapped under their lock: delivery threads copy them out under it.
template <class Handler>
void StoreHandler(std::mutex& lock, Handler& slot, Handler h) {
  std::lock_guard<std::mutex> g(lock);
  slot = std::move(h);
}
}  // namespace

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent h) { StoreHandler(FEventLock, FOnFileOpen, std::move(h)); }
void TCustomPlayer::SetOnPosition(TPositionEvent h) { StoreHandler(FEventLock, FOnPosition, std::move(h)); }
void TCustomPlayer::SetOnState(TPlayStateEvent h) { StoreHandler(FEventLock, FOnState, std::move(h)); }
void TCustomPlayer::SetOnBeforeFindStreamInfo(TBeforeFindStreamInfoEvent h) { StoreHandler(FEventLock, FOnBeforeFindStreamInfo, std::move(h)); }
void TCustomPlayer::SetOnAudioHook(TAudioHookEvent h) { StoreHandler(FEventLock, FOnAudioHook, std::move(h)); }

std::string TCustomPlayer::SoundDeviceError() const {
  std::lock_guard<std::mutex> g(FTextLock);
  return FSoundDeviceError;
}

void TCustomPlayer::SetSoundDeviceError(const std::string& reason) {
  std::lock_guard<std::mutex> g(FTextLock);
  FSoundDeviceError = "no sound device: " + reason;
}

void TCustomPlayer::ReportError(const std::string& text, bool keep) {
  DefaultLogger().Log(this, llError, text);
  if (keep) SetLastErrMsg(text);
}

void TCustomPlayer::SetPlayState(TPlayState s) {
  bool hasHandler;
  {
    std::lock_guard<std::mutex> g(FEventLock);
    hasHandler = bool(FOnState);
  }
  if (hasHandler)
    FNotices.Post({nkState, int32_t(s), 0});
  else if (s == psStop)
    FNotices.Post({nkEndOfDelivery, 0, 0});
}

namespace {

// Handlers running on this thread (delivered here, or served for the event thread).
thread_local int tHandlerDepth = 0;
// Open stops the last playback on this thread: Stop then stops, not cancels.
thread_local bool tOpenStopsLast = false;

// The handler is looked up when it runs, so one cleared meanwhile (teardown) is
// not called. What a handler throws is logged: it must not end the delivery.
template <class Handler, class Arg>
void RaiseEvent(TCustomPlayer* sender, std::mutex& lock, const Handler& slot, bool inMainThread, Arg arg,
                const char* name) {
  auto call = [&] {
    Handler h;
    {
      std::lock_guard<std::mutex> g(lock);
      h = slot;
    }
    if (!h) return;
    std::string failure;
    struct Depth {
      Depth() { ++tHandlerDepth; }
      ~Depth() { --tHandlerDepth; }
    } depth;
    try {
      h(sender, arg);
    } catch (const std::exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "unknown exception";
    }
    if (!failure.empty()) DefaultLogger().Log(sender, llError, std::string("Error occurs ") + name + ": " + failure);
  };
  if (inMainThread)
    CallInMainThread(call);
  else
    call();
}

}  // namespace

void TCustomPlayer::DeliverPosition(int64_t pos) {
  RaiseEvent(this, FEventLock, FOnPosition, TriggerEventInMainThread(), pos, "OnPosition");
}

void TCustomPlayer::DeliverState(TPlayState s) {
  RaiseEvent(this, FEventLock, FOnState, TriggerEventInMainThread(), s, "OnState");
}

void TCustomPlayer::StopEventThread() { FEventThread.reset(); }

void TCustomPlayer::ResetPlaybackState() {
  FLastPosition.store(AV_NOPTS_VALUE, std::memory_order_relaxed);
  FSeekDoneEvent.Set();
  FSeeking.store(false, std::memory_order_relaxed);
}

void TCustomPlayer::CancelOpen() {
  FOpenCancelled.store(true);
  FIoStartTime.store(0, std::memory_order_relaxed);
  if (TMediaState* opening = FOpeningStream.load(std::memory_order_acquire)) {
    opening->AbortRequest.store(1, std::memory_order_relaxed);
    opening->PauseGate.Notify();
  }
}

void TCustomPlayer::AbandonOpen() {
  if (CurStream()) {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    DoExit_Locked();
  }
  if (FPlayThread) FPlayThread->Cancel();
  JoinPlayThread();
  ResetPlaybackState();
  FPlayThreadDoneEvent.Set();
}

bool TCustomPlayer::Open(const std::string& AFileName, uint64_t AScreenHandle, bool APaused) {
  if (!LibrariesLoaded()) {
    ReportError("libav not loaded.", true);
    return false;
  }
  if (!FSDLLoader.Loaded()) {
    ReportError("sdl not loaded.", true);
    return false;
  }
  if (FOpening.load()) {
    // Called from a handler that an Open further up this stack serves: that
    // one gives up; this one cannot take over its half-built playback.
    CancelOpen();
    ReportError("Open: another file is being opened.", true);
    return false;
  }
  // Handlers served by the waits below may call Stop (or Open): they cancel
  // this open instead of pulling the play thread from under it, and cannot
  // start a playback while the last one is being stopped.
  FOpening.store(true);
  struct OpeningScope {
    std::atomic<bool>& flag;
    ~OpeningScope() { flag.store(false); }
  } opening{FOpening};
  tOpenStopsLast = true;
  Stop(true);
  JoinPlayThread();
  tOpenStopsLast = false;
  FOpenCancelled.store(false);  // a Stop meanwhile only stopped the last playback
  {
    std::lock_guard<std::mutex> g(FTextLock);
    FSoundDeviceError.clear();
  }
  if (std::string tooLong = FileNameLengthError(AFileName); !tooLong.empty()) {
    ReportError(tooLong, true);
    return false;
  }

  const std::string canceled = FormatMediaError(AFileName, AVERROR_EXIT);

  // SDL lives on the play thread: it sets the drivers, initialises SDL into the
  // window and then waits for the stream to open.
  FPlayThreadDoneEvent.Reset();
  FWakeup.Take();  // what was asked of the previous playback
  FPlayThread = std::make_unique<TPlayThread>(this, AScreenHandle);
  std::string initError;
  if (!FPlayThread->WaitForInit(initError) || FOpenCancelled.load()) {
    AbandonOpen();
    ReportError(initError.empty() ? canceled : initError, true);
    return false;
  }

  if (!StreamOpen(AFileName, APaused) || FOpenCancelled.load()) {
    if (FOpenCancelled.load() && CurStream()) SetLastErrMsg(canceled);
    AbandonOpen();
    return false;
  }
  TMediaState* playback = CurStream();
  FScreenHandle.store(AScreenHandle, std::memory_order_relaxed);
  if (AutoLoadSubtitleFiles()) FSubtitleFiles.LoadBeside(AFileName);

  const int frameW = playback->OpenFrameWidth, frameH = playback->OpenFrameHeight;
  int64_t duration = playback->IsImageSequence ? 0 : playback->Duration;
  TFileOpenEvent onFileOpen;
  {
    std::lock_guard<std::mutex> g(FEventLock);
    onFileOpen = FOnFileOpen;
  }
  if (onFileOpen) {
    auto call = [&] {
      int w = ScreenWidth(), h = ScreenHeight();
      try {
        onFileOpen(this, duration, frameW, frameH, w, h);
      } catch (const std::exception& e) {
        DefaultLogger().Log(this, llError, std::string("Error occurs OnFileOpen: ") + e.what());
      } catch (...) {
        DefaultLogger().Log(this, llError, "Error occurs OnFileOpen: unknown exception");
      }
      SetScreenWidth(w);
      SetScreenHeight(h);
    };
    if (TriggerEventInMainThread())
      CallInMainThread(call);
    else
      call();
  }
  if (FOpenCancelled.load()) {
    SetLastErrMsg(canceled);
    AbandonOpen();
    return false;
  }
  if (AScreenHandle && (ScreenWidth() == 0 || ScreenHeight() == 0)) {
    int w = 0, h = 0;
    FPlayThread->InitialWindowSize(w, h);
    SetScreenWidth(w);
    SetScreenHeight(h);
  }

  // One delivery thread for all playbacks keeps their notices in order.
  if (!FEventThread) FEventThread = std::make_unique<TEventThread>(this);
  // psPlay goes out before Open returns: before anything the application does next.
  ReportPlay(playback);
  FPlayThread->Go();
  return true;
}

void TCustomPlayer::WaitForDelivery() {
  // A handler on the event thread (or one the main thread serves for it)
  // cannot wait for itself; a handler that blocks is waited for a while only.
  if (!FEventThread || FEventThread->IsCurrentThread() || tHandlerDepth > 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!FNotices.Idle() && std::chrono::steady_clock::now() < deadline) {
    if (FNotices.WaitIdleFor(std::chrono::milliseconds(10))) break;
    ServeMainThread();
  }
}

void TCustomPlayer::ReportPlay(TMediaState* playback) {
  std::lock_guard<std::mutex> g(playback->OpenNoticeLock);
  SetPlayState(psPlay);
  playback->PlayReported = true;
  if (playback->PausePending) SetPlayState(psPause);
}

void TCustomPlayer::ReportOpenedPaused(TMediaState* playback) {
  std::lock_guard<std::mutex> g(playback->OpenNoticeLock);
  if (playback->PlayReported)
    SetPlayState(psPause);
  else
    playback->PausePending = true;
}

void TCustomPlayer::Stop(bool AWait) {
  if (FOpening.load() && !tOpenStopsLast) {
    CancelOpen();  // the Open further up the stack cleans up
    return;
  }
  {
    std::unique_lock<TPlayerLock> lock(FPlayerLock);
    if (TMediaState* playback = CurStream()) {
      if (playback->Paused.load(std::memory_order_relaxed)) TogglePause(playback);  // no thread stays blocked paused
      PushQuitEvent(playback);
      lock.unlock();
      if (AWait) {
        WaitForPlayThread();
        JoinPlayThread();
        ResetPlaybackState();
        WaitForDelivery();
      }
      return;
    }
  }
  FIoStartTime.store(0, std::memory_order_relaxed);
  if (TMediaState* opening = FOpeningStream.load(std::memory_order_acquire))
    opening->AbortRequest.store(1, std::memory_order_relaxed);
  if (AWait) JoinPlayThread();
}

void TCustomPlayer::Pause() {
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    TMediaState* playback = CurStream();
    if (!playback || playback->Paused.load(std::memory_order_relaxed)) return;
    TogglePause(playback);
    FWakeup.Signal(wrRefresh);
    SetPlayState(psPause);  // before any psStop of this playback
  }
}

void TCustomPlayer::Resume() {
  {
    std::lock_guard<TPlayerLock> g(FPlayerLock);
    TMediaState* playback = CurStream();
    if (!playback || !playback->Paused.load(std::memory_order_relaxed)) return;
    TogglePause(playback);
    FWakeup.Signal(wrRefresh);
    SetPlayState(psResume);  // before any psStop of this playback
  }
}

bool TCustomPlayer::IsPaused() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  TMediaState* playback = CurStream();
  return !playback || playback->Paused.load(std::memory_order_relaxed);
}

int TCustomPlayer::VideoStreamIndex() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  TMediaState* playback = CurStream();
  return playback ? playback->VideoStreamIndex : -1;
}

std::string TCustomPlayer::FileInfoText() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  TMediaState* playback = CurStream();
  return playback ? playback->FileInfoText : std::string();
}

std::vector<TChapter> TCustomPlayer::Chapters() const {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  return FChapters.Get(CurStream());
}

void TCustomPlayer::UpdateScreenPosition() {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  if (TMediaState* playback = CurStream(); playback && ScreenHandle()) PushReopenVideoEvent(playback);
}

void TCustomPlayer::ReopenVideo() {
  std::lock_guard<TPlayerLock> g(FPlayerLock);
  if (TMediaState* playback = CurStream()) PushReopenVideoEvent(playback);
}

void TFFPlayer::SetAspectRatio(float v) {
  if (v == FAspectRatio.load(std::memory_order_relaxed)) return;
  FAspectRatio.store(v, std::memory_order_relaxed);
  ReopenVideo();
}

}  // namespace zv
