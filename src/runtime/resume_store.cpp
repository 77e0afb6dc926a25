#include "runtime/resume_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zv {

namespace fs = std::filesystem;

namespace {
constexpr const char* kMagic = "zelvo-resume 1";
constexpr const char* kSuffix = ".resume";
// A record is a few lines and a path; anything larger is not one of ours.
constexpr size_t kMaxRecordBytes = 16384;

uint64_t Fnv1a(const std::string& bytes, uint64_t h = 1469598103934665603ULL) {
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

enum class TRead { Ok, Missing, Bad };

TRead ReadSmallFile(const std::string& file, std::string& out) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? TRead::Missing : TRead::Bad;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) <= kMaxRecordBytes;
  out.clear();
  char buf[4096];
  while (ok) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    out.append(buf, size_t(n));
    if (out.size() > kMaxRecordBytes) ok = false;
  }
  ::close(fd);
  return ok ? TRead::Ok : TRead::Bad;
}

bool ParseInt(const std::string& text, int64_t& v) {
  if (text.empty() || text.size() > 19) return false;
  v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

// "magic\nsize N\nposition N\npath P" (the path runs to the end: it may hold newlines).
bool ParseRecord(const std::string& text, int64_t& size, int64_t& position, std::string& path) {
  size_t at = 0;
  auto line = [&](std::string& out) {
    const size_t nl = text.find('\n', at);
    if (nl == std::string::npos) return false;
    out = text.substr(at, nl - at);
    at = nl + 1;
    return true;
  };
  std::string magic, sizeLine, posLine;
  if (!line(magic) || magic != kMagic || !line(sizeLine) || !line(posLine)) return false;
  if (sizeLine.rfind("size ", 0) != 0 || !ParseInt(sizeLine.substr(5), size)) return false;
  if (posLine.rfind("position ", 0) != 0 || !ParseInt(posLine.substr(9), position)) return false;
  if (text.compare(at, 5, "path ") != 0) return false;
  path = text.substr(at + 5);
  return !path.empty();
}
}  // namespace

TResumeVerdict ResumeVerdict(int64_t positionUs, int64_t durationUs) {
  if (durationUs > 0 && positionUs >= durationUs - kResumeEndMarginUs) return TResumeVerdict::Finished;
  if (positionUs <= kResumeMinPositionUs) return TResumeVerdict::TooEarly;
  return TResumeVerdict::Remember;
}

std::string DefaultResumeDir() {
  const char* state = std::getenv("XDG_STATE_HOME");
  // Relative values are to be ignored, as the base-directory rules say.
  if (state && state[0] == '/') return std::string(state) + "/zelvo-player";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/zelvo-player";
  return {};
}

std::string ResumeKey(const std::string& absolutePath, int64_t size) {
  const uint64_t h = Fnv1a(std::to_string(size), Fnv1a(std::string(1, '\0'), Fnv1a(absolutePath)));
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", (unsigned long long)h);
  return text;
}

TResumeStore::TResumeStore(std::string dir, size_t maxRecords) : FDir(std::move(dir)), FMaxRecords(maxRecords) {}

void TResumeStore::Complain(const std::string& what) {
  if (FComplained) return;
  FComplained = true;
  if (OnLog) OnLog("resume store " + FDir + " ignored: " + what);
}

std::string TResumeStore::RecordPath(const std::string& absolutePath, int64_t& size) const {
  struct stat st {};
  if (FDir.empty() || ::stat(absolutePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  size = int64_t(st.st_size);
  return FDir + "/" + ResumeKey(absolutePath, size) + kSuffix;
}

std::optional<int64_t> TResumeStore::Find(const std::string& absolutePath) {
  int64_t size = 0;
  const std::string file = RecordPath(absolutePath, size);
  if (file.empty()) return std::nullopt;
  std::string text;
  const TRead read = ReadSmallFile(file, text);
  if (read != TRead::Ok) {
    if (read == TRead::Bad) Complain(file + " cannot be read");
    return std::nullopt;
  }
  int64_t recSize = 0, position = 0;
  std::string recPath;
  if (!ParseRecord(text, recSize, position, recPath)) {
    Complain(file + " is damaged");
    return std::nullopt;
  }
  // A different file that happens to share the hash is not this one.
  if (recPath != absolutePath || recSize != size) return std::nullopt;
  return position;
}

TResumeVerdict TResumeStore::Leave(const std::string& absolutePath, int64_t positionUs, int64_t durationUs) {
  const TResumeVerdict verdict = ResumeVerdict(positionUs, durationUs);
  int64_t size = 0;
  const std::string file = RecordPath(absolutePath, size);
  if (file.empty()) return verdict;
  if (verdict == TResumeVerdict::Remember) {
    if (Write(file, absolutePath, size, positionUs)) DropOldest();
  } else {
    // Started over or finished: an older place would only mislead.
    std::error_code ec;
    fs::remove(file, ec);
  }
  return verdict;
}

void TResumeStore::Forget(const std::string& absolutePath) {
  int64_t size = 0;
  const std::string file = RecordPath(absolutePath, size);
  std::error_code ec;
  if (!file.empty()) fs::remove(file, ec);
}

bool TResumeStore::Write(const std::string& file, const std::string& absolutePath, int64_t size, int64_t positionUs) {
  std::error_code ec;
  fs::create_directories(FDir, ec);
  if (!fs::is_directory(FDir, ec)) return Complain(FDir + " is not a folder"), false;
  const std::string text = std::string(kMagic) + "\nsize " + std::to_string(size) + "\nposition " +
                           std::to_string(positionUs) + "\npath " + absolutePath;
  // Written beside it and renamed over it: a crash leaves the old record or the new one.
  std::string temp = file + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Complain(std::string("cannot write: ") + std::strerror(errno)), false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += size_t(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
  const int err = errno;
  ::unlink(temp.c_str());
  Complain(std::string("cannot write: ") + std::strerror(err));
  return false;
}

void TResumeStore::DropOldest() {
  std::error_code ec;
  std::vector<std::pair<fs::file_time_type, fs::path>> records;
  for (fs::directory_iterator it(FDir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (p.extension() != kSuffix) continue;
    std::error_code tec;
    const auto t = fs::last_write_time(p, tec);
    if (!tec) records.emplace_back(t, p);
  }
  if (records.size() <= FMaxRecords) return;
  const size_t extra = records.size() - FMaxRecords;
  std::partial_sort(records.begin(), records.begin() + long(extra), records.end());
  for (size_t i = 0; i < extra; ++i) fs::remove(records[i].second, ec);
}

}  // namespace zv
