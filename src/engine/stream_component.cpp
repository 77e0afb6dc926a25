// Opening and closing one elementary stream of a playback: its decoder, its
// packet queue (started with the flush packet) and its output.
#include "engine/audio_output.h"
#include "engine/player.h"
#include "engine/video_thread.h"
#include "engine/subtitle_thread.h"
#include "runtime/av_ptr.h"
#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"

#include <system_error>
#include <thread>

namespace zv {

namespace {

void ApplyDecoderSettings(AVCodecContext* ctx) {
  ctx->debug = 0;
  ctx->workaround_bugs = FF_BUG_AUTODETECT;
  ctx->lowres = 0;
  ctx->idct_algo = FF_IDCT_AUTO;
  ctx->skip_frame = AVDISCARD_DEFAULT;
  ctx->skip_idct = AVDISCARD_DEFAULT;
  ctx->skip_loop_filter = AVDISCARD_DEFAULT;
  ctx->err_recognition = AV_EF_CAREFUL;
  ctx->error_concealment = 3;
  ctx->thread_count = 1;
}

}  // namespace

int TCustomPlayer::StreamComponentOpen(TMediaState* S, int AIndex) {
  AVFormatContext* ic = S->FormatContext.get();
  if (!ic || AIndex < 0 || unsigned(AIndex) >= ic->nb_streams) return -1;
  AVStream* st = ic->streams[AIndex];
  const AVCodec* codec = ff::avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContextPtr ctx(ff::avcodec_alloc_context3(codec));
  if (!ctx || ff::avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) {
    ReportError("avcodec_open() failed.", false);
    return -1;
  }
  ctx->pkt_timebase = st->time_base;
  ApplyDecoderSettings(ctx.get());
  if (ctx->codec_type == AVMEDIA_TYPE_VIDEO) ctx->thread_count = DecoderThreadCount(DecoderThreads());
  if (!codec || OpenCodec(ctx.get(), codec, nullptr) < 0) {
    ReportError("avcodec_open() failed.", false);
    return -1;
  }

  switch (ctx->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      // The device opens paused; it starts once the queue is ready.
      if (AudioDeviceOpen(S, ctx.get()) < 0) return -1;
      st->discard = AVDISCARD_DEFAULT;
      S->AudioStreamIndex = AIndex;
      S->AudioStream = st;
      S->AudioCodec = std::move(ctx);
      S->AudioDuration.store(st->duration == AV_NOPTS_VALUE
                                 ? -1
                                 : ff::av_rescale_q(st->duration, st->time_base, AVRational{1, 1000000}),
                             std::memory_order_relaxed);
      PacketQueueInit(S->AudioQueue);
      PacketQueuePut(S->AudioQueue, FlushPacket());
      FSDL.SDL_PauseAudioDevice(S->AudioOut.Device(), 0);
      break;
    case AVMEDIA_TYPE_VIDEO: {
      st->discard = AVDISCARD_DEFAULT;
      S->VideoStreamIndex = AIndex;
      S->VideoStream = st;
      S->VideoCodec = std::move(ctx);
      // The decoder's own frame rate (its time base no longer carries one);
      // only a known rate that disagrees with the container's is worth a note.
      const AVRational fr = S->VideoCodec->framerate, r = st->r_frame_rate;
      const bool codecRate = fr.num > 0 && fr.den > 0;
      if (codecRate && av_cmp_q(fr, r) == 0) {
        S->FrameDuration = double(fr.den) / fr.num;
      } else {
        if (codecRate)
          DefaultLogger().LogFmt(this, llInfo,
                                 "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                                 "%2.2f (%d/%d)",
                                 {AIndex, double(fr.num) / fr.den, fr.num, fr.den,
                                  r.den ? double(r.num) / r.den : 0.0, r.num, r.den});
        S->FrameDuration = r.num > 0 && r.den > 0 ? double(r.den) / r.num : 0.04;
      }
      {
        const AVRational avg = st->avg_frame_rate;
        FVideoStats.SetFrameRate(avg.num > 0 && avg.den > 0 ? av_q2d(avg)
                                 : S->FrameDuration > 0    ? 1.0 / S->FrameDuration
                                                           : 0.0);
      }
      PacketQueueInit(S->VideoQueue);
      PacketQueuePut(S->VideoQueue, FlushPacket());
      FShownPicture.Open(S->VideoCodec->width, S->VideoCodec->height);
      try {
        S->VideoThread = std::thread([S] { VideoThreadMain(S); });
      } catch (const std::system_error&) {
        ReportError("SDL_CreateThread() failed.", false);
        StreamComponentClose(S, AIndex);
        return -1;
      }
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      st->discard = AVDISCARD_DEFAULT;
      S->SubtitleStreamIndex = AIndex;
      S->SubtitleStream = st;
      S->SubtitleCodec = std::move(ctx);
      PacketQueueInit(S->SubtitleQueue);
      PacketQueuePut(S->SubtitleQueue, FlushPacket());
      try {
        S->SubtitleThread = std::thread([S] { SubtitleThreadMain(S); });
      } catch (const std::system_error&) {
        ReportError("SDL_CreateThread() failed.", false);  // the file plays without subtitles
      }
      break;
    default:
      break;  // nothing of this stream is used; its decoder goes
  }
  return 0;
}

void TCustomPlayer::StreamComponentClose(TMediaState* S, int AIndex) {
  AVFormatContext* ic = S->FormatContext.get();
  if (!ic || AIndex < 0 || unsigned(AIndex) >= ic->nb_streams) return;
  AVStream* st = ic->streams[AIndex];
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      PacketQueueAbort(S->AudioQueue);
      AudioDeviceClose(S);  // the callback has returned when it does
      PacketQueueEnd(S->AudioQueue);
      S->AudioCodec.reset();
      S->AudioStream = nullptr;
      S->AudioStreamIndex = -1;
      S->AudioDuration.store(-1, std::memory_order_relaxed);
      break;
    case AVMEDIA_TYPE_VIDEO:
      PacketQueueAbort(S->VideoQueue);
      S->PauseGate.Notify();
      S->Pictures.WakeProducer();
      if (S->VideoThread.joinable()) S->VideoThread.join();
      FShownPicture.Close();
      PacketQueueEnd(S->VideoQueue);
      S->VideoCodec.reset();
      S->VideoStream = nullptr;
      S->VideoStreamIndex = -1;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      PacketQueueAbort(S->SubtitleQueue);
      S->PauseGate.Notify();
      S->SubPictures.MarkStreamChanged();
      if (S->SubtitleThread.joinable()) S->SubtitleThread.join();
      S->SubPictures.Clear();  // the refresh step may not run again
      PacketQueueEnd(S->SubtitleQueue);
      S->SubtitleCodec.reset();
      S->SubtitleStream = nullptr;
      S->SubtitleStreamIndex = -1;
      break;
    default:
      break;
  }
  st->discard = AVDISCARD_ALL;
}

}  // namespace zv
