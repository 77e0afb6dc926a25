// What a user typing numeric options meets: a refused value stops the program
// before anything plays; an accepted one plays as asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/test_support.h"

namespace zv {
namespace {

using test::RunCli;
using test::TCliRun;

const char* const kSeconds = "a number from 0 to 9223372036854";
const char* const kVolume = "a whole number from 0 to 128";
const char* const kSpeed = "a number from 0.25 to 4";

struct RefusedCase {
  std::string option, value;
  const char* range;
};

TEST(CliOptions, RefusedValuesNameTheOptionAndItsRangeAndPlayNothing) {
  std::vector<RefusedCase> cases;
  for (const char* option : {"--seek", "--play-for"})
    for (const char* value : {"inf", "-inf", "nan", "1e13", "9223372036854.01", "-1e-9", "", "5s", "0x10", " 1"})
      cases.push_back({option, value, kSeconds});
  for (const char* value : {"inf", "nan", "1e13", "9.3e9", "129", "-1", "", "5s", "0x10", "1e-9", "64.5"})
    cases.push_back({"--volume", value, kVolume});
  for (const char* value : {"0", "0.2", "4.01", "-1", "nan", "inf", "", "2x"}) cases.push_back({"--speed", value, kSpeed});
  const std::string file = test::MediaFile("audio_flac.flac");
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.option + " \"" + c.value + "\"");
    const TCliRun run = RunCli({"--no-display", "--audio-driver", "dummy", c.option, c.value, file});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), c.option + " takes " + c.range + ", not \"" + c.value + "\"");
    EXPECT_EQ(run.Out, "") << "nothing is opened or played";
  }
  // The option last, without its value.
  const TCliRun run = RunCli({file, "--seek"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Err.substr(0, run.Err.find('\n')), std::string("--seek takes ") + kSeconds + ", none given");
}

struct AcceptedCase {
  std::vector<std::string> args;
  bool playsToTheEnd;
};

// States the run printed, in order ("psPlay psEnd psStop").
std::string States(const std::string& out) {
  std::string states;
  for (size_t at = out.find("state "); at != std::string::npos; at = out.find("state ", at + 1)) {
    const size_t end = out.find('\n', at);
    states += (states.empty() ? "" : " ") + out.substr(at + 6, end - at - 6);
  }
  return states;
}

// The edges and the values that used to overflow: a deadline past the file
// plays to its end, a seek past it lands at the end.
TEST(CliOptions, AcceptedValuesPlayAsAsked) {
  const std::vector<AcceptedCase> cases = {
      {{"--play-for", "0"}, false},
      {{"--play-for", "-0"}, false},
      {{"--play-for", "1e-9"}, false},
      {{"--seek", "3.5", "--play-for", "9.3e9"}, true},
      {{"--seek", "3.5", "--play-for", "9223372036854"}, true},
      {{"--seek", "0", "--play-for", "0.1"}, false},
      {{"--seek", "-0", "--play-for", "0.1"}, false},
      {{"--seek", "1e-9", "--play-for", "0.1"}, false},
      {{"--seek", "9.3e9"}, true},
      {{"--seek", "9223372036854"}, true},
      {{"--volume", "0", "--play-for", "0"}, false},
      {{"--volume", "-0", "--play-for", "0"}, false},
      {{"--volume", "128", "--play-for", "0"}, false},
      {{"--speed", "0.25", "--play-for", "0"}, false},
      // The 4 s file at 4x is over long before 2.5 s have passed.
      {{"--speed", "4", "--play-for", "2.5"}, true},
  };
  for (const AcceptedCase& c : cases) {
    std::string trace;
    for (const std::string& a : c.args) trace += a + " ";
    SCOPED_TRACE(trace);
    std::vector<std::string> args = {"--no-display", "--audio-driver", "dummy"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(test::MediaFile("audio_flac.flac"));
    const TCliRun run = RunCli(args);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("open duration 4.000000"), std::string::npos) << run.Out;
    EXPECT_EQ(States(run.Out), c.playsToTheEnd ? "psPlay psEnd psStop" : "psPlay psStop") << run.Out;
  }
}

// Describing and playing a file whose name is too long say the same.
TEST(CliOptions, TooLongNameIsRefusedWithOneText) {
  const std::string name = "/tmp/" + std::string(5000, 'a') + ".mkv";
  const std::string expected = "File name too long: 5009 characters, at most 1024 are accepted.\n";
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--info", name},
                                               std::vector<std::string>{"--no-display", "--audio-driver", "dummy", name}}) {
    SCOPED_TRACE(args[0]);
    const TCliRun run = RunCli(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, expected);
  }
}

}  // namespace
}  // namespace zv
