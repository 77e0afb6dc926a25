#include "app/natural_order.h"

#include <algorithm>

namespace zvapp {

namespace {
bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
}  // namespace

int NaturalCompare(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  int tieBreak = 0;  // first difference the natural order does not see
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const qsizetype si = i, sj = j;
      while (i < a.size() && a[i] == QLatin1Char('0')) ++i;
      while (j < b.size() && b[j] == QLatin1Char('0')) ++j;
      const qsizetype di = i, dj = j;
      while (i < a.size() && IsDigit(a[i])) ++i;
      while (j < b.size() && IsDigit(b[j])) ++j;
      // Numbers of any length: more significant digits are larger.
      if (i - di != j - dj) return (i - di) < (j - dj) ? -1 : 1;
      for (qsizetype k = 0; k < i - di; ++k)
        if (a[di + k] != b[dj + k]) return a[di + k] < b[dj + k] ? -1 : 1;
      if (!tieBreak && (di - si) != (dj - sj)) tieBreak = (di - si) < (dj - sj) ? -1 : 1;
      continue;
    }
    const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!tieBreak && a[i] != b[j]) tieBreak = a[i] < b[j] ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return tieBreak;
}

void NaturalSort(QStringList& names) { std::stable_sort(names.begin(), names.end(), NaturalLess); }

}  // namespace zvapp
