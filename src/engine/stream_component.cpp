// Opening and closing one elementary stream of a playback: its decoder, its
// packet queue (started with the flush packet) and its output.
#include "engine/clocks.h"
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

// The decoder's ASS header, and the fonts attached to the file.
void OpenTextTrack(TTextOverlay& overlay, AVFormatContext* ic, const AVCodecContext* ctx) {
  std::string header;
  if (ctx->subtitle_header && ctx->subtitle_header_size > 0)
    header.assign(reinterpret_cast<const char*>(ctx->subtitle_header), size_t(ctx->subtitle_header_size));
  if (!overlay.OpenTrack(header)) return;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* s = ic->streams[i];
    if (s->codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT || !s->codecpar->extradata) continue;
    const AVDictionaryEntry* name = ff::av_dict_get(s->metadata, "filename", nullptr, 0);
    overlay.AddFont(name ? name->value : "", s->codecpar->extradata, s->codecpar->extradata_size);
  }
}

}  // namespace

int TCustomPlayer::StreamComponentOpen(TMediaState* playback, int AIndex) {
  AVFormatContext* ic = playback->FormatContext.get();
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
      if (AudioDeviceOpen(playback, ctx.get()) < 0) return -1;
      st->discard = AVDISCARD_DEFAULT;
      playback->AudioStreamIndex = AIndex;
      playback->AudioStream = st;
      playback->AudioCodec = std::move(ctx);
      playback->AudioDuration.store(st->duration == AV_NOPTS_VALUE
                                 ? -1
                                 : ff::av_rescale_q(st->duration, st->time_base, AVRational{1, 1000000}),
                             std::memory_order_relaxed);
      PacketQueueInit(playback->AudioQueue);
      PacketQueuePut(playback->AudioQueue, FlushPacket());
      // It starts with the first picture, or at once without pictures.
      playback->AudioOut.StartGate().Hold(&FSDL, playback->AudioOut.Device(), ClockMicros());
      break;
    case AVMEDIA_TYPE_VIDEO: {
      st->discard = AVDISCARD_DEFAULT;
      playback->VideoStreamIndex = AIndex;
      playback->VideoStream = st;
      playback->VideoCodec = std::move(ctx);
      // The decoder's own frame rate (its time base no longer carries one);
      // only a known rate that disagrees with the container's is worth a note.
      const AVRational fr = playback->VideoCodec->framerate, r = st->r_frame_rate;
      const bool codecRate = fr.num > 0 && fr.den > 0;
      if (codecRate && av_cmp_q(fr, r) == 0) {
        playback->FrameDuration = double(fr.den) / fr.num;
      } else {
        if (codecRate)
          DefaultLogger().LogFmt(this, llInfo,
                                 "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                                 "%2.2f (%d/%d)",
                                 {AIndex, double(fr.num) / fr.den, fr.num, fr.den,
                                  r.den ? double(r.num) / r.den : 0.0, r.num, r.den});
        playback->FrameDuration = r.num > 0 && r.den > 0 ? double(r.den) / r.num : 0.04;
      }
      {
        const AVRational avg = st->avg_frame_rate;
        FVideoStats.SetFrameRate(avg.num > 0 && avg.den > 0 ? av_q2d(avg)
                                 : playback->FrameDuration > 0    ? 1.0 / playback->FrameDuration
                                                           : 0.0);
      }
      PacketQueueInit(playback->VideoQueue);
      PacketQueuePut(playback->VideoQueue, FlushPacket());
      FShownPicture.Open(playback->VideoCodec->width, playback->VideoCodec->height);
      try {
        playback->VideoThread = std::thread([playback] { VideoThreadMain(playback); });
      } catch (const std::system_error&) {
        ReportError("SDL_CreateThread() failed.", false);
        StreamComponentClose(playback, AIndex);
        return -1;
      }
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      st->discard = AVDISCARD_DEFAULT;
      playback->SubtitleStreamIndex = AIndex;
      playback->SubtitleStream = st;
      playback->SubtitleCodec = std::move(ctx);
      PacketQueueInit(playback->SubtitleQueue);
      PacketQueuePut(playback->SubtitleQueue, FlushPacket());
      if (IsTextSubtitleCodec(playback->SubtitleCodec.get())) OpenTextTrack(FTextOverlay, ic, playback->SubtitleCodec.get());
      try {
        playback->SubtitleThread = std::thread([this, playback] { SubtitleThreadMain(playback, &FTextOverlay); });
      } catch (const std::system_error&) {
        ReportError("SDL_CreateThread() failed.", false);  // the file plays without subtitles
      }
      break;
    default:
      break;  // nothing of this stream is used; its decoder goes
  }
  return 0;
}

void TCustomPlayer::StreamComponentClose(TMediaState* playback, int AIndex) {
  AVFormatContext* ic = playback->FormatContext.get();
  if (!ic || AIndex < 0 || unsigned(AIndex) >= ic->nb_streams) return;
  AVStream* st = ic->streams[AIndex];
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      PacketQueueAbort(playback->AudioQueue);
      AudioDeviceClose(playback);  // the callback has returned when it does
      PacketQueueEnd(playback->AudioQueue);
      playback->AudioCodec.reset();
      playback->AudioStream = nullptr;
      playback->AudioStreamIndex = -1;
      playback->AudioDuration.store(-1, std::memory_order_relaxed);
      break;
    case AVMEDIA_TYPE_VIDEO:
      PacketQueueAbort(playback->VideoQueue);
      playback->PauseGate.Notify();
      playback->Pictures.WakeProducer();
      if (playback->VideoThread.joinable()) playback->VideoThread.join();
      FShownPicture.Close();
      PacketQueueEnd(playback->VideoQueue);
      playback->VideoCodec.reset();
      playback->VideoStream = nullptr;
      playback->VideoStreamIndex = -1;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      PacketQueueAbort(playback->SubtitleQueue);
      playback->PauseGate.Notify();
      playback->SubPictures.MarkStreamChanged();
      if (playback->SubtitleThread.joinable()) playback->SubtitleThread.join();
      playback->SubPictures.Clear();  // the refresh step may not run again
      FTextOverlay.CloseTrack();
      PacketQueueEnd(playback->SubtitleQueue);
      playback->SubtitleCodec.reset();
      playback->SubtitleStream = nullptr;
      playback->SubtitleStreamIndex = -1;
      break;
    default:
      break;
  }
  st->discard = AVDISCARD_ALL;
}

}  // namespace zv
