#pragma once
// A playback record with an opened audio decoder and its queue, for driving
// the audio path without a player.
#include <memory>
#include <string>
#include <vector>

#include "engine/media_state.h"

namespace zv::test {

struct AudioRig {
  AudioRig();
  ~AudioRig();
  AudioRig(const AudioRig&) = delete;
  AudioRig& operator=(const AudioRig&) = delete;

  // Opens the file's best audio stream and queues the flush packet, every
  // packet of that stream, and an empty packet that drains the decoder.
  bool OpenFile(const std::string& path, std::string* err);
  // A raw PCM decoder (codec id) fed the given packets.
  bool OpenPcm(int codecId, int rate, int channels, const std::vector<std::vector<uint8_t>>& packets,
               std::string* err);
  // Every chunk the decoder gives until it has none, concatenated.
  std::vector<int16_t> DecodeAll(int* maxChunk = nullptr);

  TMediaState* playback = nullptr;
  AVFormatContext* fmt = nullptr;
  AVCodecContext* ctx = nullptr;  // the record's AudioCodec
  std::unique_ptr<AVStream> fakeStream;  // for raw PCM: time base only
};

}  // namespace zv::test
