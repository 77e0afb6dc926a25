#include "engine/subtitle_thread.h"

#include <cmath>

#include "runtime/entry_points.h"

namespace zv {

namespace {

constexpr int MaxPaletteColors = AVPALETTE_SIZE / 4;

bool QueueAborted(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.AbortRequest != 0;
}

bool Aborted(TMediaState* playback) {
  return playback->AbortRequest.load(std::memory_order_relaxed) != 0 || QueueAborted(playback->SubtitleQueue);
}

// While paused nothing is shown, so decoding waits too, except to refill
// after a seek made in pause.
void WaitWhilePaused(TMediaState* playback) {
  playback->PauseGate.WaitUntil([&] {
    return !playback->Paused.load(std::memory_order_relaxed) || Aborted(playback) ||
           playback->Seek.PictureAwaitedInPause();
  });
}

// Decodes one packet; a bitmap subtitle goes into the entry at the write index.
void DecodeSubtitlePacket(TMediaState* playback, AVPacket* pkt) {
  double pts = 0;
  if (pkt->pts != AV_NOPTS_VALUE) pts = pkt->pts * av_q2d(playback->SubtitleStream.load()->time_base);
  AVSubtitle sub{};
  int got = 0;
  int r = ff::avcodec_decode_subtitle2(playback->SubtitleCodec.get(), &sub, &got, pkt);
  if (r < 0 || !got || sub.format != 0) {
    // Text subtitles are not shown: release them at once.
    ff::avsubtitle_free(&sub);
    return;
  }
  for (unsigned i = 0; i < sub.num_rects; ++i) ConvertPaletteToYuva(sub.rects[i]);
  playback->SubPictures.Put(pts, sub);
}

// A line without a known end stays this long.
constexpr int64_t DefaultLineMs = 5000;

// Text events need no room in the queue and are kept by the overlay, so
// they are decoded as they come, paused or not.
void DecodeTextPacket(TMediaState* playback, AVPacket* pkt, TTextOverlay* text) {
  AVSubtitle sub{};
  int got = 0;
  const int r = ff::avcodec_decode_subtitle2(playback->SubtitleCodec.get(), &sub, &got, pkt);
  if (r >= 0 && got && text) {
    const double tb = av_q2d(playback->SubtitleStream.load()->time_base);
    int64_t startMs = 0;
    if (pkt->pts != AV_NOPTS_VALUE)
      startMs = int64_t(std::llround(double(pkt->pts) * tb * 1000.0));
    else if (sub.pts != AV_NOPTS_VALUE)
      startMs = sub.pts / 1000;
    startMs += sub.start_display_time;
    int64_t durationMs = DefaultLineMs;
    if (sub.end_display_time > sub.start_display_time && sub.end_display_time != UINT32_MAX)
      durationMs = int64_t(sub.end_display_time) - sub.start_display_time;
    else if (pkt->duration > 0)
      durationMs = int64_t(std::llround(double(pkt->duration) * tb * 1000.0));
    for (unsigned i = 0; i < sub.num_rects; ++i) {
      const AVSubtitleRect* rect = sub.rects[i];
      if (rect && rect->type == SUBTITLE_ASS && rect->ass) text->AddEvent(rect->ass, startMs, durationMs);
    }
  }
  if (r >= 0 && got) ff::avsubtitle_free(&sub);
}

}  // namespace

bool IsTextSubtitleCodec(const AVCodecContext* ctx) {
  return ctx && ctx->codec_descriptor && (ctx->codec_descriptor->props & AV_CODEC_PROP_TEXT_SUB);
}

uint32_t RgbaToYuva(uint32_t argb) {
  const int a = int(argb >> 24), r = int((argb >> 16) & 0xFF), g = int((argb >> 8) & 0xFF), b = int(argb & 0xFF);
  // Right shifts of negative sums floor, which keeps U and V within 16..240.
  const int y = (263 * r + 517 * g + 101 * b + 16896) >> 10;
  const int u = ((-152 * r - 298 * g + 450 * b + 511) >> 10) + 128;
  const int v = ((450 * r - 377 * g - 74 * b + 511) >> 10) + 128;
  return (uint32_t(a) << 24) | (uint32_t(y) << 16) | (uint32_t(u) << 8) | uint32_t(v);
}

void ConvertPaletteToYuva(AVSubtitleRect* rect) {
  if (!rect || rect->type != SUBTITLE_BITMAP || !rect->data[1]) return;
  auto* pal = reinterpret_cast<uint32_t*>(rect->data[1]);
  const int n = rect->nb_colors < MaxPaletteColors ? rect->nb_colors : MaxPaletteColors;
  for (int i = 0; i < n; ++i) pal[i] = RgbaToYuva(pal[i]);
}

void SubtitleThreadMain(TMediaState* playback, TTextOverlay* text) {
  const bool isText = IsTextSubtitleCodec(playback->SubtitleCodec.get());
  for (;;) {
    if (!isText) WaitWhilePaused(playback);
    TQueuedPacket pkt;
    if (PacketQueueGet(playback->SubtitleQueue, pkt, true) < 0) return;
    if (IsFlushPacket(pkt.get())) {
      if (playback->SubtitleCodec) ff::avcodec_flush_buffers(playback->SubtitleCodec.get());
      // Text events stay across seeks: a line that began before the new
      // place is not read again, and the overlay drops the ones that are.
      continue;
    }
    if (isText) {
      if (Aborted(playback)) return;
      if (playback->SubtitleStream) DecodeTextPacket(playback, pkt.get(), text);
      continue;
    }
    const bool aborted = !playback->SubPictures.WaitForRoom([playback] { return Aborted(playback); });
    if (!aborted && playback->SubtitleCodec && playback->SubtitleStream) DecodeSubtitlePacket(playback, pkt.get());
    if (aborted) return;
  }
}

}  // namespace zv
