#include "filters/equalizer_setting.h"

#include <charconv>
#include <type_traits>
#include <string>

#include "filters/picture_values.h"
#include "runtime/entry_points.h"
#include "runtime/file_utils.h"

namespace zv {

namespace {

constexpr int32_t kMin = -100;
constexpr int32_t kMax = 100;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

template <class T>
bool ParseDecimal(const std::string& text, T* out) {
  const char* b = text.data();
  const char* e = b + text.size();
  if (b != e && *b == '+') ++b;
  if (b == e || *b == '+') return false;
  if constexpr (std::is_unsigned_v<T>) {
    if (*b == '-') return false;
  }
  auto [p, ec] = std::from_chars(b, e, *out, 10);
  return ec == std::errc() && p == e;
}

void LogNotDecimal(void* logCtx, const std::string& token) {
  ff::av_log(logCtx, AV_LOG_ERROR, "Parameter '%s' is not a decimal integer\n", token.c_str());
}

int ParseValue(void* logCtx, const std::string& token, TEqualizerSetting& s) {
  if (token.empty()) return 0;
  int32_t v;
  if (!ParseDecimal(token, &v)) {
    LogNotDecimal(logCtx, token);
    return AVERROR(EINVAL);
  }
  s.own = v;
  return 0;
}

int ParseAddress(void* logCtx, const std::string& token, TEqualizerSetting& s) {
  if (token.empty()) return 0;
  uintptr_t address;
  if (!ParseDecimal(token, &address)) {
    LogNotDecimal(logCtx, token);
    return AVERROR(EINVAL);
  }
  if (address == 0) return 0;
  std::atomic<int32_t>* value = FindPictureValue(address);
  if (!value) {
    ff::av_log(logCtx, AV_LOG_ERROR, "Address %s does not name a registered picture value\n", token.c_str());
    return AVERROR(EINVAL);
  }
  s.shared = value;
  return 0;
}

// Reads one setting, clamping it where it lives; false when a shared value was
// unregistered meanwhile (the setting then keeps its last value as its own).
int32_t ReadOne(void* logCtx, const char* invalidText, TEqualizerSetting& s, bool* clamped) {
  int32_t old, now;
  *clamped = false;
  if (s.shared) {
    if (!ReadClampedPictureValue(s.shared, kMin, kMax, &old, &now)) {
      ff::av_log(logCtx, AV_LOG_ERROR, "Picture value at %p is no longer registered, keeping %d\n",
                 static_cast<void*>(s.shared), s.last);
      s.shared = nullptr;
      s.own = s.last;
      return s.own;
    }
  } else {
    old = s.own;
    now = old < kMin ? kMin : old > kMax ? kMax : old;
    s.own = now;
  }
  if (now != old) {
    ff::av_log(logCtx, AV_LOG_ERROR, invalidText, old, now);
    *clamped = true;
  }
  return now;
}

}  // namespace

int InitEqualizerSettings(void* logCtx, const char* args, const TEqualizerTexts& texts, TEqualizerSetting& first,
                          TEqualizerSetting& second) {
  first = TEqualizerSetting{};
  second = TEqualizerSetting{};
  if (args) {
    std::string rest = args;
    std::string token;
    int r;
    SplitAt(rest, ":", true, token);
    if ((r = ParseValue(logCtx, Trim(token), first)) < 0) return r;
    SplitAt(rest, ":", true, token);
    if ((r = ParseValue(logCtx, Trim(token), second)) < 0) return r;
    SplitAt(rest, ":", true, token);
    if ((r = ParseAddress(logCtx, Trim(token), first)) < 0) return r;
    if ((r = ParseAddress(logCtx, Trim(rest), second)) < 0) return r;
  }
  bool clamped;
  first.last = ReadOne(logCtx, texts.invalidFirst, first, &clamped);
  second.last = ReadOne(logCtx, texts.invalidSecond, second, &clamped);
  ff::av_log(logCtx, AV_LOG_DEBUG, texts.changed, first.last, second.last);
  return 0;
}

void ReadEqualizerSettings(void* logCtx, const TEqualizerTexts& texts, TEqualizerSetting& first,
                           TEqualizerSetting& second, int32_t* firstValue, int32_t* secondValue) {
  bool clamped;
  int32_t a = ReadOne(logCtx, texts.invalidFirst, first, &clamped);
  if (clamped) first.last = a;
  int32_t b = ReadOne(logCtx, texts.invalidSecond, second, &clamped);
  if (clamped) second.last = b;
  // A change made by the application is reported once; a clamp only by its error line.
  if (a != first.last || b != second.last) {
    ff::av_log(logCtx, AV_LOG_DEBUG, texts.changed, a, b);
    first.last = a;
    second.last = b;
  }
  *firstValue = a;
  *secondValue = b;
}

}  // namespace zv
