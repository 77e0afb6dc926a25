// Sound tracks from the terminal: --info names them as the menu does, --aid N
// plays the Nth, a number the file or the option has not is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/test_support.h"

namespace zv {
namespace {

using test::RunCli;
using test::TCliRun;

TEST(CliTracks, InfoNamesSoundTracksAndAidPicksOneOrIsRefused) {
  const std::string file = test::MediaFile("two_sound_tracks.mkv");
  const TCliRun info = RunCli({"--info", file});
  ASSERT_EQ(info.ExitCode, 0) << info.Err;
  for (const char* line : {"Audio track 1: eng (aac, 2 ch)\n", "Audio track 2: fre - Commentary (aac, 2 ch)\n"})
    EXPECT_NE(info.Out.find(line), std::string::npos) << line << "\n" << info.Out;

  struct Case {
    std::string n;
    int exitCode;
    std::string said;  // the start of what it prints (out on success, err otherwise)
  };
  for (const Case& c : {Case{"2", 0, "audio track 2: fre - Commentary (aac, 2 ch)"},
                        Case{"0", 2, "--aid takes a whole number from 1 to 999, not \"0\""},
                        Case{"3", 2, "--aid 3: out of range 1..2 (the file's sound tracks)\n"},
                        Case{"1000", 2, "--aid takes a whole number from 1 to 999, not \"1000\""}}) {
    SCOPED_TRACE("--aid " + c.n);
    const TCliRun run = RunCli({"--no-display", "--audio-driver", "dummy", "--play-for", "0.5", "--aid", c.n, file});
    EXPECT_EQ(run.ExitCode, c.exitCode) << run.Err;
    if (c.exitCode == 0)
      EXPECT_NE(run.Out.find(c.said), std::string::npos) << run.Out;
    else
      EXPECT_EQ(run.Err.substr(0, c.said.size()), c.said);
  }
}

}  // namespace
}  // namespace zv
