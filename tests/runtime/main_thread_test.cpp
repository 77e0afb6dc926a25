#include "runtime/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zv {
namespace {

// Serves hand-offs on this (main) thread until pred holds or the deadline passes.
bool ServeUntil(const std::function<bool()>& pred, std::chrono::seconds limit = std::chrono::seconds(10)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    CheckSynchronize();
    std::this_thread::yield();
  }
  return true;
}

// Waits for pred without serving anything, so queued hand-offs stay queued.
bool WaitFor(const std::function<bool()>& pred, std::chrono::seconds limit = std::chrono::seconds(10)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

class MainThreadTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitMainThread();
    ASSERT_TRUE(IsMainThread());
    SetMainThreadWakeHook([this] { ++wakes_; });
  }
  void TearDown() override {
    SetMainThreadWakeHook(nullptr);
    SetPumpMessagesHook(nullptr);
  }
  std::atomic<int> wakes_{0};
};

TEST_F(MainThreadTest, OnTheMainThreadTheCallRunsInPlace) {
  std::thread::id ranOn;
  CallInMainThread([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(wakes_.load(), 0);
  EXPECT_FALSE(CheckSynchronize());  // nothing was queued
}

TEST_F(MainThreadTest, WorkerBlocksUntilTheMainThreadServesIt) {
  std::atomic<bool> ran{false}, returned{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    EXPECT_FALSE(IsMainThread());
    CallInMainThread([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
    returned = true;
  });
  // The wake hook fires once the call is queued; until served, the worker waits.
  EXPECT_TRUE(WaitFor([&] { return wakes_.load() > 0; }));
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(returned.load());
  EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MainThreadWake, WakeHookCanBeRemoved) {
  InitMainThread();
  int wakes = 0;
  SetMainThreadWakeHook([&] { ++wakes; });
  SetMainThreadWakeHook(nullptr);
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    CallInMainThread([] {});
    returned = true;
  });
  EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(wakes, 0);
}

TEST_F(MainThreadTest, AnExceptionIsRaisedAgainInTheCaller) {
  std::string caught;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    try {
      CallInMainThread([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    returned = true;
  });
  EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(caught, "boom");

  // On the main thread the exception simply propagates.
  EXPECT_THROW(CallInMainThread([] { throw std::logic_error("here"); }), std::logic_error);
}

TEST_F(MainThreadTest, ManyWorkersAreServedInOneQueue) {
  constexpr int kWorkers = 4, kCalls = 50;
  int counter = 0;  // touched only on the main thread
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i) CallInMainThread([&] { ++counter; });
      ++finished;
    });
  EXPECT_TRUE(ServeUntil([&] { return finished.load() == kWorkers; }));
  for (auto& t : workers) t.join();
  EXPECT_EQ(counter, kWorkers * kCalls);
}

TEST_F(MainThreadTest, ServingOffTheMainThreadDoesNothing) {
  std::atomic<bool> done{false};
  bool served = true;
  int pumps = 0;
  SetPumpMessagesHook([&] { ++pumps; });
  std::thread other([&] {
    served = CheckSynchronize();
    ServeMainThread();
    done = true;
  });
  other.join();
  EXPECT_TRUE(done.load());
  EXPECT_FALSE(served);
  EXPECT_EQ(pumps, 0);
}

TEST_F(MainThreadTest, ServeMainThreadRunsHandOffsThenPumps) {
  std::vector<std::string> order;  // main thread only
  SetPumpMessagesHook([&] { order.push_back("pump"); });
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    CallInMainThread([&] { order.push_back("call"); });
    returned = true;
  });
  EXPECT_TRUE(WaitFor([&] { return wakes_.load() > 0; }));
  ServeMainThread();
  EXPECT_EQ(order, (std::vector<std::string>{"call", "pump"}));
  EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
  worker.join();
}

TEST_F(MainThreadTest, PostedCallsRunInQueueOrderWithoutAnyoneWaiting) {
  std::vector<std::string> order;  // main thread only
  std::thread worker([&] {
    PostToMainThread([&] { order.push_back("first post"); });
    PostToMainThread([] { throw std::runtime_error("stays on the main thread"); });
    PostToMainThread([&] { order.push_back("second post"); });
  });
  worker.join();  // the worker did not wait for anything
  EXPECT_EQ(wakes_.load(), 3);
  EXPECT_TRUE(order.empty());
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    CallInMainThread([&] { order.push_back("call"); });
    returned = true;
  });
  EXPECT_TRUE(WaitFor([&] { return wakes_.load() == 4; }));
  EXPECT_NO_THROW(ServeUntil([&] { return returned.load(); }));
  caller.join();
  EXPECT_EQ(order, (std::vector<std::string>{"first post", "second post", "call"}));

  // On the main thread a post waits for the next serve too.
  PostToMainThread([&] { order.push_back("own post"); });
  EXPECT_EQ(order.size(), 3u);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order.back(), "own post");
}

}  // namespace
}  // namespace zv
