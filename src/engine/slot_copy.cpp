#include "engine/slot_copy.h"

#include <algorithm>
#include <cstring>

#include "engine/media_state.h"
#include "runtime/entry_points.h"

namespace zv {

int SlotSizeFor(int pictureSize) {
  if (pictureSize <= 0) return 0;
  return pictureSize >= INT32_MAX - 1 ? INT32_MAX - 1 : (pictureSize + 1) & ~1;
}

void CopyFrameIntoSlot(TVideoPicture& vp, const AVFrame* frame) {
  const int w = std::min(frame->width, vp.Width), h = std::min(frame->height, vp.Height);
  vp.PictureWidth = std::max(w, 0);
  vp.PictureHeight = std::max(h, 0);
  if (w <= 0 || h <= 0) return;
  ff::av_image_copy(vp.Planes, vp.Pitches, const_cast<const uint8_t**>(frame->data), frame->linesize,
                    AV_PIX_FMT_YUV420P, w, h);
  ExtendSlotEdges(vp);
}

void ExtendSlotEdges(TVideoPicture& vp) {
  const int w = vp.PictureWidth, h = vp.PictureHeight;
  if (w <= 0 || h <= 0 || w > vp.Width || h > vp.Height) return;
  const int planeW[3] = {w, (w + 1) / 2, (w + 1) / 2}, planeH[3] = {h, (h + 1) / 2, (h + 1) / 2};
  const int slotW[3] = {vp.Width, vp.Width / 2, vp.Width / 2}, slotH[3] = {vp.Height, vp.Height / 2, vp.Height / 2};
  for (int p = 0; p < 3; ++p) {
    uint8_t* base = vp.Planes[p];
    const int pitch = vp.Pitches[p];
    if (slotW[p] > planeW[p])
      for (int y = 0; y < planeH[p]; ++y) {
        uint8_t* row = base + size_t(y) * pitch;
        std::memset(row + planeW[p], row[planeW[p] - 1], size_t(slotW[p] - planeW[p]));
      }
    for (int y = planeH[p]; y < slotH[p]; ++y)
      std::memcpy(base + size_t(y) * pitch, base + size_t(planeH[p] - 1) * pitch, size_t(slotW[p]));
  }
}

}  // namespace zv
