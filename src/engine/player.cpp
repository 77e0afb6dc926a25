#include "engine/player.h"

#include <cstdlib>
#include <cstring>

#include "engine/clocks.h"
#include "engine/event_thread.h"
#include "engine/play_thread.h"
#include "engine/play_requests.h"
#include "runtime/format.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

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

// Code points of a UTF-8 text (continuation bytes do not count).
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

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
}

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

// The handler is looked up when it runs, so one cleared meanwhile (teardown) is not called.
template <class Handler, class Arg>
void RaiseEvent(TCustomPlayer* sender, std::mutex& lock, const Handler& slot, bool inMainThread, Arg arg) {
  auto call = [&] {
    Handler h;
    {
      std::lock_guard<std::mutex> g(lock);
      h = slot;
    }
    if (h) h(sender, arg);
  };
  if (inMainThread)
    CallInMainThread(call);
  else
    call();
}

}  // namespace

void TCustomPlayer::DeliverPosition(int64_t pos) {
  RaiseEvent(this, FEventLock, FOnPosition, TriggerEventInMainThread(), pos);
}

void TCustomPlayer::DeliverState(TPlayState s) {
  RaiseEvent(this, FEventLock, FOnState, TriggerEventInMainThread(), s);
}

void TCustomPlayer::StopEventThread() { FEventThread.reset(); }

void TCustomPlayer::ResetPlaybackState() {
  FLastPosition.store(AV_NOPTS_VALUE, std::memory_order_relaxed);
  FSeekDoneEvent.Set();
  FSeeking.store(false, std::memory_order_relaxed);
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
  Stop(true);
  JoinPlayThread();
  {
    std::lock_guard<std::mutex> g(FTextLock);
    FSoundDeviceError.clear();
  }
  if (Utf8Length(AFileName) > size_t(MaxFileNameLength)) {
    ReportError(Format("File name too long: %d characters, at most %d are accepted.",
                       {Utf8Length(AFileName), MaxFileNameLength}),
                true);
    return false;
  }

  // SDL lives on the play thread: it sets the drivers, initialises SDL into the
  // window and then waits for the stream to open.
  FPlayThreadDoneEvent.Reset();
  FWakeup.Take();  // what was asked of the previous playback
  FPlayThread = std::make_unique<TPlayThread>(this, AScreenHandle);
  std::string initError;
  if (!FPlayThread->WaitForInit(initError)) {
    JoinPlayThread();
    ResetPlaybackState();
    FPlayThreadDoneEvent.Set();
    ReportError(initError, true);
    return false;
  }

  if (!StreamOpen(AFileName, APaused)) {
    FPlayThread->Cancel();
    JoinPlayThread();
    ResetPlaybackState();
    FPlayThreadDoneEvent.Set();
    return false;
  }
  TMediaState* is = CurStream();
  FScreenHandle.store(AScreenHandle, std::memory_order_relaxed);

  int frameW = -1, frameH = -1;
  // The stream's parameters: the decoder's context is the video thread's by now.
  if (is->VideoStream && is->VideoStream->codecpar->width > 0) {
    frameW = is->VideoStream->codecpar->width;
    frameH = is->VideoStream->codecpar->height;
  }
  int64_t duration = is->IsImageSequence ? 0 : is->Duration;
  TFileOpenEvent onFileOpen;
  {
    std::lock_guard<std::mutex> g(FEventLock);
    onFileOpen = FOnFileOpen;
  }
  if (onFileOpen) {
    auto call = [&] {
      int w = ScreenWidth(), h = ScreenHeight();
      onFileOpen(this, duration, frameW, frameH, w, h);
      SetScreenWidth(w);
      SetScreenHeight(h);
    };
    if (TriggerEventInMainThread())
      CallInMainThread(call);
    else
      call();
  }
  if (AScreenHandle && (ScreenWidth() == 0 || ScreenHeight() == 0)) {
    int w = 0, h = 0;
    FPlayThread->InitialWindowSize(w, h);
    SetScreenWidth(w);
    SetScreenHeight(h);
  }

  StopEventThread();
  FEventThread = std::make_unique<TEventThread>(this);
  FPlayThread->Go();
  return true;
}

void TCustomPlayer::Stop(bool AWait) {
  if (TMediaState* is = CurStream()) {
    if (is->Paused.load(std::memory_order_relaxed)) TogglePause(is);  // no thread stays blocked paused
    PushQuitEvent(is);
    if (AWait) {
      WaitForPlayThread();
      JoinPlayThread();
      ResetPlaybackState();
    }
    return;
  }
  FIoStartTime.store(0, std::memory_order_relaxed);
  if (TMediaState* opening = FOpeningStream.load(std::memory_order_acquire))
    opening->AbortRequest.store(1, std::memory_order_relaxed);
  if (AWait) JoinPlayThread();
}

void TCustomPlayer::Pause() {
  TMediaState* is = CurStream();
  if (!is || is->Paused.load(std::memory_order_relaxed)) return;
  TogglePause(is);
  FWakeup.Signal(wrRefresh);
  SetPlayState(psPause);
}

void TCustomPlayer::Resume() {
  TMediaState* is = CurStream();
  if (!is || !is->Paused.load(std::memory_order_relaxed)) return;
  TogglePause(is);
  FWakeup.Signal(wrRefresh);
  SetPlayState(psResume);
}

bool TCustomPlayer::IsPaused() const {
  TMediaState* is = CurStream();
  return !is || is->Paused.load(std::memory_order_relaxed);
}

int TCustomPlayer::VideoStreamIndex() const {
  TMediaState* is = CurStream();
  return is ? is->VideoStreamIndex : -1;
}

void TCustomPlayer::UpdateScreenPosition() {
  if (TMediaState* is = CurStream(); is && ScreenHandle()) PushReopenVideoEvent(is);
}

void TFFPlayer::SetAspectRatio(float v) {
  if (v == FAspectRatio.load(std::memory_order_relaxed)) return;
  FAspectRatio.store(v, std::memory_order_relaxed);
  if (TMediaState* is = CurStream()) PushReopenVideoEvent(is);
}

}  // namespace zv
