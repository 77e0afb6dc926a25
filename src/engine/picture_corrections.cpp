#include "engine/picture_corrections.h"

namespace zv {

TPictureCorrections::TPictureCorrections(const AVStream* stream) : FOrientation(StreamOrientation(stream)) {
  if (stream && stream->codecpar) {
    const AVFieldOrder fo = stream->codecpar->field_order;
    FFieldOrderInterlaced = fo == AV_FIELD_TT || fo == AV_FIELD_BB || fo == AV_FIELD_TB || fo == AV_FIELD_BT;
  }
}

std::string TPictureCorrections::ChainFor(const AVFrame* frame, bool deinterlace) {
  if (frame->interlaced_frame) FInterlacedSeen = true;
  std::string chain;
  // One picture out per picture in, at the stream's rate; the deinterlacer
  // takes nothing smaller than 3 x 3.
  if (deinterlace && (FInterlacedSeen || FFieldOrderInterlaced) && frame->width >= 4 && frame->height >= 4)
    chain = std::string("bwdif=mode=send_frame:parity=auto:deint=") + (FFieldOrderInterlaced ? "all" : "interlaced");
  const std::string turn = OrientationFilter(FOrientation);
  if (!turn.empty()) chain += (chain.empty() ? "" : ",") + turn;
  return chain;
}

}  // namespace zv
