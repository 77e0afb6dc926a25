#pragma once
// Shared helpers of the engine tests: a player with the libraries loaded and
// recorders for its notices and for log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/player.h"
#include "runtime/logger.h"
#include "support/test_support.h"

namespace zv::test {

struct TRecorder {
  std::mutex Lock;
  std::vector<TPlayState> States;  // guarded by Lock
  std::vector<int64_t> Positions;  // guarded by Lock

  void Attach(TCustomPlayer& p) {
    p.SetOnState([this](TFFBaseComponent*, TPlayState s) {
      std::lock_guard<std::mutex> g(Lock);
      States.push_back(s);
    });
    p.SetOnPosition([this](TFFBaseComponent*, int64_t pos) {
      std::lock_guard<std::mutex> g(Lock);
      Positions.push_back(pos);
    });
  }
  int Count(TPlayState s) {
    std::lock_guard<std::mutex> g(Lock);
    return int(std::count(States.begin(), States.end(), s));
  }
  std::vector<TPlayState> StatesCopy() {
    std::lock_guard<std::mutex> g(Lock);
    return States;
  }
  int64_t LastPosition() {
    std::lock_guard<std::mutex> g(Lock);
    return Positions.empty() ? -1 : Positions.back();
  }
};

// Collects the default logger's lines while it lives.
class TLogCapture {
public:
  TLogCapture() {
    DefaultLogger().SetTriggerEventInMainThread(false);
    DefaultLogger().SetOnLog([this](TFFBaseComponent*, uint32_t, TLogLevel, const std::string& msg) {
      std::lock_guard<std::mutex> g(FLock);
      FLines.push_back(msg);
    });
  }
  ~TLogCapture() { DefaultLogger().SetOnLog(nullptr); }
  bool Contains(const std::string& text) {
    std::lock_guard<std::mutex> g(FLock);
    return std::any_of(FLines.begin(), FLines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }

private:
  std::mutex FLock;
  std::vector<std::string> FLines;
};

// Dummy output pacing in real time. Set explicitly: a driver chosen earlier
// stays in the process environment, and the default takes the environment's.
inline void UsePacedAudio(TFFPlayer& p) {
  p.SetAudioDriver(adDummy);
  p.SetVideoDriver(vdDummy);
}

// Unpaced disk output (a file plays in a fraction of its duration) into a
// file named after tag, no picture output.
inline void UseFastDiskAudio(TFFPlayer& p, const std::string& tag) {
  setenv("SDL_DISKAUDIOFILE", (::testing::TempDir() + tag + "_disk.raw").c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  p.SetAudioDriver(adDisk);
  p.SetVideoDriver(vdDummy);
}

// A player with the media libraries and SDL loaded, or nullptr.
inline std::unique_ptr<TFFPlayer> MakePlayer() {
  std::string err;
  if (!LoadPlayerLibraries(&err)) {
    ADD_FAILURE() << "media libraries: " << err;
    return nullptr;
  }
  auto p = std::make_unique<TFFPlayer>();
  if (!p->LoadLibraries("", true)) {
    ADD_FAILURE() << "SDL: " << p->LastErrMsg();
    return nullptr;
  }
  return p;
}

}  // namespace zv::test
