#pragma once
// Subtitle files beside a video: NAME.srt/.ass/.ssa/.vtt and NAME.LANG.EXT
// (extensions in any case), and which of them is shown.
#include <string>
#include <vector>

namespace zv {

bool IsSubtitleFileName(const std::string& path);
// The files beside videoPath that belong to it, sorted by name.
std::vector<std::string> SubtitleFilesBeside(const std::string& videoPath);
// The language part of NAME.LANG.EXT for videoPath ("" for NAME.EXT).
std::string SubtitleFileLanguage(const std::string& videoPath, const std::string& subtitlePath);
// The one to show: the user's language (locale, e.g. "de_DE.UTF-8" -> "de"),
// then plain NAME.srt, then plain NAME.EXT, then the first. "" for none.
std::string ChooseSubtitleFile(const std::vector<std::string>& files, const std::string& videoPath,
                               const std::string& locale);
// The user's locale as the environment gives it (LC_ALL, LC_MESSAGES, LANG).
std::string UserLocale();

}  // namespace zv
