#pragma once
// Shared by the filter tests: library set-up, library log capture and small pictures.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "filters/eq_filter.h"
#include "filters/hue_filter.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"
#include "support/test_support.h"

namespace zv::test {

// Collects the library's log lines (av_log through the process logger) at debug level.
class LogCapture {
public:
  LogCapture() {
    static int sync = 0;
    TFFLogger& l = DefaultLogger();
    l.SetOnLog(nullptr);
    l.SetTriggerEventInMainThread(false);
    l.SetLogLevel(llDebug);
    l.SetupLogCallback();
    // Ends any repeat run left by an earlier test, so equal first lines are not swallowed.
    ff::av_log(nullptr, AV_LOG_PANIC, "log capture %d\n", ++sync);
    l.SetOnLog([this](TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
      std::lock_guard<std::mutex> g(lock_);
      lines_.push_back({level, msg});
    });
  }
  ~LogCapture() {
    TFFLogger& l = DefaultLogger();
    l.SetOnLog(nullptr);
    l.SetTriggerEventInMainThread(true);
    l.SetLogLevel(llInfo);
    l.ApplyLogLevel();
  }
  struct Line {
    TLogLevel level;
    std::string text;
  };
  // Lines whose prefix names ctx, with the prefix removed.
  std::vector<Line> From(const void* ctx, const char* name) {
    const std::string prefix = Format("[%s @ %p]", {name, ctx});
    std::lock_guard<std::mutex> g(lock_);
    std::vector<Line> out;
    for (const auto& l : lines_)
      if (l.text.rfind(prefix, 0) == 0) out.push_back({l.level, l.text.substr(prefix.size())});
    return out;
  }
  std::vector<std::string> Texts(const void* ctx, const char* name) {
    std::vector<std::string> out;
    for (auto& l : From(ctx, name)) out.push_back(l.text);
    return out;
  }
  std::vector<std::string> All() {
    std::lock_guard<std::mutex> g(lock_);
    std::vector<std::string> out;
    for (auto& l : lines_) out.push_back(l.text);
    return out;
  }
  void Clear() {
    std::lock_guard<std::mutex> g(lock_);
    lines_.clear();
  }

private:
  std::mutex lock_;
  std::vector<Line> lines_;
};

class FilterLibTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(LoadPlayerLibraries(&err)) << err;
    RegisterEqFilter();
    RegisterHueFilter();
  }
};

// A frame with its own buffers; planes filled by the caller.
inline AVFrame* MakeFrame(int w, int h, AVPixelFormat fmt) {
  AVFrame* f = ff::av_frame_alloc();
  f->width = w;
  f->height = h;
  f->format = fmt;
  if (ff::av_frame_get_buffer(f, 0) < 0) ff::av_frame_free(&f);
  return f;
}

struct FrameDeleter {
  void operator()(AVFrame* f) const { ff::av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

}  // namespace zv::test
