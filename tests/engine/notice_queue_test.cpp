#include "engine/notice_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/event_thread.h"
#include "engine_test_util.h"
#include "runtime/main_thread.h"

namespace zv {
namespace {

TPlayerEvent Pos(int64_t p) { return {nkPosition, 0, p}; }
TPlayerEvent State(TPlayState s) { return {nkState, int32_t(s), 0}; }

std::vector<TPlayerEvent> Drain(TNoticeQueue& q) {
  std::vector<TPlayerEvent> out;
  for (TPlayerEvent n = q.Take(); n.Kind != nkNone; n = q.Take()) out.push_back(n);
  return out;
}

TEST(NoticeQueue, TakeOnEmptyGivesKindNone) {
  TNoticeQueue q;
  EXPECT_EQ(q.Take().Kind, nkNone);
  EXPECT_FALSE(q.WaitFor(std::chrono::milliseconds(0)));
}

TEST(NoticeQueue, SameKindCollapsesToLatestOtherKindsQueueSeparately) {
  struct Case {
    const char* name;
    std::vector<TPlayerEvent> posted;
    std::vector<TPlayerEvent> expected;
  };
  const Case cases[] = {
      {"positions collapse", {Pos(1), Pos(2), Pos(3)}, {Pos(3)}},
      {"states collapse", {State(psPause), State(psResume)}, {State(psResume)}},
      {"state then position both stay", {State(psPause), Pos(5)}, {State(psPause), Pos(5)}},
      {"only the newest is overwritten", {Pos(1), State(psPlay), Pos(2), Pos(3)}, {Pos(1), State(psPlay), Pos(3)}},
  };
  for (const Case& c : cases) {
    TNoticeQueue q;
    for (auto& n : c.posted) q.Post(n);
    auto got = Drain(q);
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].Kind, c.expected[i].Kind) << c.name << " #" << i;
      EXPECT_EQ(got[i].State, c.expected[i].State) << c.name << " #" << i;
      EXPECT_EQ(got[i].Position, c.expected[i].Position) << c.name << " #" << i;
    }
  }
}

TEST(NoticeQueue, AtMostNinePendingOldestLost) {
  TNoticeQueue q;
  // Alternating kinds never collapse.
  for (int i = 0; i < 12; ++i) q.Post(i % 2 ? State(psPause) : Pos(i));
  EXPECT_EQ(q.Pending(), 9);
  auto got = Drain(q);
  ASSERT_EQ(got.size(), 9u);
  EXPECT_EQ(got.front().Kind, nkState);  // notices 0..2 were lost
  EXPECT_EQ(got[1].Position, 4);
  EXPECT_EQ(got.back().Kind, nkState);
  EXPECT_FALSE(q.WaitFor(std::chrono::milliseconds(0)));  // signal reset when drained
}

TEST(NoticeQueue, LifecycleStatesAreNeverCollapsedOrLost) {
  TNoticeQueue q;
  // One playback ending and the next starting, between lots of positions.
  const TPlayState lifecycle[] = {psPlay, psEnd, psStop, psPlay, psStop, psPlay};
  for (TPlayState s : lifecycle) {
    q.Post(State(s));
    for (int i = 0; i < 5; ++i) q.Post(Pos(i));
  }
  std::vector<int32_t> states;
  for (auto& n : Drain(q))
    if (n.Kind == nkState) states.push_back(n.State);
  ASSERT_EQ(states.size(), std::size(lifecycle));
  for (size_t i = 0; i < states.size(); ++i) EXPECT_EQ(states[i], lifecycle[i]) << i;
}

class EventThreadTest : public ::testing::Test {
protected:
  void SetUp() override { InitMainThread(); }
  TFFPlayer player;  // no libraries needed: only the notice path is used
};

TEST_F(EventThreadTest, InMainThreadDeliveryWaitsForCheckSynchronize) {
  std::vector<std::pair<TPlayState, bool>> seen;  // touched on the main thread only
  player.SetOnState([&](TFFBaseComponent* sender, TPlayState s) {
    EXPECT_EQ(sender, &player);
    seen.push_back({s, IsMainThread()});
  });
  player.SetPlayState(psPause);
  player.SetPlayState(psResume);  // collapses with the undelivered psPause
  TEventThread t(&player);
  // The event thread takes the notice, then blocks until this thread serves it.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (player.Notices().Pending() != 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_EQ(player.Notices().Pending(), 0);
  EXPECT_TRUE(seen.empty());
  ASSERT_TRUE(test::WaitUntil([&] { return !seen.empty(); }));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, psResume);
  EXPECT_TRUE(seen[0].second);
  player.SetPlayState(psStop);
  ASSERT_TRUE(test::WaitUntil([&] { return seen.size() == 2; }));
  EXPECT_EQ(seen.back().first, psStop);
  EXPECT_FALSE(t.Finished());  // it serves the player's next playback too
}

TEST_F(EventThreadTest, DirectDeliveryRunsOnTheEventThreadInOrder) {
  player.SetTriggerEventInMainThread(false);
  std::mutex lock;
  std::vector<std::string> seen;  // guarded by lock
  std::atomic<bool> onMain{false};
  player.SetOnState([&](TFFBaseComponent*, TPlayState s) {
    if (IsMainThread()) onMain = true;
    std::lock_guard<std::mutex> g(lock);
    seen.push_back(PlayStateName(s));
  });
  player.SetOnPosition([&](TFFBaseComponent*, int64_t p) {
    if (IsMainThread()) onMain = true;
    std::lock_guard<std::mutex> g(lock);
    seen.push_back("pos " + std::to_string(p));
  });
  player.SetPlayState(psPause);
  player.Notices().Post({nkPosition, 0, 1500});
  player.SetPlayState(psStop);
  TEventThread t(&player);
  // No serving of the main thread here: delivery must not need it.
  auto delivered = [&] {
    std::lock_guard<std::mutex> g(lock);
    return seen.size() >= 3;
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!delivered() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_TRUE(delivered());
  EXPECT_FALSE(onMain.load());
  std::lock_guard<std::mutex> g(lock);
  EXPECT_EQ(seen, (std::vector<std::string>{"psPause", "pos 1500", "psStop"}));
}

TEST_F(EventThreadTest, StopWithoutStateHandlerEndsDelivery) {
  player.SetPlayState(psStop);  // no OnState: an end-of-delivery notice
  TPlayerEvent n = player.Notices().Take();
  EXPECT_EQ(n.Kind, nkEndOfDelivery);
  player.SetPlayState(psPause);  // and nothing for other states
  EXPECT_EQ(player.Notices().Pending(), 0);
}

}  // namespace
}  // namespace zv
