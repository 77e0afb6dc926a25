// Sound through the whole player, written by SDL's disk driver unpaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <unistd.h>

#include "../../tools/fixture_list.h"
#include "engine/engine_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;

// Reads S16 samples from the disk driver's file, leaving out the 1024-byte
// silence chunks the callback plays whenever the demultiplexer is behind.
class DiskReader {
public:
  explicit DiskReader(const std::string& path) : in_(path, std::ios::binary) {}
  bool ok() const { return bool(in_); }
  // Matches expected samples in order; false at the first sample that differs.
  bool Match(const std::function<int(int64_t)>& expected, int64_t count, std::string* why) {
    int64_t k = 0;
    int16_t chunk[512];
    while (k < count) {
      if (!in_.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        *why = "file ended after " + std::to_string(k) + " samples";
        return false;
      }
      bool silent = std::all_of(std::begin(chunk), std::end(chunk), [](int16_t v) { return v == 0; });
      bool expectedSilent = true;
      for (int i = 0; i < 512 && k + i < count; ++i) expectedSilent &= expected(k + i) == 0;
      if (silent && !expectedSilent) continue;  // an underrun's silence chunk
      for (int i = 0; i < 512 && k < count; ++i, ++k)
        if (chunk[i] != expected(k)) {
          *why = "sample " + std::to_string(k) + " is " + std::to_string(chunk[i]) + ", expected " +
                 std::to_string(expected(k));
          return false;
        }
    }
    return true;
  }

private:
  std::ifstream in_;
};

TEST(AudioPlayback, LosslessFileReachesTheDeviceExactlyWithVolumeAndMute) {
  struct Case { int volume; bool mute; int divisor; } cases[] = {{128, false, 1}, {64, false, 2}, {128, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "volume " << c.volume << " mute " << c.mute);
    std::string out = ::testing::TempDir() + "zelvo_disk_" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    {
      auto player = test::MakePlayer();
      ASSERT_NE(player, nullptr);
      test::TRecorder rec;
      rec.Attach(*player);
      player->SetTriggerEventInMainThread(false);
      player->SetDisableDisplay(true);
      player->SetAudioVolume(c.volume);
      player->SetMute(c.mute);
      ASSERT_TRUE(player->Open(test::MediaFile(std::string(fx::kAudioWav)), 0, false)) << player->LastErrMsg();
      EXPECT_TRUE(test::WaitUntil([&] { return rec.Count(psEnd) == 1; }, std::chrono::seconds(20)))
          << "the clock runs to the end even when muted";
      player->Stop(true);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    DiskReader reader(out);
    ASSERT_TRUE(reader.ok());
    const int rate = 44100;
    auto expected = [&](int64_t k) {
      int v = fx::ToneSampleS16(int(k % 2), k / 2, rate);
      return c.divisor ? v / c.divisor : 0;
    };
    std::string why;
    EXPECT_TRUE(reader.Match(expected, int64_t(4) * rate * 2, &why)) << why;
    std::remove(out.c_str());
  }
}

}  // namespace
}  // namespace zv
