#pragma once
#include <cstdint>

namespace zv {

enum TLogLevel : uint8_t { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// (ordinal - 1) * 8
constexpr int LogLevelToAVLevel(TLogLevel l) { return (int(l) - 1) * 8; }
// level / 8 (toward zero) + 1, clamped to llQuiet..llDebug
constexpr TLogLevel AVLevelToLogLevel(int avLevel) {
  int v = avLevel / 8 + 1;
  return TLogLevel(v < 0 ? 0 : v > 7 ? 7 : v);
}
const char* LogLevelName(TLogLevel l);

}  // namespace zv
