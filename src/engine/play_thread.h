#pragma once
// The play thread of one playback: initialises SDL into the output window,
// waits until the stream has opened, then runs SDL's event loop (refresh,
// quit, window size and expose events) until the playback closes, and shuts
// SDL down. SDL init, rendering and event polling all stay on this thread.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/manual_event.h"

namespace zv {

class TCustomPlayer;

class TPlayThread {
public:
  TPlayThread(TCustomPlayer* player, uint64_t window);  // starts at once
  ~TPlayThread();  // joins; the caller has made sure the thread ends
  TPlayThread(const TPlayThread&) = delete;
  TPlayThread& operator=(const TPlayThread&) = delete;

  // Waits (serving main-thread hand-offs) for SDL's initialisation; the failure text otherwise.
  bool WaitForInit(std::string& error);
  // After a successful init: start playing, or give up and shut SDL down.
  void Go();
  void Cancel();
  bool Finished() { return FDone.IsSet(); }
  // Client size of the output window when SDL took it over (0 × 0 without one).
  void InitialWindowSize(int& w, int& h) const;

private:
  void Execute();
  bool InitSDL(std::string& error);
  void ShutdownSDL();
  void PlayLoop();
  // Handles SDL's pending window events; false on SDL's quit.
  bool DrainWindowEvents();
  void HandleWindowEvent(const void* event);

  TCustomPlayer* FPlayer;
  uint64_t FHandle;  // X11 window id, 0 for SDL's own window
  std::atomic<int> FInitState{0};  // 0 pending, 1 ok, -1 failed
  std::string FInitError;          // written before FInitDone is set
  int FWindowWidth = 0, FWindowHeight = 0;  // written before FInitDone is set
  uint32_t FWindowID = 0;                   // play thread only
  int FInputFd = -1;                        // play thread only: the window system's connection
  TManualEvent FInitDone{false};
  TManualEvent FStart{false};
  std::atomic<bool> FGo{false};
  TManualEvent FDone{false};
  std::thread FThread;
};

}  // namespace zv
