#pragma once
// What the play loop shows and when: the refresh step, its pacing and the
// drawing of the output (the waveform for a file without video).
#include "engine/media_state.h"

namespace zv {

// Refresh period (ms) while playing: the waveform's pace when it is shown,
// 5 ms otherwise.
int RefreshPeriodMs(const TMediaState* playback, int audioDisplayPeriod);

// Play thread, on a refresh (fromTimer: the picture at the head leaves the
// queue when shown) or a redraw. Returns the monotonic time (s) at which the
// head of the queue falls due, or 0 when nothing queued waits for its time.
double VideoRefresh(TMediaState* playback, bool fromTimer);
// Play thread: draws the current output.
void VideoDisplay(TMediaState* playback);

// A due picture is dropped, not shown, when it is this late and the one after
// it is due as well: showing it would only put the picture further behind.
// Wall seconds: a picture's time on screen at the playback's speed.
double LateDropThreshold(const TMediaState* playback);

}  // namespace zv
