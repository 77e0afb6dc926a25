#include "runtime/metadata_values.h"

#include <cctype>
#include <climits>

namespace zv {

namespace {

// Exactly count digits at text[pos]; advances pos.
bool Digits(const std::string& text, size_t& pos, int count, int& value) {
  value = 0;
  for (int i = 0; i < count; ++i, ++pos) {
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return false;
    value = value * 10 + (text[pos] - '0');
  }
  return true;
}

bool Expect(const std::string& text, size_t& pos, char c) {
  if (pos < text.size() && text[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// Days from 1970-01-01 to the proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

int64_t ParseCreationTime(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  int y, mo, d, h = 0, mi = 0, s = 0;
  if (!Digits(text, pos, 4, y) || !Expect(text, pos, '-') || !Digits(text, pos, 2, mo) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, d))
    return 0;
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (mo < 1 || mo > 12 || d < 1 || d > kMonthDays[mo - 1] + (mo == 2 && LeapYear(y) ? 1 : 0)) return 0;
  if (pos < text.size() && (text[pos] == 'T' || text[pos] == ' ')) {
    ++pos;
    if (!Digits(text, pos, 2, h) || !Expect(text, pos, ':') || !Digits(text, pos, 2, mi)) return 0;
    if (Expect(text, pos, ':') && !Digits(text, pos, 2, s)) return 0;
    if (h > 23 || mi > 59 || s > 60) return 0;
    if (Expect(text, pos, '.') || Expect(text, pos, ','))
      while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  }
  int64_t offset = 0;
  if (Expect(text, pos, 'Z') || Expect(text, pos, 'z')) {
  } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    int sign = text[pos++] == '-' ? -1 : 1;
    int oh, om = 0;
    if (!Digits(text, pos, 2, oh)) return 0;
    Expect(text, pos, ':');
    if (pos < text.size() && !Digits(text, pos, 2, om)) return 0;
    offset = sign * (int64_t(oh) * 3600 + int64_t(om) * 60);
  }
  while (pos < text.size() && text[pos] == ' ') ++pos;
  if (pos != text.size()) return 0;
  return DaysFromCivil(y, unsigned(mo), unsigned(d)) * 86400 + int64_t(h) * 3600 + int64_t(mi) * 60 + s - offset;
}

int32_t LeadingNumber(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  int64_t v = 0;
  bool any = false;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    v = v * 10 + (text[pos++] - '0');
    any = true;
    if (v > INT32_MAX) return 0;
  }
  return any ? int32_t(v) : 0;
}

}  // namespace zv
