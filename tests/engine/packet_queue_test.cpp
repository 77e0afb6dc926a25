#include "engine/packet_queue.h"

#include <gtest/gtest.h>

#include <thread>

#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

class PacketQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(test::LoadPlayerLibraries(&err)) << err;
    PacketQueueInit(q);
  }
  void TearDown() override { PacketQueueEnd(q); }
  AVPacket* Packet(int size) {
    AVPacket* p = ff::av_packet_alloc();
    EXPECT_EQ(ff::av_new_packet(p, size), 0);
    return p;
  }
  TPacketQueue q;
};

TEST_F(PacketQueueTest, NonBlockingGetOnEmptyQueueReturnsZero) {
  TQueuedPacket out;
  EXPECT_EQ(PacketQueueGet(q, out, false), 0);
  EXPECT_EQ(out.get(), nullptr);
}

TEST_F(PacketQueueTest, PutCountsDataPlusNodeBudgetAndGetRestoresIt) {
  AVPacket* p = Packet(1000);
  p->data[0] = 42;
  ASSERT_EQ(PacketQueuePut(q, p), 0);
  ff::av_packet_free(&p);  // the queue holds its own reference
  EXPECT_EQ(PacketQueueSize(q), 1072);
  EXPECT_EQ(PacketQueueCount(q), 1);
  TQueuedPacket out;
  ASSERT_EQ(PacketQueueGet(q, out, false), 1);
  EXPECT_EQ(out->size, 1000);
  EXPECT_EQ(out->data[0], 42);
  EXPECT_EQ(PacketQueueSize(q), 0);
  EXPECT_EQ(PacketQueueCount(q), 0);
  }

TEST_F(PacketQueueTest, GetsInPutOrder) {
  for (int size : {10, 20, 30}) {
    AVPacket* p = Packet(size);
    PacketQueuePut(q, p);
    ff::av_packet_free(&p);
  }
  for (int size : {10, 20, 30}) {
    TQueuedPacket out;
    ASSERT_EQ(PacketQueueGet(q, out, false), 1);
    EXPECT_EQ(out->size, size);
      }
}

TEST_F(PacketQueueTest, AbortedQueueRefusesGetsEvenWithPacketsQueued) {
  AVPacket* p = Packet(10);
  PacketQueuePut(q, p);
  PacketQueueAbort(q);
  TQueuedPacket out;
  EXPECT_EQ(PacketQueueGet(q, out, false), -1);
  EXPECT_EQ(PacketQueueGet(q, out, true), -1);
  // A put after the abort still queues (freed by the flush).
  EXPECT_EQ(PacketQueuePut(q, p), 0);
  EXPECT_EQ(PacketQueueCount(q), 2);
  ff::av_packet_free(&p);
}

TEST_F(PacketQueueTest, FlushEmptiesAndLeavesTheQueueUsable) {
  PacketQueueFlush(q);  // on an empty queue
  EXPECT_EQ(PacketQueueCount(q), 0);
  AVPacket* p = Packet(100);
  PacketQueuePut(q, p);
  PacketQueuePut(q, FlushPacket());
  PacketQueueFlush(q);
  EXPECT_EQ(PacketQueueCount(q), 0);
  EXPECT_EQ(PacketQueueSize(q), 0);
  EXPECT_EQ(PacketQueuePut(q, p), 0);
  EXPECT_EQ(PacketQueueCount(q), 1);
  ff::av_packet_free(&p);
}

TEST_F(PacketQueueTest, FlushPacketIsQueuedAsItselfWithoutCopy) {
  ASSERT_EQ(PacketQueuePut(q, FlushPacket()), 0);
  ASSERT_EQ(PacketQueuePut(q, FlushPacket()), 0);
  EXPECT_EQ(PacketQueueSize(q), 2 * PacketNodeOverhead);
  TQueuedPacket a, b;
  ASSERT_EQ(PacketQueueGet(q, a, false), 1);
  ASSERT_EQ(PacketQueueGet(q, b, false), 1);
  EXPECT_EQ(a.get(), FlushPacket());
  EXPECT_EQ(b.get(), FlushPacket());
  EXPECT_TRUE(IsFlushPacket(a.get()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->data)), "FLUSH");
  AVPacket* other = Packet(5);
  EXPECT_FALSE(IsFlushPacket(other));
  EXPECT_FALSE(IsFlushPacket(nullptr));
  ff::av_packet_free(&other);
}

TEST_F(PacketQueueTest, BlockedGetterWakesWithMinusOneOnAbort) {
  std::atomic<int> result{2};
  std::thread getter([&] {
    TQueuedPacket out;
    result = PacketQueueGet(q, out, true);
  });
  PacketQueueAbort(q);
  getter.join();
  EXPECT_EQ(result.load(), -1);
}

TEST_F(PacketQueueTest, BlockedGetterReceivesAPacketPutLater) {
  std::atomic<int> size{-1};
  std::thread getter([&] {
    TQueuedPacket out;
    if (PacketQueueGet(q, out, true) == 1) {
      size = out->size;
          }
  });
  AVPacket* p = Packet(77);
  PacketQueuePut(q, p);
  ff::av_packet_free(&p);
  getter.join();
  EXPECT_EQ(size.load(), 77);
}

}  // namespace
}  // namespace zv
