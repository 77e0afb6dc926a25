#include "engine/packet_queue.h"

#include <new>

#include "runtime/entry_points.h"

namespace zv {

namespace {
const char kFlushText[] = "FLUSH";

AVPacket MakeFlushPacket() {
  AVPacket p{};
  p.pts = AV_NOPTS_VALUE;
  p.dts = AV_NOPTS_VALUE;
  p.pos = -1;
  p.stream_index = -1;
  p.data = reinterpret_cast<uint8_t*>(const_cast<char*>(kFlushText));
  p.size = 0;
  return p;
}

void FreeNode_Locked(TPacketNode* node) {
  if (!IsFlushPacket(node->Pkt)) ff::av_packet_free(&node->Pkt);
  delete node;
}
}  // namespace

AVPacket* FlushPacket() {
  static AVPacket flush = MakeFlushPacket();
  return &flush;
}

bool IsFlushPacket(const AVPacket* pkt) {
  return pkt && pkt->data == reinterpret_cast<const uint8_t*>(kFlushText);
}

void PacketQueueInit(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  q.First = q.Last = nullptr;
  q.NbPackets = 0;
  q.Size = 0;
  q.AbortRequest = 0;
}

int PacketQueuePut(TPacketQueue& q, AVPacket* pkt) {
  if (!pkt) return -1;
  AVPacket* own = pkt;
  if (!IsFlushPacket(pkt)) {
    own = ff::av_packet_alloc();
    if (!own) return -1;
    if (ff::av_packet_ref(own, pkt) < 0) {
      ff::av_packet_free(&own);
      return -1;
    }
  }
  auto* node = new (std::nothrow) TPacketNode{own, nullptr, 0};
  if (!node) {
    if (own != pkt) ff::av_packet_free(&own);
    return -1;
  }
  {
    std::lock_guard<std::mutex> g(q.Mutex);
    node->Generation = q.Generation;
    if (q.Last)
      q.Last->Next = node;
    else
      q.First = node;
    q.Last = node;
    ++q.NbPackets;
    q.Size += own->size + PacketNodeOverhead;
  }
  q.Cond.notify_one();
  return 0;
}

int PacketQueueGet(TPacketQueue& q, AVPacket** pkt, bool block, int64_t* generation) {
  std::unique_lock<std::mutex> l(q.Mutex);
  for (;;) {
    if (q.AbortRequest) return -1;
    if (TPacketNode* node = q.First) {
      q.First = node->Next;
      if (!q.First) q.Last = nullptr;
      --q.NbPackets;
      q.Size -= node->Pkt->size + PacketNodeOverhead;
      *pkt = node->Pkt;
      if (generation) *generation = node->Generation;
      delete node;
      l.unlock();
      if (q.TakenGate) q.TakenGate->Notify();  // room for the reader
      return 1;
    }
    if (!block) return 0;
    // Every put and the abort notify; the timeout only bounds a missed wake-up.
    q.Cond.wait_for(l, std::chrono::milliseconds(100));
  }
}

namespace {
void Flush_Locked(TPacketQueue& q) {
  for (TPacketNode* node = q.First; node;) {
    TPacketNode* next = node->Next;
    FreeNode_Locked(node);
    node = next;
  }
  q.First = q.Last = nullptr;
  q.NbPackets = 0;
  q.Size = 0;
}
}  // namespace

void PacketQueueFlush(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  Flush_Locked(q);
}

int PacketQueueRestart(TPacketQueue& q, int64_t generation) {
  auto* node = new (std::nothrow) TPacketNode{FlushPacket(), nullptr, generation};
  {
    std::lock_guard<std::mutex> g(q.Mutex);
    Flush_Locked(q);
    q.Generation = generation;
    if (!node) return -1;
    q.First = q.Last = node;
    q.NbPackets = 1;
    q.Size = PacketNodeOverhead;
  }
  q.Cond.notify_one();
  return 0;
}

void PacketQueueAbort(TPacketQueue& q) {
  {
    std::lock_guard<std::mutex> g(q.Mutex);
    q.AbortRequest = 1;
  }
  q.Cond.notify_all();
}

void PacketQueueEnd(TPacketQueue& q) { PacketQueueFlush(q); }

int PacketQueueSize(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.Size;
}

int PacketQueueCount(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.NbPackets;
}

}  // namespace zv
