#include "engine/video_thread.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "engine/clocks.h"
#include "engine/display.h"
#include "engine/exact_seek.h"
#include "engine/picture_queue.h"
#include "engine/player.h"
#include "engine/play_requests.h"
#include "engine/picture_corrections.h"
#include "filters/filter_pipeline.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"
#include "runtime/safe_math.h"

namespace zv {

int64_t GuessCorrectPts(TPtsCorrection& c, int64_t reorderedPts, int64_t dts) {
  if (dts != AV_NOPTS_VALUE) {
    if (dts <= c.LastDts) ++c.NumFaultyDts;
    c.LastDts = dts;
  }
  if (reorderedPts != AV_NOPTS_VALUE) {
    if (reorderedPts <= c.LastPts) ++c.NumFaultyPts;
    c.LastPts = reorderedPts;
  }
  if (c.NumFaultyDts < c.NumFaultyPts && dts != AV_NOPTS_VALUE) return dts;
  return reorderedPts != AV_NOPTS_VALUE ? reorderedPts : dts;
}

int DecoderThreadCount(int property) {
  if (property > 0) return property;
  unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? int(cores) : 1;
}

namespace {

// Everything the thread works with; used by this thread only.
struct TVideoDecoder {
  TMediaState* playback = nullptr;
  TCustomPlayer* player = nullptr;
  AVCodecContext* ctx = nullptr;
  AVRational streamTb{1, 1};
  std::string filters;
  std::unique_ptr<TPictureCorrections> corrections;
  std::string leading;  // the corrections' chain the pipeline was built with
  TVideoFilterPipeline pipeline;
  AVFramePtr decoded;
  AVFramePtr filtered;
  int64_t generation = 0;  // the seek the packets now decoded were read after
  double lastPassedPts = NAN;  // s: the last picture passed on since the flush
  // An exact seek's target (s): pictures over before it are dropped; NaN once reached.
  double dropBefore = NAN;
  // The last picture dropped for it: shown after all when the stream ends first.
  AVFramePtr beforeTarget;
};

// Longest run of media time (s) dropped for being late: a machine too slow for
// the stream still shows a picture now and then instead of a frozen one.
constexpr double MaxLateDropRun = 0.5;

// Already behind the sound by more than a picture: filtering and showing it
// would only keep the picture late. Only with the sound as master, playing,
// once a picture of this position is on screen.
bool TooLateToShow(TVideoDecoder& d, double pts) {
  TMediaState* playback = d.playback;
  if (!playback->AudioStream || std::isnan(pts) || playback->Paused.load(std::memory_order_relaxed)) return false;
  if (playback->ShownGeneration.load(std::memory_order_relaxed) < d.generation || SeekPicturePending(playback))
    return false;
  // The sound clock of an earlier position would make every picture look late.
  if (playback->AudioClock.Generation() < d.generation) return false;
  if (!std::isnan(d.lastPassedPts) && pts - d.lastPassedPts > MaxLateDropRun) return false;
  return GetMasterClock(playback) - pts > LateDropThreshold(playback) * playback->Schedule.Speed();
}

// A seek's first picture always comes, even when a pause lands before it
// does (the window's rewind at the end: seek to 0, then pause).
bool WaitWhilePaused(TMediaState* playback) {
  bool aborted = false;
  playback->PauseGate.WaitUntil([&] {
    if (!playback->Paused.load(std::memory_order_relaxed) || playback->Seek.PictureAwaitedInPause() ||
        playback->PausedDecodeCount.load(std::memory_order_relaxed) || playback->Seek.Pending() ||
        SeekPicturePending(playback))
      return true;
    return aborted = VideoQueueAborted(playback);
  });
  return !aborted;
}

// A picture came out of the decoder: 1 to pass it on, 0 when the skip ratio drops it.
int TakeDecoded(TVideoDecoder& d) {
  TMediaState* playback = d.playback;
  d.player->VideoStatsCounter().AddDecoded();
  d.decoded->pts = GuessCorrectPts(playback->PtsCorrection, d.decoded->pts, d.decoded->pkt_dts);
  if (!std::isnan(d.dropBefore)) {
    const double at = d.decoded->pts == AV_NOPTS_VALUE ? NAN : double(d.decoded->pts) * av_q2d(d.streamTb);
    if (PictureEndsBefore(at, playback->FrameDuration, d.dropBefore)) {
      ff::av_frame_unref(d.beforeTarget.get());
      ff::av_frame_move_ref(d.beforeTarget.get(), d.decoded.get());
      return 0;
    }
    d.dropBefore = NAN;  // the target's picture: it and every one after pass
    ff::av_frame_unref(d.beforeTarget.get());
  }
  if (!playback->Schedule.PassPicture()) {
    d.player->VideoStatsCounter().AddSkippedByDecoder();
    ff::av_frame_unref(d.decoded.get());
    return 0;
  }
  const double pts = d.decoded->pts == AV_NOPTS_VALUE ? NAN : double(d.decoded->pts) * av_q2d(d.streamTb);
  if (TooLateToShow(d, pts)) {
    d.player->VideoStatsCounter().AddDroppedLate();
    ff::av_frame_unref(d.decoded.get());
    return 0;
  }
  if (!std::isnan(pts)) d.lastPassedPts = pts;
  return 1;
}

// The first picture of the seek the decoder is at came out, or none will:
// a pause holds the thread again.
void MarkSeekPictured(TVideoDecoder& d) {
  TMediaState* playback = d.playback;
  if (playback->SeekPictureGeneration.load() >= d.generation) return;
  playback->SeekPictureGeneration.store(d.generation);
  playback->Seek.PictureCame(d.generation);
}

void NoteNoMorePictures(TVideoDecoder& d) {
  MarkSeekPictured(d);
  d.player->NoteSeekPicture(d.generation);
}

// The stream ended before an exact seek's target: its last picture is shown.
bool TakeLastBeforeTarget(TVideoDecoder& d) {
  if (std::isnan(d.dropBefore) || !d.beforeTarget->buf[0]) return false;
  d.dropBefore = NAN;
  ff::av_frame_unref(d.decoded.get());
  ff::av_frame_move_ref(d.decoded.get(), d.beforeTarget.get());
  return true;
}

void Flush(TVideoDecoder& d) {
  ff::avcodec_flush_buffers(d.ctx);
  d.dropBefore = NAN;
  ff::av_frame_unref(d.beforeTarget.get());
  d.playback->Video.MoveTo(TStreamPhase::Playing);
  d.lastPassedPts = NAN;
  d.pipeline.Close();  // pictures inside belong to the old position
}

// 1 with a picture in d.decoded, 0 for nothing to show, -1 when aborted.
int GetVideoFrame(TVideoDecoder& d) {
  TMediaState* playback = d.playback;
  int r = ff::avcodec_receive_frame(d.ctx, d.decoded.get());
  if (r == 0) return TakeDecoded(d);
  if (r == AVERROR_EOF && TakeLastBeforeTarget(d)) return 1;
  if (r == AVERROR_EOF && d.pipeline.IsOpen()) d.pipeline.Push(nullptr);  // let the filters give out what they hold

  TQueuedPacket pkt;
  if (PacketQueueGet(playback->VideoQueue, pkt, true, &d.generation) < 0) return -1;
  if (IsFlushPacket(pkt.get())) {
    Flush(d);
    if (TSeekRequest::TTarget seek; playback->Seek.Of(d.generation, seek)) d.dropBefore = seek.DropBefore;
    playback->Pictures.Flush(d.generation);
    playback->VideoCurrentPos.store(-1, std::memory_order_relaxed);
    playback->PtsCorrection = TPtsCorrection{};
    playback->Schedule.Restart(ClockSeconds(), double(AV_NOPTS_VALUE), 0);
    return 0;
  }
  // The queue gives the reader's empty end packet back with a (zero-sized) buffer.
  const bool endOfStream = pkt->size == 0;
  if (endOfStream) {
    if (playback->Video.Is(TStreamPhase::Playing)) {
      ff::avcodec_send_packet(d.ctx, nullptr);
      playback->Video.MoveTo(TStreamPhase::Draining);
    }
  } else {
    // Data after the end without a seek: the decoder starts over.
    if (!playback->Video.Is(TStreamPhase::Playing)) Flush(d);
    ff::avcodec_send_packet(d.ctx, pkt.get());  // a damaged packet gives no picture; the next one may
  }
  pkt.reset();
  r = ff::avcodec_receive_frame(d.ctx, d.decoded.get());
  if (r == 0 && TakeDecoded(d)) return 1;
  if (r == AVERROR_EOF && TakeLastBeforeTarget(d)) return 1;
  if (r == AVERROR_EOF && !d.pipeline.IsOpen()) {
    playback->Video.MoveTo(TStreamPhase::Ended);
    NoteNoMorePictures(d);  // nothing more comes after the seek
  }
  if (endOfStream && !playback->EndReported.load()) d.player->UpdatePosition();
  return 0;
}

// Feeds d.decoded to the pipeline, building it for the picture's properties. 0, or -1 to end.
int FilterPicture(TVideoDecoder& d) {
  TMediaState* playback = d.playback;
  AVFrame* f = d.decoded.get();
  const std::string leading = d.corrections->ChainFor(f, d.player->Deinterlace());
  if (d.pipeline.IsOpen() && (!d.pipeline.InputMatches(f) || leading != d.leading)) d.pipeline.Close();
  if (!d.pipeline.IsOpen()) {
    AVRational sar = f->sample_aspect_ratio.num ? f->sample_aspect_ratio : playback->VideoStream->sample_aspect_ratio;
    d.leading = leading;
    int r = d.pipeline.Open(f->width, f->height, AVPixelFormat(f->format), d.streamTb, sar, d.filters,
                            d.player->SwsFlags(), leading);
    if (r < 0 && !leading.empty()) {
      // The picture is still worth showing as it comes.
      DefaultLogger().Log(d.player, llWarning, d.pipeline.LastErrMsg());
      r = d.pipeline.Open(f->width, f->height, AVPixelFormat(f->format), d.streamTb, sar, d.filters,
                          d.player->SwsFlags());
    }
    if (r < 0) {
      DefaultLogger().Log(d.player, llError, d.pipeline.LastErrMsg());
      ff::av_frame_unref(f);
      return -1;
    }
    playback->OutVideoFilter = d.pipeline.OutFilter();
    playback->SinkPixFmt.store(d.pipeline.OutFormat(), std::memory_order_relaxed);
    playback->SinkWidth.store(d.pipeline.OutWidth(), std::memory_order_release);
    playback->SinkHeight.store(d.pipeline.OutHeight(), std::memory_order_release);
  }
  if (!f->sample_aspect_ratio.num) f->sample_aspect_ratio = playback->VideoStream->sample_aspect_ratio;
  int r = d.pipeline.Push(f);
  ff::av_frame_unref(f);
  if (r < 0) {
    DefaultLogger().Log(d.player, llError, "Error while filtering the video: " + std::to_string(r));
    return -1;
  }
  return 0;
}

// The application sees (and may redraw) the picture as a bitmap before it
// is queued; a redrawn picture is written back into the frame, made
// writable first: only this path copies the picture.
void DeliverVideoHook(TVideoDecoder& d, AVFrame* frame, double pts) {
  TCustomPlayer* player = d.player;
  if (!player->VideoHook()) return;
  TVideoHookEvent handler = player->OnVideoHook();
  if (!handler) return;
  TFormatConverter& conv = player->HookConverter();
  TAVPicture in;
  for (int i = 0; i < 4; ++i) {
    in.data[i] = frame->data[i];
    in.linesize[i] = frame->linesize[i];
  }
  const AVPixelFormat fmt = AVPixelFormat(frame->format);
  if (!conv.ToRGB(in, fmt, frame->width, frame->height, true)) {
    DefaultLogger().Log(player, llError, conv.LastErrMsg());
    return;
  }
  TBitmap& bmp = conv.Bitmap();
  bool update = true;
  const int64_t apts = MicrosFromStart(pts, d.playback->StartTime);
  std::string failure;
  bmp.Canvas().Lock();
  try {
    handler(player, &bmp, apts, update);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  bmp.Canvas().Unlock();
  if (!failure.empty()) {
    DefaultLogger().Log(player, llError, "Error occurs OnVideoHook: " + failure);
    return;
  }
  if (!update) return;
  if (ff::av_frame_make_writable(frame) < 0) {
    DefaultLogger().Log(player, llError, "OnVideoHook: the picture could not be made writable");
    return;
  }
  conv.CopyFromBitmap();
  TAVPicture out;
  for (int i = 0; i < 4; ++i) {
    out.data[i] = frame->data[i];
    out.linesize[i] = frame->linesize[i];
  }
  if (!conv.FromRGB(out, fmt, frame->width, frame->height)) DefaultLogger().Log(player, llError, conv.LastErrMsg());
}

// Carried out, but its flush not yet taken: a picture now belongs to the old position.
bool FlushPending(TVideoDecoder& d) { return PacketQueueGeneration(d.playback->VideoQueue) > d.generation; }

// Pictures without a timestamp continue the clock of the ones before.
// 1 queued, 0 dropped, -1 aborted; frame is left empty.
int OutputPicture(TVideoDecoder& d, AVFrame* frame, double pts, int64_t pos) {
  TMediaState* playback = d.playback;
  pts = playback->Schedule.StampPts(pts, playback->FrameDuration, frame->repeat_pict);
  const int64_t start = ClockMicros();
  DeliverVideoHook(d, frame, pts);
  // The display lets pictures pile up only when it falls behind.
  if (playback->Pictures.Full() && playback->Refresh.load(std::memory_order_relaxed) != 1)
    playback->Schedule.OnFullQueue();
  const int r = playback->Pictures.Put(
      frame, pts, pos, d.generation, [&d] { return FlushPending(d); },
      [playback](double p) { return playback->Schedule.DueTime(p); });
  d.player->VideoStatsCounter().AddQueueTime(double(ClockMicros() - start));
  // Waited for a slot and the queue was kept full (paused) meanwhile: the
  // picture is from before the seek and must not keep this thread from the flush.
  if (r == 0) d.player->VideoStatsCounter().AddDiscardedAfterSeek();
  return r;
}

// A filtered picture in d.filtered goes to the picture queue. 0, or -1 to end.
int DeliverPicture(TVideoDecoder& d) {
  TMediaState* playback = d.playback;
  TCustomPlayer* player = d.player;
  AVFrame* f = d.filtered.get();
  int64_t pts = f->pts;
  const int64_t pos = f->pkt_pos;
  const AVRational tb = d.pipeline.OutTimeBase();
  if (pts != AV_NOPTS_VALUE && av_cmp_q(tb, d.streamTb) != 0) {
    int64_t rescaled = ff::av_rescale_q(pts, tb, d.streamTb);
    ff::av_log(nullptr, AV_LOG_DEBUG, "video filter time base %d/%d pts %lld -> stream time base %d/%d pts %lld\n",
               tb.num, tb.den, static_cast<long long>(pts), d.streamTb.num, d.streamTb.den,
               static_cast<long long>(rescaled));
    pts = rescaled;
  }
  if (FlushPending(d)) {
    player->VideoStatsCounter().AddDiscardedAfterSeek();
    ff::av_frame_unref(f);
    return 0;
  }
  MarkSeekPictured(d);
  const double seconds = pts == AV_NOPTS_VALUE ? NAN : double(pts) * av_q2d(d.streamTb);
  int r = OutputPicture(d, f, seconds, pos);
  ff::av_frame_unref(f);
  if (r < 0) return -1;
  if (r > 0) player->NoteSeekPicture(d.generation);
  player->PictureReadyEvent().Set();
  playback->EndReported.store(0);
  if (player->Seeking().load() && !playback->Seek.Pending()) player->Seeking().store(false);
  int count = playback->PausedDecodeCount.load();
  if (count != 0) {
    if (count < 2) {
      playback->PausedDecodeCount.store(count + 1);
    } else {
      playback->PausedDecodeCount.store(0);
      player->ReportOpenedPaused(playback);
    }
  }
  return 0;
}

}  // namespace

void VideoThreadMain(TMediaState* playback) {
  TVideoDecoder d;
  d.playback = playback;
  d.player = playback->Owner;
  d.ctx = playback->VideoCodec.get();
  d.streamTb = playback->VideoStream->time_base;
  d.filters = d.player->VideoFilters();
  d.corrections = std::make_unique<TPictureCorrections>(playback->VideoStream);
  // Until the sound of the last seek is decoded its clock still reads the
  // old position: pictures keep their own distances meanwhile.
  playback->Schedule.SetClocks(
      [playback] {
        if (!playback->AudioStream || playback->AudioClock.Generation() < PacketQueueGeneration(playback->AudioQueue))
          return double(NAN);
        return GetAudioClock(playback);
      },
      [playback] { return GetVideoClock(playback); });
  d.decoded.reset(ff::av_frame_alloc());
  d.filtered.reset(ff::av_frame_alloc());
  d.beforeTarget.reset(ff::av_frame_alloc());
  bool running = d.decoded && d.filtered && d.beforeTarget;
  while (running) {
    if (!WaitWhilePaused(playback)) break;
    if (d.pipeline.IsOpen()) {
      int r = d.pipeline.Pull(d.filtered.get());
      if (r == 0) {
        running = DeliverPicture(d) == 0;
        continue;
      }
      if (r == AVERROR_EOF) {
        d.pipeline.Close();  // all given out at the end of the stream; a seek builds it again
      } else if (r != AVERROR(EAGAIN)) {
        DefaultLogger().Log(d.player, llError, "Error while filtering the video: " + std::to_string(r));
        break;
      }
    }
    int got = GetVideoFrame(d);
    if (got < 0) break;
    if (got > 0) running = FilterPicture(d) == 0;
  }
  d.pipeline.Close();
  playback->OutVideoFilter = nullptr;
  playback->Video.MoveTo(TStreamPhase::Ended);  // nothing more comes, whatever the reason
  NoteNoMorePictures(d);
  // Ended by itself (a filter string the library refuses, say): the sound
  // plays on and keeps the position; without sound the playback ends.
  if (!VideoQueueAborted(playback)) {
    playback->VideoEnded.store(1);
    if (!playback->AudioStream) PushQuitEvent(playback);
  }
}

}  // namespace zv
