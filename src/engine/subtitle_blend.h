#pragma once
// Showing queued subpictures: their expiry in the refresh step and their
// blending into a picture's YUV 4:2:0 planes before it is uploaded.
#include <cstdint>

#include "engine/media_state.h"

namespace zv {

// Blends one bitmap rectangle (palette already in YUVA) into the Y, U, V
// planes of an imgw x imgh picture. A rectangle that does not fit is clipped
// to the picture's size and moved inside it.
void BlendSubRect(uint8_t* const planes[3], const int linesizes[3], const AVSubtitleRect* rect, int imgw, int imgh);

// Refresh step, after VideoCurrentPts was set for the picture to show: drops
// at most one expired entry, or all of them after the stream was closed or
// changed.
void ExpireSubtitles(TMediaState* playback);

// True when the entry at the read index is due for a picture of picturePts:
// the display makes the picture writable only then.
bool SubtitleDue(TMediaState* playback, double picturePts);

// Blends the entry at the read index when it is due for a picture of
// picturePts; true when it was blended. Display step, before the upload.
bool BlendDueSubtitle(TMediaState* playback, double picturePts, uint8_t* const planes[3], const int linesizes[3], int imgw,
                      int imgh);

}  // namespace zv
