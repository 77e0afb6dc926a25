#include "runtime/interrupts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/av_headers.h"
#include "runtime/logger.h"

namespace zv {
namespace {

struct Decider {
  bool answer = false;
  int asked = 0;
  static bool Ask(void* self, void* opaque) {
    auto* d = static_cast<Decider*>(self);
    ++d->asked;
    return d->answer && opaque != nullptr;
  }
  static bool Other(void*, void*) { return true; }
  static bool Throws(void*, void*) { throw 1; }
};

TEST(InterruptRegistry, MatchesThreadOpaqueAndCodeOnly) {
  TInterruptCB reg;
  Decider a{true}, b{false};
  int opaque = 0;
  TInterruptEvent ea{&Decider::Ask, &a}, eb{&Decider::Ask, &b};
  reg.Register(7, &opaque, ea);
  reg.Register(7, &opaque, eb);  // same code, thread and opaque: the object takes no part
  EXPECT_EQ(reg.CountForTesting(), 1u);
  EXPECT_TRUE(reg.Interrupted(7));
  EXPECT_EQ(a.asked, 1);
  EXPECT_FALSE(reg.Interrupted(8)) << "a thread without entries is never interrupted";
  reg.Unregister(7, &opaque, eb);
  EXPECT_EQ(reg.CountForTesting(), 0u);
  reg.Unregister(7, &opaque, eb);  // nothing left: no effect
}

TEST(InterruptRegistry, OnlyTheFirstEntryOfAThreadIsAsked) {
  TInterruptCB reg;
  Decider first{false}, second{true};
  int opaque = 0;
  reg.Register(3, &opaque, {&Decider::Ask, &first});
  reg.Register(3, &opaque, {&Decider::Other, &second});
  EXPECT_FALSE(reg.Interrupted(3));
  EXPECT_EQ(first.asked, 1);
  reg.Unregister(3, &opaque, {&Decider::Ask, nullptr});
  EXPECT_TRUE(reg.Interrupted(3));
  reg.Clear();
  EXPECT_EQ(reg.CountForTesting(), 0u);
}

TEST(InterruptRegistry, CallbackAsksForTheCallingThread) {
  Decider d{true};
  int opaque = 0;
  const uint32_t me = CurrentThreadId();
  InterruptCallbacks().Register(me, &opaque, {&Decider::Ask, &d});
  AVIOInterruptCB cb{};
  InstallInterruptCallback(cb);
  EXPECT_EQ(cb.callback(cb.opaque), 1);
  int fromOther = -1;
  std::thread([&] { fromOther = cb.callback(cb.opaque); }).join();
  EXPECT_EQ(fromOther, 0);
  InterruptCallbacks().Unregister(me, &opaque, {&Decider::Ask, &d});
  EXPECT_EQ(cb.callback(cb.opaque), 0);
}

TEST(InterruptRegistry, AThrowingDecisionAbandonsInsteadOfUnwinding) {
  int opaque = 0;
  const uint32_t me = CurrentThreadId();
  InterruptCallbacks().Register(me, &opaque, {&Decider::Throws, nullptr});
  EXPECT_EQ(InterruptCallback(nullptr), 1);
  InterruptCallbacks().Unregister(me, &opaque, {&Decider::Throws, nullptr});
}

}  // namespace
}  // namespace zv
