#pragma once
// Path, file, size and time routines. Paths use "/".
#include <cstdint>
#include <string>

namespace zv {

std::string IncludeTrailingPathDelimiter(const std::string& path);
// Text up to and including the last "/" (empty when there is none).
std::string ExtractFilePath(const std::string& fileName);
// Text after the last "/" (the whole text when there is none).
std::string ExtractFileName(const std::string& fileName);
// Folder of the running executable, with its trailing "/".
std::string ApplicationPath();
// True for an existing name that is not a directory.
bool FileExists(const std::string& fileName);
// Size of an existing non-directory file; -1 otherwise.
int64_t FileSizeOf(const std::string& fileName);
// "%.2f GB" / "%.2f MB" / "%.2f KB" / "%d Byte".
std::string FormatFileSize(int64_t size);
// The local zone's standard-time offset from UTC in days (no daylight saving).
double LocalTimeOffset();
// Seconds since 1970-01-01 UTC to days since 1899-12-30, local standard time.
double UnixTimeToDateTime(int64_t seconds);
// A days-since-1899-12-30 value as "yyyy-mm-dd hh:nn:ss".
std::string FormatDateTime(double dateTime);
// Splits source at the first delimiter; head gets the text before it. With
// remove, source keeps the text after the delimiter (empty when not found).
void SplitAt(std::string& source, const std::string& delimiter, bool remove, std::string& head);

}  // namespace zv
