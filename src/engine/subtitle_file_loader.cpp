#include "engine/subtitle_file_loader.h"

#include <filesystem>

#include "engine/subtitle_files.h"
#include "runtime/av_ptr.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

// Whether the video has a subtitle stream marked default (its header only).
bool HasDefaultSubtitleStream(const std::string& videoPath) {
  AVFormatContext* raw = nullptr;
  if (ff::avformat_open_input(&raw, videoPath.c_str(), nullptr, nullptr) < 0) return false;
  AVInputPtr fc(raw);
  for (unsigned i = 0; i < fc->nb_streams; ++i) {
    const AVStream* s = fc->streams[i];
    if (s->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && (s->disposition & AV_DISPOSITION_DEFAULT)) return true;
  }
  return false;
}

}  // namespace

TSubtitleFileLoader::~TSubtitleFileLoader() {
  {
    std::lock_guard<std::mutex> g(FLock);
    FStop = true;
    FJobs.clear();
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
}

void TSubtitleFileLoader::LoadBeside(const std::string& videoPath) {
  Enqueue(TJob{videoPath, true, FOverlay.Generation()});
}

void TSubtitleFileLoader::LoadFile(const std::string& path) { Enqueue(TJob{path, false, FOverlay.Generation()}); }

bool TSubtitleFileLoader::Idle() {
  std::lock_guard<std::mutex> g(FLock);
  return FJobs.empty() && !FBusy;
}

void TSubtitleFileLoader::Enqueue(TJob job) {
  {
    std::lock_guard<std::mutex> g(FLock);
    if (FStop) return;
    FJobs.push_back(std::move(job));
    if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
  }
  FWake.notify_all();
}

void TSubtitleFileLoader::Run() {
  std::unique_lock<std::mutex> l(FLock);
  for (;;) {
    FWake.wait(l, [this] { return FStop || !FJobs.empty(); });
    if (FStop) return;
    TJob job = std::move(FJobs.front());
    FJobs.pop_front();
    FBusy = true;
    l.unlock();
    DoJob(job);
    l.lock();
    FBusy = false;
  }
}

void TSubtitleFileLoader::DoJob(const TJob& job) {
  if (job.Generation != FOverlay.Generation()) return;  // the playback it was for has ended
  if (!job.Beside) {
    LoadOne(job.Path, true, job.Generation);
    return;
  }
  const std::vector<std::string> files = SubtitleFilesBeside(job.Path);
  if (files.empty()) return;
  const std::string chosen = ChooseSubtitleFile(files, job.Path, UserLocale());
  const bool select = !HasDefaultSubtitleStream(job.Path);
  // The one shown first, so that it comes up soonest.
  LoadOne(chosen, select, job.Generation);
  for (const std::string& f : files)
    if (f != chosen) LoadOne(f, false, job.Generation);
}

bool TSubtitleFileLoader::LoadOne(const std::string& path, bool select, uint64_t generation) {
  TParsedSubtitles parsed;
  std::string error;
  const auto stale = [&] {
    std::lock_guard<std::mutex> g(FLock);
    return FStop || generation != FOverlay.Generation();
  };
  const std::string name = std::filesystem::path(path).filename().string();
  if (!LoadSubtitleFile(path, parsed, error, stale)) {
    if (stale()) return false;
    DefaultLogger().Log(nullptr, llError, "Subtitle file " + path + " not loaded: " + error);
    FOverlay.ShowMessage("Subtitles not loaded: " + name);
    return false;
  }
  return FOverlay.AddFileTrack(name, parsed, select, generation);
}

}  // namespace zv
