#include "runtime/resume_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zv {
namespace {

namespace fs = std::filesystem;
constexpr int64_t kSec = 1000000;

TEST(ResumeVerdictTest, Thresholds) {
  struct Case {
    int64_t position, duration;
    TResumeVerdict verdict;
  } cases[] = {
      {0, 600 * kSec, TResumeVerdict::TooEarly},
      {5 * kSec, 600 * kSec, TResumeVerdict::TooEarly},
      {5 * kSec + 1, 600 * kSec, TResumeVerdict::Remember},
      {300 * kSec, 600 * kSec, TResumeVerdict::Remember},
      {590 * kSec - 1, 600 * kSec, TResumeVerdict::Remember},
      {590 * kSec, 600 * kSec, TResumeVerdict::Finished},
      {600 * kSec, 600 * kSec, TResumeVerdict::Finished},
      // Shorter than the two margins: never worth remembering.
      {8 * kSec, 12 * kSec, TResumeVerdict::Finished},
      // Unknown length: only the start counts.
      {3600 * kSec, 0, TResumeVerdict::Remember},
      {2 * kSec, -1, TResumeVerdict::TooEarly},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResumeVerdict(c.position, c.duration), c.verdict) << c.position << " of " << c.duration;
}

class ResumeStoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("zelvo-resume-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "media");
    dir = (root / "state" / "zelvo-player").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root / "state" / "zelvo-player", fs::perms::owner_all, ec);
    fs::remove_all(root, ec);
  }
  std::string Media(const std::string& name, size_t bytes = 100) {
    const fs::path p = root / "media" / name;
    std::ofstream(p) << std::string(bytes, 'x');
    return p.string();
  }
  size_t Records() {
    size_t n = 0;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(dir, ec)) n += e.path().extension() == ".resume";
    return n;
  }

  fs::path root;
  std::string dir;
};

TEST_F(ResumeStoreTest, DefaultFolderFollowsTheStateHome) {
  const char* oldState = std::getenv("XDG_STATE_HOME");
  const std::string saved = oldState ? oldState : "";
  setenv("XDG_STATE_HOME", "/tmp/some state", 1);
  EXPECT_EQ(DefaultResumeDir(), "/tmp/some state/zelvo-player");
  setenv("XDG_STATE_HOME", "relative/ignored", 1);
  EXPECT_EQ(DefaultResumeDir(), std::string(std::getenv("HOME")) + "/.local/state/zelvo-player");
  if (oldState) {
    setenv("XDG_STATE_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_STATE_HOME");
  }
}

TEST_F(ResumeStoreTest, RemembersDropsAndKeysByPathAndSize) {
  TResumeStore store(dir);
  // Names a shell or a record could trip over.
  const std::string odd = Media("it's a \"film\"\nwith newline \xff.mkv");
  const std::string other = Media("other.mkv");
  EXPECT_FALSE(store.Find(odd));
  EXPECT_EQ(store.Leave(odd, 754 * kSec, 3600 * kSec), TResumeVerdict::Remember);
  EXPECT_EQ(store.Leave(other, 20 * kSec, 60 * kSec), TResumeVerdict::Remember);
  EXPECT_EQ(store.Find(odd), 754 * kSec);
  EXPECT_EQ(TResumeStore(dir).Find(odd), 754 * kSec) << "a later run finds it";
  EXPECT_EQ(store.Find(other), 20 * kSec);
  // Left near the end: finished, forgotten. Left near the start: started over.
  EXPECT_EQ(store.Leave(odd, 3595 * kSec, 3600 * kSec), TResumeVerdict::Finished);
  EXPECT_FALSE(store.Find(odd));
  EXPECT_EQ(store.Leave(other, 2 * kSec, 60 * kSec), TResumeVerdict::TooEarly);
  EXPECT_FALSE(store.Find(other));
  EXPECT_EQ(Records(), 0u);
  // The same path with another size is another file.
  store.Leave(other, 30 * kSec, 60 * kSec);
  Media("other.mkv", 200);
  EXPECT_FALSE(store.Find(other));
  // A missing file has no record and gets none.
  EXPECT_FALSE(store.Find((root / "media" / "gone.mkv").string()));
  store.Leave((root / "media" / "gone.mkv").string(), 30 * kSec, 60 * kSec);
  EXPECT_EQ(Records(), 1u);
}

TEST_F(ResumeStoreTest, KeepsTheNewestRecordsOnly) {
  TResumeStore store(dir, 3);
  std::vector<std::string> files;
  for (int i = 0; i < 5; ++i) {
    files.push_back(Media("f" + std::to_string(i) + ".mkv"));
    store.Leave(files.back(), (10 + i) * kSec, 600 * kSec);
    // Distinct ages whatever the clock's grain.
    const fs::path rec = fs::path(dir) / (ResumeKey(files.back(), 100) + ".resume");
    fs::last_write_time(rec, fs::file_time_type::clock::now() - std::chrono::hours(10 - i));
  }
  EXPECT_EQ(Records(), 3u);
  EXPECT_FALSE(store.Find(files[0]));
  EXPECT_FALSE(store.Find(files[1]));
  EXPECT_EQ(store.Find(files[4]), 14 * kSec);
}

TEST_F(ResumeStoreTest, ABadStoreIsIgnoredWithOneLine) {
  const std::string file = Media("film.mkv");
  const fs::path rec = fs::path(dir) / (ResumeKey(file, 100) + ".resume");
  struct Case {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"empty", [&] { std::ofstream(rec).flush(); }},
      {"binary", [&] { std::ofstream(rec) << std::string("\0\x01\xfe\n\n\n", 6); }},
      {"huge", [&] { std::ofstream(rec) << "zelvo-resume 1\nsize 100\nposition 20000000\npath " << std::string(1 << 20, 'a'); }},
      {"bad number", [&] { std::ofstream(rec) << "zelvo-resume 1\nsize 100\nposition -5\npath " << file; }},
      {"a folder", [&] { fs::create_directories(rec); }},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    c.damage();
    TResumeStore store(dir);
    std::vector<std::string> lines;
    store.OnLog = [&](const std::string& l) { lines.push_back(l); };
    EXPECT_FALSE(store.Find(file)) << c.what;
    EXPECT_FALSE(store.Find(file)) << c.what;
    EXPECT_EQ(lines.size(), 1u) << c.what;
    // Leaving the file again mends a damaged record (a folder in its place stays).
    store.Leave(file, 20 * kSec, 600 * kSec);
    if (!fs::is_directory(rec)) {
      EXPECT_EQ(store.Find(file), 20 * kSec) << c.what;
    }
  }
}

TEST_F(ResumeStoreTest, AStoreThatCannotBeWrittenIsIgnored) {
  const std::string file = Media("film.mkv");
  // The state folder is a file.
  fs::create_directories(fs::path(dir).parent_path());
  std::ofstream(dir) << "not a folder";
  TResumeStore store(dir);
  int lines = 0;
  store.OnLog = [&](const std::string&) { ++lines; };
  EXPECT_EQ(store.Leave(file, 20 * kSec, 600 * kSec), TResumeVerdict::Remember);
  store.Leave(file, 30 * kSec, 600 * kSec);
  EXPECT_FALSE(store.Find(file));
  EXPECT_EQ(lines, 1);
  // A read-only folder (root may write anyway; then the record is simply there).
  fs::remove(dir);
  fs::create_directories(dir);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  TResumeStore readOnly(dir);
  readOnly.Leave(file, 20 * kSec, 600 * kSec);
  if (::geteuid() != 0) {
    EXPECT_FALSE(readOnly.Find(file));
  }
}

}  // namespace
}  // namespace zv
