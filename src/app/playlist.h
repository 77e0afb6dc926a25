#pragma once
// The list of files to play and the way through it: the current item, next
// and previous with repeat and shuffle, items that failed to open skipped.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <random>
#include <vector>

namespace zvapp {

enum class TRepeat { Off, One, All };

struct TPlaylistItem {
  QString path;
  int64_t durationUs = -1;  // -1 until the file has been opened
  bool failed = false;      // could not be opened; skipped from then on
  int id = 0;               // stable through moves and removals
};

class TPlaylist {
public:
  explicit TPlaylist(uint32_t seed = std::random_device{}());

  int Count() const { return int(FItems.size()); }
  const TPlaylistItem& Item(int index) const { return FItems[size_t(index)]; }
  // -1 when nothing is current.
  int Current() const;
  void SetCurrent(int index);
  int IndexOf(const QString& path) const;

  void Clear();
  // Index of the first added item (Count() when nothing was added).
  int Append(const QStringList& paths);
  int InsertAfterCurrent(const QStringList& paths);
  void Remove(int index);
  // Moves one item so it ends up at index `to`.
  void Move(int from, int to);
  void SetDuration(int index, int64_t durationUs);
  void MarkFailed(int index);

  TRepeat Repeat() const { return FRepeat; }
  void SetRepeat(TRepeat r) { FRepeat = r; }
  bool Shuffle() const { return FShuffle; }
  // A new random order that starts at the current item.
  void SetShuffle(bool on);

  // The item to play next: at the end of the current one (repeat one plays it
  // again) or asked for by the user; -1 when there is none.
  int NextIndex(bool atEnd) const;
  int PreviousIndex() const;

private:
  int Step(int direction, bool wrap) const;
  int IndexOfId(int id) const;
  // Position of the current item in the play order; -1 when none.
  int OrderPosition() const;
  int Insert(int at, const QStringList& paths);

  std::vector<TPlaylistItem> FItems;
  std::vector<int> FOrder;  // ids in play order (the list's order without shuffle)
  int FCurrentId = 0;       // 0: none
  int FNextId = 1;
  TRepeat FRepeat = TRepeat::Off;
  bool FShuffle = false;
  std::mt19937 FRandom;
};

const char* RepeatName(TRepeat r);

}  // namespace zvapp
