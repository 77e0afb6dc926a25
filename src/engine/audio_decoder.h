#pragma once
// Decoding of the audio stream inside the audio device's callback: packets from
// the audio queue become chunks of interleaved signed 16-bit samples in the
// device's channel count and rate.
#include <cstdint>
#include <string>

#include "engine/media_state.h"

namespace zv {

// Output channels for a decoder's channel count: 1 or 2; more are mixed down to stereo.
int WantedAudioChannels(int decoderChannels);

// Bytes of the next chunk (in playback->AudioOut.Chunk(), never more than one audio buffer),
// or -1 when no chunk can be made now (queue empty, paused or aborted). Advances
// AudioClock by the chunk's duration. Audio thread only.
int AudioDecodeFrame(TMediaState* playback);

// Drops the decoder's and the converter's state (flush packet, stream close).
void ResetAudioDecoding(TMediaState* playback);

// Frees the frame, the converter and a packet in decoding (stream close).
void ReleaseAudioDecoding(TMediaState* playback);

// The owning player's ReportError (logged, not kept), or the default logger
// when the state has no owner.
void ReportAudioError(TMediaState* playback, const std::string& text);

}  // namespace zv
