#pragma once
// The picture on screen, kept aside by the play thread when it shows one: the
// queue slot it came from is refilled by the video thread right after, so a
// frame copy taken from the slot would show a later picture.
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/media_state.h"
#include "runtime/format_converter.h"

namespace zv {

class TShownPicture {
public:
  // A playback with video starts (decoder size) or ends.
  void Open(int decoderWidth, int decoderHeight);
  void Close();
  // Play thread: vp is on screen now; ptsMicros is its time from the file's start.
  void Store(const TVideoPicture& vp, int64_t ptsMicros);
  // Converts the picture into converter's bitmap. With no video open: 0 x 0
  // and pts -1; open but nothing shown yet: black at the decoder's size, pts -1.
  TBitmap& Copy(TFormatConverter& converter, int64_t& pts);

private:
  std::mutex FLock;
  bool FOpen = false;              // guarded by FLock
  int FDecoderWidth = 0;           // guarded by FLock
  int FDecoderHeight = 0;          // guarded by FLock
  bool FValid = false;             // guarded by FLock
  int FWidth = 0, FHeight = 0;     // guarded by FLock
  int64_t FPts = -1;               // guarded by FLock
  std::vector<uint8_t> FPixels;    // guarded by FLock: Y, U, V planes with padded rows
  size_t FPlaneOffsets[3] = {0, 0, 0};  // guarded by FLock
  int FLines[3] = {0, 0, 0};            // guarded by FLock
};

}  // namespace zv
