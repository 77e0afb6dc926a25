#include "engine/play_thread.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include "engine/clocks.h"
#include "engine/display.h"
#include "engine/picture_queue.h"
#include "engine/video_display.h"
#include "engine/player.h"
#include "engine/play_requests.h"
#include "engine/x11_embed.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace zv {

namespace {
constexpr int DefaultWindowWidth = 640, DefaultWindowHeight = 480;

// What the engine put into the environment, and what was there before it.
struct TEnvDriver {
  bool ours = false;  // the variable holds what we set
  std::string set;
  bool hadBefore = false;
  std::string before;
};

// Under SDLLock. An empty name (the default) gives the environment back the
// driver it had before an earlier Open chose one, unless someone else has
// changed it since.
void ChooseDriver(const char* variable, const char* name) {
  static std::map<std::string, TEnvDriver> drivers;
  TEnvDriver& d = drivers[variable];
  const char* current = getenv(variable);
  const bool stillOurs = d.ours && current && d.set == current;
  if (*name) {
    if (!stillOurs) {
      d.hadBefore = current != nullptr;
      d.before = current ? current : "";
    }
    setenv(variable, name, 1);
    d.ours = true;
    d.set = name;
    return;
  }
  if (stillOurs) {
    if (d.hadBefore)
      setenv(variable, d.before.c_str(), 1);
    else
      unsetenv(variable);
  }
  d.ours = false;
}
}  // namespace

TPlayThread::TPlayThread(TCustomPlayer* player, uint64_t window)
    : FPlayer(player), FHandle(window), FThread([this] { Execute(); }) {}

TPlayThread::~TPlayThread() {
  Cancel();
  while (!FDone.WaitFor(std::chrono::milliseconds(10))) ServeMainThread();
  if (FThread.joinable()) FThread.join();
}

bool TPlayThread::WaitForInit(std::string& error) {
  while (!FInitDone.WaitFor(std::chrono::milliseconds(10))) ServeMainThread();
  if (FInitState.load() > 0) return true;
  error = FInitError;
  return false;
}

void TPlayThread::Go() {
  FGo.store(true);
  FStart.Set();
}

void TPlayThread::Cancel() { FStart.Set(); }

void TPlayThread::InitialWindowSize(int& w, int& h) const {
  w = FWindowWidth;
  h = FWindowHeight;
}

bool TPlayThread::InitSDL(std::string& error) {
  const TSDLEntryPoints& sdl = FPlayer->SDL();
  const bool display = !FPlayer->DisableDisplay();
  {
    // The environment is process-wide: set it and initialise under the SDL lock.
    std::lock_guard<std::recursive_mutex> g(SDLLock());
    // A default leaves the driver the environment chose before any player
    // set one, not the one an earlier Open put there.
    ChooseDriver("SDL_AUDIODRIVER", AudioDriverName(FPlayer->AudioDriver()));
    ChooseDriver("SDL_VIDEODRIVER", VideoDriverName(FPlayer->VideoDriver()));
    // The host keeps its signals (SDL would turn SIGINT into a quit of the playback).
    sdl.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    Uint32 flags = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_EVENTS | (display ? SDL_INIT_VIDEO : 0);
    bool ok = sdl.SDL_Init(flags) == 0;
    SDL_Window* window = nullptr;
    if (ok && display) {
      if (FHandle) {
        window = sdl.SDL_CreateWindowFrom(reinterpret_cast<const void*>(uintptr_t(FHandle)));
        if (window) FollowForeignWindow(FPlayer->FSDLLoader.Handle(), window);
      } else {
        int w = FPlayer->ScreenWidth() > 0 ? FPlayer->ScreenWidth() : DefaultWindowWidth;
        int h = FPlayer->ScreenHeight() > 0 ? FPlayer->ScreenHeight() : DefaultWindowHeight;
        window = sdl.SDL_CreateWindow("FFPlayer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, w, h,
                                      SDL_WINDOW_RESIZABLE);
      }
      ok = window != nullptr;
    }
    if (!ok) {
      error = Format("Could not initialize SDL with ScreenHandle(%u): %s", {FHandle, sdl.SDL_GetError()});
      sdl.SDL_Quit();
      return false;
    }
    FPlayer->FWindow.store(window, std::memory_order_release);
  }
  if (const char* a = sdl.SDL_GetCurrentAudioDriver()) ff::av_log(nullptr, AV_LOG_DEBUG, "using audio driver: %s\n", a);
  if (display) {
    if (const char* v = sdl.SDL_GetCurrentVideoDriver())
      ff::av_log(nullptr, AV_LOG_DEBUG, "using video driver: %s\n", v);
    SDL_DisplayMode mode;
    if (sdl.SDL_GetNumVideoDisplays() < 1 || sdl.SDL_GetCurrentDisplayMode(0, &mode) != 0) {
      error = "SDL_GetVideoInfo() failed";
      ShutdownSDL();
      return false;
    }
    SDL_Window* window = FPlayer->Window();
    FWindowID = sdl.SDL_GetWindowID(window);
    sdl.SDL_GetWindowSize(window, &FWindowWidth, &FWindowHeight);
    TDrawPath path = TDrawPath::Texture;
    SDL_Renderer* r = CreateOutputRenderer(sdl, window, path);
    FPlayer->FSurfaceDisplay.SetActive(r && path == TDrawPath::Surface);
    ff::av_log(nullptr, AV_LOG_DEBUG, "drawing %s\n",
               path == TDrawPath::Surface ? "into the window's surface" : "through textures");
    if (!r) FPlayer->ReportError("SDL: could not set video mode.", false);
    FPlayer->FRenderer.store(r, std::memory_order_release);
  }
  sdl.SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
  sdl.SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
  // Wake on the window system's input too (window events of SDL's own or
  // the host's window); -1 with a driver that has no connection.
  if (display) FInputFd = WindowSystemFd(FPlayer->FSDLLoader.Handle(), FPlayer->Window());
  return true;
}

void TPlayThread::ShutdownSDL() {
  const TSDLEntryPoints& sdl = FPlayer->SDL();
  FPlayer->FOverlayTexture.Forget();
  if (SDL_Renderer* r = FPlayer->FRenderer.exchange(nullptr)) {
    // The host's window keeps whatever was presented last: leave it black, in
    // order on our own connection, rather than racing the host's clear.
    sdl.SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    sdl.SDL_RenderClear(r);
    sdl.SDL_RenderPresent(r);
    sdl.SDL_DestroyRenderer(r);
  }
  if (SDL_Window* w = FPlayer->FWindow.exchange(nullptr)) sdl.SDL_DestroyWindow(w);
  std::lock_guard<std::recursive_mutex> g(SDLLock());
  if (sdl.SDL_Quit) sdl.SDL_Quit();
}

void TPlayThread::Execute() {
  std::string error;
  bool ok = false;
  try {
    ok = InitSDL(error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  FInitError = error;
  FInitState.store(ok ? 1 : -1);
  FInitDone.Set();
  if (!ok) {
    FDone.Set();
    return;
  }
  while (!FStart.WaitFor(std::chrono::milliseconds(100))) {
  }
  if (!FGo.load()) {
    ShutdownSDL();
    FDone.Set();
    return;
  }
  // The OnFileOpen handler may have asked for another size of SDL's own window.
  if (!FHandle && FPlayer->Window() && FPlayer->ScreenWidth() > 0 && FPlayer->ScreenHeight() > 0)
    FPlayer->SDL().SDL_SetWindowSize(FPlayer->Window(), FPlayer->ScreenWidth(), FPlayer->ScreenHeight());

  try {
    PlayLoop();
  } catch (const std::exception& e) {
    DefaultLogger().Log(FPlayer, llFatal, std::string("PlayThread Exception: ") + e.what());
    std::lock_guard<TPlayerLock> g(FPlayer->FPlayerLock);
    FPlayer->DoExit_Locked();
  }
  ShutdownSDL();
  FPlayer->SetPlayState(psStop);
  FPlayer->FPlayThreadDoneEvent.Set();
  FDone.Set();
}

void TPlayThread::HandleWindowEvent(const void* event) {
  const SDL_WindowEvent& we = *static_cast<const SDL_WindowEvent*>(event);
  TMediaState* playback = FPlayer->CurStream();
  if (we.windowID != FWindowID || !playback) return;
  bool paused = playback->Paused.load(std::memory_order_relaxed);
  switch (we.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // A host's window: its size is the output's. SDL's own window reports
      // the engine's own sizing too, which is no choice of the application.
      if (FHandle) {
        FPlayer->SetScreenWidth(we.data1);
        FPlayer->SetScreenHeight(we.data2);
      }
      playback->Width = we.data1;
      playback->Height = we.data2;
      if (paused) VideoRefresh(playback, false);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (paused)
        VideoRefresh(playback, false);
      else
        VideoDisplay(playback);
      break;
    default:
      break;
  }
}

namespace {
// Wait of a paused loop with nothing due: only a lost wake-up is limited by it.
constexpr int IdleWaitMs = 1000;

// Milliseconds until the monotonic time due (s), rounded up; 0 when past.
int MsUntil(double due, double now) {
  if (due <= now) return 0;
  const double ms = std::ceil((due - now) * 1000.0);
  return ms > IdleWaitMs ? IdleWaitMs : int(ms);
}
}  // namespace

bool TPlayThread::DrainWindowEvents() {
  const TSDLEntryPoints& sdl = FPlayer->SDL();
  SDL_Event ev;
  while (sdl.SDL_PollEvent(&ev) == 1) {
    if (ev.type == SDL_QUIT) return false;
    if (ev.type == SDL_WINDOWEVENT) HandleWindowEvent(&ev.window);
  }
  return true;
}

void TPlayThread::PlayLoop() {
  const TSDLEntryPoints& sdl = FPlayer->SDL();
  TPlayWakeup& wakeup = FPlayer->Wakeup();
  int timeoutMs = 0;
  for (;;) {
    const uint32_t reasons = wakeup.Wait(timeoutMs, FInputFd);
    std::unique_lock<TPlayerLock> lock(FPlayer->FPlayerLock);
    TMediaState* playback = FPlayer->CurStream();
    if (!playback) return;
    if ((reasons & wrQuit) || !DrainWindowEvents()) {
      FPlayer->DoExit_Locked();
      return;
    }
    if (reasons & wrReopenVideo) {
      // The output is the window itself: take its current size and redraw.
      if (SDL_Window* w = FPlayer->Window()) {
        int width = 0, height = 0;
        sdl.SDL_GetWindowSize(w, &width, &height);
        FPlayer->SetScreenWidth(width);
        FPlayer->SetScreenHeight(height);
        playback->Width = width;
        playback->Height = height;
      }
      if (playback->VideoStream) VideoOpen(playback, true);
      VideoDisplay(playback);
    }
    // The refresh step runs on every pass: whatever woke the loop, the head
    // of the queue may have fallen due.
    const bool paused = playback->Paused.load(std::memory_order_relaxed);
    playback->Refresh.store(1, std::memory_order_relaxed);
    const double due = VideoRefresh(playback, true);
    playback->Refresh.store(0, std::memory_order_relaxed);
    // A subtitle line or message that changed while no picture came.
    if (FPlayer->FTextOverlay.TakeRedraw()) VideoDisplay(playback);
    const double now = ClockSeconds();
    FPlayer->VideoStatsCounter().NotePass(now, !paused && !PicturesFinished(playback));
    // Drawing may have read window events into the connection's buffer,
    // where polling its descriptor would not see them. No picture can be
    // shown when the output refused its size: the playback ends.
    if (!DrainWindowEvents() || playback->OutputFailed) {
      FPlayer->DoExit_Locked();
      return;
    }
    if (paused)
      timeoutMs = due > 0 ? MsUntil(due, now) : IdleWaitMs;
    else
      // Playing, the position moves on with the sound even when no picture is due.
      timeoutMs = std::min(due > 0 ? MsUntil(due, now) : IdleWaitMs,
                           RefreshPeriodMs(playback, FPlayer->AudioDisplayPeriod()));
    if (const int messageMs = FPlayer->FTextOverlay.MsUntilChange(); messageMs >= 0)
      timeoutMs = std::min(timeoutMs, messageMs);
  }
}

// ---- playback close, on the play thread or on a thread that stops it ----

void TCustomPlayer::CloseStream(TMediaState* playback) {
  playback->AbortRequest.store(1);
  playback->PauseGate.Notify();
  playback->ReaderGate.Notify();
  // Nothing the reader or its decoding threads do waits for the main thread
  // (log lines are queued for it), so a close there joins them plainly.
  if (playback->ReadThread.joinable()) playback->ReadThread.join();
  FreeScreenPicture(playback);
}

void TCustomPlayer::DoExit_Locked() {
  if (TMediaState* playback = CurStream()) {
    // Unpublished first: handlers served meanwhile find no playback.
    FCurStream.store(nullptr, std::memory_order_release);
    CloseStream(playback);
    FreeMediaState(playback);
    FTextOverlay.Reset();  // the files' tracks and loads of this playback go
    {
      std::lock_guard<std::mutex> g(FSeekWaitLock);
      FPlaybackCloses.fetch_add(1);
    }
    FSeekWaitCond.notify_all();
  }
  ResetPlaybackState();
}

void TCustomPlayer::WaitForPlayThread() {
  int tries = 1;
  for (;;) {
    if (FPlayThreadDoneEvent.WaitFor(std::chrono::milliseconds(100))) return;
    ServeMainThread();
    if (!CurStream()) return;
    std::unique_lock<TPlayerLock> lock(FPlayerLock, std::try_to_lock);
    if (!lock.owns_lock()) continue;
    ++tries;
    TMediaState* playback = CurStream();
    if (!playback) return;
    // Escalation: the play loop does not get to the quit event (the reader is stuck).
    if ((tries > 10 && playback->Reading.load() == 1) || tries > 20) {
      DoExit_Locked();
      return;
    }
    PushQuitEvent(playback);
  }
}

void TCustomPlayer::JoinPlayThread() {
  // Its loop ends by itself once no playback is open (within one poll).
  FPlayThread.reset();
}

}  // namespace zv
