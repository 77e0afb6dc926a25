// The video path on a 1080p H.264 stream (hd_1080p_h264.mkv of zelvo-fixtures,
// found through ZELVO_MEDIA_DIR): raw decoding with one decoder thread against
// one per core, and whole playbacks through the player with the per-picture
// cost of queueing and display read from its statistics.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench_support.h"
#include "../tools/fixture_list.h"
#include "engine/player.h"
#include "engine/video_thread.h"
#include "runtime/entry_points.h"
#include "runtime/library_loader.h"
#include "runtime/main_thread.h"

namespace {

using namespace zv;

std::string HdFile() { return bench::MediaFile(std::string(fixtures::kHd1080pMkv)); }

// Decodes the whole stream once; the number of pictures, or -1.
int DecodeAll(const std::string& file, int decoderThreads) {
  AVFormatContext* fc = nullptr;
  if (ff::avformat_open_input(&fc, file.c_str(), nullptr, nullptr) < 0) return -1;
  int pictures = -1;
  AVCodecContext* ctx = nullptr;
  AVPacket* pkt = ff::av_packet_alloc();
  AVFrame* frame = ff::av_frame_alloc();
  int index = ff::avformat_find_stream_info(fc, nullptr) >= 0
                  ? ff::av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                  : -1;
  if (index >= 0 && pkt && frame) {
    const AVCodec* codec = ff::avcodec_find_decoder(fc->streams[index]->codecpar->codec_id);
    ctx = ff::avcodec_alloc_context3(codec);
    if (ctx && ff::avcodec_parameters_to_context(ctx, fc->streams[index]->codecpar) >= 0) {
      ctx->thread_count = DecoderThreadCount(decoderThreads);  // as the player sets it
      if (ff::avcodec_open2(ctx, codec, nullptr) >= 0) {
        pictures = 0;
        auto drain = [&] {
          while (ff::avcodec_receive_frame(ctx, frame) == 0) {
            ++pictures;
            ff::av_frame_unref(frame);
          }
        };
        while (ff::av_read_frame(fc, pkt) >= 0) {
          if (pkt->stream_index == index) {
            ff::avcodec_send_packet(ctx, pkt);
            drain();
          }
          ff::av_packet_unref(pkt);
        }
        ff::avcodec_send_packet(ctx, nullptr);
        drain();
      }
    }
  }
  ff::avcodec_free_context(&ctx);
  ff::av_frame_free(&frame);
  ff::av_packet_free(&pkt);
  ff::avformat_close_input(&fc);
  return pictures;
}

// Arg: the DecoderThreads property (0 one per core, 1 single).
void BM_DecodeHd1080p(benchmark::State& state) {
  if (!bench::LoadPlayerLibraries()) return state.SkipWithError("media libraries not loaded");
  const std::string file = HdFile();
  int64_t pictures = 0;
  for (auto _ : state) {
    int n = DecodeAll(file, int(state.range(0)));
    if (n < 0) return state.SkipWithError(("cannot decode " + file).c_str());
    pictures += n;
  }
  state.SetItemsProcessed(pictures);
  state.counters["threads"] = DecoderThreadCount(int(state.range(0)));
  state.counters["pictures/s"] = benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeHd1080p)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// One real-time playback of the whole clip in SDL's own (dummy) window.
void BM_PlayHd1080p(benchmark::State& state) {
  if (!bench::LoadPlayerLibraries()) return state.SkipWithError("media libraries not loaded");
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  TVideoStats s;
  for (auto _ : state) {
    TFFPlayer player;
    if (!player.LoadLibraries("", true)) return state.SkipWithError(player.LastErrMsg().c_str());
    player.SetTriggerEventInMainThread(false);
    player.SetDecoderThreads(int(state.range(0)));
    std::atomic<bool> ended{false};
    player.SetOnState([&](TFFBaseComponent*, TPlayState ps) {
      if (ps == psEnd) ended = true;
    });
    if (!player.Open(HdFile(), 0, false)) return state.SkipWithError(player.LastErrMsg().c_str());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(fixtures::kHd1080pSeconds + 20);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
      ServeMainThread();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    player.Stop(true);
    s = player.VideoStats();
    if (!ended) return state.SkipWithError("the playback did not end");
  }
  state.counters["threads"] = DecoderThreadCount(int(state.range(0)));
  state.counters["shown"] = double(s.Shown);
  state.counters["skipped"] = double(s.SkippedByDecoder);
  state.counters["sync_abs_ms"] = s.SyncMeanAbs * 1e3;
  state.counters["sync_max_ms"] = s.SyncMax * 1e3;
  const int64_t queued = s.Shown + s.DiscardedAfterSeek;
  state.counters["queue_us_per_picture"] = queued > 0 ? s.QueueMicros / double(queued) : 0;
  state.counters["display_us_per_picture"] = s.Shown > 0 ? s.DisplayMicros / double(s.Shown) : 0;
}
BENCHMARK(BM_PlayHd1080p)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
