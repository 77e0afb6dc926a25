#pragma once
// File names in the order file managers show them: runs of digits compare as
// numbers ("ep2" before "ep10"), letters without regard to case.
#include <QString>
#include <QStringList>

namespace zvapp {

// <0, 0 or >0; a total order (names equal but for case or leading zeros still
// differ, so sorting is stable across runs).
int NaturalCompare(const QString& a, const QString& b);
inline bool NaturalLess(const QString& a, const QString& b) { return NaturalCompare(a, b) < 0; }
void NaturalSort(QStringList& names);

}  // namespace zvapp
