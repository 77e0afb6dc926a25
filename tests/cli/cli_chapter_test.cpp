// Chapters from the terminal: --info lists them, --chapter N starts playing at
// the Nth, a number past the last is refused.
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

// The last "position" the run printed, in seconds; -1 when none.
double LastPosition(const std::string& out) {
  const size_t at = out.rfind("position ");
  return at == std::string::npos ? -1 : std::atof(out.c_str() + at + 9);
}

TEST(CliChapters, InfoListsChaptersAndChapterStartsThere) {
  const std::string file = test::MediaFile("chapters_metadata.mkv");
  const TCliRun info = RunCli({"--info", file});
  ASSERT_EQ(info.ExitCode, 0) << info.Err;
  for (const char* line : {"Chapter #0: start 0.00", "title           : Chapter One", "Chapter #2: start 3.00",
                           "title           : Chapter Three"})
    EXPECT_NE(info.Out.find(line), std::string::npos) << line << "\n" << info.Out;

  struct Case {
    const char* n;
    const char* line;  // what the run says about the chapter
    double lo, hi;     // where the last position lies, half a second after (from a keyframe at or before the start)
  };
  for (const Case& c : {Case{"1", "chapter 1 at 0.000000 Chapter One", 0, 1.2},
                        Case{"3", "chapter 3 at 3.000000 Chapter Three", 2.8, 4.1}}) {
    SCOPED_TRACE(c.n);
    const TCliRun run = RunCli({"--no-display", "--audio-driver", "dummy", "--positions", "--play-for", "0.5", "--chapter", c.n, file});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find(c.line), std::string::npos) << run.Out;
    const double pos = LastPosition(run.Out);
    EXPECT_GE(pos, c.lo) << run.Out;
    EXPECT_LE(pos, c.hi) << run.Out;
  }
}

TEST(CliChapters, RefusesChaptersTheFileHasNot) {
  struct Case {
    std::string file, n;
    int exitCode;
    std::string err;
  };
  const std::string chapters = test::MediaFile("chapters_metadata.mkv");
  const std::string none = test::MediaFile("audio_flac.flac");
  for (const Case& c : {Case{chapters, "4", 1, "--chapter 4: the file has 3 chapters\n"},
                        Case{none, "1", 1, "--chapter 1: the file has 0 chapters\n"},
                        Case{chapters, "0", 2, "--chapter takes a whole number from 1 to 1000000, not \"0\""},
                        Case{chapters, "1.5", 2, "--chapter takes a whole number from 1 to 1000000, not \"1.5\""}}) {
    SCOPED_TRACE(c.file + " " + c.n);
    const TCliRun run = RunCli({"--no-display", "--audio-driver", "dummy", "--chapter", c.n, c.file});
    EXPECT_EQ(run.ExitCode, c.exitCode);
    EXPECT_EQ(run.Err.substr(0, c.err.size()), c.err);
  }
}

}  // namespace
}  // namespace zv
