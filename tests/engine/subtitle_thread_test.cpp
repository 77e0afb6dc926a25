#include "engine/subtitle_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "../../tools/fixture_list.h"
#include "engine/subtitle_blend.h"
#include "runtime/codec_lock.h"
#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;

// A playback record with an opened subtitle decoder and a subtitle thread
// driven by hand.
struct SubtitleRig {
  TMediaState* playback = NewMediaState();
  AVFormatContext* fmt = nullptr;
  AVCodecContext* ctx = nullptr;  // the record's SubtitleCodec
  std::unique_ptr<AVStream> fakeStream;
  std::vector<AVPacket*> packets;  // the stream's packets in file order
  std::atomic<bool> ended{false};

  SubtitleRig() { PacketQueueInit(playback->SubtitleQueue); }
  ~SubtitleRig() {
    Stop();
    playback->SubPictures.Clear();
    for (AVPacket*& p : packets) ff::av_packet_free(&p);
    if (fmt) ff::avformat_close_input(&fmt);
    FreeMediaState(playback);
  }
  bool OpenFile(const std::string& path) {
    if (ff::avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0 ||
        ff::avformat_find_stream_info(fmt, nullptr) < 0)
      return false;
    int index = ff::av_find_best_stream(fmt, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (index < 0) return false;
    AVStream* st = fmt->streams[index];
    playback->SubtitleCodec.reset(ctx = ff::avcodec_alloc_context3(nullptr));
    ff::avcodec_parameters_to_context(ctx, st->codecpar);
    ctx->pkt_timebase = st->time_base;
    if (OpenCodec(ctx, ff::avcodec_find_decoder(ctx->codec_id), nullptr) < 0) return false;
    playback->SubtitleStream = st;
    playback->SubtitleStreamIndex = index;
    AVPacket* pkt = ff::av_packet_alloc();
    while (ff::av_read_frame(fmt, pkt) >= 0) {
      if (pkt->stream_index == index) {
        packets.push_back(ff::av_packet_alloc());
        ff::av_packet_move_ref(packets.back(), pkt);
      }
      ff::av_packet_unref(pkt);
    }
    ff::av_packet_free(&pkt);
    return !packets.empty();
  }
  bool OpenDecoder(AVCodecID id) {
    const AVCodec* codec = ff::avcodec_find_decoder(id);
    playback->SubtitleCodec.reset(ctx = ff::avcodec_alloc_context3(codec));
    ctx->pkt_timebase = AVRational{1, 1000};
    if (!codec || OpenCodec(ctx, codec, nullptr) < 0) return false;
    fakeStream = std::make_unique<AVStream>();
    fakeStream->time_base = AVRational{1, 1000};
    playback->SubtitleStream = fakeStream.get();
    return true;
  }
  void Put(AVPacket* p) { ASSERT_EQ(PacketQueuePut(playback->SubtitleQueue, p), 0); }
  void Start() {
    playback->SubtitleThread = std::thread([this] {
      SubtitleThreadMain(playback);
      ended = true;
    });
  }
  void Stop() {
    PacketQueueAbort(playback->SubtitleQueue);
    playback->SubPictures.WakeProducer();
    if (playback->SubtitleThread.joinable()) playback->SubtitleThread.join();
  }
  int Size() { return playback->SubPictures.Indices().Size; }
  int WIndex() { return playback->SubPictures.Indices().Write; }
};

class SubtitleThreadTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    if (!test::LoadPlayerLibraries(&err)) GTEST_FAIL() << err;
  }
};

bool NearYuva(uint32_t got, uint32_t want, int tolerance) {
  for (int shift : {24, 16, 8, 0})
    if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST_F(SubtitleThreadTest, QueuesTheFixturesBitmapsWithYuvaPalettes) {
  struct Case {
    std::string_view file;
    bool clearedByEmptyEvent;  // DVB: an empty event at the end time, else the event's own end time
    int colourTolerance;
  } cases[] = {{fx::kDvdSubMkv, false, 0}, {fx::kDvbSubTs, true, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file));
    SubtitleRig rig;
    ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(c.file))));
    rig.Put(FlushPacket());
    for (AVPacket* p : rig.packets) rig.Put(p);
    rig.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return PacketQueueCount(rig.playback->SubtitleQueue) == 0; }));
    rig.Stop();  // the last packet is decoded before the thread sees the abort
    const double start = rig.fmt->start_time == AV_NOPTS_VALUE ? 0 : rig.fmt->start_time / 1e6;
    // The thread has ended: the entries stay as they are while looked at.
    std::vector<const TSubPicture*> entries;
    rig.playback->SubPictures.Visit([&](const TSubPicture& sp) { entries.push_back(&sp); });
    const size_t perEvent = c.clearedByEmptyEvent ? 2 : 1;
    ASSERT_EQ(entries.size(), perEvent * fx::kSubtitleRectCount);
    for (int e = 0; e < fx::kSubtitleRectCount; ++e) {
      const fx::SubtitleRect& want = fx::kSubtitleRects[e];
      const TSubPicture& sp = *entries[perEvent * e];
      EXPECT_NEAR(sp.Pts + sp.Sub.start_display_time / 1000.0 - start, want.start_seconds, 0.01);
      if (c.clearedByEmptyEvent) {
        const TSubPicture& clear = *entries[perEvent * e + 1];
        EXPECT_EQ(clear.Sub.num_rects, 0u);
        EXPECT_NEAR(clear.Pts + clear.Sub.start_display_time / 1000.0 - start, want.end_seconds, 0.01);
      } else {
        EXPECT_NEAR(sp.Pts + sp.Sub.end_display_time / 1000.0 - start, want.end_seconds, 0.02);
      }
      ASSERT_EQ(sp.Sub.num_rects, 1u);
      const AVSubtitleRect* r = sp.Sub.rects[0];
      EXPECT_EQ(r->type, SUBTITLE_BITMAP);
      EXPECT_EQ(r->x, want.x);
      EXPECT_EQ(r->y, want.y);
      EXPECT_EQ(r->w, want.width);
      EXPECT_EQ(r->h, want.height);
      const int index = r->data[0][(r->h / 2) * r->linesize[0] + r->w / 2];
      ASSERT_LT(index, r->nb_colors);
      const uint32_t colour = reinterpret_cast<const uint32_t*>(r->data[1])[index];
      EXPECT_TRUE(NearYuva(colour, RgbaToYuva(want.argb), c.colourTolerance)) << std::hex << colour;
    }
  }
}

// Bitmap packets of the DVD fixture, taken round so that `count` are queued.
void PutBitmapPackets(SubtitleRig& rig, int count) {
  for (int k = 0; k < count; ++k) rig.Put(rig.packets[k % rig.packets.size()]);
}

TEST_F(SubtitleThreadTest, WaitsAtFourEntriesUntilTheDisplayDiscardsOne) {
  SubtitleRig rig;
  ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(fx::kDvdSubMkv))));
  PutBitmapPackets(rig, TSubtitleQueue::Capacity + 1);
  rig.Start();
  // The fifth packet is taken, then the thread waits for room.
  ASSERT_TRUE(test::WaitUntil([&] { return rig.Size() == 4 && PacketQueueCount(rig.playback->SubtitleQueue) == 0; }));
  EXPECT_EQ(rig.WIndex(), 0);
  rig.playback->VideoCurrentPts = 1e6;  // past every entry
  ExpireSubtitles(rig.playback);
  ASSERT_TRUE(test::WaitUntil([&] { return rig.WIndex() == 1; })) << "the fifth is queued once there is room";
  EXPECT_EQ(rig.Size(), 4);
  EXPECT_FALSE(rig.ended);
}

TEST_F(SubtitleThreadTest, EveryWaitEndsOnAbort) {
  enum class Wait { ForRoom, WhilePaused, ForPackets };
  struct Case {
    const char* name;
    Wait wait;
    bool queueAbort;  // else the playback's AbortRequest
  } cases[] = {
      {"full queue, queue aborted", Wait::ForRoom, true},
      {"full queue, playback aborted", Wait::ForRoom, false},
      {"paused, queue aborted", Wait::WhilePaused, true},
      {"paused, playback aborted", Wait::WhilePaused, false},
      {"no packets, queue aborted", Wait::ForPackets, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleRig rig;
    ASSERT_TRUE(rig.OpenFile(test::MediaFile(std::string(fx::kDvdSubMkv))));
    if (c.wait == Wait::ForRoom) PutBitmapPackets(rig, TSubtitleQueue::Capacity + 1);
    if (c.wait == Wait::WhilePaused) {
      rig.playback->Paused = 1;
      PutBitmapPackets(rig, 1);
    }
    rig.Start();
    if (c.wait == Wait::ForRoom) {
      ASSERT_TRUE(test::WaitUntil([&] { return rig.Size() == 4 && PacketQueueCount(rig.playback->SubtitleQueue) == 0; }));
    }
    if (c.queueAbort) {
      PacketQueueAbort(rig.playback->SubtitleQueue);
      rig.playback->SubPictures.WakeProducer();
    } else {
      rig.playback->AbortRequest = 1;
    }
    EXPECT_TRUE(test::WaitUntil([&] { return rig.ended.load(); }));
    if (c.wait == Wait::WhilePaused) {
      EXPECT_EQ(rig.Size(), 0) << "nothing is decoded while paused";
    }
    if (!rig.ended) PacketQueueAbort(rig.playback->SubtitleQueue);  // lets the rig join
  }
}

TEST_F(SubtitleThreadTest, TextSubtitlesAreDecodedButNeverQueued) {
  SubtitleRig rig;
  ASSERT_TRUE(rig.OpenDecoder(AV_CODEC_ID_SUBRIP));
  AVPacket* pkt = ff::av_packet_alloc();
  const char text[] = "Hello subtitles";
  ASSERT_EQ(ff::av_new_packet(pkt, int(sizeof text - 1)), 0);
  std::memcpy(pkt->data, text, sizeof text - 1);
  pkt->pts = 1000;
  pkt->duration = 500;
  {  // the decoder does give a text subtitle for it
    AVSubtitle sub{};
    int got = 0;
    ASSERT_GE(ff::avcodec_decode_subtitle2(rig.ctx, &sub, &got, pkt), 0);
    EXPECT_TRUE(got);
    EXPECT_NE(sub.format, 0);
    ff::avsubtitle_free(&sub);
  }
  for (int k = 0; k < 3; ++k) rig.Put(pkt);
  ff::av_packet_free(&pkt);
  rig.Start();
  ASSERT_TRUE(test::WaitUntil([&] { return PacketQueueCount(rig.playback->SubtitleQueue) == 0; }));
  rig.Stop();
  EXPECT_EQ(rig.Size(), 0);
  EXPECT_EQ(rig.WIndex(), 0);
}

}  // namespace
}  // namespace zv
