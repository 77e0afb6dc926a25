#include "engine/audio_output.h"

#include <algorithm>
#include <cstring>

#include "engine/audio_decoder.h"
#include "engine/audio_rate.h"
#include "engine/clocks.h"
#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/format.h"
#include "runtime/logger.h"

namespace zv {

namespace {

bool QueueAborted(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.AbortRequest != 0;
}

uint64_t NativeMask(const AVChannelLayout& layout) {
  return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
}

}  // namespace

void TAudioOutput::Attach(SDL_AudioDeviceID device, const SDL_AudioSpec& granted) {
  FDevice = device;
  FSpec = granted;
  FBytesPerSecond.store(granted.freq * 2 * granted.channels, std::memory_order_relaxed);
  FFrameOffset = 0;
  FreeConverter();
  FTempo = TSoundTempo();
}

SDL_AudioDeviceID TAudioOutput::Detach() {
  const SDL_AudioDeviceID device = FDevice;
  FDevice = 0;
  FSdl = nullptr;
  FLevel = {};
  return device;
}

int TAudioOutput::SilenceChunk() {
  std::memset(FBuf1, 0, SilenceChunkBytes);
  FChunk = FBuf1;
  return SilenceChunkBytes;
}

bool TAudioOutput::IsDeviceFormat(const AVFrame* f) const {
  return f->format == AV_SAMPLE_FMT_S16 && f->ch_layout.nb_channels == FSpec.channels &&
         f->sample_rate == FSpec.freq;
}

int TAudioOutput::TakeFramePiece(AVFrame* f) {
  const int frameBytes = BytesPerSample();
  const int n = std::min(f->nb_samples - FFrameOffset, AudioBufSizeBytes / frameBytes);
  std::memcpy(FBuf1, f->data[0] + static_cast<size_t>(FFrameOffset) * frameBytes,
              static_cast<size_t>(n) * frameBytes);
  FFrameOffset += n;
  if (FFrameOffset >= f->nb_samples) {
    ff::av_frame_unref(f);
    FFrameOffset = 0;
  }
  FChunk = FBuf1;
  return n * frameBytes;
}

void TAudioOutput::FreeConverter() {
  FConverter.reset();
  FSrcFmt = AV_SAMPLE_FMT_S16;
  FSrcChannels = 0;
  FSrcChannelMask = 0;
  FSrcRate = 0;
}

void TAudioOutput::ResetConversion() {
  FFrameOffset = 0;
  FreeConverter();
}

bool TAudioOutput::PrepareConverter(const AVFrame* f, std::string* err) {
  if (FConverter && f->format == FSrcFmt && f->ch_layout.nb_channels == FSrcChannels &&
      NativeMask(f->ch_layout) == FSrcChannelMask && f->sample_rate == FSrcRate)
    return true;
  FreeConverter();
  AVChannelLayout in{}, out{};
  if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels <= 0 ||
      ff::av_channel_layout_copy(&in, &f->ch_layout) < 0)
    ff::av_channel_layout_default(&in, f->ch_layout.nb_channels);
  ff::av_channel_layout_default(&out, FSpec.channels);
  SwrContext* made = nullptr;
  int r = ff::swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, FSpec.freq, &in,
                                  static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
  SwrContextPtr ctx(made);
  if (r >= 0 && ctx) r = ff::swr_init(ctx.get());
  ff::av_channel_layout_uninit(&in);
  ff::av_channel_layout_uninit(&out);
  if (r < 0 || !ctx) {
    const char* src = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(f->format));
    if (err)
      *err = Format("Cannot convert %s sample format to %s sample format",
                    {src ? src : "?", ff::av_get_sample_fmt_name(AV_SAMPLE_FMT_S16)});
    return false;
  }
  FConverter = std::move(ctx);
  FSrcFmt = f->format;
  FSrcChannels = f->ch_layout.nb_channels;
  FSrcChannelMask = NativeMask(f->ch_layout);
  FSrcRate = f->sample_rate;
  return true;
}

int TAudioOutput::Convert(AVFrame* f) {
  static const uint8_t* const kNoInput[AV_NUM_DATA_POINTERS] = {};
  uint8_t* out[1] = {FBuf2};
  const int capacity = AudioBufSizeBytes / BytesPerSample();
  const uint8_t** in = f ? const_cast<const uint8_t**>(f->extended_data) : const_cast<const uint8_t**>(kNoInput);
  const int n = ff::swr_convert(FConverter.get(), out, capacity, in, f ? f->nb_samples : 0);
  if (f) ff::av_frame_unref(f);
  if (n < 0) {
    FreeConverter();  // the next frame makes a fresh one
    return -1;
  }
  FChunk = FBuf2;
  return n * BytesPerSample();
}

void TAudioOutput::PushSamples(const int16_t* samples, int sizeBytes) {
  std::lock_guard<std::mutex> g(FRingLock);
  int count = sizeBytes / 2;
  while (count > 0) {
    const int k = std::min(count, SampleArraySize - FRingIndex);
    std::memcpy(FRing + FRingIndex, samples, static_cast<size_t>(k) * sizeof(int16_t));
    samples += k;
    FRingIndex += k;
    if (FRingIndex >= SampleArraySize) FRingIndex = 0;
    count -= k;
  }
}

void TAudioOutput::VisitRing(const std::function<void(const int16_t* ring, int writeIndex, int& drawStart)>& f) {
  std::lock_guard<std::mutex> g(FRingLock);
  f(FRing, FRingIndex, FDrawStart);
}

void MixOutput(const TSDLEntryPoints& sdl, uint8_t* dst, const uint8_t* src, int n, int volume, bool mute) {
  if (mute || volume <= 0 || n <= 0) return;
  if (volume >= SDL_MIX_MAXVOLUME) {
    std::memcpy(dst, src, static_cast<size_t>(n));
    return;
  }
  sdl.SDL_MixAudioFormat(dst, src, AUDIO_S16SYS, static_cast<Uint32>(n), volume);
}

void FillAudioBuffer(TMediaState* playback, const TSDLEntryPoints& sdl, uint8_t* stream, int len, int volume,
                     bool mute) {
  const int64_t start = ClockMicros();
  const double clockBefore = GetAudioClock(playback, false);
  const int bps = AudioBytesPerSecond(playback);
  const double period = bps > 0 ? double(std::max(len, 0)) / bps : 0;
  struct Publish {
    TMediaState* playback;
    int64_t start;
    double clockBefore, period;
    // On every way out: the clock readers interpolate over what this call played.
    ~Publish() {
      const double moved = GetAudioClock(playback, false) - clockBefore;
      const double rate = playback->AudioClock.ChunkRate(), limit = period * rate;
      playback->AudioClock.PublishCallback(start, moved > 0 && moved <= limit ? moved : (moved > limit ? limit : 0),
                                           rate);
    }
  } publish{playback, start, clockBefore, period};
  // SDL2 hands over the buffer as it was; mixing needs silence underneath.
  std::memset(stream, 0, static_cast<size_t>(std::max(len, 0)));
  while (len > 0) {
    TAudioClock& clock = playback->AudioClock;
    if (clock.ChunkHandedOut() >= clock.ChunkSize()) {
      clock.BeginUpdate();
      int size = NextSoundChunk(playback);
      if (QueueAborted(playback->AudioQueue)) {
        clock.EndUpdate();
        return;
      }
      if (size < 0) {
        size = playback->AudioOut.SilenceChunk();
      } else if (playback->AudioOut.ShowsWaveform()) {
        playback->AudioOut.PushSamples(reinterpret_cast<const int16_t*>(playback->AudioOut.Chunk()), size);
      }
      clock.SetChunk(size);
      clock.EndUpdate();
    }
    const int index = clock.ChunkHandedOut();
    const int n = std::min(clock.ChunkSize() - index, len);
    MixOutput(sdl, stream, playback->AudioOut.Chunk() + index, n, volume, mute);
    len -= n;
    stream += n;
    clock.HandOut(n);
  }
}

extern "C" void AudioCallback(void* userdata, Uint8* stream, int len) {
  auto* playback = static_cast<TMediaState*>(userdata);
  try {
    const TSDLEntryPoints* sdl = playback ? playback->AudioOut.Sdl() : nullptr;
    if (!sdl) {
      std::memset(stream, 0, static_cast<size_t>(std::max(len, 0)));
      return;
    }
    const TAudioOutput& out = playback->AudioOut;
    FillAudioBuffer(playback, *sdl, stream, len, out.Volume(), out.Muted());
  } catch (...) {
    // Nothing may unwind into SDL's audio thread; what was not written stays silent.
  }
}

int AudioDeviceOpen(TMediaState* playback, AVCodecContext* ctx) {
  TCustomPlayer* player = playback->Owner;
  if (!player || !ctx) return -1;
  const TSDLEntryPoints& sdl = player->SDL();
  if (!sdl.SDL_OpenAudioDevice) {
    player->ReportError("SDL_OpenAudio() failed: sdl not loaded.", false);
    return -1;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = DeviceRateFor(ctx->sample_rate);
  if (wanted.freq != ctx->sample_rate)
    DefaultLogger().LogFmt(player, llWarning, "audio rate of %d Hz is resampled to %d Hz",
                           {ctx->sample_rate, wanted.freq});
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(WantedAudioChannels(ctx->ch_layout.nb_channels));
  wanted.silence = 0;
  wanted.samples = AudioDeviceSamples;
  wanted.callback = AudioCallback;
  wanted.userdata = playback;
  SDL_AudioSpec obtained{};
  // No allowed changes: SDL converts to whatever the hardware takes.
  SDL_AudioDeviceID dev = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (dev == 0) {
    const char* err = sdl.SDL_GetError ? sdl.SDL_GetError() : "";
    const std::string reason = err && *err ? err : "unknown reason";
    player->ReportError("SDL_OpenAudio() failed: " + reason, false);
    player->SetSoundDeviceError(reason);
    return -1;
  }
  AVFramePtr frame(ff::av_frame_alloc());
  if (!frame) {
    sdl.SDL_CloseAudioDevice(dev);
    player->ReportError("SDL_OpenAudio() failed: out of memory", false);
    return -1;
  }
  playback->AudioOut.Attach(dev, obtained);
  playback->AudioOut.Connect(&sdl, player->SoundLevel());
  playback->AudioFrame = std::move(frame);
  playback->AudioClock.SetChunk(0);
  return 0;
}

void AudioDeviceClose(TMediaState* playback) {
  playback->AudioOut.StartGate().Cancel();
  if (const SDL_AudioDeviceID dev = playback->AudioOut.Device()) {
    TCustomPlayer* player = playback->Owner;
    if (player && player->SDL().SDL_CloseAudioDevice) player->SDL().SDL_CloseAudioDevice(dev);
    playback->AudioOut.Detach();
  }
  ReleaseAudioDecoding(playback);
}

}  // namespace zv
