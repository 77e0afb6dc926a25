#pragma once
// FIFO of compressed packets from the demultiplexer to one decoder. After every
// seek the flush packet travels through it and tells the decoder to drop its state.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/wait_gate.h"
#include "runtime/av_headers.h"

namespace zv {

// Byte budget per queued packet for its node, whatever the real node size, so
// the demultiplexer's thresholds behave alike everywhere.
constexpr int PacketNodeOverhead = 72;

// A queued packet: its own reference, freed with it, or the flush packet,
// which belongs to nobody.
struct TQueuedPacketDeleter {
  void operator()(AVPacket* p) const;
};
using TQueuedPacket = std::unique_ptr<AVPacket, TQueuedPacketDeleter>;

struct TPacketNode {
  TQueuedPacket Pkt;
  TPacketNode* Next;
  int64_t Generation = 0;  // the seek the packet was read after
};

struct TPacketQueue {
  TPacketNode* First = nullptr;  // guarded by Mutex
  TPacketNode* Last = nullptr;   // guarded by Mutex
  int NbPackets = 0;             // guarded by Mutex
  int Size = 0;                  // guarded by Mutex
  int AbortRequest = 0;          // guarded by Mutex
  int64_t Generation = 0;        // guarded by Mutex: stamped on every packet put
  std::mutex Mutex;
  std::condition_variable Cond;  // signalled on every put and on abort
  TWaitGate* TakenGate = nullptr;  // set before the queue is used: notified after every take
};

// The distinguished flush packet: data points at the constant text "FLUSH", size 0.
AVPacket* FlushPacket();
bool IsFlushPacket(const AVPacket* pkt);

void PacketQueueInit(TPacketQueue& q);
// Takes a new reference to pkt's data (the flush packet is queued as itself).
// 0, or -1 when the data could not be referenced or the node not allocated.
int PacketQueuePut(TPacketQueue& q, AVPacket* pkt);
// 1 with pkt set, 0 when empty and !block, -1 when aborted. A blocked get
// wakes on abort. generation, when given, receives the seek generation the
// packet belongs to.
int PacketQueueGet(TPacketQueue& q, TQueuedPacket& pkt, bool block, int64_t* generation = nullptr);
void PacketQueueFlush(TPacketQueue& q);
// After a seek: drops what is queued and queues the flush packet, all of it
// from now on stamped with the seek's generation.
int PacketQueueRestart(TPacketQueue& q, int64_t generation);
void PacketQueueAbort(TPacketQueue& q);
void PacketQueueEnd(TPacketQueue& q);
// Snapshot readers for the demultiplexer's limits.
int PacketQueueSize(TPacketQueue& q);
int PacketQueueCount(TPacketQueue& q);
// The seek generation stamped on what is put now.
int64_t PacketQueueGeneration(TPacketQueue& q);

}  // namespace zv
