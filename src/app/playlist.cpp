#include "app/playlist.h"

#include <algorithm>

namespace zvapp {

TPlaylist::TPlaylist(uint32_t seed) : FRandom(seed) {}

int TPlaylist::IndexOfId(int id) const {
  if (id == 0) return -1;
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].id == id) return int(i);
  return -1;
}

int TPlaylist::Current() const { return IndexOfId(FCurrentId); }

void TPlaylist::SetCurrent(int index) {
  FCurrentId = index >= 0 && index < Count() ? FItems[size_t(index)].id : 0;
}

int TPlaylist::IndexOf(const QString& path) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].path == path) return int(i);
  return -1;
}

void TPlaylist::Clear() {
  FItems.clear();
  FOrder.clear();
  FCurrentId = 0;
}

int TPlaylist::Insert(int at, const QStringList& paths) {
  std::vector<TPlaylistItem> added;
  for (const QString& p : paths) added.push_back(TPlaylistItem{p, -1, false, FNextId++});
  FItems.insert(FItems.begin() + at, added.begin(), added.end());
  // In play order they come right after the current item (or at the end).
  const int pos = OrderPosition();
  auto where = at >= Count() - int(added.size()) || pos < 0 ? FOrder.end() : FOrder.begin() + pos + 1;
  if (!FShuffle) {
    FOrder.clear();
    for (const auto& item : FItems) FOrder.push_back(item.id);
  } else {
    std::vector<int> ids;
    for (const auto& item : added) ids.push_back(item.id);
    FOrder.insert(where, ids.begin(), ids.end());
  }
  return at;
}

int TPlaylist::Append(const QStringList& paths) { return Insert(Count(), paths); }

int TPlaylist::InsertAfterCurrent(const QStringList& paths) {
  const int cur = Current();
  return Insert(cur < 0 ? Count() : cur + 1, paths);
}

void TPlaylist::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  const int id = FItems[size_t(index)].id;
  FItems.erase(FItems.begin() + index);
  FOrder.erase(std::remove(FOrder.begin(), FOrder.end(), id), FOrder.end());
  if (FCurrentId == id) FCurrentId = 0;
}

void TPlaylist::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  TPlaylistItem item = FItems[size_t(from)];
  FItems.erase(FItems.begin() + from);
  FItems.insert(FItems.begin() + to, item);
  if (!FShuffle) {
    FOrder.clear();
    for (const auto& i : FItems) FOrder.push_back(i.id);
  }
}

void TPlaylist::SetDuration(int index, int64_t durationUs) {
  if (index >= 0 && index < Count()) FItems[size_t(index)].durationUs = durationUs;
}

void TPlaylist::MarkFailed(int index) {
  if (index >= 0 && index < Count()) FItems[size_t(index)].failed = true;
}

void TPlaylist::SetShuffle(bool on) {
  FShuffle = on;
  FOrder.clear();
  for (const auto& i : FItems) FOrder.push_back(i.id);
  if (!on) return;
  std::shuffle(FOrder.begin(), FOrder.end(), FRandom);
  auto cur = std::find(FOrder.begin(), FOrder.end(), FCurrentId);
  if (cur != FOrder.end()) std::rotate(FOrder.begin(), cur, cur + 1);
}

int TPlaylist::OrderPosition() const {
  for (size_t i = 0; i < FOrder.size(); ++i)
    if (FOrder[i] == FCurrentId) return int(i);
  return -1;
}

int TPlaylist::Step(int direction, bool wrap) const {
  const int n = int(FOrder.size());
  if (n == 0) return -1;
  int pos = OrderPosition();
  // Nothing current: forward starts at the first item.
  if (pos < 0) pos = direction > 0 ? -1 : n;
  for (int k = 1; k <= n; ++k) {
    int p = pos + direction * k;
    if (p < 0 || p >= n) {
      if (!wrap) return -1;
      p = (p % n + n) % n;
    }
    const int index = IndexOfId(FOrder[size_t(p)]);
    if (index >= 0 && !FItems[size_t(index)].failed && FOrder[size_t(p)] != FCurrentId) return index;
  }
  return -1;
}

int TPlaylist::NextIndex(bool atEnd) const {
  if (atEnd && FRepeat == TRepeat::One && Current() >= 0) return Current();
  const int next = Step(+1, FRepeat == TRepeat::All);
  // Repeating a list of one plays it again.
  if (next < 0 && FRepeat == TRepeat::All && Current() >= 0 && !FItems[size_t(Current())].failed) return Current();
  return next;
}

int TPlaylist::PreviousIndex() const { return Step(-1, FRepeat == TRepeat::All); }

const char* RepeatName(TRepeat r) {
  switch (r) {
    case TRepeat::One:
      return "Track";
    case TRepeat::All:
      return "Playlist";
    default:
      return "None";
  }
}

}  // namespace zvapp
