// Inputs that once made a fuzzing target fail (tests/corpus/TARGET/*), replayed
// through the targets' own code: a crash, sanitizer report or abort fails the
// program, a slow Stop aborts it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_inputs.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using TRun = void (*)(const uint8_t*, size_t);

int Replay(const std::string& target, TRun run) {
  const fs::path dir = fs::path(ZELVO_CORPUS_DIR) / target;
  int count = 0;
  if (!fs::is_directory(dir)) return count;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.string());
    const std::vector<uint8_t> data = ReadAll(f);
    run(data.data(), data.size());
    ++count;
  }
  return count;
}

class CorpusReplay : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(fuzz::Setup()); }
};

TEST_F(CorpusReplay, Playback) { EXPECT_GT(Replay("playback", &fuzz::RunPlayback), 0); }
TEST_F(CorpusReplay, Description) { EXPECT_GT(Replay("description", &fuzz::RunDescription), 0); }
TEST_F(CorpusReplay, Filters) { EXPECT_GT(Replay("filters", &fuzz::RunFilters), 0); }
TEST_F(CorpusReplay, Subtitles) { EXPECT_GT(Replay("subtitles", &fuzz::RunSubtitles), 0); }

}  // namespace
}  // namespace zv
