#include "engine/audio_decoder.h"

#include <algorithm>
#include <cmath>

#include "engine/exact_seek.h"
#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

int ChunkReady(TMediaState* playback, int bytes) {
  playback->AudioClock.Advance(static_cast<double>(bytes) / playback->AudioOut.BytesPerSecond());
  return bytes;
}

// The converter's next chunk: the frame's sound or, with no frame, what it
// still holds. Bytes, or -1 (reported) when the conversion failed.
int Convert(TMediaState* playback, AVFrame* f) {
  const int n = playback->AudioOut.Convert(f);
  if (n < 0) ReportAudioError(playback, "av_audio_convert() failed");
  return n;
}

// An exact seek's target (s) for the sound now decoded; NaN for none.
double DropBefore(TMediaState* playback) {
  TSeekRequest::TTarget seek;
  return playback->Seek.Of(playback->AudioClock.Generation(), seek) ? seek.DropBefore : NAN;
}

// Drops the sound of f before an exact seek's target; false when none is left.
bool KeepFromTarget(TMediaState* playback, AVFrame* f) {
  if (f->pts == AV_NOPTS_VALUE || !playback->AudioStream) return true;
  const double dropBefore = DropBefore(playback);
  const double start = double(f->pts) * av_q2d(playback->AudioStream.load()->time_base);
  const int drop = SamplesBefore(start, f->sample_rate, f->nb_samples, dropBefore);
  if (drop <= 0) return true;
  if (drop >= f->nb_samples) {
    ff::av_frame_unref(f);
    return false;
  }
  DropLeadingSamples(f, drop);
  playback->AudioClock.SetPts(start + double(drop) / f->sample_rate);
  return true;
}

void LogDecodeFailure(TMediaState* playback) {
  DefaultLogger().Log(playback->Owner, llInfo, "avcodec_decode_audio2() failed");
}

}  // namespace

int WantedAudioChannels(int decoderChannels) { return decoderChannels == 1 ? 1 : 2; }

void ReportAudioError(TMediaState* playback, const std::string& text) {
  if (playback->Owner)
    playback->Owner->ReportError(text, false);
  else
    DefaultLogger().Log(nullptr, llError, text);
}

void ResetAudioDecoding(TMediaState* playback) {
  if (playback->AudioCodec) ff::avcodec_flush_buffers(playback->AudioCodec.get());
  if (playback->AudioFrame) ff::av_frame_unref(playback->AudioFrame.get());
  playback->AudioOut.ResetConversion();
}

void ReleaseAudioDecoding(TMediaState* playback) {
  playback->AudioPkt.reset();
  playback->AudioFrame.reset();
  playback->AudioOut.ResetConversion();
}

int AudioDecodeFrame(TMediaState* playback) {
  AVCodecContext* dec = playback->AudioCodec.get();
  AVFrame* frame = playback->AudioFrame.get();
  TAudioOutput& out = playback->AudioOut;
  if (!dec || !frame || out.Channels() <= 0 || out.Rate() <= 0) return -1;
  for (;;) {
    if (HoldSoundForPicture(playback)) return -1;
    // What the last frame left over comes first.
    if (out.HasFramePiece(frame)) return ChunkReady(playback, out.TakeFramePiece(frame));
    if (out.HasConverter()) {
      int n = Convert(playback, nullptr);
      if (n > 0) return ChunkReady(playback, n);
    }

    bool inputRefused = false;
    if (playback->AudioPkt) {
      int r = ff::avcodec_send_packet(dec, playback->AudioPkt.get());
      if (r == AVERROR(EAGAIN)) {
        inputRefused = true;  // its output is taken first
      } else if (r == AVERROR_EOF) {
        ff::avcodec_flush_buffers(dec);  // drained earlier: take input again
        continue;
      } else {
        if (r < 0) LogDecodeFailure(playback);
        playback->AudioPkt.reset();
      }
    }

    int r = ff::avcodec_receive_frame(dec, frame);
    if (r >= 0) {
      if (frame->nb_samples <= 0) {
        ff::av_frame_unref(frame);
        continue;
      }
      if (!KeepFromTarget(playback, frame)) continue;
      if (out.IsDeviceFormat(frame)) {
        out.ResetConversion();
        return ChunkReady(playback, out.TakeFramePiece(frame));
      }
      std::string err;
      if (!out.PrepareConverter(frame, &err)) {
        ReportAudioError(playback, err);
        ff::av_frame_unref(frame);
        continue;
      }
      int n = Convert(playback, frame);
      if (n > 0) return ChunkReady(playback, n);
      continue;
    }
    if (r == AVERROR_EOF) {
      ff::avcodec_flush_buffers(dec);
    } else if (r != AVERROR(EAGAIN)) {
      LogDecodeFailure(playback);
    }
    if (playback->AudioPkt) {
      if (!inputRefused || r != AVERROR(EAGAIN)) continue;
      // Refused input with no output to take: the decoder is stuck on it.
      LogDecodeFailure(playback);
      playback->AudioPkt.reset();
    }

    if (playback->Paused.load(std::memory_order_relaxed)) return -1;
    TQueuedPacket pkt;
    int64_t generation = 0;
    if (PacketQueueGet(playback->AudioQueue, pkt, false, &generation) <= 0) return -1;
    if (IsFlushPacket(pkt.get())) {
      ResetAudioDecoding(playback);
      continue;
    }
    playback->AudioClock.SetGeneration(generation);
    if (pkt->pts != AV_NOPTS_VALUE && playback->AudioStream) {
      const double pts = static_cast<double>(pkt->pts) * av_q2d(playback->AudioStream.load()->time_base);
      // Sound before an exact seek's target is dropped: nothing plays before it.
      const double dropBefore = DropBefore(playback);
      playback->AudioClock.SetPts(std::isnan(dropBefore) ? pts : std::max(pts, dropBefore));
    }
    playback->AudioPkt = std::move(pkt);
  }
}

}  // namespace zv
