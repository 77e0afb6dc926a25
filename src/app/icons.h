#pragma once
// The control bar's button images, drawn in code.
#include <QIcon>

namespace zvapp {

enum class TIconKind { Open, Play, Pause, Stop, Volume, Muted, Capture };

// A light glyph on a transparent ground, crisp at any size.
QIcon MakeIcon(TIconKind kind);

}  // namespace zvapp
