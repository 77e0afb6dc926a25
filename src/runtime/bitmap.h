#pragma once
// A 24-bit device-independent bitmap: BGR pixels, rows stored bottom-up and
// padded to 4 bytes, with a canvas the application locks while it draws.
#include <cstdint>
#include <mutex>
#include <vector>

namespace zv {

class TBitmap;

class TBitmapCanvas {
public:
  void Lock() { FLock.lock(); }
  void Unlock() { FLock.unlock(); }
  bool TryLock() { return FLock.try_lock(); }

  // Colours are 0x00BBGGRR; points outside the bitmap are ignored (Pixel gives 0).
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t color);
  // Fills [left, right) x [top, bottom), clipped to the bitmap.
  void FillRect(int left, int top, int right, int bottom, uint32_t color);

private:
  friend class TBitmap;
  explicit TBitmapCanvas(TBitmap& owner) : FOwner(owner) {}
  TBitmap& FOwner;
  std::recursive_mutex FLock;
};

class TBitmap {
public:
  TBitmap() : FCanvas(*this) {}
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Bytes per stored row: width * 3 rounded up to a multiple of 4.
  int BytesPerScanLine() const { return FStride; }
  static int BytesPerScanLineFor(int width) { return int((int64_t(width) * 24 + 31) / 32 * 4); }
  // Negative sizes count as 0; pixels that stay inside the new size keep their colour.
  void SetSize(int width, int height);

  // Row y counted from the top; null outside the bitmap.
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;
  // The stored pixel array, bottom row first (the file layout of a bitmap).
  const uint8_t* Bits() const { return FBits.data(); }

  TBitmapCanvas& Canvas() { return FCanvas; }

private:
  int FWidth = 0;
  int FHeight = 0;
  int FStride = 0;
  std::vector<uint8_t> FBits;
  TBitmapCanvas FCanvas;
};

}  // namespace zv
