#pragma once
// One logging component for the whole process: library output (av_log) and the
// program's own messages, assembled into lines and delivered through OnLog.
#include <atomic>
#include <cstdarg>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>

#include "runtime/base_component.h"
#include "runtime/format.h"
#include "runtime/log_level.h"

namespace zv {

using TLogEvent = std::function<void(TFFBaseComponent* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                                     const std::string& ALogMsg)>;

class TFFLogger : public TFFBaseComponent {
public:
  TFFLogger();
  ~TFFLogger() override;

  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread.load(std::memory_order_relaxed); }
  void SetTriggerEventInMainThread(bool v) { FTriggerEventInMainThread.store(v, std::memory_order_relaxed); }
  TLogLevel LogLevel() const { return FLogLevel; }
  void SetLogLevel(TLogLevel value);
  void ApplyLogLevel();
  // Installs LogCallback into avutil and applies the level; avutil must be bound.
  void SetupLogCallback();

  // May change while other threads log (the window clears it when it closes).
  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  void Log(TFFBaseComponent* Sender, TLogLevel level, const std::string& text);
  void LogFmt(TFFBaseComponent* Sender, TLogLevel level, std::string_view fmt, std::initializer_list<FmtArg> args);

  bool AutoCreated() const { return FAutoCreated; }

private:
  friend TFFLogger& DefaultLogger();
  friend void LogCallback(void* ctx, int level, const char* fmt, va_list vl);
  friend struct LoggerAccess;
  struct AutoCreate {};
  explicit TFFLogger(AutoCreate);
  struct TLogInfo {
    TFFBaseComponent* Sender;
    uint32_t ThreadID;
    TLogLevel LogLevel;
    std::string LogMsg;
  };
  bool Passes(TLogLevel level) const;
  void DoLog(const TLogInfo& info);

  bool FAutoCreated = false;
  std::atomic<bool> FTriggerEventInMainThread{true};
  std::atomic<TLogLevel> FLogLevel{llInfo};
  mutable std::mutex FOnLogLock;
  TLogEvent FOnLog;  // guarded by FOnLogLock
  // Deliveries in progress on this instance (library lines, and queued lines
  // the main thread raises); guarded by the current-logger lock, the
  // destructor waits for it to drop.
  int FActive = 0;
};

// The current logger; created on demand (AutoCreated) when there is none.
TFFLogger& DefaultLogger();

// The av_log callback.
void LogCallback(void* ctx, int level, const char* fmt, va_list vl);

// Kernel thread id of the caller.
uint32_t CurrentThreadId();

}  // namespace zv
