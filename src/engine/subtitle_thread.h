#pragma once
// Decoding of the subtitle stream into the subtitle queue. Only
// bitmap subtitles are queued, their palettes turned into YUVA for blending.
#include <cstdint>

#include "engine/media_state.h"

namespace zv {

// 0xAARRGGBB to 0xAAYYUUVV (studio range, 10-bit fixed point).
uint32_t RgbaToYuva(uint32_t argb);
// Converts the first nb_colors entries of a bitmap rectangle's palette in place.
void ConvertPaletteToYuva(AVSubtitleRect* rect);

// Thread body started with the subtitle stream; ends when its packet queue is
// aborted or the playback's AbortRequest is set.
void SubtitleThreadMain(TMediaState* playback);

}  // namespace zv
