#pragma once
// Loads subtitle files on a thread of its own (a large file never holds up
// pictures) into the text overlay: the files beside a video when it opens,
// or one file the user picks. A load that fails logs one line and shows a
// short message; the video plays on.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "engine/text_overlay.h"

namespace zv {

class TSubtitleFileLoader {
public:
  explicit TSubtitleFileLoader(TTextOverlay& overlay) : FOverlay(overlay) {}
  ~TSubtitleFileLoader();
  TSubtitleFileLoader(const TSubtitleFileLoader&) = delete;
  TSubtitleFileLoader& operator=(const TSubtitleFileLoader&) = delete;

  // The files beside videoPath; the chosen one is shown unless the video
  // has an embedded subtitle stream marked default.
  void LoadBeside(const std::string& videoPath);
  // One file, shown as soon as it is loaded.
  void LoadFile(const std::string& path);
  // True once every load asked for so far has finished (or was dropped).
  bool Idle();

private:
  struct TJob {
    std::string Path;  // the video (Beside) or the subtitle file
    bool Beside = false;
    uint64_t Generation = 0;
  };
  void Enqueue(TJob job);
  void Run();
  void DoJob(const TJob& job);
  bool LoadOne(const std::string& path, bool select, uint64_t generation);

  TTextOverlay& FOverlay;
  std::mutex FLock;
  std::condition_variable FWake;
  std::deque<TJob> FJobs;  // guarded by FLock
  bool FBusy = false;      // guarded by FLock
  bool FStop = false;      // guarded by FLock
  std::thread FThread;     // started by the first Enqueue (under FLock)
};

}  // namespace zv
