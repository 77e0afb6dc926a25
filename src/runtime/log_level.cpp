#include "runtime/log_level.h"

namespace zv {

const char* LogLevelName(TLogLevel l) {
  static const char* const kNames[] = {"quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug"};
  return unsigned(l) < sizeof kNames / sizeof kNames[0] ? kNames[l] : "unknown";
}

}  // namespace zv
