#include "engine/subtitle_blend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/media_state.h"
#include "engine/subtitle_thread.h"
#include "runtime/entry_points.h"
#include "support/test_support.h"

namespace zv {
namespace {

constexpr uint32_t kYellow = 0xFFD21092u;       // opaque yellow, converted
constexpr uint32_t kClearBlack = 0x00108080u;  // transparent black, converted

// A YUV 4:2:0 picture with padded rows, so pitch mistakes show.
struct TPicture {
  int W, H;
  int Pitch[3];
  std::vector<uint8_t> Plane[3];
  TPicture(int w, int h, uint8_t y = 100, uint8_t u = 128, uint8_t v = 128) : W(w), H(h) {
    Pitch[0] = w + 3;
    Pitch[1] = Pitch[2] = (w + 1) / 2 + 2;
    Plane[0].assign(size_t(Pitch[0]) * h, y);
    Plane[1].assign(size_t(Pitch[1]) * ((h + 1) / 2), u);
    Plane[2].assign(size_t(Pitch[2]) * ((h + 1) / 2), v);
  }
  uint8_t& Y(int x, int y) { return Plane[0][size_t(y) * Pitch[0] + x]; }
  uint8_t& U(int cx, int cy) { return Plane[1][size_t(cy) * Pitch[1] + cx]; }
  uint8_t& V(int cx, int cy) { return Plane[2][size_t(cy) * Pitch[2] + cx]; }
  void Blend(const AVSubtitleRect& r) {
    uint8_t* planes[3] = {Plane[0].data(), Plane[1].data(), Plane[2].data()};
    BlendSubRect(planes, Pitch, &r, W, H);
  }
};

// A bitmap rectangle owning its indices and palette (already YUVA). Row
// padding holds index 1, which no case shows.
struct TBitmapRect {
  std::vector<uint8_t> Indices;
  uint32_t Palette[256] = {};
  AVSubtitleRect Rect{};
  TBitmapRect(int x, int y, int w, int h, std::vector<uint32_t> palette, uint8_t fill = 0) {
    const int pitch = w + 5;
    Indices.assign(size_t(pitch) * h, 1);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) Indices[size_t(j) * pitch + i] = fill;
    for (size_t i = 0; i < palette.size(); ++i) Palette[i] = palette[i];
    Rect.x = x, Rect.y = y, Rect.w = w, Rect.h = h;
    Rect.nb_colors = int(palette.size());
    Rect.type = SUBTITLE_BITMAP;
    Rect.data[0] = Indices.data();
    Rect.data[1] = reinterpret_cast<uint8_t*>(Palette);
    Rect.linesize[0] = pitch;
  }
  void Set(int i, int j, uint8_t index) { Indices[size_t(j) * Rect.linesize[0] + i] = index; }
};

TEST(SubtitlePalette, ConvertsRgbaToStudioRangeYuva) {
  struct Case {
    uint32_t argb, yuva;
  } cases[] = {
      {0xFFFFFF00u, 0xFFD21092u},  // yellow: Y 210, U 16, V 146
      {0xFF000000u, 0xFF108080u},  // black: Y 16
      {0xFFFFFFFFu, 0xFFEB8080u},  // white: Y 235
      {0xFFFF0000u, 0xFF515AF0u},  // red: V at its top 240
      {0xFF0000FFu, 0xFF29F06Eu},  // blue: U at its top 240
      {0x80FFFF00u, 0x80D21092u},  // alpha is carried over
      {0x00000000u, 0x00108080u},
  };
  for (const Case& c : cases) EXPECT_EQ(RgbaToYuva(c.argb), c.yuva) << std::hex << c.argb;
}

TEST(SubtitlePalette, ConvertsOnlyTheRectanglesColours) {
  TBitmapRect r(0, 0, 2, 2, {0xFFFFFF00u, 0xFF000000u});
  r.Palette[2] = 0xFFFFFF00u;  // past nb_colors
  ConvertPaletteToYuva(&r.Rect);
  EXPECT_EQ(r.Palette[0], kYellow);
  EXPECT_EQ(r.Palette[1], 0xFF108080u);
  EXPECT_EQ(r.Palette[2], 0xFFFFFF00u);
}

// Expected chroma of an opaque yellow rectangle over U = V = 128, by the
// number of its pixels in the 2x2 cell: partial cells keep the quarter alpha.
int ExpectedU(int n) { return n == 4 ? 16 : n == 2 ? 72 : n == 1 ? 100 : 128; }
int ExpectedV(int n) { return n == 4 ? 146 : n == 2 ? 136 : n == 1 ? 132 : 128; }

TEST(SubtitleBlend, ClipsAndWeighsEdgeCellsForEveryGeometry) {
  struct Case {
    const char* name;
    int rx, ry, rw, rh;  // rectangle as given
    int x, y, w, h;      // where it lands on a 10x8 picture
  } cases[] = {
      {"even origin and size", 2, 2, 4, 4, 2, 2, 4, 4},
      {"odd origin", 1, 1, 4, 4, 1, 1, 4, 4},
      {"odd size", 2, 2, 3, 5, 2, 2, 3, 5},
      {"odd origin and size", 3, 1, 5, 3, 3, 1, 5, 3},
      {"single pixel", 3, 3, 1, 1, 3, 3, 1, 1},
      {"wider than the picture", 5, 1, 14, 3, 0, 1, 10, 3},
      {"taller than the picture", 1, 4, 3, 20, 1, 0, 3, 8},
      {"past the bottom right", 8, 7, 4, 3, 6, 5, 4, 3},
      {"negative origin", -3, -1, 4, 2, 0, 0, 4, 2},
      {"empty", 2, 2, 0, 3, 0, 0, 0, 0},
  };
  for (int imgw : {10, 9}) {
    const int imgh = imgw == 10 ? 8 : 7;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " on width " + std::to_string(imgw));
      TPicture pic(imgw, imgh);
      TBitmapRect r(c.rx, c.ry, c.rw, c.rh, {kYellow, 0xFF515AF0u});
      pic.Blend(r.Rect);
      // The odd picture clips one column and row more.
      const int w = std::min(c.w, imgw), h = std::min(c.h, imgh);
      const int x = std::min(c.x, imgw - w), y = std::min(c.y, imgh - h);
      auto covered = [&](int px, int py) { return px >= x && px < x + w && py >= y && py < y + h; };
      for (int py = 0; py < imgh; ++py)
        for (int px = 0; px < imgw; ++px)
          ASSERT_EQ(pic.Y(px, py), covered(px, py) ? 210 : 100) << "luma " << px << "," << py;
      for (int cy = 0; cy < (imgh + 1) / 2; ++cy)
        for (int cx = 0; cx < (imgw + 1) / 2; ++cx) {
          int n = 0;
          for (int py = 2 * cy; py < 2 * cy + 2; ++py)
            for (int px = 2 * cx; px < 2 * cx + 2; ++px) n += covered(px, py);
          ASSERT_EQ(pic.U(cx, cy), ExpectedU(n)) << "U " << cx << "," << cy;
          ASSERT_EQ(pic.V(cx, cy), ExpectedV(n)) << "V " << cx << "," << cy;
        }
    }
  }
}

TEST(SubtitleBlend, PixelsComeFromTheirOwnPaletteEntries) {
  // Columns of four colours; a rectangle wider than the picture shows its
  // first columns from x = 0 on.
  const std::vector<uint32_t> pal = {0xFF100000u, 0xFF200000u, 0xFF300000u, 0xFF400000u};
  for (int rx : {1, 4}) {
    SCOPED_TRACE(rx);
    TPicture pic(10, 8);
    TBitmapRect r(rx, 3, 14, 3, pal);
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 14; ++i) r.Set(i, j, uint8_t((i + j) % 4));
    pic.Blend(r.Rect);
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 10; ++i) ASSERT_EQ(pic.Y(i, 3 + j), 16 * (1 + (i + j) % 4)) << i << "," << j;
  }
}

TEST(SubtitleBlend, AlphaWeighsLumaAndChromaSums) {
  struct Case {
    const char* name;
    uint32_t cell[4];  // the 2x2 cell at (2,2), row by row
    int y[4], u, v;
  } cases[] = {
      {"transparent leaves the picture", {0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u},
       {100, 100, 100, 100}, 128, 128},
      {"opaque replaces luma exactly", {0xFF113344u, 0xFFEB5566u, 0xFF108080u, 0xFF7F7F7Fu},
       {0x11, 0xEB, 0x10, 0x7F}, (0x33 + 0x55 + 0x80 + 0x7F) / 4, (0x44 + 0x66 + 0x80 + 0x7F) / 4},
      {"half alpha", {0x80D21092u, 0x80D21092u, 0x80D21092u, 0x80D21092u}, {155, 155, 155, 155}, 71, 137},
      // Clear pixels still add their chroma to the cell's sums.
      {"half the cell clear", {kYellow, kYellow, kClearBlack, kClearBlack}, {210, 210, 100, 100}, 100, 132},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture pic(8, 6);
    TBitmapRect r(2, 2, 2, 2, {c.cell[0], c.cell[1], c.cell[2], c.cell[3]});
    r.Set(1, 0, 1), r.Set(0, 1, 2), r.Set(1, 1, 3);
    pic.Blend(r.Rect);
    EXPECT_EQ(pic.Y(2, 2), c.y[0]);
    EXPECT_EQ(pic.Y(3, 2), c.y[1]);
    EXPECT_EQ(pic.Y(2, 3), c.y[2]);
    EXPECT_EQ(pic.Y(3, 3), c.y[3]);
    EXPECT_EQ(pic.U(1, 1), c.u);
    EXPECT_EQ(pic.V(1, 1), c.v);
  }
}

TEST(SubtitleBlend, IndexPastThePaletteIsTransparent) {
  TPicture pic(8, 6);
  TBitmapRect r(2, 2, 2, 2, {kYellow}, 7);
  r.Palette[7] = kYellow;  // present in memory, but not one of the rectangle's colours
  pic.Blend(r.Rect);
  EXPECT_EQ(pic.Y(2, 2), 100);
  EXPECT_EQ(pic.U(1, 1), 128);
}

// Entries of a playback record, set by hand.
class SubtitleQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string err;
    if (!test::LoadPlayerLibraries(&err)) GTEST_FAIL() << err;
    playback = NewMediaState();
    stream = std::make_unique<AVStream>();
    playback->SubtitleStream = stream.get();
  }
  void TearDown() override {
    if (playback) FreeMediaState(playback);
  }
  struct Entry {
    double pts;
    uint32_t startMs, endMs;
  };
  // Queues the entries from read index rindex on; the first one gets rects.
  void Fill(const std::vector<Entry>& entries, int rindex, const AVSubtitleRect* rect = nullptr) {
    TSubtitleQueue& q = playback->SubPictures;
    q.Clear();
    while (q.Indices().Read != rindex) {
      AVSubtitle none{};
      q.Put(0, none);
      q.Clear();
    }
    for (const Entry& e : entries) {
      AVSubtitle sub{};
      sub.start_display_time = e.startMs;
      sub.end_display_time = e.endMs;
      if (rect) {
        sub.num_rects = 1;
        sub.rects = OwnedCopy(*rect);
        rect = nullptr;
      }
      q.Put(e.pts, sub);
    }
  }
  // A rectangle as the decoder gives it, which the queue frees with its entry.
  static AVSubtitleRect** OwnedCopy(const AVSubtitleRect& r) {
    auto** rects = static_cast<AVSubtitleRect**>(ff::av_mallocz(sizeof(AVSubtitleRect*)));
    rects[0] = static_cast<AVSubtitleRect*>(ff::av_mallocz(sizeof(AVSubtitleRect)));
    *rects[0] = r;
    const size_t indices = size_t(r.linesize[0]) * size_t(r.h), palette = AVPALETTE_SIZE;
    rects[0]->data[0] = static_cast<uint8_t*>(ff::av_malloc(indices));
    std::memcpy(rects[0]->data[0], r.data[0], indices);
    rects[0]->data[1] = static_cast<uint8_t*>(ff::av_malloc(palette));
    std::memcpy(rects[0]->data[1], r.data[1], palette);
    return rects;
  }
  TMediaState* playback = nullptr;
  std::unique_ptr<AVStream> stream;
};

TEST_F(SubtitleQueueTest, ExpiresByEndTimeOrByTheNextStart) {
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    double now;
    int sizeAfter;
  } cases[] = {
      {"at its end time", {{1.0, 0, 1500}}, 2.5, 1},
      {"past its end time", {{1.0, 0, 1500}}, 2.501, 0},
      {"at the next start", {{1.0, 0, 1500}, {2.0, 0, 500}}, 2.0, 2},
      {"past the next start", {{1.0, 0, 1500}, {2.0, 0, 500}}, 2.01, 1},
      {"next start counts its offset", {{1.0, 0, 1500}, {2.0, 300, 800}}, 2.29, 2},
      {"past the next start and offset", {{1.0, 0, 1500}, {2.0, 300, 800}}, 2.31, 1},
      {"one per step", {{1.0, 0, 100}, {1.5, 0, 100}, {1.7, 0, 100}}, 5.0, 2},
      {"empty queue", {}, 5.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill(c.entries, 3);  // the next entry wraps to index 0
    const bool freed = playback->SubPictures.Expire(c.now);
    EXPECT_EQ(freed, int(c.entries.size()) != c.sizeAfter);
    EXPECT_EQ(playback->SubPictures.Indices().Size, c.sizeAfter);
    EXPECT_EQ(playback->SubPictures.Indices().Read, freed ? 0 : 3);
  }
}

TEST_F(SubtitleQueueTest, StreamChangeFreesEveryEntry) {
  Fill({{1.0, 0, 100}, {9.0, 0, 100}, {9.5, 0, 100}}, 2);
  playback->SubPictures.MarkStreamChanged();
  playback->VideoCurrentPts = 0.0;
  ExpireSubtitles(playback);
  EXPECT_EQ(playback->SubPictures.Indices().Size, 0);
  EXPECT_EQ(playback->SubPictures.Indices().Read, 1);
  EXPECT_FALSE(playback->SubPictures.StreamChangePending());
}

TEST_F(SubtitleQueueTest, BlendsTheHeadEntryOnceItsStartIsReached) {
  TBitmapRect r(2, 2, 2, 2, {kYellow});
  struct Case {
    const char* name;
    bool stream;
    double picturePts;
    bool blended;
  } cases[] = {
      {"before its start", true, 1.199, false},
      {"at its start", true, 1.2, true},
      {"after its end", true, 9.0, true},  // expiry, not blending, ends it
      {"without a subtitle stream", false, 1.5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fill({{1.0, 200, 1500}}, 1, &r.Rect);
    playback->SubtitleStream = c.stream ? stream.get() : nullptr;
    TPicture pic(8, 6);
    uint8_t* planes[3] = {pic.Plane[0].data(), pic.Plane[1].data(), pic.Plane[2].data()};
    EXPECT_EQ(BlendDueSubtitle(playback, c.picturePts, planes, pic.Pitch, pic.W, pic.H), c.blended);
    EXPECT_EQ(pic.Y(2, 2), c.blended ? 210 : 100);
    EXPECT_EQ(playback->SubPictures.Indices().Size, 1) << "blending never consumes the entry";
  }
}

}  // namespace
}  // namespace zv
