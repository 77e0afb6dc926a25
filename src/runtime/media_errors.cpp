#include "runtime/media_errors.h"

#include <unordered_map>

#include "runtime/entry_points.h"
#include "runtime/format.h"

namespace zv {

namespace {

const std::unordered_map<int, const char*>& ErrorIndex() {
  static const std::unordered_map<int, const char*> index = [] {
    std::unordered_map<int, const char*> m;
    for (const MediaErrorRow& row : MediaErrorRows()) m.emplace(row.code, row.text);
    return m;
  }();
  return index;
}

}  // namespace

std::string MediaErrorText(int code) {
  const auto& index = ErrorIndex();
  auto it = index.find(code);
  return it == index.end() ? std::string() : std::string(it->second);
}

std::string FormatMediaError(const std::string& fileName, int code) {
  const auto& index = ErrorIndex();
  auto it = index.find(code);
  if (it == index.end()) return fileName + ": " + Format("Error number %d occurred", {code});
  return fileName + ": " + it->second;
}

std::string FormatMediaTime(int64_t time) {
  if (time == AV_NOPTS_VALUE) return "N/A";
  // Truncating division on purpose: negative times give negative fields.
  int64_t hours = time / 1000000 / 60 / 60;
  int64_t minutes = time / 1000000 / 60 % 60;
  int64_t seconds = time / 1000000 % 60;
  int64_t milliseconds = (time % 1000000) * 1000 / 1000000;
  return Format("%.2d:%.2d:%.2d.%.3d", {hours, minutes, seconds, milliseconds});
}

std::string GetMetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& dflt) {
  if (!metadata || !ff::av_dict_get) return dflt;
  const AVDictionaryEntry* e = ff::av_dict_get(metadata, key.c_str(), nullptr, 0);
  return e && e->value ? std::string(e->value) : dflt;
}

}  // namespace zv
