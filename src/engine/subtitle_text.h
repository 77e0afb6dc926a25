#pragma once
// Subtitle files as text: their bytes turned into UTF-8 (byte-order marks,
// else a guess of the encoding), and parsed into ASS events by the media
// libraries' own SubRip, ASS/SSA and WebVTT readers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

// UTF-8 text of a subtitle file's bytes: UTF-8 with or without BOM and
// UTF-16 LE/BE with BOM as they are, anything else guessed by uchardet
// (Windows-1252 without it, or when the guess does not convert). False with
// why when the bytes cannot be turned into text. encoding: what was used.
bool SubtitleBytesToUtf8(const std::string& bytes, std::string& utf8, std::string& encoding, std::string& error);

struct TSubtitleEvent {
  std::string Line;  // "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"
  int64_t StartMs = 0;
  int64_t DurationMs = 0;
};

struct TParsedSubtitles {
  std::string Header;  // ASS header
  std::vector<TSubtitleEvent> Events;
};

// Parses UTF-8 subtitle text (format found by probing). abort() is polled
// between events. False with why when it is no subtitle file it knows.
bool ParseSubtitleText(const std::string& utf8, TParsedSubtitles& out, std::string& error,
                       const std::function<bool()>& abort = {});

// Reads, converts and parses a file; the file may be at most MaxSubtitleFileBytes.
constexpr int64_t MaxSubtitleFileBytes = 64LL << 20;
bool LoadSubtitleFile(const std::string& path, TParsedSubtitles& out, std::string& error,
                      const std::function<bool()>& abort = {});

}  // namespace zv
