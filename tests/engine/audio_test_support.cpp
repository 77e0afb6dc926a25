#include "engine/audio_test_support.h"

#include "engine/audio_decoder.h"
#include "engine/packet_queue.h"
#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"

namespace zv::test {

AudioRig::AudioRig() {
  playback = NewMediaState();
  PacketQueueInit(playback->AudioQueue);
  PacketQueuePut(playback->AudioQueue, FlushPacket());
}

AudioRig::~AudioRig() {
  ReleaseAudioDecoding(playback);
  if (fmt) ff::avformat_close_input(&fmt);
  FreeMediaState(playback);
}

static bool OpenDecoder(AudioRig& r, const AVCodec* codec, std::string* err) {
  if (!codec || OpenCodec(r.ctx, codec, nullptr) < 0) {
    if (err) *err = "decoder not opened";
    return false;
  }
  r.playback->AudioFrame.reset(ff::av_frame_alloc());
  SDL_AudioSpec granted{};
  granted.freq = r.ctx->sample_rate;
  granted.channels = static_cast<Uint8>(WantedAudioChannels(r.ctx->ch_layout.nb_channels));
  r.playback->AudioOut.Attach(0, granted);
  return true;
}

static void QueueDrain(TMediaState* playback) {
  AVPacket* empty = ff::av_packet_alloc();
  PacketQueuePut(playback->AudioQueue, empty);
  ff::av_packet_free(&empty);
}

bool AudioRig::OpenFile(const std::string& path, std::string* err) {
  if (ff::avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0 ||
      ff::avformat_find_stream_info(fmt, nullptr) < 0) {
    if (err) *err = "cannot open " + path;
    return false;
  }
  int index = ff::av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) {
    if (err) *err = "no audio in " + path;
    return false;
  }
  AVStream* st = fmt->streams[index];
  playback->AudioCodec.reset(ctx = ff::avcodec_alloc_context3(nullptr));
  ff::avcodec_parameters_to_context(ctx, st->codecpar);
  ctx->pkt_timebase = st->time_base;
  if (!OpenDecoder(*this, ff::avcodec_find_decoder(ctx->codec_id), err)) return false;
  playback->AudioStream = st;
  playback->AudioStreamIndex = index;
  AVPacket* pkt = ff::av_packet_alloc();
  while (ff::av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == index) PacketQueuePut(playback->AudioQueue, pkt);
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  QueueDrain(playback);
  return true;
}

bool AudioRig::OpenPcm(int codecId, int rate, int channels, const std::vector<std::vector<uint8_t>>& packets,
                       std::string* err) {
  const AVCodec* codec = ff::avcodec_find_decoder(static_cast<AVCodecID>(codecId));
  playback->AudioCodec.reset(ctx = ff::avcodec_alloc_context3(codec));
  ctx->sample_rate = rate;
  ff::av_channel_layout_default(&ctx->ch_layout, channels);
  if (!OpenDecoder(*this, codec, err)) return false;
  fakeStream = std::make_unique<AVStream>();
  fakeStream->time_base = AVRational{1, rate};
  playback->AudioStream = fakeStream.get();
  AVPacket* pkt = ff::av_packet_alloc();
  for (const auto& data : packets) {
    ff::av_new_packet(pkt, static_cast<int>(data.size()));
    std::copy(data.begin(), data.end(), pkt->data);
    PacketQueuePut(playback->AudioQueue, pkt);
    ff::av_packet_unref(pkt);
  }
  ff::av_packet_free(&pkt);
  QueueDrain(playback);
  return true;
}

std::vector<int16_t> AudioRig::DecodeAll(int* maxChunk) {
  std::vector<int16_t> out;
  if (maxChunk) *maxChunk = 0;
  for (;;) {
    int n = AudioDecodeFrame(playback);
    if (n < 0) break;
    if (maxChunk && n > *maxChunk) *maxChunk = n;
    const int16_t* s = reinterpret_cast<const int16_t*>(playback->AudioOut.Chunk());
    out.insert(out.end(), s, s + n / 2);
  }
  return out;
}

}  // namespace zv::test
