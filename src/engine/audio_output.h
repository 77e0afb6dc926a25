#pragma once
// The audio device of a playback and its callback, which decodes on demand and
// writes the sound with the player's volume and mute.
#include <SDL2/SDL.h>

#include <cstdint>

#include "engine/media_state.h"
#include "runtime/sdl_loader.h"

namespace zv {

constexpr int AudioDeviceSamples = 1024;
constexpr int SilenceChunkBytes = 1024;

// Writes n bytes of S16 sound into dst, which holds silence: nothing when muted
// or at volume 0, a copy at full volume (bit-exact), SDL's mixing otherwise.
void MixOutput(const TSDLEntryPoints& sdl, uint8_t* dst, const uint8_t* src, int n, int volume, bool mute);

// The callback's work with explicit volume and mute: fills len bytes of the
// device buffer from the decoder, silence when nothing can be decoded.
void FillAudioBuffer(TMediaState* is, const TSDLEntryPoints& sdl, uint8_t* stream, int len, int volume,
                     bool mute);

// SDL's audio callback (user data: the TMediaState).
extern "C" void AudioCallback(void* userdata, Uint8* stream, int len);

// Opens the device for the decoder (paused; SDL_PauseAudioDevice(dev, 0)
// starts it, once the decoder is in AudioCodec) and prepares the decoding
// state. 0, or -1 with the error reported.
int AudioDeviceOpen(TMediaState* is, AVCodecContext* ctx);
// Closes the device (the callback has returned when it does) and frees the
// converter, the frame and a packet in decoding.
void AudioDeviceClose(TMediaState* is);

}  // namespace zv
