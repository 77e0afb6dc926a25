#include "engine/audio_decoder.h"

#include <algorithm>
#include <cstring>

#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"

namespace zv {

namespace {

uint64_t NativeMask(const AVChannelLayout& layout) {
  return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
}

void FreeConverter(TMediaState* is) {
  is->ReformatCtx.reset();
  is->AudioSrcFmt = AV_SAMPLE_FMT_S16;
  is->AudioSrcChannels = 0;
  is->AudioSrcChannelMask = 0;
  is->AudioSrcRate = 0;
}

// True when the frame is already what the device plays.
bool IsDeviceFormat(const TMediaState* is, const AVFrame* f) {
  return f->format == AV_SAMPLE_FMT_S16 && f->ch_layout.nb_channels == is->AudioSpec.channels &&
         f->sample_rate == is->AudioSpec.freq;
}

// Makes ReformatCtx fit the frame; false (reported) when no converter can be made.
bool PrepareConverter(TMediaState* is, const AVFrame* f) {
  if (is->ReformatCtx && f->format == is->AudioSrcFmt && f->ch_layout.nb_channels == is->AudioSrcChannels &&
      NativeMask(f->ch_layout) == is->AudioSrcChannelMask && f->sample_rate == is->AudioSrcRate)
    return true;
  FreeConverter(is);
  AVChannelLayout in{}, out{};
  if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels <= 0 ||
      ff::av_channel_layout_copy(&in, &f->ch_layout) < 0)
    ff::av_channel_layout_default(&in, f->ch_layout.nb_channels);
  ff::av_channel_layout_default(&out, is->AudioSpec.channels);
  SwrContext* made = nullptr;
  int r = ff::swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, is->AudioSpec.freq, &in,
                                  static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
  SwrContextPtr ctx(made);
  if (r >= 0 && ctx) r = ff::swr_init(ctx.get());
  ff::av_channel_layout_uninit(&in);
  ff::av_channel_layout_uninit(&out);
  if (r < 0 || !ctx) {
    const char* src = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(f->format));
    ReportAudioError(is, Format("Cannot convert %s sample format to %s sample format",
                                {src ? src : "?", ff::av_get_sample_fmt_name(AV_SAMPLE_FMT_S16)}));
    return false;
  }
  is->ReformatCtx = std::move(ctx);
  is->AudioSrcFmt = f->format;
  is->AudioSrcChannels = f->ch_layout.nb_channels;
  is->AudioSrcChannelMask = NativeMask(f->ch_layout);
  is->AudioSrcRate = f->sample_rate;
  return true;
}

int BytesPerOutputSample(const TMediaState* is) { return 2 * is->AudioSpec.channels; }

// Next piece of a device-format frame larger than one buffer, into AudioBuf1.
int CopyFramePiece(TMediaState* is) {
  AVFrame* f = is->AudioFrame.get();
  int frameBytes = BytesPerOutputSample(is);
  int n = std::min(f->nb_samples - is->AudioFrameOffset, AudioBufSizeBytes / frameBytes);
  std::memcpy(is->AudioBuf1, f->data[0] + static_cast<size_t>(is->AudioFrameOffset) * frameBytes,
              static_cast<size_t>(n) * frameBytes);
  is->AudioFrameOffset += n;
  if (is->AudioFrameOffset >= f->nb_samples) {
    ff::av_frame_unref(f);
    is->AudioFrameOffset = 0;
  }
  is->AudioBuf = is->AudioBuf1;
  return n * frameBytes;
}

// Converts the frame (or, with no frame, what the converter still holds) into
// AudioBuf2; what does not fit stays inside the converter for the next chunk.
int ConvertToBuffer(TMediaState* is, AVFrame* f) {
  static const uint8_t* const kNoInput[AV_NUM_DATA_POINTERS] = {};
  uint8_t* out[1] = {is->AudioBuf2};
  int capacity = AudioBufSizeBytes / BytesPerOutputSample(is);
  const uint8_t** in = f ? const_cast<const uint8_t**>(f->extended_data) : const_cast<const uint8_t**>(kNoInput);
  int n = ff::swr_convert(is->ReformatCtx.get(), out, capacity, in, f ? f->nb_samples : 0);
  if (f) ff::av_frame_unref(f);
  if (n < 0) {
    FreeConverter(is);  // the next frame makes a fresh one
    ReportAudioError(is, "av_audio_convert() failed");
    return -1;
  }
  is->AudioBuf = is->AudioBuf2;
  return n * BytesPerOutputSample(is);
}

int ChunkReady(TMediaState* is, int bytes) {
  is->AudioClock.Advance(static_cast<double>(bytes) / (2.0 * is->AudioSpec.channels * is->AudioSpec.freq));
  return bytes;
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
  is->AudioFrameOffset = 0;
  FreeConverter(is);
}

void ReleaseAudioDecoding(TMediaState* is) {
  is->AudioPkt.reset();
  is->AudioFrame.reset();
  is->AudioFrameOffset = 0;
  FreeConverter(is);
}

int AudioDecodeFrame(TMediaState* is) {
  AVCodecContext* dec = is->AudioCodec.get();
  AVFrame* frame = is->AudioFrame.get();
  if (!dec || !frame || is->AudioSpec.channels <= 0 || is->AudioSpec.freq <= 0) return -1;
  for (;;) {
    // What the last frame left over comes first.
    if (!is->ReformatCtx && frame->nb_samples > 0 && is->AudioFrameOffset > 0) return ChunkReady(is, CopyFramePiece(is));
    if (is->ReformatCtx) {
      int n = ConvertToBuffer(is, nullptr);
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
      if (IsDeviceFormat(is, frame)) {
        if (is->ReformatCtx) FreeConverter(is);
        is->AudioFrameOffset = 0;
        return ChunkReady(is, CopyFramePiece(is));
      }
      if (!PrepareConverter(is, frame)) {
        ff::av_frame_unref(frame);
        continue;
      }
      int n = ConvertToBuffer(is, frame);
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

void UpdateSampleDisplay(TMediaState* is, const int16_t* samples, int sizeBytes) {
  std::lock_guard<std::mutex> g(is->SampleArrayMutex);
  int count = sizeBytes / 2;
  int index = is->SampleArrayIndex.load(std::memory_order_relaxed);
  while (count > 0) {
    int k = std::min(count, SampleArraySize - index);
    std::memcpy(is->SampleArray + index, samples, static_cast<size_t>(k) * sizeof(int16_t));
    samples += k;
    index += k;
    if (index >= SampleArraySize) index = 0;
    count -= k;
  }
  is->SampleArrayIndex.store(index, std::memory_order_relaxed);
}

}  // namespace zv
