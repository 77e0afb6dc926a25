#include "app/debug_output.h"

#include <cstdio>
#include <mutex>

#include "runtime/format.h"

namespace zvapp {

namespace {
std::mutex gSinkLock;
std::function<void(const std::string&)> gSink;  // guarded by gSinkLock
}  // namespace

void SetDebugOutputSink(std::function<void(const std::string& line)> sink) {
  std::lock_guard<std::mutex> lock(gSinkLock);
  gSink = std::move(sink);
}

void DebugOutput(const std::string& text) {
  std::function<void(const std::string&)> sink;
  {
    std::lock_guard<std::mutex> lock(gSinkLock);
    sink = gSink;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    size_t stop = end == std::string::npos ? text.size() : end;
    std::string line = text.substr(start, stop - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A block that ends with a line break has no extra empty line after it.
    if (end != std::string::npos || !line.empty()) {
      if (sink) {
        sink(line);
      } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
      }
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

std::string LogLineText(uint32_t threadId, int levelOrdinal, const std::string& message) {
  return "#" + std::to_string(threadId) + "." + std::to_string(levelOrdinal) + ": " + message;
}

std::string AspectRatioText(float ratio) { return zv::Format("aspect ratio: %f", {double(ratio)}); }

std::string DurationText(int64_t durationUs, int frameWidth, int frameHeight) {
  return zv::Format("duration: %f, frame size: %dx%d", {double(durationUs) / 1000000.0, frameWidth, frameHeight});
}

float DisplayAspectRatio(int width, int height, int sarNum, int sarDen) {
  float r = (sarNum != 0 && sarDen != 0) ? float(sarNum) / float(sarDen) : 1.0f;
  if (height == 0) return 0.0f;
  return float(width) * r / float(height);
}

}  // namespace zvapp
