#pragma once
// The open file's chapters: read once at open, kept beside the playback (not
// in it), and the navigation rule the keys use.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct AVFormatContext;

namespace zv {

struct TChapter {
  std::string Title;  // the chapter's "title" metadata; may be empty
  int64_t Start = 0;  // µs from the file's start, as Seek takes it
};

// The chapters in start order; starts before the file's start count as 0.
std::vector<TChapter> ReadChapters(const AVFormatContext* ic);

// Where a previous (ADirection < 0) or next (> 0) chapter step from APosition
// lands, or -1 when there is nowhere to go. Previous goes to the start of the
// current chapter once more than kChapterRestartGap into it, else to the one
// before (the first chapter's start when in the first).
inline constexpr int64_t kChapterRestartGap = 2000000;
int64_t ChapterTarget(int64_t APosition, const std::vector<TChapter>& AChapters, int ADirection);

// The chapters of the playback that is open, handed from its read thread to
// the application's reads. Tagged with the playback so a closed one's never show.
class TChapterList {
public:
  void Set(const void* AOwner, std::vector<TChapter> AChapters);
  void Clear(const void* AOwner);
  std::vector<TChapter> Get(const void* AOwner) const;

private:
  mutable std::mutex FLock;
  const void* FOwner = nullptr;     // guarded by FLock
  std::vector<TChapter> FChapters;  // guarded by FLock
};

}  // namespace zv
