// --seek from the terminal lands on the picture and the sound at its time,
// not at the key picture before it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/test_support.h"

namespace zv {
namespace {

using test::RunCli;
using test::TCliRun;

// Every "position" the run printed, in seconds.
std::vector<double> Positions(const std::string& out) {
  std::vector<double> all;
  for (size_t at = out.find("position "); at != std::string::npos; at = out.find("position ", at + 9))
    all.push_back(std::atof(out.c_str() + at + 9));
  return all;
}

TEST(CliSeek, SeekLandsOnItsTimeNotOnTheKeyPictureBefore) {
  // Key pictures every 0.48 s: the one before 2.7 s is at 2.42 s.
  const std::string file = test::MediaFile("sync_60s_160x120.mkv");
  for (const std::vector<std::string>& output : {std::vector<std::string>{"--no-display"},
                                                 std::vector<std::string>{"--video-driver", "dummy"}}) {
    SCOPED_TRACE(output[0]);
    std::vector<std::string> args = output;
    for (const char* a : {"--audio-driver", "dummy", "--positions", "--play-for", "0.3", "--seek", "2.7"}) args.push_back(a);
    args.push_back(file);
    const TCliRun run = RunCli(args);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const std::vector<double> positions = Positions(run.Out);
    size_t first = 0;  // the open reports the start before the seek
    while (first < positions.size() && positions[first] < 1.0) ++first;
    ASSERT_LT(first, positions.size()) << run.Out;
    for (size_t i = first; i < positions.size(); ++i) {
      // The picture on screen at 2.7 s may have begun up to a picture's time (0.04 s) before.
      EXPECT_GE(positions[i], 2.65) << run.Out;
      EXPECT_LE(positions[i], 3.2) << run.Out;
    }
  }
}

}  // namespace
}  // namespace zv
