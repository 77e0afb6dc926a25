// Subtitled fixtures played headless: the picture on screen carries each
// subtitle during its interval and not outside it, also around seeks.
#include <chrono>
#include <string>
#include <vector>

#include "../../tools/fixture_list.h"
#include "engine_test_util.h"

namespace zv {
namespace {

namespace fx = zv::fixtures;
using namespace std::chrono_literals;

struct TSample {
  int64_t Pts;      // µs from the file's start
  bool Shows[2];    // each fixture rectangle's colour at its centre
};

bool ShowsColour(uint32_t bgr, uint32_t argb) {
  const int r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  const int wr = (argb >> 16) & 0xFF, wg = (argb >> 8) & 0xFF, wb = argb & 0xFF;
  return std::abs(r - wr) < 40 && std::abs(g - wg) < 40 && std::abs(b - wb) < 60;
}

bool Look(TFFPlayer& p, TSample& s) {
  TBitmap& bmp = p.CurrentFrame(s.Pts);
  if (s.Pts < 0 || bmp.Width() != fx::kSubtitleVideoWidth) return false;
  bmp.Canvas().Lock();
  for (int e = 0; e < fx::kSubtitleRectCount; ++e) {
    const fx::SubtitleRect& r = fx::kSubtitleRects[e];
    s.Shows[e] = ShowsColour(bmp.Canvas().Pixel(r.x + r.width / 2, r.y + r.height / 2), r.argb);
  }
  bmp.Canvas().Unlock();
  return true;
}

// 1 when the subtitle must show at pts, 0 when it must not, -1 at an edge
// where either is right: an entry gives way only to pictures strictly after
// the next one's start (the DVB file's clearing event ends at 3.0 s), and the
// end times carry the containers' rounding.
int MustShow(const fx::SubtitleRect& r, int64_t pts) {
  const int64_t start = int64_t(r.start_seconds * 1e6), end = int64_t(r.end_seconds * 1e6);
  if (pts >= start + 1000000 / fx::kFps && pts <= end - 30000) return 1;
  if (pts < start || pts > end + 30000) return 0;
  return -1;
}

// Samples the picture on screen until pts reaches untilPts (µs) or the file
// ends; checks every sample with pts ≥ checkFrom against the fixture's times.
// Counts the samples that had to show each subtitle.
void SampleAndCheck(TFFPlayer& p, test::TRecorder& rec, int64_t checkFrom, int64_t untilPts, int shown[2]) {
  int64_t last = -2;
  ASSERT_TRUE(test::WaitUntil(
      [&] {
        TSample s{};
        if (!Look(p, s) || s.Pts == last) return rec.Count(psEnd) > 0;
        last = s.Pts;
        if (s.Pts >= checkFrom) {
          for (int e = 0; e < fx::kSubtitleRectCount; ++e) {
            const int must = MustShow(fx::kSubtitleRects[e], s.Pts);
            if (must >= 0) {
              EXPECT_EQ(s.Shows[e], must == 1) << "subtitle " << e << " at " << s.Pts << " us";
            }
            if (must == 1) ++shown[e];
          }
        }
        return s.Pts >= untilPts || rec.Count(psEnd) > 0;
      },
      20s));
}

TEST(SubtitlePlayback, EachSubtitleShowsOnlyDuringItsInterval) {
  for (std::string_view name : {fx::kDvdSubMkv, fx::kDvbSubTs}) {
    SCOPED_TRACE(std::string(name));
    auto p = test::MakePlayer();
    ASSERT_TRUE(p);
    test::UsePacedAudio(*p);
    test::TRecorder rec;
    rec.Attach(*p);
    ASSERT_TRUE(p->Open(test::MediaFile(std::string(name)), 0, false)) << p->LastErrMsg();
    int shown[2] = {0, 0};
    SampleAndCheck(*p, rec, 0, 3900000, shown);
    EXPECT_GE(shown[0], 5);
    EXPECT_GE(shown[1], 3);
    p->Stop(true);
    ASSERT_TRUE(test::WaitUntil([&] { return rec.Count(psStop) == 1; }));
  }
}

TEST(SubtitlePlayback, SeeksIntoAndOutOfSubtitles) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  ASSERT_TRUE(p->Open(test::MediaFile(std::string(fx::kDvdSubMkv)), 0, false)) << p->LastErrMsg();
  TSample s{};
  ASSERT_TRUE(test::WaitUntil([&] { return Look(*p, s) && s.Pts >= 200000; }));
  // Targets far from each other: forward into the first subtitle, back before
  // it, into the second, back into the first, then past both.
  struct Step {
    int64_t target;
    int visible;  // index of the subtitle the seek lands in, -1 for none
  } steps[] = {{1920000, 0}, {480000, -1}, {3120000, 1}, {1440000, 0}, {3840000, -1}};
  for (const Step& st : steps) {
    SCOPED_TRACE(st.target);
    p->Seek(TSeekFlags{}, false, st.target);
    ASSERT_TRUE(test::WaitUntil([&] { return Look(*p, s) && std::abs(s.Pts - st.target) < 300000; }))
        << "the picture after the seek never came, last at " << s.Pts;
    int shown[2] = {0, 0};
    // Entries queued before the seek may take a refresh step or two to go.
    SampleAndCheck(*p, rec, st.target + 80000, st.target + 300000, shown);
    if (st.visible >= 0) {
      EXPECT_GT(shown[st.visible], 0);
    }
    if (rec.Count(psEnd) > 0) break;
  }
  p->Stop(true);
  ASSERT_TRUE(test::WaitUntil([&] { return rec.Count(psStop) == 1; }));
}

}  // namespace
}  // namespace zv
