#include "runtime/logger.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "runtime/entry_points.h"
#include "runtime/file_utils.h"
#include "runtime/log_ring.h"
#include "runtime/main_thread.h"
#include "runtime/programming_check.h"

namespace zv {

namespace {

// avutil 50.15.3 introduced parent_log_context_offset; older classes lack the field.
constexpr int kParentContextVersion = 3280643;

constexpr auto kMainThreadPoll = std::chrono::milliseconds(10);

struct LogState {
  std::mutex currentLock;
  std::condition_variable activeDone;  // signalled when a logger's FActive drops to 0
  TFFLogger* current = nullptr;        // guarded by currentLock

  // Lines for the main thread; taken out under currentLock (see DeliverQueued).
  TLogRing forMainThread;

  std::mutex logLock;
  std::unordered_map<uint32_t, std::string> pending;  // guarded by logLock; unfinished line per thread
  std::string lastChunk;                              // guarded by logLock
  int repeatCount = 0;                                // guarded by logLock
  uint64_t nextTicket = 0;                            // guarded by logLock

  // Delivered on the calling threads, library lines go out after logLock is
  // released; tickets drawn under logLock keep them in the order they were
  // completed. (Lines for the main thread keep it by entering the ring there.)
  std::mutex deliveryLock;
  std::condition_variable turnChanged;
  uint64_t serving = 0;  // guarded by deliveryLock
};

// Never destroyed: library threads may still log while statics are torn down at exit.
LogState& State() {
  static LogState* state = new LogState;
  return *state;
}

// Library filter level (AV_LOG_*); atomic, read by every library thread.
std::atomic<int> gFilterLevel{AV_LOG_INFO};

// Depth of OnLog handlers running on this thread; output they cause is delivered in place.
thread_local int tDeliveryDepth = 0;

constexpr const char* kDroppedLinesText = "    Log delivery fell behind: %d lines dropped";

// Waits on the main thread keep serving hand-offs, since the thread waited for
// may itself be blocked handing a line to the main thread.
template <class Pred>
void WaitServing(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Pred done) {
  while (!done()) {
    if (IsMainThread()) {
      lock.unlock();
      bool ran = CheckSynchronize();
      lock.lock();
      if (!ran && !done()) cv.wait_for(lock, kMainThreadPoll);
    } else {
      cv.wait(lock);
    }
  }
}

const char* ItemName(const AVClass* cls, void* ctx) {
  const char* name = cls->item_name ? cls->item_name(ctx) : cls->class_name;
  return name ? name : "";
}

const AVClass* ClassOf(void* ctx) { return *static_cast<const AVClass* const*>(ctx); }

std::string BuildPrefix(void* ctx) {
  if (!ctx) return {};
  const AVClass* cls = ClassOf(ctx);
  if (!cls) return {};
  std::string prefix;
  if (cls->version >= kParentContextVersion && cls->parent_log_context_offset != 0) {
    void* parent = *reinterpret_cast<void* const*>(static_cast<const uint8_t*>(ctx) + cls->parent_log_context_offset);
    if (parent) {
      const AVClass* parentCls = ClassOf(parent);
      if (parentCls)
        prefix = Format("[%s @ %p] ", {ItemName(parentCls, parent), static_cast<const void*>(parent)});
    }
  }
  prefix += Format("[%s @ %p]", {ItemName(cls, ctx), static_cast<const void*>(ctx)});
  return prefix;
}

std::string Render(const char* fmt, va_list vl) {
  if (!fmt) return {};
  va_list measure;
  va_copy(measure, vl);
  int size = std::vsnprintf(nullptr, 0, fmt, measure);
  va_end(measure);
  if (size <= 0) return {};
  std::string text(size_t(size), '\0');
  std::vsnprintf(text.data(), text.size() + 1, fmt, vl);
  // A %c of 0 ends the text, as it would in a C buffer.
  text.resize(std::strlen(text.c_str()));
  return text;
}

}  // namespace

// Process-wide bookkeeping that needs the logger's private parts.
struct LoggerAccess {
  // The current logger with one delivery registered on it; created when missing.
  static TFFLogger* Acquire() {
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.currentLock);
    if (!s.current) s.current = new TFFLogger(TFFLogger::AutoCreate{});
    ++s.current->FActive;
    return s.current;
  }

  static void Release(TFFLogger* logger) {
    LogState& s = State();
    bool idle;
    {
      std::lock_guard<std::mutex> lock(s.currentLock);
      idle = --logger->FActive == 0;
    }
    if (idle) s.activeDone.notify_all();
  }

  static bool ForMainThread(const TFFLogger* logger) {
    return logger->TriggerEventInMainThread() && HasMainThread();
  }

  // The first line queued after a delivery asks the main thread for the next one.
  static void AskForDelivery() { PostToMainThread([] { DeliverQueued(true); }); }

  // On the main thread: raises the queued lines' events in queue order. A
  // handler's exception stops at its line: the thread that logged it is gone.
  static void DeliverQueued(bool endDelivery) {
    LogState& s = State();
    for (;;) {
      TLogLine line;
      uint64_t dropped = 0;
      {
        // A logger with lines queued has not passed its destructor's Forget.
        std::lock_guard<std::mutex> lock(s.currentLock);
        if (!s.forMainThread.Pop(line, dropped, endDelivery)) return;
        ++line.Logger->FActive;
      }
      struct Hold {
        TFFLogger* l;
        ~Hold() { Release(l); }
      } hold{line.Logger};
      if (dropped > 0) {
        try {
          line.Logger->DoLog(TFFLogger::TLogInfo{line.Logger, CurrentThreadId(), llWarning,
                                                 Format(kDroppedLinesText, {dropped})});
        } catch (...) {
        }
      }
      try {
        line.Logger->DoLog(TFFLogger::TLogInfo{line.Sender, line.ThreadID, line.LogLevel, std::move(line.LogMsg)});
      } catch (...) {
      }
    }
  }

  static void DeliverLines(TFFLogger* logger, uint32_t threadId, TLogLevel level,
                           const std::vector<std::string>& lines) {
    // Handler exceptions stop here: this runs under a library call.
    for (const auto& line : lines) {
      try {
        logger->DoLog(TFFLogger::TLogInfo{logger, threadId, level, line});
      } catch (...) {
      }
    }
  }

  static void Callback(void* ctx, int avLevel, const char* fmt, va_list vl) {
    // Colour bits may sit above the low byte of a non-negative level.
    if (avLevel >= 0) avLevel &= 0xff;
    if (avLevel > gFilterLevel.load(std::memory_order_relaxed)) return;

    // The library's item_name and vsnprintf run before the lock is taken.
    std::string prefix = BuildPrefix(ctx);
    std::string text = Render(fmt, vl);

    TFFLogger* logger = Acquire();
    struct Hold {
      TFFLogger* l;
      ~Hold() { Release(l); }
    } hold{logger};

    const bool want = logger->HasOnLog();
    const bool nested = tDeliveryDepth > 0;
    const bool forMain = ForMainThread(logger);
    const uint32_t threadId = CurrentThreadId();
    const TLogLevel level = AVLevelToLogLevel(avLevel);
    std::vector<std::string> lines;
    uint64_t ticket = 0;
    bool askDelivery = false;
    LogState& s = State();
    {
      std::lock_guard<std::mutex> lock(s.logLock);
      std::string& item = s.pending[threadId];
      const bool lineStart = item.empty();
      std::string chunk = lineStart ? prefix + text : std::move(text);
      // Only a whole line counts as a repeat; a lone line feed that ends another
      // thread's pending text must still end it.
      if (lineStart && !chunk.empty() && chunk.back() == '\n' && chunk == s.lastChunk) {
        ++s.repeatCount;
      } else {
        item += chunk;
        if (s.repeatCount > 0) {
          if (want) lines.push_back(Format("    Last message repeated %d times", {s.repeatCount}));
          s.repeatCount = 0;
        }
        s.lastChunk = std::move(chunk);
        while (item.find('\n') != std::string::npos) {
          std::string head;
          SplitAt(item, "\n", true, head);
          if (want) lines.push_back(std::move(head));
        }
      }
      if (item.empty()) s.pending.erase(threadId);
      if (forMain) {
        // Queued under the log lock: the queue then holds them in the order
        // they were completed.
        for (auto& line : lines)
          askDelivery |= s.forMainThread.Push(TLogLine{logger, logger, threadId, level, std::move(line)});
      } else if (!lines.empty() && !nested) {
        ticket = s.nextTicket++;
      }
    }
    if (lines.empty()) return;

    if (forMain) {
      if (askDelivery) AskForDelivery();
      // A handler's own output waits for the delivery running below it.
      if (IsMainThread() && !nested) DeliverQueued(false);
      return;
    }
    if (nested) {
      // Output of a running handler: waiting for a turn would wait for ourselves.
      DeliverLines(logger, threadId, level, lines);
      return;
    }
    {
      std::unique_lock<std::mutex> lock(s.deliveryLock);
      WaitServing(lock, s.turnChanged, [&] { return s.serving == ticket; });
    }
    struct Turn {
      LogState& s;
      ~Turn() {
        {
          std::lock_guard<std::mutex> lock(s.deliveryLock);
          ++s.serving;
        }
        s.turnChanged.notify_all();
      }
    } turn{s};
    DeliverLines(logger, threadId, level, lines);
  }

  // Log and LogFmt: on the calling thread, or queued for the main thread.
  static void Deliver(TFFLogger* logger, TFFLogger::TLogInfo info) {
    if (!ForMainThread(logger)) {
      logger->DoLog(info);
      return;
    }
    if (!IsMainThread()) {
      if (State().forMainThread.Push(
              TLogLine{logger, info.Sender, info.ThreadID, info.LogLevel, std::move(info.LogMsg)}))
        AskForDelivery();
      return;
    }
    // Lines queued earlier go first; the handler's exception reaches this caller.
    if (tDeliveryDepth == 0) DeliverQueued(false);
    logger->DoLog(info);
  }
};

uint32_t CurrentThreadId() {
  thread_local const uint32_t id = static_cast<uint32_t>(::gettid());
  return id;
}

TFFLogger::TFFLogger(AutoCreate) : FAutoCreated(true) {
  FLogLevel = AVLevelToLogLevel(gFilterLevel.load());
}

TFFLogger::TFFLogger() {
  LogState& s = State();
  TFFLogger* autoCreated = nullptr;
  {
    std::lock_guard<std::mutex> lock(s.currentLock);
    if (s.current && s.current->FAutoCreated) {
      autoCreated = s.current;
      s.current = nullptr;
    }
  }
  delete autoCreated;
  FLogLevel = AVLevelToLogLevel(gFilterLevel.load());
  std::lock_guard<std::mutex> lock(s.currentLock);
  ZV_CHECK(s.current == nullptr, "Allow creating only one instance of TFFLogger.");
  s.current = this;
}

TFFLogger::~TFFLogger() {
  LogState& s = State();
  std::unique_lock<std::mutex> lock(s.currentLock);
  if (s.current == this) s.current = nullptr;
  s.forMainThread.Forget(this);
  // Library threads may be delivering through this instance right now, and
  // may queue a line for it before they are done.
  WaitServing(lock, s.activeDone, [&] { return FActive == 0; });
  s.forMainThread.Forget(this);
}

TFFLogger& DefaultLogger() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.currentLock);
  if (!s.current) s.current = new TFFLogger(TFFLogger::AutoCreate{});
  return *s.current;
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard<std::mutex> lock(FOnLogLock);
  FOnLog = std::move(handler);
}

bool TFFLogger::HasOnLog() const {
  std::lock_guard<std::mutex> lock(FOnLogLock);
  return bool(FOnLog);
}

void TFFLogger::SetLogLevel(TLogLevel value) {
  if (value == FLogLevel.load()) return;
  FLogLevel = value;
  ApplyLogLevel();
}

void TFFLogger::ApplyLogLevel() {
  if (!ff::av_log_set_level) return;
  const int level = LogLevelToAVLevel(LogLevel());
  gFilterLevel = level;
  ff::av_log_set_level(level);
}

void TFFLogger::SetupLogCallback() {
  ZV_CHECK(ff::av_log_set_callback && ff::av_log_set_level,
           "Assertion failure: av_log_set_callback and av_log_set_level are not bound.");
  ff::av_log_set_callback(&LogCallback);
  ApplyLogLevel();
}

bool TFFLogger::Passes(TLogLevel level) const {
  const TLogLevel limit = LogLevel();
  return level <= limit || (level == llVerbose && limit != llQuiet);
}

void TFFLogger::DoLog(const TLogInfo& info) {
  TLogEvent handler;
  {
    std::lock_guard<std::mutex> lock(FOnLogLock);
    handler = FOnLog;
  }
  if (!handler) return;
  struct Depth {
    Depth() { ++tDeliveryDepth; }
    ~Depth() { --tDeliveryDepth; }
  } depth;
  handler(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg);
}

void TFFLogger::Log(TFFBaseComponent* Sender, TLogLevel level, const std::string& text) {
  if (!HasOnLog() || !Passes(level)) return;
  LoggerAccess::Deliver(this, TLogInfo{Sender, CurrentThreadId(), level, text});
}

void TFFLogger::LogFmt(TFFBaseComponent* Sender, TLogLevel level, std::string_view fmt,
                       std::initializer_list<FmtArg> args) {
  if (!HasOnLog() || !Passes(level)) return;
  LoggerAccess::Deliver(this, TLogInfo{Sender, CurrentThreadId(), level, Format(fmt, args)});
}

void LogCallback(void* ctx, int level, const char* fmt, va_list vl) {
  try {
    LoggerAccess::Callback(ctx, level, fmt, vl);
  } catch (...) {
    // Nothing may unwind into the library.
  }
}

}  // namespace zv
