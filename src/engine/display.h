#pragma once
// What the play loop shows and when: the refresh thread's pacing, the refresh
// step and the drawing of the output (the waveform for a file without video).
#include "engine/media_state.h"

namespace zv {

// Refresh period (ms): the waveform's pace when it is shown, 5 ms otherwise.
int RefreshPeriodMs(const TMediaState* is, int audioDisplayPeriod);

// Thread body: one refresh event outstanding at a time until AbortRequest.
void RefreshThreadMain(TMediaState* is);

// Play thread, on a refresh event (fromTimer) or a redraw.
void VideoRefresh(TMediaState* is, bool fromTimer);
// Play thread: draws the current output.
void VideoDisplay(TMediaState* is);

}  // namespace zv
