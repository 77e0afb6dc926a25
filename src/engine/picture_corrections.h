#pragma once
// The filters run before the user's on every picture: the turn that stands
// the stream's pictures upright and, once pictures come interlaced,
// deinterlacing. Used by the video thread only.
#include <string>

#include "runtime/av_headers.h"
#include "runtime/orientation.h"

namespace zv {

class TPictureCorrections {
public:
  explicit TPictureCorrections(const AVStream* stream);
  // The chain for this picture; deinterlace is the player's setting. A
  // stream stays deinterlaced once a picture came interlaced, so progressive
  // files never hold a picture back in the deinterlacer.
  std::string ChainFor(const AVFrame* frame, bool deinterlace);
  const TOrientation& Orientation() const { return FOrientation; }

private:
  TOrientation FOrientation;
  bool FFieldOrderInterlaced = false;  // the stream says its pictures are interlaced
  bool FInterlacedSeen = false;
};

}  // namespace zv
