#pragma once
// Copies a sink picture into a picture-queue slot whose sizes are rounded up
// to even: a picture 1 pixel wide or high still has a slot to play in.
struct AVFrame;

namespace zv {

struct TVideoPicture;

// Slot size for a sink picture size: rounded up to even, 0 for none.
int SlotSizeFor(int pictureSize);

// Copies frame (YUV 4:2:0) into vp's planes, at most the slot's size; the
// slot's extra column and row repeat the picture's last ones, so the slot
// shows the picture scaled rather than a stray edge. Sets vp's picture size.
void CopyFrameIntoSlot(TVideoPicture& vp, const AVFrame* frame);
// Repeats the picture's last column and row into the rest of the slot again
// (after the picture was redrawn in place).
void ExtendSlotEdges(TVideoPicture& vp);

}  // namespace zv
