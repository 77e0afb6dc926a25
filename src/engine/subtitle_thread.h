#pragma once
// Decoding of the subtitle stream: bitmap subtitles go into the subtitle
// queue, their palettes turned into YUVA for blending; text subtitles go to
// the text overlay as ASS events.
#include <cstdint>

#include "engine/media_state.h"
#include "engine/text_overlay.h"

namespace zv {

// 0xAARRGGBB to 0xAAYYUUVV (studio range, 10-bit fixed point).
uint32_t RgbaToYuva(uint32_t argb);
// Converts the first nb_colors entries of a bitmap rectangle's palette in place.
void ConvertPaletteToYuva(AVSubtitleRect* rect);

// Thread body started with the subtitle stream; ends when its packet queue is
// aborted or the playback's AbortRequest is set.
// A text stream's events go to text (nullptr: dropped).
void SubtitleThreadMain(TMediaState* playback, TTextOverlay* text = nullptr);

// True for a decoder that gives text (ASS lines) rather than bitmaps.
bool IsTextSubtitleCodec(const AVCodecContext* ctx);

}  // namespace zv
