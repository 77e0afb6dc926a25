#pragma once
// Video decoding of one playback: packets from the video queue through the
// decoder and the filter pipeline into the picture queue.
#include <cstdint>

#include "engine/media_state.h"

namespace zv {

// Thread body, started with the video stream and joined at its close. Ends
// when the video queue is aborted or the filters cannot be set up.
void VideoThreadMain(TMediaState* playback);

// Chooses between a picture's pts and its packet's dts by counting which of
// the two went backwards so far (AV_NOPTS_VALUE when both are missing).
int64_t GuessCorrectPts(TPtsCorrection& c, int64_t reorderedPts, int64_t dts);

// Decoder threads for the DecoderThreads property: 0 means one per core.
int DecoderThreadCount(int property);

}  // namespace zv
