#include "runtime/bitmap.h"

#include <algorithm>
#include <cstring>

namespace zv {

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  const int stride = BytesPerScanLineFor(width);
  std::vector<uint8_t> bits(size_t(stride) * size_t(height), 0);
  const int rows = std::min(height, FHeight);
  const size_t bytes = size_t(std::min(width, FWidth)) * 3;
  // Kept rows stay at the same distance from the top.
  if (bytes > 0)
    for (int y = 0; y < rows; ++y)
      std::memcpy(bits.data() + size_t(height - 1 - y) * stride, FBits.data() + size_t(FHeight - 1 - y) * FStride, bytes);
  FBits.swap(bits);
  FWidth = width;
  FHeight = height;
  FStride = stride;
}

uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight) return nullptr;
  return FBits.data() + size_t(FHeight - 1 - y) * FStride;
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= FHeight) return nullptr;
  return FBits.data() + size_t(FHeight - 1 - y) * FStride;
}

uint32_t TBitmapCanvas::Pixel(int x, int y) const {
  const uint8_t* row = static_cast<const TBitmap&>(FOwner).ScanLine(y);
  if (!row || x < 0 || x >= FOwner.Width()) return 0;
  const uint8_t* p = row + x * 3;
  return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

void TBitmapCanvas::SetPixel(int x, int y, uint32_t color) {
  uint8_t* row = FOwner.ScanLine(y);
  if (!row || x < 0 || x >= FOwner.Width()) return;
  uint8_t* p = row + x * 3;
  p[0] = uint8_t(color >> 16);
  p[1] = uint8_t(color >> 8);
  p[2] = uint8_t(color);
}

void TBitmapCanvas::FillRect(int left, int top, int right, int bottom, uint32_t color) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, FOwner.Width());
  bottom = std::min(bottom, FOwner.Height());
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) SetPixel(x, y, color);
}

}  // namespace zv
