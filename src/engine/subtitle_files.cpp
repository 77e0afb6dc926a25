#include "engine/subtitle_files.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zv {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(tolower(static_cast<unsigned char>(c)));
  return s;
}

// The part between the video's stem and the subtitle extension, without its
// leading dot; false when the file does not belong to the video.
bool Middle(const std::string& videoPath, const std::string& subtitlePath, std::string& middle) {
  if (!IsSubtitleFileName(subtitlePath)) return false;
  const std::string stem = fs::path(videoPath).stem().string();
  const std::string subStem = fs::path(subtitlePath).stem().string();
  if (subStem == stem) {
    middle.clear();
    return true;
  }
  if (subStem.size() <= stem.size() + 1 || subStem.compare(0, stem.size(), stem) != 0 || subStem[stem.size()] != '.')
    return false;
  middle = subStem.substr(stem.size() + 1);
  // A language tag: letters, maybe with a region ("en", "pt-BR", "eng").
  return !middle.empty() && middle.size() <= 8 && middle.find('.') == std::string::npos;
}

}  // namespace

bool IsSubtitleFileName(const std::string& path) {
  const std::string ext = Lower(fs::path(path).extension().string());
  return ext == ".srt" || ext == ".ass" || ext == ".ssa" || ext == ".vtt";
}

std::vector<std::string> SubtitleFilesBeside(const std::string& videoPath) {
  std::vector<std::string> out;
  std::error_code ec;
  const fs::path dir = fs::path(videoPath).parent_path();
  fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string middle;
    const std::string p = it->path().string();
    if (it->is_regular_file(ec) && Middle(videoPath, p, middle)) out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string SubtitleFileLanguage(const std::string& videoPath, const std::string& subtitlePath) {
  std::string middle;
  return Middle(videoPath, subtitlePath, middle) ? middle : std::string();
}

std::string ChooseSubtitleFile(const std::vector<std::string>& files, const std::string& videoPath,
                               const std::string& locale) {
  if (files.empty()) return {};
  std::string lang = Lower(locale.substr(0, locale.find_first_of("_.@")));
  if (lang == "c" || lang == "posix") lang.clear();
  if (!lang.empty())
    for (const std::string& f : files) {
      const std::string l = Lower(SubtitleFileLanguage(videoPath, f));
      if (l == lang || l.rfind(lang + "-", 0) == 0 || l.rfind(lang + "_", 0) == 0) return f;
    }
  for (const std::string& f : files)
    if (SubtitleFileLanguage(videoPath, f).empty() && Lower(fs::path(f).extension().string()) == ".srt") return f;
  for (const std::string& f : files)
    if (SubtitleFileLanguage(videoPath, f).empty()) return f;
  return files.front();
}

std::string UserLocale() {
  for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* s = getenv(v); s && *s) return s;
  return {};
}

}  // namespace zv
