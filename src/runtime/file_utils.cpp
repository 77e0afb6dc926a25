#include "runtime/file_utils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <vector>

#include "runtime/format.h"

namespace zv {

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + '/';
}

std::string ExtractFilePath(const std::string& fileName) {
  size_t p = fileName.rfind('/');
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  size_t p = fileName.rfind('/');
  return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

std::string ApplicationPath() {
  // No fixed length limit: a cut-off name would point at the wrong folder.
  std::vector<char> buf(PATH_MAX);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (size_t(n) < buf.size()) return ExtractFilePath(std::string(buf.data(), size_t(n)));
    buf.resize(buf.size() * 2);
  }
}

bool FileExists(const std::string& fileName) {
  struct stat st;
  return !fileName.empty() && stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int64_t FileSizeOf(const std::string& fileName) {
  struct stat st;
  if (fileName.empty() || stat(fileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return int64_t(st.st_size);
}

std::string FormatFileSize(int64_t size) {
  if (size > 1073741824) return Format("%.2f GB", {double(size) / 1073741824});
  if (size > 1048576) return Format("%.2f MB", {double(size) / 1048576});
  if (size > 1024) return Format("%.2f KB", {double(size) / 1024});
  return Format("%d Byte", {size});
}

double LocalTimeOffset() {
  tzset();
  time_t now = time(nullptr);
  struct tm t;
  if (!localtime_r(&now, &t)) return 0;
  // Probe mid-winter and mid-summer of this year: daylight saving only ever adds
  // to the offset, so the smaller one is the zone's standard time.
  long offsets[2];
  int months[2] = {0, 6};
  for (int i = 0; i < 2; ++i) {
    struct tm probe{};
    probe.tm_year = t.tm_year;
    probe.tm_mon = months[i];
    probe.tm_mday = 15;
    probe.tm_hour = 12;
    probe.tm_isdst = -1;
    time_t when = mktime(&probe);
    struct tm local;
    if (when == time_t(-1) || !localtime_r(&when, &local)) return double(t.tm_gmtoff) / 86400.0;
    offsets[i] = local.tm_gmtoff;
  }
  long standard = offsets[0] < offsets[1] ? offsets[0] : offsets[1];
  return double(standard) / 86400.0;
}

double UnixTimeToDateTime(int64_t seconds) { return LocalTimeOffset() + double(seconds) / 86400.0 + 25569.0; }

namespace {

// Proleptic Gregorian date of a day count relative to 1970-01-01.
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

}  // namespace

std::string FormatDateTime(double dateTime) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e9) return std::string();
  // The integral part counts days, the fraction (its magnitude for negative
  // values) is the time of day; rounding to milliseconds absorbs binary noise.
  double whole = std::trunc(dateTime);
  int64_t day = int64_t(whole);
  int64_t ms = std::llround(std::fabs(dateTime - whole) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    day += dateTime < 0 ? -1 : 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(day - 25569, y, m, d);
  int64_t secs = ms / 1000;
  return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d",
                {y, m, d, secs / 3600, secs / 60 % 60, secs % 60});
}

void SplitAt(std::string& source, const std::string& delimiter, bool remove, std::string& head) {
  size_t p = delimiter.empty() ? std::string::npos : source.find(delimiter);
  std::string before, after;
  if (p == std::string::npos) {
    before = source;
  } else {
    before = source.substr(0, p);
    after = source.substr(p + delimiter.size());
  }
  // Assign through temporaries so source and head may be the same string.
  if (remove) source = std::move(after);
  head = std::move(before);
}

}  // namespace zv
