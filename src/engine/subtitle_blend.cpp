#include "engine/subtitle_blend.h"

#include <algorithm>


namespace zv {

namespace {

constexpr int MaxPaletteColors = AVPALETTE_SIZE / 4;
// What an index past the palette reads as: transparent, neutral chroma.
constexpr uint32_t OutOfPaletteYuva = 0x00108080u;

inline int Blend(int a, int oldv, int newv, int s) {
  return ((255 - a) * (oldv << s) + a * newv) / (255 << s);
}

struct TRectSource {
  const uint8_t* Indices;
  int Linesize;
  const uint32_t* Palette;
  int Colors;

  uint32_t At(int i, int j) const {
    const int idx = Indices[j * Linesize + i];
    return idx < Colors ? Palette[idx] : OutOfPaletteYuva;
  }
};

}  // namespace

void BlendSubRect(uint8_t* const planes[3], const int linesizes[3], const AVSubtitleRect* rect, int imgw, int imgh) {
  if (!rect || rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1] || imgw <= 0 || imgh <= 0) return;
  const int w = std::clamp(rect->w, 0, imgw), h = std::clamp(rect->h, 0, imgh);
  const int x = std::clamp(rect->x, 0, imgw - w), y = std::clamp(rect->y, 0, imgh - h);
  if (w == 0 || h == 0) return;
  const TRectSource src{rect->data[0], rect->linesize[0], reinterpret_cast<const uint32_t*>(rect->data[1]),
                        std::clamp(rect->nb_colors, 0, MaxPaletteColors)};

  for (int j = 0; j < h; ++j) {
    uint8_t* row = planes[0] + (y + j) * linesizes[0] + x;
    for (int i = 0; i < w; ++i) {
      const uint32_t c = src.At(i, j);
      row[i] = uint8_t(Blend(int(c >> 24), row[i], int((c >> 16) & 0xFF), 0));
    }
  }

  // One chroma sample per 2x2 cell; cells cut by the rectangle's edges hold
  // 2 or 1 of its pixels and weigh their sum accordingly.
  const int lastRow = y + h - 1, lastCol = x + w - 1;
  for (int cy = y >> 1; cy <= lastRow >> 1; ++cy) {
    const int r0 = std::max(2 * cy, y), r1 = std::min(2 * cy + 1, lastRow);
    uint8_t* uRow = planes[1] + cy * linesizes[1];
    uint8_t* vRow = planes[2] + cy * linesizes[2];
    for (int cx = x >> 1; cx <= lastCol >> 1; ++cx) {
      const int c0 = std::max(2 * cx, x), c1 = std::min(2 * cx + 1, lastCol);
      int sa = 0, su = 0, sv = 0, n = 0;
      for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
          const uint32_t p = src.At(c - x, r - y);
          sa += int(p >> 24);
          su += int((p >> 8) & 0xFF);
          sv += int(p & 0xFF);
          ++n;
        }
      const int s = n == 4 ? 2 : n == 2 ? 1 : 0;
      uRow[cx] = uint8_t(Blend(sa >> 2, uRow[cx], su, s));
      vRow[cx] = uint8_t(Blend(sa >> 2, vRow[cx], sv, s));
    }
  }
}

void ExpireSubtitles(TMediaState* playback) {
  playback->SubPictures.Expire(playback->VideoCurrentPts.load(std::memory_order_relaxed));
}

bool SubtitleDue(TMediaState* playback, double picturePts) {
  if (!playback->SubtitleStream) return false;
  return playback->SubPictures.HeadDue(picturePts);
}

bool BlendDueSubtitle(TMediaState* playback, double picturePts, uint8_t* const planes[3], const int linesizes[3], int imgw,
                      int imgh) {
  if (!playback->SubtitleStream) return false;
  return playback->SubPictures.BlendHead(
      picturePts, [&](const AVSubtitleRect* rect) { BlendSubRect(planes, linesizes, rect, imgw, imgh); });
}

}  // namespace zv
