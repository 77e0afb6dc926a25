#pragma once
// Log lines waiting for the main thread. Bounded: when it is full the oldest
// line gives way and is counted, so a thread that logs never waits for the UI.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "runtime/log_level.h"

namespace zv {

class TFFBaseComponent;
class TFFLogger;

struct TLogLine {
  TFFLogger* Logger;  // the logger that raises the event
  TFFBaseComponent* Sender;
  uint32_t ThreadID;
  TLogLevel LogLevel;
  std::string LogMsg;
};

class TLogRing {
public:
  static constexpr size_t DefaultCapacity = 1000;

  explicit TLogRing(size_t capacity = DefaultCapacity) : FCapacity(capacity ? capacity : 1) {}

  // Queues a line; true when the caller must ask the main thread for a
  // delivery (none is pending yet).
  bool Push(TLogLine line);

  // Takes the oldest line and the number of lines dropped just before it.
  // When empty, false; with endDelivery the pending delivery is over, so the
  // next Push asks for one again.
  bool Pop(TLogLine& line, uint64_t& droppedBefore, bool endDelivery);

  // Forgets the lines of a logger that goes away.
  void Forget(const TFFLogger* logger);

  size_t Size() const;

private:
  const size_t FCapacity;
  mutable std::mutex FLock;
  std::deque<TLogLine> FLines;    // guarded by FLock
  uint64_t FDropped = 0;          // guarded by FLock; dropped since the last Pop
  bool FDeliveryAsked = false;    // guarded by FLock
};

}  // namespace zv
