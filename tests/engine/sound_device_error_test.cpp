// A sound device that cannot be opened: the reason reaches the player's texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../../tools/fixture_list.h"
#include "engine/engine_test_util.h"
#include "engine/player.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;

TEST(SoundDeviceError, ReasonIsAddedToTheFailureAndKeptForAFileThatStillPlays) {
  struct Case {
    std::string_view file;
    bool opens;  // a video still plays, silently
  } cases[] = {{fx::kAudioWav, false}, {fx::kAvH264AacMkv, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file));
    auto player = test::MakePlayer();
    ASSERT_NE(player, nullptr);
    player->SetTriggerEventInMainThread(false);
    player->SetAudioDriver(adDisk);
    player->SetVideoDriver(vdDummy);
    // The disk driver's output file lies in a folder that does not exist.
    setenv("SDL_DISKAUDIOFILE", "/nonexistent-zelvo-dir/out.raw", 1);
    const std::string path = test::MediaFile(std::string(c.file));
    const bool opened = player->Open(path, 0, false);
    unsetenv("SDL_DISKAUDIOFILE");
    const std::string why = player->SoundDeviceError();
    EXPECT_EQ(why.rfind("no sound device: ", 0), 0u) << why;
    EXPECT_GT(why.size(), std::string("no sound device: ").size()) << "SDL's reason is missing";
    EXPECT_EQ(opened, c.opens) << player->LastErrMsg();
    if (!c.opens) {
      EXPECT_EQ(player->LastErrMsg(), path + ": could not open codecs, no stream to play.\n" + why);
    }
    player->Stop(true);

    // The next open with a working device forgets the reason.
    test::UsePacedAudio(*player);
    ASSERT_TRUE(player->Open(path, 0, true)) << player->LastErrMsg();
    EXPECT_EQ(player->SoundDeviceError(), "");
    player->Stop(true);
  }
}

}  // namespace
}  // namespace zv
