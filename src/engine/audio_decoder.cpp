#include "engine/audio_decoder.h"

#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

int ChunkReady(TMediaState* is, int bytes) {
  is->AudioClock.Advance(static_cast<double>(bytes) / is->AudioOut.BytesPerSecond());
  return bytes;
}

// The converter's next chunk: the frame's sound or, with no frame, what it
// still holds. Bytes, or -1 (reported) when the conversion failed.
int Convert(TMediaState* is, AVFrame* f) {
  const int n = is->AudioOut.Convert(f);
  if (n < 0) ReportAudioError(is, "av_audio_convert() failed");
  return n;
}

void LogDecodeFailure(TMediaState* is) {
  DefaultLogger().Log(is->Owner, llInfo, "avcodec_decode_audio2() failed");
}

}  // namespace

int WantedAudioChannels(int decoderChannels) { return decoderChannels == 1 ? 1 : 2; }

void ReportAudioError(TMediaState* is, const std::string& text) {
  if (is->Owner)
    is->Owner->ReportError(text, false);
  else
    DefaultLogger().Log(nullptr, llError, text);
}

void ResetAudioDecoding(TMediaState* is) {
  if (is->AudioCodec) ff::avcodec_flush_buffers(is->AudioCodec.get());
  if (is->AudioFrame) ff::av_frame_unref(is->AudioFrame.get());
  is->AudioOut.ResetConversion();
}

void ReleaseAudioDecoding(TMediaState* is) {
  is->AudioPkt.reset();
  is->AudioFrame.reset();
  is->AudioOut.ResetConversion();
}

int AudioDecodeFrame(TMediaState* is) {
  AVCodecContext* dec = is->AudioCodec.get();
  AVFrame* frame = is->AudioFrame.get();
  TAudioOutput& out = is->AudioOut;
  if (!dec || !frame || out.Channels() <= 0 || out.Rate() <= 0) return -1;
  for (;;) {
    // What the last frame left over comes first.
    if (out.HasFramePiece(frame)) return ChunkReady(is, out.TakeFramePiece(frame));
    if (out.HasConverter()) {
      int n = Convert(is, nullptr);
      if (n > 0) return ChunkReady(is, n);
    }

    bool inputRefused = false;
    if (is->AudioPkt) {
      int r = ff::avcodec_send_packet(dec, is->AudioPkt.get());
      if (r == AVERROR(EAGAIN)) {
        inputRefused = true;  // its output is taken first
      } else if (r == AVERROR_EOF) {
        ff::avcodec_flush_buffers(dec);  // drained earlier: take input again
        continue;
      } else {
        if (r < 0) LogDecodeFailure(is);
        is->AudioPkt.reset();
      }
    }

    int r = ff::avcodec_receive_frame(dec, frame);
    if (r >= 0) {
      if (frame->nb_samples <= 0) {
        ff::av_frame_unref(frame);
        continue;
      }
      if (out.IsDeviceFormat(frame)) {
        out.ResetConversion();
        return ChunkReady(is, out.TakeFramePiece(frame));
      }
      std::string err;
      if (!out.PrepareConverter(frame, &err)) {
        ReportAudioError(is, err);
        ff::av_frame_unref(frame);
        continue;
      }
      int n = Convert(is, frame);
      if (n > 0) return ChunkReady(is, n);
      continue;
    }
    if (r == AVERROR_EOF) {
      ff::avcodec_flush_buffers(dec);
    } else if (r != AVERROR(EAGAIN)) {
      LogDecodeFailure(is);
    }
    if (is->AudioPkt) {
      if (!inputRefused || r != AVERROR(EAGAIN)) continue;
      // Refused input with no output to take: the decoder is stuck on it.
      LogDecodeFailure(is);
      is->AudioPkt.reset();
    }

    if (is->Paused.load(std::memory_order_relaxed)) return -1;
    TQueuedPacket pkt;
    int64_t generation = 0;
    if (PacketQueueGet(is->AudioQueue, pkt, false, &generation) <= 0) return -1;
    if (IsFlushPacket(pkt.get())) {
      ResetAudioDecoding(is);
      continue;
    }
    if (pkt->pts != AV_NOPTS_VALUE && is->AudioStream) {
      is->AudioClock.SetPts(static_cast<double>(pkt->pts) * av_q2d(is->AudioStream->time_base));
      is->AudioClock.SetGeneration(generation);
    }
    is->AudioPkt = std::move(pkt);
  }
}

}  // namespace zv
