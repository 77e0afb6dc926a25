#include "engine/audio_output.h"

#include <algorithm>
#include <cstring>

#include "engine/audio_decoder.h"
#include "engine/audio_rate.h"
#include "engine/clocks.h"
#include "engine/player.h"
#include "runtime/entry_points.h"
#include "runtime/logger.h"

namespace zv {

namespace {

bool QueueAborted(TPacketQueue& q) {
  std::lock_guard<std::mutex> g(q.Mutex);
  return q.AbortRequest != 0;
}

}  // namespace

void MixOutput(const TSDLEntryPoints& sdl, uint8_t* dst, const uint8_t* src, int n, int volume, bool mute) {
  if (mute || volume <= 0 || n <= 0) return;
  if (volume >= SDL_MIX_MAXVOLUME) {
    std::memcpy(dst, src, static_cast<size_t>(n));
    return;
  }
  sdl.SDL_MixAudioFormat(dst, src, AUDIO_S16SYS, static_cast<Uint32>(n), volume);
}

void FillAudioBuffer(TMediaState* is, const TSDLEntryPoints& sdl, uint8_t* stream, int len, int volume,
                     bool mute) {
  const int64_t start = ClockMicros();
  const double clockBefore = GetAudioClock(is, false);
  const int bps = AudioBytesPerSecond(is);
  const double period = bps > 0 ? double(std::max(len, 0)) / bps : 0;
  struct Publish {
    TMediaState* is;
    int64_t start;
    double clockBefore, period;
    // On every way out: the clock readers interpolate over what this call played.
    ~Publish() {
      const double moved = GetAudioClock(is, false) - clockBefore;
      is->AudioClock.PublishCallback(start, moved > 0 && moved <= period ? moved : (moved > period ? period : 0));
    }
  } publish{is, start, clockBefore, period};
  // SDL2 hands over the buffer as it was; mixing needs silence underneath.
  std::memset(stream, 0, static_cast<size_t>(std::max(len, 0)));
  while (len > 0) {
    TAudioClock& clock = is->AudioClock;
    if (clock.ChunkHandedOut() >= clock.ChunkSize()) {
      clock.BeginUpdate();
      int size = AudioDecodeFrame(is);
      if (QueueAborted(is->AudioQueue)) {
        clock.EndUpdate();
        return;
      }
      if (size < 0) {
        is->AudioBuf = is->AudioBuf1;
        std::memset(is->AudioBuf1, 0, SilenceChunkBytes);
        size = SilenceChunkBytes;
      } else if (is->ShowAudio) {
        UpdateSampleDisplay(is, reinterpret_cast<const int16_t*>(is->AudioBuf), size);
      }
      clock.SetChunk(size);
      clock.EndUpdate();
    }
    const int index = clock.ChunkHandedOut();
    const int n = std::min(clock.ChunkSize() - index, len);
    MixOutput(sdl, stream, is->AudioBuf + index, n, volume, mute);
    len -= n;
    stream += n;
    clock.HandOut(n);
  }
}

extern "C" void AudioCallback(void* userdata, Uint8* stream, int len) {
  auto* is = static_cast<TMediaState*>(userdata);
  try {
    TCustomPlayer* player = is ? is->Owner : nullptr;
    if (!player) {
      std::memset(stream, 0, static_cast<size_t>(std::max(len, 0)));
      return;
    }
    FillAudioBuffer(is, player->SDL(), stream, len, player->AudioVolume(), player->Mute());
  } catch (...) {
    // Nothing may unwind into SDL's audio thread; what was not written stays silent.
  }
}

int AudioDeviceOpen(TMediaState* is, AVCodecContext* ctx) {
  TCustomPlayer* player = is->Owner;
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
  wanted.userdata = is;
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
  is->AudioDevice = dev;
  is->AudioSpec = obtained;
  is->AudioHwBufSize = static_cast<int>(obtained.size);
  is->AudioFrame = std::move(frame);
  is->AudioFrameOffset = 0;
  is->AudioSrcFmt = AV_SAMPLE_FMT_S16;
  is->AudioClock.SetChunk(0);
  return 0;
}

void AudioDeviceClose(TMediaState* is) {
  if (is->AudioDevice) {
    TCustomPlayer* player = is->Owner;
    if (player && player->SDL().SDL_CloseAudioDevice) player->SDL().SDL_CloseAudioDevice(is->AudioDevice);
    is->AudioDevice = 0;
  }
  ReleaseAudioDecoding(is);
}

}  // namespace zv
