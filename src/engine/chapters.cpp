#include "engine/chapters.h"

#include <algorithm>

#include "runtime/av_headers.h"
#include "runtime/entry_points.h"

namespace zv {

std::vector<TChapter> ReadChapters(const AVFormatContext* ic) {
  std::vector<TChapter> out;
  if (!ic) return out;
  const int64_t fileStart = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  for (unsigned i = 0; i < ic->nb_chapters; ++i) {
    const AVChapter* ch = ic->chapters[i];
    if (!ch || ch->time_base.den <= 0) continue;
    TChapter c;
    const int64_t start = ff::av_rescale_q(ch->start, ch->time_base, AVRational{1, 1000000});
    c.Start = std::max<int64_t>(start - fileStart, 0);
    if (const AVDictionaryEntry* t = ff::av_dict_get(ch->metadata, "title", nullptr, 0); t && t->value)
      c.Title = t->value;
    out.push_back(std::move(c));
  }
  // Containers list chapters in order as a rule, not a promise.
  std::stable_sort(out.begin(), out.end(), [](const TChapter& a, const TChapter& b) { return a.Start < b.Start; });
  return out;
}

int64_t ChapterTarget(int64_t APosition, const std::vector<TChapter>& AChapters, int ADirection) {
  if (AChapters.empty() || ADirection == 0) return -1;
  if (APosition < 0) APosition = 0;
  // The chapter the position is in: the last one starting at or before it.
  int current = -1;
  for (size_t i = 0; i < AChapters.size(); ++i)
    if (AChapters[i].Start <= APosition) current = int(i);
  if (ADirection > 0) {
    const size_t next = size_t(current + 1);
    return next < AChapters.size() ? AChapters[next].Start : -1;
  }
  if (current < 0) return -1;
  if (APosition - AChapters[current].Start > kChapterRestartGap || current == 0) return AChapters[current].Start;
  return AChapters[current - 1].Start;
}

void TChapterList::Set(const void* AOwner, std::vector<TChapter> AChapters) {
  std::lock_guard<std::mutex> g(FLock);
  FOwner = AOwner;
  FChapters = std::move(AChapters);
}

void TChapterList::Clear(const void* AOwner) {
  std::lock_guard<std::mutex> g(FLock);
  if (FOwner != AOwner) return;
  FOwner = nullptr;
  FChapters.clear();
}

std::vector<TChapter> TChapterList::Get(const void* AOwner) const {
  std::lock_guard<std::mutex> g(FLock);
  if (!AOwner || FOwner != AOwner) return {};
  return FChapters;
}

}  // namespace zv
