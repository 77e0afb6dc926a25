#include "runtime/logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "runtime/entry_points.h"
#include "runtime/log_ring.h"
#include "runtime/main_thread.h"
#include "support/test_support.h"

namespace zv {
namespace {

using namespace std::chrono_literals;

// Builds the va_list the library would pass.
__attribute__((format(printf, 3, 4))) void Emit(void* ctx, int level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  LogCallback(ctx, level, fmt, ap);
  va_end(ap);
}

struct Line {
  TFFBaseComponent* sender;
  uint32_t threadId;
  TLogLevel level;
  std::string msg;
  uint32_t deliveredOn;
};

class Recorder {
public:
  TLogEvent Handler() {
    return [this](TFFBaseComponent* sender, uint32_t tid, TLogLevel level, const std::string& msg) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back({sender, tid, level, msg, CurrentThreadId()});
    };
  }
  std::vector<Line> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (auto& l : Lines()) out.push_back(l.msg);
    return out;
  }
  size_t Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
  }

private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

// Stand-ins for the avutil level/callback entry points, restored on scope exit.
int gFakeLevel = -1000;
void (*gFakeCallback)(void*, int, const char*, va_list) = nullptr;
void FakeSetLevel(int level) { gFakeLevel = level; }
void FakeSetCallback(void (*cb)(void*, int, const char*, va_list)) { gFakeCallback = cb; }

struct FakeAvutil {
  decltype(ff::av_log_set_level) savedLevel = ff::av_log_set_level;
  decltype(ff::av_log_set_callback) savedCallback = ff::av_log_set_callback;
  FakeAvutil() {
    ff::av_log_set_level = &FakeSetLevel;
    ff::av_log_set_callback = &FakeSetCallback;
  }
  ~FakeAvutil() {
    ff::av_log_set_level = savedLevel;
    ff::av_log_set_callback = savedCallback;
  }
};

// A thread that runs the steps it is given one at a time, so tests can
// interleave output of several threads in a fixed order.
class Worker {
public:
  Worker() : thread_([this] { Loop(); }) {}
  ~Worker() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  bool Run(std::function<void()> fn) {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t mine = ++posted_;
    tasks_.push_back(std::move(fn));
    cv_.notify_all();
    return cv_.wait_for(lock, 10s, [&] { return done_ >= mine; });
  }
  uint32_t Id() {
    uint32_t id = 0;
    Run([&] { id = CurrentThreadId(); });
    return id;
  }

private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      cv_.wait(lock, [&] { return quit_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      auto fn = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      fn();
      lock.lock();
      ++done_;
      cv_.notify_all();
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;  // guarded by mutex_
  uint64_t posted_ = 0;                      // guarded by mutex_
  uint64_t done_ = 0;                        // guarded by mutex_
  bool quit_ = false;                        // guarded by mutex_
  std::thread thread_;
};

// A library-style context: the class pointer first, a parent context pointer after it.
struct FakeCtx {
  const AVClass* cls;
  void* parent;
};
const char* ChildName(void*) { return "child"; }
const char* ParentName(void*) { return "parent"; }

AVClass MakeClass(const char* (*itemName)(void*), int version, int parentOffset) {
  AVClass c{};
  c.class_name = "fake";
  c.item_name = itemName;
  c.version = version;
  c.parent_log_context_offset = parentOffset;
  return c;
}

std::string Hex(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*" PRIXPTR, int(sizeof(void*) * 2), reinterpret_cast<uintptr_t>(p));
  return buf;
}

class LogTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitMainThread();
    Reset();
    logger().SetOnLog(rec.Handler());
  }
  void TearDown() override {
    Reset();
    if (ff::av_log_set_level) DefaultLogger().ApplyLogLevel();
  }
  // Restores the process-wide state and ends anything this thread left pending.
  static void Reset() {
    TFFLogger& l = DefaultLogger();
    l.SetOnLog(nullptr);
    CheckSynchronize();  // lines an earlier test left queued go to nobody
    l.SetTriggerEventInMainThread(true);
    {
      FakeAvutil fake;
      l.SetLogLevel(llInfo);
      l.ApplyLogLevel();
    }
    static int n = 0;
    Emit(nullptr, AV_LOG_PANIC, "\nsync %d\n", ++n);
  }
  static TFFLogger& logger() { return DefaultLogger(); }
  Recorder rec;
};

TEST_F(LogTest, LevelMapping) {
  static_assert(LogLevelToAVLevel(llQuiet) == AV_LOG_QUIET);
  static_assert(LogLevelToAVLevel(llPanic) == AV_LOG_PANIC);
  static_assert(LogLevelToAVLevel(llDebug) == AV_LOG_DEBUG);
  const std::pair<int, TLogLevel> cases[] = {{-8, llQuiet}, {-1, llPanic}, {0, llPanic},   {16, llError},
                                             {39, llInfo},  {40, llVerbose}, {56, llDebug}, {100, llDebug}};
  for (auto [av, expected] : cases) EXPECT_EQ(AVLevelToLogLevel(av), expected) << av;
}

TEST_F(LogTest, ThreeCallsMakeOneLineWithPrefix) {
  AVClass parentCls = MakeClass(&ParentName, LIBAVUTIL_VERSION_INT, 0);
  AVClass childCls = MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, offsetof(FakeCtx, parent));
  FakeCtx parent{&parentCls, nullptr};
  FakeCtx child{&childCls, &parent};

  Emit(&child, AV_LOG_INFO, "abc");
  Emit(&child, AV_LOG_INFO, "%s", "def");
  EXPECT_EQ(rec.Count(), 0u);
  Emit(&child, AV_LOG_INFO, "\n");

  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].msg, "[parent @ " + Hex(&parent) + "] [child @ " + Hex(&child) + "]abcdef");
  EXPECT_EQ(lines[0].sender, &logger());
  EXPECT_EQ(lines[0].threadId, CurrentThreadId());
  EXPECT_EQ(lines[0].level, llInfo);
}

TEST_F(LogTest, PrefixRules) {
  AVClass parentCls = MakeClass(&ParentName, LIBAVUTIL_VERSION_INT, 0);
  FakeCtx parent{&parentCls, nullptr};
  FakeCtx classless{nullptr, nullptr};
  const int offset = offsetof(FakeCtx, parent);
  struct Case {
    const char* name;
    AVClass cls;
    void* parentPtr;
    bool withParent;
  } cases[] = {
      {"current version", MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, offset), &parent, true},
      {"first version with parent", MakeClass(&ChildName, 3280643, offset), &parent, true},
      {"older class", MakeClass(&ChildName, 3280642, offset), &parent, false},
      {"no parent offset", MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, 0), &parent, false},
      {"nil parent", MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, offset), nullptr, false},
      {"parent without class", MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, offset), &classless, false},
  };
  for (auto& c : cases) {
    FakeCtx child{&c.cls, c.parentPtr};
    Emit(&child, AV_LOG_ERROR, "%s\n", c.name);
    std::string expected = c.withParent ? "[parent @ " + Hex(&parent) + "] " : "";
    expected += "[child @ " + Hex(&child) + "]" + c.name;
    auto texts = rec.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), expected) << c.name;
  }
  Emit(nullptr, AV_LOG_ERROR, "no context\n");
  EXPECT_EQ(rec.Texts().back(), "no context");
  EXPECT_EQ(rec.Count(), std::size(cases) + 1);
}

TEST_F(LogTest, InterleavedThreadsKeepSeparateLines) {
  logger().SetTriggerEventInMainThread(false);
  Worker a, b;
  const uint32_t ida = a.Id(), idb = b.Id();
  ASSERT_TRUE(a.Run([] { Emit(nullptr, AV_LOG_INFO, "a1"); }));
  ASSERT_TRUE(b.Run([] { Emit(nullptr, AV_LOG_INFO, "b1"); }));
  ASSERT_TRUE(a.Run([] { Emit(nullptr, AV_LOG_INFO, "a2\n"); }));
  ASSERT_TRUE(b.Run([] { Emit(nullptr, AV_LOG_INFO, "b2\n"); }));
  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].msg, "a1a2");
  EXPECT_EQ(lines[0].threadId, ida);
  EXPECT_EQ(lines[1].msg, "b1b2");
  EXPECT_EQ(lines[1].threadId, idb);
}

TEST_F(LogTest, LoneLineFeedEndsPendingTextAfterAnEmptyLine) {
  // Another thread's empty line leaves "\n" as the last chunk; the same chunk
  // ending this thread's pending text is not a repeat.
  logger().SetTriggerEventInMainThread(false);
  Worker other;
  Emit(nullptr, AV_LOG_INFO, "zz");
  ASSERT_TRUE(other.Run([] { Emit(nullptr, AV_LOG_INFO, "\n"); }));
  Emit(nullptr, AV_LOG_INFO, "\n");
  Emit(nullptr, AV_LOG_INFO, "next\n");
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"", "zz", "next"}));
}

TEST_F(LogTest, RepeatedLineIsFolded) {
  for (int i = 0; i < 3; ++i) Emit(nullptr, AV_LOG_WARNING, "same %d\n", 1);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"same 1"}));
  Emit(nullptr, AV_LOG_ERROR, "other\n");
  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].msg, "    Last message repeated 2 times");
  EXPECT_EQ(lines[1].level, llError);
  EXPECT_EQ(lines[2].msg, "other");
}

TEST_F(LogTest, LineFeedsSplitChunks) {
  Emit(nullptr, AV_LOG_INFO, "x\ny\n");
  Emit(nullptr, AV_LOG_INFO, "p\nq");
  Emit(nullptr, AV_LOG_INFO, "r\n");
  Emit(nullptr, AV_LOG_INFO, "cr\rstays\n");
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"x", "y", "p", "qr", "cr\rstays"}));
}

TEST_F(LogTest, ComponentMessagesFollowLevelRules) {
  struct Case {
    TLogLevel limit, level;
    bool delivered;
  } cases[] = {
      {llWarning, llInfo, false},  {llWarning, llVerbose, true}, {llWarning, llWarning, true},
      {llWarning, llError, true},  {llWarning, llDebug, false},  {llQuiet, llPanic, false},
      {llQuiet, llVerbose, false}, {llQuiet, llDebug, false},    {llDebug, llDebug, true},
  };
  int n = 0;
  for (auto& c : cases) {
    logger().SetLogLevel(c.limit);
    const size_t before = rec.Count();
    logger().Log(nullptr, c.level, "m" + std::to_string(++n));
    EXPECT_EQ(rec.Count() - before, c.delivered ? 1u : 0u) << int(c.limit) << "/" << int(c.level);
  }
  logger().SetLogLevel(llInfo);
  logger().LogFmt(&logger(), llInfo, "n=%d %s", {5, "ok"});
  auto lines = rec.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().msg, "n=5 ok");
  EXPECT_EQ(lines.back().sender, &logger());
  EXPECT_EQ(lines.back().threadId, CurrentThreadId());
}

TEST_F(LogTest, LibraryMessagesAboveFilterLevelAreDropped) {
  FakeAvutil fake;
  logger().SetLogLevel(llError);
  EXPECT_EQ(gFakeLevel, AV_LOG_ERROR);
  Emit(nullptr, AV_LOG_WARNING, "dropped\n");
  Emit(nullptr, AV_LOG_WARNING, "partial");
  Emit(nullptr, AV_LOG_ERROR, "error\n");
  Emit(nullptr, AV_LOG_FATAL | (134 << 8), "coloured\n");
  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].msg, "error");
  EXPECT_EQ(lines[0].level, llError);
  EXPECT_EQ(lines[1].msg, "coloured");
  EXPECT_EQ(lines[1].level, llFatal);
}

TEST_F(LogTest, LevelSetBeforeBindingAppliesAtSetup) {
  auto savedLevel = ff::av_log_set_level;
  auto savedCallback = ff::av_log_set_callback;
  ff::av_log_set_level = nullptr;
  ff::av_log_set_callback = nullptr;
  logger().SetLogLevel(llDebug);
  EXPECT_EQ(logger().LogLevel(), llDebug);
  Emit(nullptr, AV_LOG_DEBUG, "too early\n");
  EXPECT_EQ(rec.Count(), 0u);
  ff::av_log_set_level = savedLevel;
  ff::av_log_set_callback = savedCallback;

  FakeAvutil fake;
  gFakeCallback = nullptr;
  logger().SetupLogCallback();
  EXPECT_EQ(gFakeCallback, &LogCallback);
  EXPECT_EQ(gFakeLevel, AV_LOG_DEBUG);
  Emit(nullptr, AV_LOG_DEBUG, "now\n");
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"now"}));
}

TEST_F(LogTest, LongMessagesAreDeliveredWhole) {
  for (size_t len : {2047u, 2048u, 4095u, 4097u, 10000u}) {
    std::string body(len, 'a');
    body.back() = 'z';
    Emit(nullptr, AV_LOG_INFO, "%s\n", body.c_str());
    auto texts = rec.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), body) << len;
  }
}

TEST_F(LogTest, StateIsKeptWithoutHandler) {
  logger().SetOnLog(nullptr);
  for (int i = 0; i < 3; ++i) Emit(nullptr, AV_LOG_INFO, "dup\n");
  logger().SetOnLog(rec.Handler());
  Emit(nullptr, AV_LOG_INFO, "other\n");
  logger().SetOnLog(nullptr);
  Emit(nullptr, AV_LOG_INFO, "abc");
  logger().Log(nullptr, llError, "component");
  logger().SetOnLog(rec.Handler());
  Emit(nullptr, AV_LOG_INFO, "def\n");
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"    Last message repeated 2 times", "other", "abcdef"}));
}

TEST_F(LogTest, WorkerDeliveryDoesNotWaitForMainThread) {
  std::atomic<int> wakes{0};
  SetMainThreadWakeHook([&] { ++wakes; });
  uint32_t workerId = 0;
  // Joined without serving: a worker waiting for the main thread would hang here.
  std::thread worker([&] {
    workerId = CurrentThreadId();
    Emit(nullptr, AV_LOG_INFO, "from ");
    Emit(nullptr, AV_LOG_INFO, "worker\n");
    DefaultLogger().Log(nullptr, llError, "component");
    Emit(nullptr, AV_LOG_INFO, "second\n");
  });
  worker.join();
  EXPECT_EQ(wakes.load(), 1);  // one delivery asked for all three lines
  EXPECT_EQ(rec.Count(), 0u);

  // A line of the main thread goes out after the ones queued before it.
  logger().Log(nullptr, llInfo, "from main");
  SetMainThreadWakeHook(nullptr);
  EXPECT_TRUE(CheckSynchronize());  // the delivery asked for finds nothing left
  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"from worker", "component", "second", "from main"}));
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].threadId, workerId) << i;
    EXPECT_EQ(lines[i].deliveredOn, CurrentThreadId()) << i;
  }
  EXPECT_EQ(lines[0].sender, &logger());
  EXPECT_EQ(lines[1].sender, nullptr);
  EXPECT_EQ(lines[1].level, llError);
}

TEST_F(LogTest, LinesTheMainThreadDoesNotTakeAreDroppedOldestFirstAndCounted) {
  const int kLines = int(TLogRing::DefaultCapacity) + 250;
  uint32_t workerId = 0;
  std::thread worker([&] {
    workerId = CurrentThreadId();
    for (int i = 0; i < kLines; ++i) {
      if (i % 2)
        DefaultLogger().LogFmt(nullptr, llInfo, "line %d", {i});
      else
        Emit(nullptr, AV_LOG_INFO, "line %d\n", i);
    }
  });
  worker.join();
  EXPECT_EQ(rec.Count(), 0u);
  EXPECT_TRUE(CheckSynchronize());

  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), TLogRing::DefaultCapacity + 1);
  EXPECT_EQ(lines[0].msg, "    Log delivery fell behind: 250 lines dropped");
  EXPECT_EQ(lines[0].level, llWarning);
  EXPECT_EQ(lines[0].sender, &logger());
  for (size_t k = 1; k < lines.size(); ++k) {
    ASSERT_EQ(lines[k].msg, "line " + std::to_string(250 + int(k) - 1)) << k;
    EXPECT_EQ(lines[k].threadId, workerId);
  }

  // Once delivered, the count starts again.
  std::thread again([] { DefaultLogger().Log(nullptr, llInfo, "later"); });
  again.join();
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(rec.Texts().back(), "later");
  EXPECT_EQ(rec.Count(), TLogRing::DefaultCapacity + 2);
}

TEST_F(LogTest, LinesQueuedForALoggerThatIsGoneAreForgotten) {
  {
    TFFLogger mine;
    mine.SetOnLog(rec.Handler());
    std::thread worker([] {
      Emit(nullptr, AV_LOG_INFO, "to mine\n");
      DefaultLogger().Log(nullptr, llInfo, "also to mine");
    });
    worker.join();
    EXPECT_EQ(rec.Count(), 0u);
  }
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(rec.Count(), 0u);
}

TEST_F(LogTest, HandlerExceptionNeverEscapesCallback) {
  std::atomic<int> calls{0};
  logger().SetOnLog([&](TFFBaseComponent*, uint32_t, TLogLevel, const std::string&) {
    ++calls;
    throw std::runtime_error("handler failed");
  });
  for (bool inMain : {true, false}) {
    logger().SetTriggerEventInMainThread(inMain);
    EXPECT_NO_THROW(Emit(nullptr, AV_LOG_INFO, "a\nb %d\n", int(inMain)));
  }
  EXPECT_EQ(calls.load(), 4);  // every line reached the handler despite the earlier throw

  logger().SetTriggerEventInMainThread(true);
  std::atomic<bool> workerDone{false}, workerCaught{false};
  std::thread worker([&] {
    try {
      Emit(nullptr, AV_LOG_INFO, "worker line\n");
    } catch (...) {
      workerCaught = true;
    }
    workerDone = true;
  });
  EXPECT_TRUE(test::WaitUntil([&] { return workerDone.load(); }));
  worker.join();
  EXPECT_FALSE(workerCaught.load());
  EXPECT_NO_THROW(CheckSynchronize());
  EXPECT_EQ(calls.load(), 5);

  // The lock and the delivery order survived the throws.
  logger().SetOnLog(rec.Handler());
  Emit(nullptr, AV_LOG_INFO, "after\n");
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"after"}));
}

TEST_F(LogTest, HandlerExceptionReachesLogCaller) {
  logger().SetOnLog([](TFFBaseComponent*, uint32_t, TLogLevel, const std::string&) {
    throw std::runtime_error("handler failed");
  });
  EXPECT_THROW(logger().Log(nullptr, llError, "x"), std::runtime_error);
  EXPECT_THROW(logger().LogFmt(nullptr, llError, "%d", {1}), std::runtime_error);

  // A worker does not wait for its line, so the exception stays on the main thread.
  bool workerCaught = false;
  std::thread worker([&] {
    try {
      DefaultLogger().Log(nullptr, llError, "from worker");
    } catch (const std::runtime_error&) {
      workerCaught = true;
    }
  });
  worker.join();
  EXPECT_FALSE(workerCaught);
  EXPECT_NO_THROW(CheckSynchronize());
}

TEST_F(LogTest, ConcurrentThreadsKeepTheirOwnLines) {
  constexpr int kThreads = 4, kLines = 50;
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  std::vector<uint32_t> ids(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ids[t] = CurrentThreadId();
      for (int i = 0; i < kLines; ++i) {
        Emit(nullptr, AV_LOG_INFO, "t%d ", t);
        Emit(nullptr, AV_LOG_INFO, "line %d\n", i);
        DefaultLogger().LogFmt(nullptr, llInfo, "t%d log %d", {t, i});
      }
      ++finished;
    });
  }
  EXPECT_TRUE(test::WaitUntil([&] { return finished == kThreads; }));
  for (auto& th : threads) th.join();
  EXPECT_TRUE(test::WaitUntil([&] { return rec.Count() >= size_t(kThreads * kLines * 2); }));

  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), size_t(kThreads * kLines * 2));
  std::vector<int> nextLib(kThreads, 0), nextLog(kThreads, 0);
  for (auto& l : lines) {
    int t = -1, i = -1;
    if (std::sscanf(l.msg.c_str(), "t%d line %d", &t, &i) == 2) {
      ASSERT_TRUE(t >= 0 && t < kThreads) << l.msg;
      EXPECT_EQ(l.threadId, ids[t]);
      EXPECT_EQ(i, nextLib[t]++) << l.msg;
    } else {
      ASSERT_EQ(std::sscanf(l.msg.c_str(), "t%d log %d", &t, &i), 2) << l.msg;
      ASSERT_TRUE(t >= 0 && t < kThreads) << l.msg;
      EXPECT_EQ(l.threadId, ids[t]);
      EXPECT_EQ(i, nextLog[t]++) << l.msg;
    }
    EXPECT_EQ(l.deliveredOn, CurrentThreadId());
  }
}

TEST_F(LogTest, HandlerMayLogThroughTheLibraryPath) {
  // The handler's own library output, on the main thread, follows the line it was given.
  std::atomic<bool> once{false};
  logger().SetOnLog([&, inner = rec.Handler()](TFFBaseComponent* s, uint32_t tid, TLogLevel lv,
                                                const std::string& msg) {
    inner(s, tid, lv, msg);
    if (!once.exchange(true)) Emit(nullptr, AV_LOG_INFO, "inner\n");
  });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Emit(nullptr, AV_LOG_INFO, "outer\n");
    done = true;
  });
  EXPECT_TRUE(test::WaitUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_TRUE(test::WaitUntil([&] { return rec.Count() >= 2; }));
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"outer", "inner"}));
}

TEST_F(LogTest, ApplicationLoggerReplacesAutoCreatedOne) {
  TFFLogger* autoLogger = &DefaultLogger();
  ASSERT_TRUE(autoLogger->AutoCreated());
  {
    TFFLogger mine;
    EXPECT_FALSE(mine.AutoCreated());
    EXPECT_EQ(&DefaultLogger(), &mine);
    EXPECT_EQ(mine.LogLevel(), llInfo);
    EXPECT_TRUE(mine.TriggerEventInMainThread());
    mine.SetOnLog(rec.Handler());
    Emit(nullptr, AV_LOG_INFO, "to mine\n");
    auto lines = rec.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].sender, &mine);
  }
  // The library keeps logging after the logger is gone: a new one takes over.
  Emit(nullptr, AV_LOG_INFO, "nobody\n");
  EXPECT_TRUE(DefaultLogger().AutoCreated());
  EXPECT_EQ(rec.Count(), 1u);
}

// The checks stay on in release builds: these run in every build.
TEST_F(LogTest, SecondApplicationLoggerIsRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        TFFLogger first;
        TFFLogger second;
      },
      "Allow creating only one instance of TFFLogger.");
}

TEST_F(LogTest, LogCallbackBeforeTheLibrariesLoadIsAProgrammingError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        // As before the libraries are loaded.
        ff::av_log_set_callback = nullptr;
        logger().SetupLogCallback();
      },
      "av_log_set_callback and av_log_set_level are not bound");
}

TEST_F(LogTest, RealLibraryOutputArrivesAsLines) {
  std::string err;
  if (!test::LoadPlayerLibraries(&err)) GTEST_SKIP() << "media libraries unavailable: " << err;
  ASSERT_NE(ff::av_log, nullptr);
  logger().SetupLogCallback();

  ff::av_log(nullptr, AV_LOG_WARNING, "real %d ", 7);
  ff::av_log(nullptr, AV_LOG_WARNING, "%s\n", "done");
  AVClass cls = MakeClass(&ChildName, LIBAVUTIL_VERSION_INT, 0);
  FakeCtx ctx{&cls, nullptr};
  ff::av_log(&ctx, AV_LOG_ERROR, "with context\n");
  auto lines = rec.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].msg, "real 7 done");
  EXPECT_EQ(lines[0].level, llWarning);
  EXPECT_EQ(lines[1].msg, "[child @ " + Hex(&ctx) + "]with context");

  logger().SetLogLevel(llError);
  EXPECT_EQ(ff::av_log_get_level(), AV_LOG_ERROR);
  ff::av_log(nullptr, AV_LOG_WARNING, "filtered\n");
  EXPECT_EQ(rec.Count(), 2u);
}

}  // namespace
}  // namespace zv
