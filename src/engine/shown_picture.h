#pragma once
// The picture on screen, kept aside by the play thread when it shows one: a
// reference to its frame (no pixels are copied), converted on demand, so a
// frame copy shows the picture on screen rather than a later one.
#include <cstdint>
#include <mutex>

#include "runtime/format_converter.h"

struct AVFrame;

namespace zv {

class TShownPicture {
public:
  TShownPicture() = default;
  ~TShownPicture();
  TShownPicture(const TShownPicture&) = delete;
  TShownPicture& operator=(const TShownPicture&) = delete;

  // A playback with video starts (decoder size) or ends.
  void Open(int decoderWidth, int decoderHeight);
  void Close();
  // Play thread: frame is on screen now; ptsMicros is its time from the
  // file's start. Takes a new reference: nothing may write into the frame's
  // buffers afterwards unless it makes them writable first.
  void Store(const AVFrame* frame, int64_t ptsMicros);
  // Converts the picture into converter's bitmap. With no video open: 0 x 0
  // and pts -1; open but nothing shown yet: black at the decoder's size, pts -1.
  TBitmap& Copy(TFormatConverter& converter, int64_t& pts);
  // The time of the picture on screen (µs from the file's start), -1 for none.
  int64_t Pts();

private:
  void Release_Locked();

  std::mutex FLock;
  bool FOpen = false;         // guarded by FLock
  int FDecoderWidth = 0;      // guarded by FLock
  int FDecoderHeight = 0;     // guarded by FLock
  AVFrame* FFrame = nullptr;  // guarded by FLock: a reference to the picture on screen, null for none
  int64_t FPts = -1;          // guarded by FLock
};

}  // namespace zv
