#include "runtime/codec_lock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/logger.h"
#include "runtime/main_thread.h"

namespace zv {
namespace {

// Captures the logger's lines; the process-wide codec mutex is put back as found.
class CodecLockTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitMainThread();
    hadManager_ = CodecMutexHandle() != 0;
    RegisterCodecLockManager(false);
    auto& log = DefaultLogger();
    oldLevel_ = log.LogLevel();
    log.SetLogLevel(llDebug);
    log.SetOnLog([this](TFFBaseComponent* sender, uint32_t, TLogLevel level, const std::string& msg) {
      EXPECT_EQ(sender, nullptr);
      lines_.push_back(std::string(LogLevelName(level)) + ": " + msg);
    });
  }
  void TearDown() override {
    DefaultLogger().SetOnLog(nullptr);
    DefaultLogger().SetLogLevel(oldLevel_);
    if (hadManager_) RegisterCodecLockManager(true);
  }
  std::vector<std::string> lines_;
  bool hadManager_ = false;
  TLogLevel oldLevel_ = llInfo;
};

TEST_F(CodecLockTest, FullCycleSucceedsAndLeavesNoMutex) {
  void* p = nullptr;
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), 0);
  ASSERT_NE(p, nullptr);
  const int h = CodecMutexHandle();
  ASSERT_NE(h, 0);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), 0);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), 0);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_DESTROY), 0);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(CodecMutexHandle(), 0);
  const std::string n = std::to_string(h);
  EXPECT_EQ(lines_, (std::vector<std::string>{"debug: create codec mutex [" + n + "].",
                                              "debug: obtain codec mutex [" + n + "].",
                                              "debug: release codec mutex [" + n + "].",
                                              "debug: destory codec mutex [" + n + "]."}));
}

TEST_F(CodecLockTest, ProtocolErrors) {
  void* p = nullptr;
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), -1);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), -1);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_DESTROY), 0) << "destroying nothing succeeds";
  EXPECT_EQ(LockManagerCallback(&p, 7), -1);
  EXPECT_EQ(LockManagerCallback(&p, 200), -1);
  EXPECT_EQ(lines_, (std::vector<std::string>{"error: error, codec mutex not available.",
                                              "error: error, codec mutex not available.",
                                              "error: error, invalid codec mutex operation 7.",
                                              "error: error, invalid codec mutex operation -56."}));
}

TEST_F(CodecLockTest, SecondCreateIsRefusedAndALostMutexIsReplaced) {
  void* p = nullptr;
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), 0);
  const int first = CodecMutexHandle();
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), -1);
  EXPECT_EQ(lines_.back(), "error: error, codec mutex [" + std::to_string(first) + "] already exist.");
  // The library lost track of its pointer: the old mutex is closed with a warning.
  void* lost = nullptr;
  ASSERT_EQ(LockManagerCallback(&lost, AV_LOCK_CREATE), 0);
  EXPECT_NE(CodecMutexHandle(), first);
  EXPECT_NE(std::find(lines_.begin(), lines_.end(),
                      "warning: warning, local codec mutex [" + std::to_string(first) + "] not destroyed."),
            lines_.end());
  EXPECT_EQ(LockManagerCallback(&lost, AV_LOCK_DESTROY), 0);
}

TEST_F(CodecLockTest, ObtainedLineIsLoggedOnlyAfterRelease) {
  void* p = nullptr;
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), 0);
  lines_.clear();
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), 0);
  EXPECT_TRUE(lines_.empty()) << "logging while holding the mutex could wait for the main thread";
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), 0);
  EXPECT_EQ(lines_.size(), 2u);
  LockManagerCallback(&p, AV_LOCK_DESTROY);
}

TEST_F(CodecLockTest, FinalizingMakesEveryRequestANoOp) {
  SetCodecLockFinalizing(true);
  void* p = nullptr;
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), 0);
  EXPECT_EQ(LockManagerCallback(&p, 9), 0);
  EXPECT_EQ(p, nullptr);
  SetCodecLockFinalizing(false);
  EXPECT_TRUE(lines_.empty());
}

TEST_F(CodecLockTest, MisuseOfTheMutexFailsWithTheSystemText) {
  void* p = nullptr;
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), 0);
  const std::string n = std::to_string(CodecMutexHandle());
  lines_.clear();
  // A release by a thread that does not hold the mutex.
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), -1);
  ASSERT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), 0);
  // The holder asking again would wait for itself for good.
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), -1);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), 0);
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_RELEASE), -1) << "released twice";
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_DESTROY), 0);
  const std::vector<std::string> expected{
      "error: error, could not release codec mutex [" + n + "]: " + std::strerror(EPERM) + ".",
      "error: error, could not wait on codec mutex [" + n + "]: " + std::strerror(EDEADLK) + ".",
      "debug: obtain codec mutex [" + n + "].",
      "debug: release codec mutex [" + n + "].",
      "error: error, could not release codec mutex [" + n + "]: " + std::strerror(EPERM) + ".",
      "debug: destory codec mutex [" + n + "]."};
  EXPECT_EQ(lines_, expected);
}

TEST_F(CodecLockTest, FailedCreationIsReported) {
  SetCodecMutexCreateFailureForTesting(ENOMEM);
  void* p = nullptr;
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_CREATE), -1);
  SetCodecMutexCreateFailureForTesting(0);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(CodecMutexHandle(), 0);
  EXPECT_EQ(lines_, (std::vector<std::string>{std::string("error: error, failed to create codec mutex: ") +
                                              std::strerror(ENOMEM) + "."}));
  EXPECT_EQ(LockManagerCallback(&p, AV_LOCK_OBTAIN), -1);
}

}  // namespace
}  // namespace zv
