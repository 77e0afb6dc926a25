#pragma once
// Library values as text for messages and the file description.
#include <cstdint>
#include <span>
#include <string>

struct AVDictionary;

namespace zv {

struct MediaErrorRow {
  int code;
  const char* text;
};
// Every row of the error-text table, each code once.
std::span<const MediaErrorRow> MediaErrorRows();

// fileName + ": " + the code's text, or "Error number %d occurred".
std::string FormatMediaError(const std::string& fileName, int code);
// The code's text alone; empty when the table has no row for it.
std::string MediaErrorText(int code);
// Microseconds as "%.2d:%.2d:%.2d.%.3d"; AV_NOPTS_VALUE gives "N/A".
std::string FormatMediaTime(int64_t time);
// Case-insensitive lookup; dflt when absent. Needs avutil bound.
std::string GetMetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& dflt);

}  // namespace zv
