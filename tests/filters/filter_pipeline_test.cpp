#include "filters/filter_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "filters/picture_values.h"
#include "filter_test_support.h"

namespace zv {
namespace {

using test::FilterLibTest;
using test::FramePtr;
using test::MakeFrame;

const std::string kYuv = "format=yuv420p|yuv422p|yuv444p|yuv410p|yuv411p|yuv440p|yuvj420p|yuvj422p|yuvj444p|yuvj440p";

// One step written as "S:<text>" or "N:<name>" / "N:<name>=<args>".
std::vector<std::string> Describe(const std::vector<TFilterStep>& steps) {
  std::vector<std::string> out;
  for (const auto& s : steps) {
    if (s.Kind == TFilterStep::fsSegment)
      out.push_back("S:" + s.Text);
    else
      out.push_back(std::string("N:") + s.Filter->name + (s.HasArgs ? "=" + s.Args : ""));
  }
  return out;
}

class SplitterTest : public ::testing::Test {
protected:
  // The descriptions need no library to be split.
  void SetUp() override {
    RegisterFilter(&EqFilter());
    RegisterFilter(&HueFilter());
  }
};

TEST_F(SplitterTest, SplitsInTheOrderWrittenWithFormatRestrictions) {
  const struct {
    std::string text;
    std::vector<std::string> steps;
  } cases[] = {
      {"scale=320:240, nativeeq=20:-30", {"S:scale=320:240," + kYuv, "N:nativeeq=20:-30"}},
      {"nativeeq, nativehue=10:20", {"S:" + kYuv, "N:nativeeq", "N:nativehue=10:20"}},
      {"scale=320:240,format=yuv420p,nativeeq", {"S:scale=320:240,format=yuv420p", "N:nativeeq"}},
      {"format=pix_fmts=yuv444p|yuvj420p,nativehue=5", {"S:format=pix_fmts=yuv444p|yuvj420p", "N:nativehue=5"}},
      {"format=rgb24,nativeeq", {"S:format=rgb24," + kYuv, "N:nativeeq"}},
      {"nativeeq=1:2,hflip, vflip", {"S:" + kYuv, "N:nativeeq=1:2", "S:hflip,vflip"}},
      {"nativeeq,hflip,nativeeq=3", {"S:" + kYuv, "N:nativeeq", "S:hflip," + kYuv, "N:nativeeq=3"}},
      {"scale='320:240',nativeeq", {"S:scale='320:240'," + kYuv, "N:nativeeq"}},
      {"hflip,vflip", {"S:hflip,vflip"}},
      {"[in]split[a][b];[a][b]hstack", {"S:[in]split[a][b];[a][b]hstack"}},
      {"", {}},
      {"  ", {}},
  };
  for (const auto& c : cases) {
    std::vector<TFilterStep> steps;
    std::string err;
    ASSERT_TRUE(ParseVideoFilters(c.text, steps, &err)) << c.text << ": " << err;
    EXPECT_EQ(Describe(steps), c.steps) << c.text;
  }
}

TEST_F(SplitterTest, NativeFiltersOnlyInOneLinearChain) {
  for (const char* text : {"[in]nativeeq[out]", "hflip;nativeeq", "split[a],nativeeq"}) {
    std::vector<TFilterStep> steps;
    std::string err;
    EXPECT_FALSE(ParseVideoFilters(text, steps, &err)) << text;
    EXPECT_NE(err.find(text), std::string::npos) << err;
  }
}

TEST(SwsFlagsOptions, NamesTheFlags) {
  EXPECT_EQ(SwsFlagsOptions(SWS_BICUBIC), "flags=bicubic");
  EXPECT_EQ(SwsFlagsOptions(SWS_FAST_BILINEAR | SWS_ACCURATE_RND), "flags=fast_bilinear+accurate_rnd");
  EXPECT_EQ(SwsFlagsOptions(0), "flags=0");
}

// Fills a picture: luma a diagonal ramp, chroma planes constant.
void Paint(AVFrame* f, uint8_t u, uint8_t v) {
  const AVPixFmtDescriptor* d = ff::av_pix_fmt_desc_get(AVPixelFormat(f->format));
  for (int y = 0; y < f->height; ++y)
    for (int x = 0; x < f->width; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(16 + (x + y) % 220);
  const int cw = AV_CEIL_RSHIFT(f->width, d->log2_chroma_w), ch = AV_CEIL_RSHIFT(f->height, d->log2_chroma_h);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) {
      f->data[1][y * f->linesize[1] + x] = u;
      f->data[2][y * f->linesize[2] + x] = v;
    }
}

void CopyPicture(AVFrame* dst, const AVFrame* src) {
  ff::av_image_copy(dst->data, dst->linesize, const_cast<const uint8_t**>(src->data), src->linesize,
                    AVPixelFormat(src->format), src->width, src->height);
}

class PipelineTest : public FilterLibTest {
protected:
  // Runs one picture through a fresh pipeline; the output picture or null.
  FramePtr RunOne(const std::string& text, const AVFrame* in, int* openResult = nullptr) {
    TVideoFilterPipeline p;
    int r = p.Open(in->width, in->height, AVPixelFormat(in->format), {1, 25}, {1, 1}, text);
    if (openResult) *openResult = r;
    if (r < 0) return nullptr;
    EXPECT_EQ(p.Push(in), 0);
    EXPECT_EQ(p.Push(nullptr), 0);
    FramePtr out(ff::av_frame_alloc());
    if (p.Pull(out.get()) < 0) return nullptr;
    FramePtr extra(ff::av_frame_alloc());
    EXPECT_EQ(p.Pull(extra.get()), AVERROR_EOF);
    return out;
  }
};

TEST_F(PipelineTest, ScaleThenEqualizerGivesYuv420OfTheRightSizeWithTheMapApplied) {
  FramePtr in(MakeFrame(640, 480, AV_PIX_FMT_YUV422P));
  ASSERT_TRUE(in);
  Paint(in.get(), 90, 170);
  FramePtr plain = RunOne("scale=320:240", in.get());
  FramePtr eq = RunOne("scale=320:240, nativeeq=20:-30", in.get());
  ASSERT_TRUE(plain && eq);
  for (AVFrame* f : {plain.get(), eq.get()}) {
    EXPECT_EQ(f->width, 320);
    EXPECT_EQ(f->height, 240);
    EXPECT_EQ(f->format, AV_PIX_FMT_YUV420P);
  }
  // The scaled picture, then the luma map: same result as through the pipeline.
  for (int y = 0; y < 240; ++y) {
    std::vector<uint8_t> row(plain->data[0] + y * plain->linesize[0], plain->data[0] + y * plain->linesize[0] + 320);
    ProcessLuma(row.data(), 320, 320, 1, 20, -30);
    ASSERT_EQ(0, memcmp(row.data(), eq->data[0] + y * eq->linesize[0], 320)) << "row " << y;
    ASSERT_EQ(0, memcmp(plain->data[1] + (y / 2) * plain->linesize[1], eq->data[1] + (y / 2) * eq->linesize[1], 160));
  }
}

TEST_F(PipelineTest, EmptyTextConvertsToYuv420) {
  FramePtr in(MakeFrame(64, 48, AV_PIX_FMT_YUV444P));
  ASSERT_TRUE(in);
  Paint(in.get(), 128, 128);
  FramePtr out = RunOne("", in.get());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->width, 64);
  EXPECT_EQ(out->height, 48);
  EXPECT_EQ(out->format, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(out->data[0][10 * out->linesize[0] + 20], in->data[0][10 * in->linesize[0] + 20]);
}

TEST_F(PipelineTest, HueAtTheEndTakesColourAwayAndLeavesTheInputAlone) {
  FramePtr in(MakeFrame(64, 48, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(in);
  Paint(in.get(), 40, 200);
  FramePtr out = RunOne("nativeeq=10,nativehue=33:-100", in.get());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->format, AV_PIX_FMT_YUV420P);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(out->data[1][y * out->linesize[1] + x], 128);
      ASSERT_EQ(out->data[2][y * out->linesize[2] + x], 128);
    }
  // The pipeline keeps its own reference: the caller's picture is never written.
  EXPECT_EQ(in->data[1][5 * in->linesize[1] + 5], 40);
  EXPECT_EQ(in->data[0][3 * in->linesize[0] + 4], 16 + 7);
}

// The caller keeps its picture, so the native stages cannot work in place:
// they write new buffers, and planes no stage changes are carried over, odd
// last chroma rows and columns included. Same bytes as filtering in place.
TEST_F(PipelineTest, SharedPicturesGiveTheSameResultAsFilteringInPlace) {
  const struct {
    int width, height;
    std::string text;
    int brightness, contrast, hue, saturation;
  } cases[] = {
      {641, 361, "nativeeq=20:-30,nativehue=10:20", 20, -30, 10, 20},
      {641, 361, "nativehue=25", 0, 0, 25, 0},
      {97, 34, "nativeeq=-40:60", -40, 60, 0, 0},
      {64, 48, "nativehue=-50:30, nativeeq=5", 5, 0, -50, 30},
      {64, 48, "nativeeq,nativehue", 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    FramePtr in(MakeFrame(c.width, c.height, AV_PIX_FMT_YUV420P));
    ASSERT_TRUE(in);
    Paint(in.get(), 60, 190);
    in->pts = 42;
    in->sample_aspect_ratio = {1, 1};
    const int cw = (c.width + 1) / 2, ch = (c.height + 1) / 2;
    for (int y = 0; y < ch; ++y)  // chroma that varies, so a misplaced byte shows
      for (int x = 0; x < cw; ++x) in->data[1][y * in->linesize[1] + x] = uint8_t(x * 5 + y * 3);
    FramePtr expected(MakeFrame(c.width, c.height, AV_PIX_FMT_YUV420P));
    ASSERT_TRUE(expected);
    CopyPicture(expected.get(), in.get());
    if (c.brightness || c.contrast)
      ProcessLuma(expected->data[0], expected->linesize[0], c.width, c.height, c.brightness, c.contrast);
    if (c.hue || c.saturation)
      ProcessChroma(expected->data[1], expected->data[2], expected->linesize[1], c.width / 2, c.height / 2, c.hue,
                    c.saturation);
    FramePtr before(MakeFrame(c.width, c.height, AV_PIX_FMT_YUV420P));
    ASSERT_TRUE(before);
    CopyPicture(before.get(), in.get());

    FramePtr out = RunOne(c.text, in.get());
    ASSERT_TRUE(out) << c.text;
    for (int p = 0; p < 3; ++p) {
      const int w = p ? cw : c.width, h = p ? ch : c.height;
      for (int y = 0; y < h; ++y) {
        ASSERT_EQ(0, memcmp(out->data[p] + y * out->linesize[p], expected->data[p] + y * expected->linesize[p], w))
            << c.text << " plane " << p << " row " << y;
        ASSERT_EQ(0, memcmp(in->data[p] + y * in->linesize[p], before->data[p] + y * before->linesize[p], w))
            << c.text << ": the caller's picture changed, plane " << p << " row " << y;
      }
    }
    EXPECT_EQ(out->pts, 42) << c.text;
    EXPECT_EQ(out->sample_aspect_ratio.num, 1) << c.text;
    EXPECT_EQ(out->sample_aspect_ratio.den, 1) << c.text;
  }
}

TEST_F(PipelineTest, ChangingARegisteredValueChangesTheNextPicture) {
  std::atomic<int32_t> brightness{0};
  RegisterPictureValue(&brightness);
  const std::string text = "nativeeq=0:0:" + std::to_string(reinterpret_cast<uintptr_t>(&brightness));
  FramePtr in(MakeFrame(32, 16, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(in);
  Paint(in.get(), 128, 128);
  TVideoFilterPipeline p;
  ASSERT_EQ(p.Open(32, 16, AV_PIX_FMT_YUV420P, {1, 25}, {1, 1}, text), 0) << p.LastErrMsg();
  FramePtr out(ff::av_frame_alloc());
  const uint8_t original = in->data[0][2 * in->linesize[0] + 9];

  for (int value : {0, -100, 100, 0}) {
    brightness = value;
    in->pts++;
    ASSERT_EQ(p.Push(in.get()), 0);
    ASSERT_EQ(p.Pull(out.get()), 0);
    uint8_t expected = original;
    if (value != 0) ProcessLuma(&expected, 1, 1, 1, value, 0);
    EXPECT_EQ(out->data[0][2 * out->linesize[0] + 9], expected) << value;
    ff::av_frame_unref(out.get());
    EXPECT_EQ(p.Pull(out.get()), AVERROR(EAGAIN));
  }
  p.Close();
  UnregisterPictureValue(&brightness);
}

TEST_F(PipelineTest, FailuresAreReturnedWithTheirText) {
  std::atomic<int32_t> notShared{0};
  const struct {
    std::string text;
    std::string inMessage;
  } cases[] = {
      {"nosuchfilter=1", "nosuchfilter"},
      {"scale=320:240:bogus=1", "scale"},
      {"nativeeq=0:0:" + std::to_string(reinterpret_cast<uintptr_t>(&notShared)), "nativeeq"},
      {"nativehue=red", "nativehue"},
      {"hflip;nativeeq", "hflip;nativeeq"},
  };
  FramePtr in(MakeFrame(32, 16, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(in);
  for (const auto& c : cases) {
    TVideoFilterPipeline p;
    EXPECT_LT(p.Open(32, 16, AV_PIX_FMT_YUV420P, {1, 25}, {1, 1}, c.text), 0) << c.text;
    EXPECT_NE(p.LastErrMsg().find(c.inMessage), std::string::npos) << p.LastErrMsg();
    EXPECT_FALSE(p.IsOpen());
    EXPECT_LT(p.Push(in.get()), 0);
  }
}

TEST_F(PipelineTest, AnUnregisteredNativeFilterFailsLikeAnUnknownFilter) {
  ClearNativeFiltersForTesting();
  test::LogCapture log;
  TVideoFilterPipeline p;
  int r = p.Open(32, 16, AV_PIX_FMT_YUV420P, {1, 25}, {1, 1}, "nativeeq=10");
  TVideoFilterPipeline unknown;
  int unknownResult = unknown.Open(32, 16, AV_PIX_FMT_YUV420P, {1, 25}, {1, 1}, "nosuchfilter=10");
  RegisterEqFilter();
  RegisterHueFilter();
  EXPECT_LT(r, 0);
  EXPECT_EQ(r, unknownResult);
  bool libraryLine = false;
  for (const auto& l : log.All()) libraryLine |= l.find("nativeeq") != std::string::npos && l.find("No such filter") != std::string::npos;
  EXPECT_TRUE(libraryLine) << "the library's own line reaches the log";
}

}  // namespace
}  // namespace zv
