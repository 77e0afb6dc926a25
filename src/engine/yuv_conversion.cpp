#include "engine/yuv_conversion.h"

namespace zv {

std::optional<SDL_YUV_CONVERSION_MODE> SdlYuvModeFor(const TPictureColour& colour) {
  switch (colour.Matrix) {
    case TYuvMatrix::Bt601: return colour.FullRange ? SDL_YUV_CONVERSION_JPEG : SDL_YUV_CONVERSION_BT601;
    case TYuvMatrix::Bt709:
      if (colour.FullRange) return std::nullopt;
      return SDL_YUV_CONVERSION_BT709;
    default: return std::nullopt;
  }
}

}  // namespace zv
