#pragma once
// Moves pictures into a 24-bit bitmap and back, for frame copies and the video hook.
#include <string>

#include "runtime/av_headers.h"
#include "runtime/av_ptr.h"
#include "runtime/bitmap.h"
#include "runtime/picture_colour.h"

struct SwsContext;

namespace zv {

// Four plane pointers and four line sizes (bytes per row).
struct TAVPicture {
  uint8_t* data[4] = {nullptr, nullptr, nullptr, nullptr};
  int linesize[4] = {0, 0, 0, 0};
};

// Used by one thread at a time.
class TFormatConverter {
public:
  TFormatConverter();
  ~TFormatConverter();
  TFormatConverter(const TFormatConverter&) = delete;
  TFormatConverter& operator=(const TFormatConverter&) = delete;

  // Makes Current an RGB picture of the given one (the picture itself when it
  // already has the bitmap's layout); false with LastErrMsg on failure. A YUV
  // picture is converted with colour when given, else with the scaler's
  // default (BT.601), which FromRGB uses on the way back.
  bool ToRGB(const TAVPicture& picture, AVPixelFormat pixFmt, int width, int height, bool copyToBitmap,
             const TPictureColour* colour = nullptr);
  // Current into the bitmap, and back; both need a successful ToRGB first.
  void CopyToBitmap();
  void CopyFromBitmap();
  // Converts Current into dest; false with LastErrMsg on failure.
  bool FromRGB(const TAVPicture& dest, AVPixelFormat destPixFmt, int width, int height);

  TBitmap& Bitmap() { return FBitmap; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  // The picture the copies work on; null before a successful ToRGB.
  const TAVPicture* Current() const { return FCurrent; }
  int BufferSize() const { return FBufferSize; }

  // Row size and buffer size of the converter's own RGB picture: rows padded
  // and aligned, slack after the last row. False for a size too large.
  static bool RGBLayout(int width, int height, int& lineSize, int& size);

  static constexpr int LineAlign = 64;
  static constexpr int SlackBytes = 64;
  static constexpr int BitsPerPixel = 24;
  static constexpr AVPixelFormat RGBPixFmt = AV_PIX_FMT_BGR24;

private:
  TBitmap FBitmap;
  AVMemoryPtr<uint8_t> FBuffer;
  int FBufferSize = 0;
  TAVPicture FRGBPicture;
  TAVPicture FCallerPicture;  // the caller's picture when used in place
  const TAVPicture* FCurrent = nullptr;
  int FCurrentWidth = 0;
  int FCurrentHeight = 0;
  SwsContextPtr FToRGBContext;
  bool FToRGBColoured = false;  // the context was given a picture's colours
  SwsContextPtr FFromRGBContext;
  std::string FLastErrMsg;
};

}  // namespace zv
