#include "engine/packet_queue.h"

#include <new>

#include "runtime/av_ptr.h"
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

}  // namespace

void TQueuedPacketDeleter::operator()(AVPacket* p) const {
  if (!IsFlushPacket(p)) ff::av_packet_free(&p);
}

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
  TQueuedPacket own;
  if (IsFlushPacket(pkt)) {
    own.reset(pkt);
  } else {
    AVPacketPtr ref(ff::av_packet_alloc());
    if (!ref || ff::av_packet_ref(ref.get(), pkt) < 0) return -1;
    own.reset(ref.release());
  }
  const int size = own->size;
  auto* node = new (std::nothrow) TPacketNode{std::move(own), nullptr, 0};
  if (!node) return -1;
  {
    std::lock_guard<std::mutex> g(q.Mutex);
    node->Generation = q.Generation;
    if (q.Last)
      q.Last->Next = node;
    else
      q.First = node;
    q.Last = node;
    ++q.NbPackets;
    q.Size += size + PacketNodeOverhead;
  }
  q.Cond.notify_one();
  return 0;
}

int PacketQueueGet(TPacketQueue& q, TQueuedPacket& pkt, bool block, int64_t* generation) {
  std::unique_lock<std::mutex> l(q.Mutex);
  for (;;) {
    if (q.AbortRequest) return -1;
    if (TPacketNode* node = q.First) {
      q.First = node->Next;
      if (!q.First) q.Last = nullptr;
      --q.NbPackets;
      q.Size -= node->Pkt->size + PacketNodeOverhead;
      pkt = std::move(node->Pkt);
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
    delete node;
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
  auto* node = new (std::nothrow) TPacketNode{TQueuedPacket(FlushPacket()), nullptr, generation};
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

int64_t PacketQueueGeneration(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.Generation;
}

}  // namespace zv
