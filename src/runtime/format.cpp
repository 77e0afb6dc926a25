#include "runtime/format.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace zv {

namespace {

std::atomic<char> gForcedSeparator{'\0'};

// Read from the user's environment without touching the process's LC_NUMERIC.
char LocaleSeparator() {
  static const char sep = [] {
    char result = '.';
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return result;
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    // A multi-byte separator cannot be stored in one char; keep '.' then.
    if (radix && radix[0] != '\0' && radix[1] == '\0') result = radix[0];
    freelocale(loc);
    return result;
  }();
  return sep;
}

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  int width = -1;
  int precision = -1;
  char conv = 0;
};

void Pad(std::string& out, const Spec& s, std::string_view sign, std::string_view body, bool zeroPadAllowed) {
  size_t len = sign.size() + body.size();
  size_t width = s.width > 0 ? size_t(s.width) : 0;
  size_t fill = width > len ? width - len : 0;
  if (s.left) {
    out.append(sign);
    out.append(body);
    out.append(fill, ' ');
  } else if (s.zero && zeroPadAllowed) {
    out.append(sign);
    out.append(fill, '0');
    out.append(body);
  } else {
    out.append(fill, ' ');
    out.append(sign);
    out.append(body);
  }
}

std::string Digits(uint64_t v, int base, bool upper) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v, base);
  std::string s(buf, r.ptr);
  if (upper)
    for (char& c : s)
      if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');
  return s;
}

void FormatInteger(std::string& out, const Spec& s, int64_t v) {
  bool isSigned = s.conv == 'd' || s.conv == 'i';
  int base = (s.conv == 'x' || s.conv == 'X') ? 16 : 10;
  bool negative = isSigned && v < 0;
  // Negating through unsigned keeps INT64_MIN intact.
  uint64_t mag = negative ? uint64_t(0) - uint64_t(v) : uint64_t(v);
  std::string body = Digits(mag, base, s.conv == 'X');
  if (s.precision >= 0 && body.size() < size_t(s.precision)) body.insert(0, size_t(s.precision) - body.size(), '0');
  std::string sign;
  if (negative) sign = "-";
  else if (isSigned && s.plus) sign = "+";
  else if (isSigned && s.space) sign = " ";
  if (base == 16 && s.alt && mag != 0) sign += s.conv == 'X' ? "0X" : "0x";
  Pad(out, s, sign, body, s.precision < 0);
}

void FormatFloat(std::string& out, const Spec& s, double v) {
  char buf[400];
  std::chars_format fmt = s.conv == 'e' || s.conv == 'E' ? std::chars_format::scientific
                          : s.conv == 'g' || s.conv == 'G' ? std::chars_format::general
                                                           : std::chars_format::fixed;
  int precision = s.precision;
  if (precision < 0) precision = fmt == std::chars_format::fixed ? 2 : 6;
  if (fmt == std::chars_format::general && precision == 0) precision = 1;
  bool negative = std::signbit(v);
  double mag = negative ? -v : v;
  std::string body;
  auto r = std::to_chars(buf, buf + sizeof buf, mag, fmt, precision);
  if (r.ec == std::errc()) body.assign(buf, r.ptr);
  else body = "?";
  bool finite = std::isfinite(v);
  char sep = DecimalSeparator();
  bool upper = s.conv == 'E' || s.conv == 'G' || s.conv == 'F';
  for (char& c : body) {
    if (c == '.') c = sep;
    else if (upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  }
  std::string sign;
  if (negative && !(std::isnan(v))) sign = "-";
  else if (s.plus) sign = "+";
  else if (s.space) sign = " ";
  Pad(out, s, sign, body, finite);
}

}  // namespace

char DecimalSeparator() {
  char forced = gForcedSeparator.load(std::memory_order_relaxed);
  return forced != '\0' ? forced : LocaleSeparator();
}

void SetDecimalSeparatorForTesting(char sep) { gForcedSeparator.store(sep, std::memory_order_relaxed); }

std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  const FmtArg* next = args.begin();
  const FmtArg* end = args.end();
  auto takeInt = [&](int& dst) -> bool {
    if (next == end || next->kind() != FmtArg::Kind::Int) return false;
    dst = static_cast<int>(next->asInt());
    ++next;
    return true;
  };

  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c != '%') {
      size_t stop = fmt.find('%', i);
      if (stop == std::string_view::npos) stop = fmt.size();
      out.append(fmt.substr(i, stop - i));
      i = stop;
      continue;
    }
    size_t start = i++;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Spec s;
    for (; i < fmt.size(); ++i) {
      char f = fmt[i];
      if (f == '-') s.left = true;
      else if (f == '+') s.plus = true;
      else if (f == ' ') s.space = true;
      else if (f == '#') s.alt = true;
      else if (f == '0') s.zero = true;
      else break;
    }
    bool argMissing = false;
    if (i < fmt.size() && fmt[i] == '*') {
      ++i;
      if (!takeInt(s.width)) argMissing = true;
      if (s.width < 0) {
        s.left = true;
        s.width = -s.width;
      }
    } else {
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') s.width = (s.width < 0 ? 0 : s.width) * 10 + (fmt[i++] - '0');
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      s.precision = 0;
      if (i < fmt.size() && fmt[i] == '*') {
        ++i;
        if (!takeInt(s.precision)) argMissing = true;
        if (s.precision < 0) s.precision = -1;
      } else {
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') s.precision = s.precision * 10 + (fmt[i++] - '0');
      }
    }
    // Length modifiers carry no meaning here: every integer argument is 64-bit.
    while (i < fmt.size() && std::strchr("hlLqjzt", fmt[i])) ++i;
    if (i >= fmt.size()) {
      out.append(fmt.substr(start));  // a lone trailing '%' spec stays as written
      break;
    }
    s.conv = fmt[i++];
    if (!std::strchr("diuxXsfFeEgGp", s.conv)) {
      out.append(fmt.substr(start, i - start));
      continue;
    }
    if (argMissing || next == end) {
      out += '?';
      continue;
    }
    const FmtArg& a = *next++;
    switch (s.conv) {
      case 'd': case 'i': case 'u': case 'x': case 'X':
        if (a.kind() == FmtArg::Kind::Int) FormatInteger(out, s, a.asInt());
        else if (a.kind() == FmtArg::Kind::Ptr && (s.conv == 'x' || s.conv == 'X'))
          FormatInteger(out, s, static_cast<int64_t>(reinterpret_cast<uintptr_t>(a.asPtr())));
        else out += '?';
        break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
        if (a.kind() == FmtArg::Kind::Double) FormatFloat(out, s, a.asDouble());
        else if (a.kind() == FmtArg::Kind::Int) FormatFloat(out, s, static_cast<double>(a.asInt()));
        else out += '?';
        break;
      case 's':
        if (a.kind() == FmtArg::Kind::Str) {
          std::string_view v = a.asStr();
          if (s.precision >= 0 && v.size() > size_t(s.precision)) v = v.substr(0, size_t(s.precision));
          Pad(out, s, {}, v, false);
        } else {
          out += '?';
        }
        break;
      case 'p': {
        uintptr_t p;
        if (a.kind() == FmtArg::Kind::Ptr) p = reinterpret_cast<uintptr_t>(a.asPtr());
        else if (a.kind() == FmtArg::Kind::Int) p = static_cast<uintptr_t>(a.asInt());
        else {
          out += '?';
          break;
        }
        std::string body = Digits(p, 16, true);
        body.insert(0, sizeof(void*) * 2 - body.size(), '0');
        Pad(out, s, {}, body, false);
        break;
      }
    }
  }
  return out;
}

}  // namespace zv
