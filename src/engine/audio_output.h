#pragma once
// The audio device of a playback and its callback, which decodes on demand and
// writes the sound with the volume and mute it is connected to; the chunks it plays, the
// converter to the device's format and the sound kept for the waveform.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "engine/playback_speed.h"
#include "engine/sound_tempo.h"
#include "runtime/av_headers.h"
#include "runtime/av_ptr.h"
#include "engine/sound_start.h"
#include "runtime/sdl_loader.h"

namespace zv {

struct TMediaState;

constexpr int AudioDeviceSamples = 1024;
constexpr int SilenceChunkBytes = 1024;
constexpr int AudioBufSizeBytes = 288000;
constexpr int SampleArraySize = 131072;

class TAudioOutput {
public:
  TAudioOutput() = default;
  TAudioOutput(const TAudioOutput&) = delete;
  TAudioOutput& operator=(const TAudioOutput&) = delete;

  // The device and what it granted; set before the device starts, then read
  // only until Detach (after the device is closed).
  void Attach(SDL_AudioDeviceID device, const SDL_AudioSpec& granted);
  // Forgets the device and returns it for closing.
  SDL_AudioDeviceID Detach();
  SDL_AudioDeviceID Device() const { return FDevice; }
  // What the device's callback plays with: SDL's entry points and where the
  // volume (0..SDL_MIX_MAXVOLUME), mute and speed are read from; set before
  // the device starts, kept until it is closed.
  struct TLevel {
    const std::atomic<int>* Volume = nullptr;
    const std::atomic<bool>* Mute = nullptr;
    const TPlaybackSpeed* Speed = nullptr;
  };
  void Connect(const TSDLEntryPoints* sdl, TLevel level) {
    FSdl = sdl;
    FLevel = level;
  }
  const TSDLEntryPoints* Sdl() const { return FSdl; }
  // When the paused device starts.
  TSoundStart& StartGate() { return FStart; }
  int Volume() const { return FLevel.Volume ? FLevel.Volume->load(std::memory_order_relaxed) : SDL_MIX_MAXVOLUME; }
  bool Muted() const { return FLevel.Mute && FLevel.Mute->load(std::memory_order_relaxed); }
  double Speed() const { return SpeedOf(FLevel.Speed); }
  int Channels() const { return FSpec.channels; }
  int Rate() const { return FSpec.freq; }
  // Of the S16 output; 0 before Attach. Any thread (the clocks read it
  // while a track switch attaches another device).
  int BytesPerSecond() const { return FBytesPerSecond.load(std::memory_order_relaxed); }
  int BytesPerSample() const { return 2 * FSpec.channels; }

  // Audio thread: the chunk being played.
  const uint8_t* Chunk() const { return FChunk; }
  // Makes the chunk a piece of silence; its size in bytes.
  int SilenceChunk();
  // Makes bytes at data (kept by the caller until the next chunk) the chunk.
  int UseChunk(const uint8_t* data, int bytes) {
    FChunk = data;
    return bytes;
  }
  // The speed stage the chunks pass through.
  TSoundTempo& Tempo() { return FTempo; }
  // True when f already is what the device plays.
  bool IsDeviceFormat(const AVFrame* f) const;
  // A device-format frame larger than one chunk has pieces left.
  bool HasFramePiece(const AVFrame* f) const { return !FConverter && f->nb_samples > 0 && FFrameOffset > 0; }
  // The next piece of a device-format frame becomes the chunk (the frame is
  // released after its last piece); its size in bytes.
  int TakeFramePiece(AVFrame* f);
  // Starts a device-format frame from its beginning.
  void RestartFrame() { FFrameOffset = 0; }
  bool HasConverter() const { return FConverter != nullptr; }
  // Makes the converter fit f; false with the reason when none can be made.
  bool PrepareConverter(const AVFrame* f, std::string* err);
  // Converts f (released afterwards) or, with none, what the converter still
  // holds into the chunk; what does not fit stays for the next chunk. Bytes,
  // or -1 when the conversion failed (the converter is dropped).
  int Convert(AVFrame* f);
  // Drops the converter and a frame in pieces (seek, stream close).
  void ResetConversion();

  // The waveform: shown only for a file without pictures.
  void SetShowWaveform(bool show) { FShowAudio.store(show ? 1 : 0, std::memory_order_relaxed); }
  bool ShowsWaveform() const { return FShowAudio.load(std::memory_order_relaxed) != 0; }
  // Appends sizeBytes / 2 samples to the waveform's ring.
  void PushSamples(const int16_t* samples, int sizeBytes);
  // Runs f over the ring (SampleArraySize samples), the index the next sample
  // goes to, and the start of the last frame drawn (which f may move); the
  // writer waits meanwhile.
  void VisitRing(const std::function<void(const int16_t* ring, int writeIndex, int& drawStart)>& f);

private:
  void FreeConverter();

  SDL_AudioDeviceID FDevice = 0;  // set and cleared while the device is stopped
  SDL_AudioSpec FSpec{};          // set while the device is stopped, read only while it plays
  std::atomic<int> FBytesPerSecond{0};  // of FSpec
  const TSDLEntryPoints* FSdl = nullptr;  // set while the device is stopped
  TLevel FLevel;                          // set while the device is stopped
  TSoundStart FStart;                     // has its own lock

  // Audio thread only (the device's callback, or a test driving it).
  alignas(16) uint8_t FBuf1[AudioBufSizeBytes] = {};  // frame pieces and silence
  alignas(16) uint8_t FBuf2[AudioBufSizeBytes] = {};  // converted sound
  const uint8_t* FChunk = nullptr;                    // FBuf1, FBuf2 or the speed stage's output
  TSoundTempo FTempo;
  SwrContextPtr FConverter;                           // to interleaved S16 in the device's layout and rate
  // What FConverter was made for.
  int FSrcFmt = AV_SAMPLE_FMT_S16;
  int FSrcChannels = 0;
  uint64_t FSrcChannelMask = 0;  // 0 unless the layout has a native order
  int FSrcRate = 0;
  int FFrameOffset = 0;  // samples of a device-format frame already made chunks

  std::atomic<int> FShowAudio{0};  // set at open, read by the callback and the play thread
  std::mutex FRingLock;                 // guards the three fields below
  int16_t FRing[SampleArraySize] = {};  // guarded by FRingLock
  int FRingIndex = 0;                   // guarded by FRingLock
  int FDrawStart = 0;                   // guarded by FRingLock
};

// Writes n bytes of S16 sound into dst, which holds silence: nothing when muted
// or at volume 0, a copy at full volume (bit-exact), SDL's mixing otherwise.
void MixOutput(const TSDLEntryPoints& sdl, uint8_t* dst, const uint8_t* src, int n, int volume, bool mute);

// The callback's work with explicit volume and mute: fills len bytes of the
// device buffer from the decoder, silence when nothing can be decoded.
void FillAudioBuffer(TMediaState* playback, const TSDLEntryPoints& sdl, uint8_t* stream, int len, int volume,
                     bool mute);

// SDL's audio callback (user data: the TMediaState).
extern "C" void AudioCallback(void* userdata, Uint8* stream, int len);

// Opens the device for the decoder (paused; SDL_PauseAudioDevice(dev, 0)
// starts it, once the decoder is in AudioCodec) and prepares the decoding
// state. 0, or -1 with the error reported.
int AudioDeviceOpen(TMediaState* playback, AVCodecContext* ctx);
// Closes the device (the callback has returned when it does) and frees the
// converter, the frame and a packet in decoding.
void AudioDeviceClose(TMediaState* playback);

}  // namespace zv
