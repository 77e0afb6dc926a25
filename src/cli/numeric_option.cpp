#include "cli/numeric_option.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace zv::cli {

namespace {

// Shortest plain text that reads back as the same number: 0.25, 1000000.
std::string NumberText(double v) {
  char buf[400];  // fixed notation of any double
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

std::string NumberText(int64_t v) { return std::to_string(v); }

template <typename T>
bool Refuse(const char* option, const char* kind, const char* text, T min, T max, std::string& error) {
  error = std::string(option) + " takes " + kind + " from " + NumberText(min) + " to " + NumberText(max);
  error += text ? ", not \"" + std::string(text) + "\"" : ", none given";
  return false;
}

// from_chars takes neither a sign '+' nor blanks, and reads "0x10" as 0
// followed by garbage; what it takes besides plain decimals is "inf"/"nan",
// which the finiteness check turns away.
template <typename T>
bool ReadWhole(const char* text, T& v) {
  const char* end = text + std::strlen(text);
  auto r = std::from_chars(text, end, v);
  return r.ec == std::errc() && r.ptr == end && r.ptr != text;
}

}  // namespace

bool ParseNumberOption(const char* option, const char* text, double min, double max, double& value,
                       std::string& error) {
  double v = 0;
  if (!text || !ReadWhole(text, v) || !std::isfinite(v) || v < min || v > max)
    return Refuse(option, "a number", text, min, max, error);
  value = v + 0.0;  // -0 becomes 0
  return true;
}

bool ParseWholeOption(const char* option, const char* text, int64_t min, int64_t max, int64_t& value,
                      std::string& error) {
  int64_t v = 0;
  if (!text || !ReadWhole(text, v) || v < min || v > max)
    return Refuse(option, "a whole number", text, min, max, error);
  value = v;
  return true;
}

}  // namespace zv::cli
