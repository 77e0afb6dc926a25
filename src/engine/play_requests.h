#pragma once
// Requests to the play loop of a playback from any thread: each wakes the
// loop through its player's wake-up. The loop acts on the player's current
// record, never on the one given here, which may be stale.
#include <cstdint>

#include "engine/play_wakeup.h"

namespace zv {

struct TMediaState;

// Wakes the play loop of is's player for these reasons; false without one.
bool WakePlayLoop(TMediaState* playback, uint32_t reasons);

inline bool PushQuitEvent(TMediaState* playback) { return WakePlayLoop(playback, wrQuit); }
inline bool PushReopenVideoEvent(TMediaState* playback) { return WakePlayLoop(playback, wrReopenVideo); }

}  // namespace zv
