#include "engine/reread_filter.h"

#include <algorithm>

namespace zv {

TRereadFilter::TMark* TRereadFilter::Find(std::vector<TMark>& marks, int stream) {
  for (TMark& m : marks)
    if (m.Stream == stream) return &m;
  return nullptr;
}

void TRereadFilter::Note(const AVPacket* pkt) {
  TMark* m = Find(FLast, pkt->stream_index);
  if (!m) {
    FLast.push_back(TMark{pkt->stream_index});
    m = &FLast.back();
  }
  m->Dts = pkt->dts;
  m->Pos = pkt->pos;
}

void TRereadFilter::Reset() {
  FLast.clear();
  FSkipTo.clear();
  FTrimStream = -1;
}

void TRereadFilter::Begin(const TStreamReread& r) {
  FSkipTo.clear();
  for (const TMark& m : FLast)
    if (std::find(r.Fresh.begin(), r.Fresh.end(), m.Stream) == r.Fresh.end()) FSkipTo.push_back(m);
  std::erase_if(FLast, [&](const TMark& m) { return std::find(r.Fresh.begin(), r.Fresh.end(), m.Stream) != r.Fresh.end(); });
  FTrimStream = r.TrimFrom == AV_NOPTS_VALUE ? -1 : r.TrimStream;
  FTrimFrom = r.TrimFrom;
}

bool TRereadFilter::Skip(const AVPacket* pkt) {
  if (pkt->stream_index == FTrimStream) {
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts != AV_NOPTS_VALUE && ts + std::max<int64_t>(pkt->duration, 0) < FTrimFrom) return true;
    FTrimStream = -1;
  }
  if (FSkipTo.empty()) return false;
  auto it = std::find_if(FSkipTo.begin(), FSkipTo.end(), [&](const TMark& m) { return m.Stream == pkt->stream_index; });
  if (it == FSkipTo.end()) return false;
  bool seen = false;
  if (pkt->dts != AV_NOPTS_VALUE && it->Dts != AV_NOPTS_VALUE)
    seen = pkt->dts <= it->Dts;
  else if (pkt->pos >= 0 && it->Pos >= 0)
    seen = pkt->pos <= it->Pos;
  if (!seen) FSkipTo.erase(it);  // from here on the stream is new to its queue
  return seen;
}

bool TRereadFilter::CatchingUp(int stream) const {
  return std::any_of(FSkipTo.begin(), FSkipTo.end(), [&](const TMark& m) { return m.Stream == stream; });
}

}  // namespace zv
