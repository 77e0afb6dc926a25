#pragma once
// Text formatting with the system's own rules: "%d" takes 64-bit values,
// "%2.2d"/"%.6d" pad with zeros, "%f" without precision prints two decimals,
// and the decimal separator is the user's locale's, taken explicitly: the
// process's LC_NUMERIC stays "C" because the media libraries parse numbers with
// it (the Qt application puts it back after QApplication has set it).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zv {

class FmtArg {
public:
  enum class Kind { Int, Double, Str, Ptr };
  FmtArg(int v) : kind_(Kind::Int), i_(v) {}
  FmtArg(unsigned v) : kind_(Kind::Int), i_(v) {}
  FmtArg(long v) : kind_(Kind::Int), i_(v) {}
  FmtArg(unsigned long v) : kind_(Kind::Int), i_(static_cast<int64_t>(v)) {}
  FmtArg(long long v) : kind_(Kind::Int), i_(v) {}
  FmtArg(unsigned long long v) : kind_(Kind::Int), i_(static_cast<int64_t>(v)) {}
  FmtArg(double v) : kind_(Kind::Double), d_(v) {}
  FmtArg(const char* v) : kind_(Kind::Str), s_(v ? v : "") {}
  FmtArg(const std::string& v) : kind_(Kind::Str), s_(v) {}
  FmtArg(std::string_view v) : kind_(Kind::Str), s_(v) {}
  FmtArg(const void* v) : kind_(Kind::Ptr), p_(v) {}
  Kind kind() const { return kind_; }
  int64_t asInt() const { return i_; }
  double asDouble() const { return d_; }
  std::string_view asStr() const { return s_; }
  const void* asPtr() const { return p_; }
private:
  Kind kind_;
  int64_t i_ = 0;
  double d_ = 0;
  std::string_view s_;
  const void* p_ = nullptr;
};

// Renders fmt with args: %d %u %x %X %s %f %e %g %p %% with flags, width and
// precision. %p prints the pointer's full width in upper-case hex. A missing or
// mismatched argument renders as "?" rather than failing.
std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args = {});

// The user's locale decimal separator (from LANG/LC_ALL/LC_NUMERIC), '.' by default.
char DecimalSeparator();
// For tests: force a separator ('\0' restores the locale's).
void SetDecimalSeparatorForTesting(char sep);

}  // namespace zv
