// Packet queue throughput: put/get pairs on one thread, and a producer and a
// consumer on two threads as the demultiplexer and a decoder use it.
#include <benchmark/benchmark.h>

#include <thread>

#include "bench_support.h"
#include "engine/packet_queue.h"
#include "runtime/entry_points.h"
#include "runtime/library_loader.h"

namespace {

AVPacket* MakePacket(int size) {
  AVPacket* p = ff::av_packet_alloc();
  ff::av_new_packet(p, size);
  return p;
}

void BM_PutGetSameThread(benchmark::State& state) {
  if (!zv::bench::LoadPlayerLibraries()) return state.SkipWithError("media libraries not loaded");
  zv::TPacketQueue q;
  zv::PacketQueueInit(q);
  AVPacket* pkt = MakePacket(int(state.range(0)));
  for (auto _ : state) {
    zv::PacketQueuePut(q, pkt);
    zv::TQueuedPacket out;
    zv::PacketQueueGet(q, out, false);
      }
  state.SetItemsProcessed(state.iterations());
  ff::av_packet_free(&pkt);
  zv::PacketQueueEnd(q);
}
BENCHMARK(BM_PutGetSameThread)->Arg(200)->Arg(4096)->Arg(65536);

void BM_ProducerConsumer(benchmark::State& state) {
  if (!zv::bench::LoadPlayerLibraries()) return state.SkipWithError("media libraries not loaded");
  const int batch = 1000;
  AVPacket* pkt = MakePacket(int(state.range(0)));
  for (auto _ : state) {
    zv::TPacketQueue q;
    zv::PacketQueueInit(q);
    std::thread consumer([&] {
      for (int i = 0; i < batch; ++i) {
        zv::TQueuedPacket out;
        if (zv::PacketQueueGet(q, out, true) != 1) break;
              }
    });
    for (int i = 0; i < batch; ++i) zv::PacketQueuePut(q, pkt);
    consumer.join();
    zv::PacketQueueEnd(q);
  }
  state.SetItemsProcessed(state.iterations() * batch);
  ff::av_packet_free(&pkt);
}
BENCHMARK(BM_ProducerConsumer)->Arg(4096)->UseRealTime();

}  // namespace
