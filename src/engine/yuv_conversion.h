#pragma once
// Which way a YUV picture reaches the screen on a renderer that converts YUV
// itself: SDL's conversion mode (process-wide) for the colours it knows, the
// RGB upload for the others.
#include <SDL2/SDL.h>

#include <optional>

#include "runtime/picture_colour.h"

namespace zv {

// SDL's mode for these colours; none when SDL has no matrix for them
// (BT.2020, SMPTE 240M, FCC, YCgCo, and BT.709 in full range).
std::optional<SDL_YUV_CONVERSION_MODE> SdlYuvModeFor(const TPictureColour& colour);

}  // namespace zv
