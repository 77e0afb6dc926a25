#include "engine/demuxer.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../../tools/fixture_list.h"
#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;

// The reader of a sound file on its own thread, its sinks recorded; the test
// plays the decoder's part by taking the packets.
struct DemuxerRig {
  TMediaState* playback = NewMediaState();
  std::thread reader;
  std::mutex lock;
  std::vector<std::string> infos, errors;   // guarded by lock
  std::vector<std::pair<int64_t, bool>> seeks;  // guarded by lock
  int taken = 0, flushes = 0;

  ~DemuxerRig() {
    playback->AbortRequest.store(1);
    playback->ReaderGate.Notify();
    PacketQueueAbort(playback->AudioQueue);
    if (reader.joinable()) reader.join();
    FreeMediaState(playback);
  }
  bool Open(const std::string& path) {
    AVFormatContext* fmt = nullptr;
    if (ff::avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
    playback->FormatContext.reset(fmt);
    if (ff::avformat_find_stream_info(fmt, nullptr) < 0) return false;
    playback->AudioStreamIndex = ff::av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    playback->FileName = path;
    PacketQueueInit(playback->AudioQueue);
    playback->AudioQueue.TakenGate = &playback->ReaderGate;
    return playback->AudioStreamIndex >= 0;
  }
  void Start() {
    TDemuxerSinks sinks;
    sinks.PictureReady = [] {};
    sinks.PictureToCome = [] {};
    sinks.SeekCarriedOut = [this](int64_t generation, bool failed) {
      std::lock_guard<std::mutex> g(lock);
      seeks.emplace_back(generation, failed);
    };
    sinks.Error = [this](const std::string& t) {
      std::lock_guard<std::mutex> g(lock);
      errors.push_back(t);
    };
    sinks.Info = [this](const std::string& t) {
      std::lock_guard<std::mutex> g(lock);
      infos.push_back(t);
    };
    reader = std::thread([this, sinks] { RunDemuxer(playback, sinks); });
  }
  // Takes what is queued; true once the reader says the input ended.
  bool DrainUntilEnded() {
    TQueuedPacket pkt;
    while (PacketQueueGet(playback->AudioQueue, pkt, false) > 0) {
      if (IsFlushPacket(pkt.get()))
        ++flushes;
      else
        ++taken;
    }
    return playback->Input.Is(TStreamPhase::Ended);
  }
  template <class T>
  T Copy(const T& v) {
    std::lock_guard<std::mutex> g(lock);
    return v;
  }
};

class DemuxerTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    if (!test::LoadPlayerLibraries(&err)) GTEST_FAIL() << err;
  }
};

TEST_F(DemuxerTest, ReadsToTheEndOnceAndASeekStartsOver) {
  DemuxerRig rig;
  ASSERT_TRUE(rig.Open(test::MediaFile(std::string(fx::kAudioFlac))));
  rig.Start();
  ASSERT_TRUE(test::WaitUntil([&] { return rig.DrainUntilEnded(); }));
  const int firstRun = rig.taken;
  EXPECT_GT(firstRun, 10);
  // Ended stays ended: the end of the file is told once.
  ASSERT_TRUE(test::WaitUntil([&] { return !rig.Copy(rig.infos).empty(); }));
  EXPECT_EQ(rig.Copy(rig.infos), std::vector<std::string>{"reach end of file: " + rig.playback->FileName});

  rig.playback->Seek.Post({0, 1, 0, 7}, false);
  rig.playback->ReaderGate.Notify();
  ASSERT_TRUE(test::WaitUntil([&] { return !rig.Copy(rig.seeks).empty(); }));
  EXPECT_EQ(rig.Copy(rig.seeks), (std::vector<std::pair<int64_t, bool>>{{7, false}}));
  EXPECT_FALSE(rig.playback->Seek.Pending()) << "no longer pending once reported";
  EXPECT_EQ(PacketQueueGeneration(rig.playback->AudioQueue), 7) << "what is read now belongs to the seek";

  rig.taken = 0;
  ASSERT_TRUE(test::WaitUntil([&] { return rig.DrainUntilEnded() && rig.taken > 0; }));
  EXPECT_EQ(rig.flushes, 1) << "the seek's flush packet";
  EXPECT_EQ(rig.taken, firstRun) << "read again from the start";
  ASSERT_TRUE(test::WaitUntil([&] { return rig.Copy(rig.infos).size() == 2; })) << "the end is told again";
  EXPECT_TRUE(rig.Copy(rig.errors).empty());
}

}  // namespace
}  // namespace zv
