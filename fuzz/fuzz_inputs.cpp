#include "fuzz_inputs.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/player.h"
#include "filters/eq_filter.h"
#include "filters/filter_pipeline.h"
#include "filters/hue_filter.h"
#include "filters/native_filter.h"
#include "filters/picture_values.h"
#include "runtime/decoder.h"
#include "runtime/entry_points.h"
#include "runtime/library_loader.h"
#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace zv::fuzz {

namespace {

using Clock = std::chrono::steady_clock;

// Media played per input: enough for the queues to fill and every thread to run.
constexpr auto PlayTime = std::chrono::milliseconds(400);
constexpr auto StopLimit = std::chrono::seconds(1);

[[noreturn]] void Broken(const std::string& what) {
  std::fprintf(stderr, "fuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// The input as a file that lives in memory only; its name goes through the
// engine's local-file path like any file a user opens.
class MemoryFile {
public:
  MemoryFile(const uint8_t* data, size_t size) {
    fd_ = memfd_create("zelvo-fuzz", MFD_CLOEXEC);
    if (fd_ < 0) Broken("memfd_create failed");
    size_t done = 0;
    while (done < size) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0) Broken("memfd write failed");
      done += size_t(n);
    }
  }
  ~MemoryFile() { ::close(fd_); }
  std::string Name() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
  int fd_ = -1;
};

TFFPlayer& Player() {
  static TFFPlayer* player = [] {
    auto* p = new TFFPlayer;
    if (!p->LoadLibraries("", true)) Broken("SDL: " + p->LastErrMsg());
    p->SetAudioDriver(adDummy);
    p->SetVideoDriver(vdDummy);
    p->SetTriggerEventInMainThread(false);
    p->SetIoTimeout(2000);
    return p;
  }();
  return *player;
}

std::atomic<int32_t> gValues[4];

}  // namespace

bool Setup() {
  static const bool ok = [] {
    InitMainThread();
    FFLoader().SetLibraryPath("");
    if (!FFLoader().LoadLibs(PlayerLibraries)) {
      std::fprintf(stderr, "fuzz: media libraries: %s\n", FFLoader().LastErrMsg().c_str());
      return false;
    }
    DefaultLogger().SetLogLevel(std::getenv("ZELVO_FUZZ_LOG") ? llDebug : llQuiet);
    RegisterEqFilter();
    RegisterHueFilter();
    for (auto& v : gValues) RegisterPictureValue(&v);
    return true;
  }();
  return ok;
}

namespace {

// Plays the file for PlayTime (or to its end) and gives how long Stop took.
Clock::duration PlayOnce(TFFPlayer& p, const std::string& name) {
  static std::atomic<bool> ended{false};
  ended = false;
  p.SetOnState([](TFFBaseComponent*, TPlayState s) {
    if (s == psEnd) ended = true;
  });
  Clock::duration took{};
  if (p.Open(name, 0, false)) {
    const auto until = Clock::now() + PlayTime;
    while (!ended && Clock::now() < until) {
      ServeMainThread();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto start = Clock::now();
    p.Stop(true);
    took = Clock::now() - start;
  }
  p.SetOnState(nullptr);
  return took;
}

}  // namespace

void RunPlayback(const uint8_t* data, size_t size) {
  MemoryFile file(data, size);
  TFFPlayer& p = Player();
  // A busy machine can delay one Stop past the limit; what the file makes slow is slow every time.
  if (PlayOnce(p, file.Name()) <= StopLimit) return;
  const auto took = PlayOnce(p, file.Name());
  if (took > StopLimit)
    Broken("Stop took " + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) +
           " ms, twice");
}

void RunDescription(const uint8_t* data, size_t size) {
  MemoryFile file(data, size);
  TFFDecoder decoder;
  if (!decoder.LoadFile(file.Name())) return;
  TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  std::string text;
  decoder.GetFileInfoText(text);
  // Lines end in CR LF; nothing from the file may end one early or start another.
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) Broken("description does not end with CR LF");
    for (size_t i = pos; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      if (c < 0x20 || c == 0x7F) Broken("control character in description line: " + text.substr(pos, end - pos));
    }
    pos = end + 2;
  }
}

void RunFilters(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; (i = text.find('@', i)) != std::string::npos;) {
    if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
      const std::string address = std::to_string(reinterpret_cast<uintptr_t>(&gValues[text[i + 1] - '0']));
      text.replace(i, 2, address);
      i += address.size();
    } else {
      ++i;
    }
  }
  // Values the filters must clamp.
  for (size_t k = 0; k < 4; ++k) gValues[k] = size > k ? int32_t(int8_t(data[k])) * 3 : 0;

  std::vector<TFilterStep> steps;
  std::string err;
  if (!ParseVideoFilters(text, steps, &err)) return;
  for (const TFilterStep& step : steps) {
    if (!step.Filter) continue;
    TNativeFilterContext* ctx = CreateNativeFilter(step.Filter, step.HasArgs ? step.Args.c_str() : nullptr);
    if (!ctx) continue;
    // One small picture through the instance: the settings it read are used.
    AVFrame* frame = ff::av_frame_alloc();
    frame->width = 18;
    frame->height = 6;
    frame->format = AV_PIX_FMT_YUV420P;
    if (ff::av_frame_get_buffer(frame, 0) >= 0)
      for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 3 : 6); ++y) std::memset(frame->data[p] + y * frame->linesize[p], 0x50 + 0x20 * p, p ? 9 : 18);
    if (frame->data[0] &&
        (!step.Filter->config_input || step.Filter->config_input(ctx, AV_PIX_FMT_YUV420P, 18, 6) >= 0))
      ProcessNativeFilter(ctx, frame);
    ff::av_frame_free(&frame);
    FreeNativeFilter(ctx);
  }
}

}  // namespace zv::fuzz
