#include "filters/eq_filter.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "filters/picture_values.h"
#include "filter_test_support.h"

namespace zv {
namespace {

using test::FilterLibTest;
using test::LogCapture;

constexpr std::array<uint8_t, 7> kInputs = {0, 16, 64, 128, 192, 235, 255};

struct LumaCase {
  int brightness, contrast;
  std::array<uint8_t, 7> out;
};

TEST(ProcessLuma, MatchesTheTable) {
  const LumaCase cases[] = {
      {0, 0, {0, 15, 63, 127, 191, 234, 254}},
      {100, 0, {255, 255, 255, 255, 255, 255, 255}},
      {-100, 0, {0, 0, 0, 0, 0, 0, 0}},
      {50, 0, {127, 143, 191, 255, 255, 255, 255}},
      {0, -100, {127, 127, 127, 127, 127, 127, 127}},
      {0, 50, {0, 0, 31, 127, 223, 255, 255}},
      {0, 100, {0, 0, 0, 127, 255, 255, 255}},
      {20, -30, {89, 100, 133, 178, 223, 253, 255}},
  };
  for (const auto& c : cases) {
    // Two rows with a gap between them: the gap must stay untouched.
    std::array<uint8_t, 24> buf{};
    buf.fill(77);
    std::copy(kInputs.begin(), kInputs.end(), buf.begin());
    std::copy(kInputs.begin(), kInputs.end(), buf.begin() + 12);
    ProcessLuma(buf.data(), 12, 7, 2, c.brightness, c.contrast);
    for (size_t i = 0; i < 7; ++i) {
      EXPECT_EQ(buf[i], c.out[i]) << c.brightness << "," << c.contrast << " input " << int(kInputs[i]);
      EXPECT_EQ(buf[12 + i], c.out[i]);
    }
    for (size_t i = 7; i < 12; ++i) EXPECT_EQ(buf[i], 77) << "gap byte " << i;
  }
}

// Every setting and every byte, in place and into another buffer, against the
// map written out plainly; rows long enough for the vector loops and their tails.
TEST(ProcessLuma, EverySettingMatchesTheFormula) {
  constexpr int kWidth = 301;
  std::vector<uint8_t> in(kWidth), inPlace(kWidth), out(kWidth);
  for (int i = 0; i < kWidth; ++i) in[i] = uint8_t(i * 7);
  for (int b = -100; b <= 100; ++b) {
    for (int c = -100; c <= 100; ++c) {
      const int factor = ((c + 100) * 65536) / 100;
      const int offset = ((b + 100) * 511) / 200 - 128 - (factor >> 9);
      inPlace = in;
      ProcessLuma(inPlace.data(), kWidth, kWidth, 1, b, c);
      MapLuma(in.data(), kWidth, out.data(), kWidth, kWidth, 1, MakeLumaMap(b, c));
      for (int i = 0; i < kWidth; ++i) {
        const int v = ((in[i] * factor) >> 16) + offset;
        const uint8_t expected = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
        ASSERT_EQ(inPlace[i], expected) << b << "," << c << " input " << int(in[i]);
        ASSERT_EQ(out[i], expected) << b << "," << c << " input " << int(in[i]);
      }
    }
  }
}

class EqFilterTest : public FilterLibTest {
protected:
  void TearDown() override {
    for (auto* c : created_) FreeNativeFilter(c);
  }
  TNativeFilterContext* Create(const char* args, int* err = nullptr) {
    TNativeFilterContext* c = CreateNativeFilter(&EqFilter(), args, err);
    if (c) created_.push_back(c);
    return c;
  }
  std::vector<TNativeFilterContext*> created_;
};

struct InitCase {
  const char* args;
  int brightness, contrast;
  bool process;
  std::vector<std::string> lines;
};

TEST_F(EqFilterTest, ParsesAndClampsParametersWithTheirLogLines) {
  const InitCase cases[] = {
      {nullptr, 0, 0, false, {"brightness:0, contrast 0"}},
      {"", 0, 0, false, {"brightness:0, contrast 0"}},
      {" 20 : -30 ", 20, -30, true, {"brightness:20, contrast -30"}},
      {"5", 5, 0, true, {"brightness:5, contrast 0"}},
      {":7", 0, 7, true, {"brightness:0, contrast 7"}},
      {"0:0:0:0", 0, 0, false, {"brightness:0, contrast 0"}},
      {"150:-120",
       100,
       -100,
       true,
       {"Invalid brightness value 150, force to 100", "Invalid contrast value -120, force to -100",
        "brightness:100, contrast -100"}},
  };
  for (const auto& c : cases) {
    LogCapture log;
    int err = 0;
    TNativeFilterContext* ctx = Create(c.args, &err);
    ASSERT_NE(ctx, nullptr) << (c.args ? c.args : "(null)");
    auto* eq = static_cast<EqContext*>(ctx->priv);
    EXPECT_EQ(eq->brightness.last, c.brightness);
    EXPECT_EQ(eq->contrast.last, c.contrast);
    EXPECT_EQ(eq->process, c.process) << (c.args ? c.args : "(null)");
    EXPECT_EQ(log.Texts(ctx, "nativeeq"), c.lines) << (c.args ? c.args : "(null)");
    auto lines = log.From(ctx, "nativeeq");
    if (lines.size() == 3) {
      EXPECT_EQ(lines[0].level, llError);
    }
    if (!lines.empty()) {
      EXPECT_EQ(lines.back().level, llDebug);
    }
  }
}

TEST_F(EqFilterTest, ClampedParametersGiveAFlatWhitePicture) {
  test::FramePtr f(test::MakeFrame(16, 8, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(f);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(x * 16);
  TNativeFilterContext* ctx = Create("150:-120");
  ASSERT_NE(ctx, nullptr);
  ProcessNativeFilter(ctx, f.get());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(f->data[0][y * f->linesize[0] + x], 255);
}

TEST_F(EqFilterTest, RefusesBadParameters) {
  std::atomic<int32_t> unregistered{0};
  const std::string addr = std::to_string(reinterpret_cast<uintptr_t>(&unregistered));
  const struct {
    std::string args;
    std::string line;
  } cases[] = {
      {"abc", "Parameter 'abc' is not a decimal integer"},
      {"1:x", "Parameter 'x' is not a decimal integer"},
      {"99999999999", "Parameter '99999999999' is not a decimal integer"},
      {"0:0:0x10", "Parameter '0x10' is not a decimal integer"},
      {"0:0:-5", "Parameter '-5' is not a decimal integer"},
      {"1:2:0:4:5", "Parameter '4:5' is not a decimal integer"},
      {"0:0:" + addr, "Address " + addr + " does not name a registered picture value"},
      {"0:0:0:" + addr, "Address " + addr + " does not name a registered picture value"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    int err = 0;
    EXPECT_EQ(Create(c.args.c_str(), &err), nullptr) << c.args;
    EXPECT_EQ(err, AVERROR(EINVAL));
    bool found = false;
    for (const auto& l : log.All()) found |= l.find("[nativeeq @ ") == 0 && l.ends_with("]" + c.line);
    EXPECT_TRUE(found) << c.args;
  }
  EXPECT_EQ(unregistered.load(), 0);
}

TEST_F(EqFilterTest, RegisteredValuesAreReadForEveryPicture) {
  std::atomic<int32_t> b{0}, c{0};
  RegisterPictureValue(&b);
  RegisterPictureValue(&c);
  const std::string args = "0:0:" + std::to_string(reinterpret_cast<uintptr_t>(&b)) + ":" +
                           std::to_string(reinterpret_cast<uintptr_t>(&c));
  LogCapture log;
  TNativeFilterContext* ctx = Create(args.c_str());
  ASSERT_NE(ctx, nullptr);
  EXPECT_TRUE(static_cast<EqContext*>(ctx->priv)->process);

  test::FramePtr f(test::MakeFrame(8, 4, AV_PIX_FMT_YUV420P));
  ASSERT_TRUE(f);
  auto fill = [&] {
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) f->data[0][y * f->linesize[0] + x] = 128;
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) f->data[p][y * f->linesize[p] + x] = 60;
  };
  auto luma = [&] { return f->data[0][f->linesize[0] + 3]; };

  fill();
  ProcessNativeFilter(ctx, f.get());
  EXPECT_EQ(luma(), 128) << "0 and 0 leave the picture unchanged";

  b = 50;
  fill();
  ProcessNativeFilter(ctx, f.get());
  EXPECT_EQ(luma(), 255);
  EXPECT_EQ(f->data[1][f->linesize[1] + 1], 60) << "chroma untouched";
  EXPECT_EQ(f->data[2][f->linesize[2] + 1], 60);
  fill();
  ProcessNativeFilter(ctx, f.get());  // same values: no second report

  c = 300;
  fill();
  ProcessNativeFilter(ctx, f.get());
  EXPECT_EQ(c.load(), 100) << "clamped where it lives";

  EXPECT_EQ(log.Texts(ctx, "nativeeq"),
            (std::vector<std::string>{"brightness:0, contrast 0", "brightness:50, contrast 0",
                                      "Invalid contrast value 300, force to 100"}));

  // An unregistered value is never touched again; the last setting stays.
  UnregisterPictureValue(&b);
  b = -100;
  fill();
  ProcessNativeFilter(ctx, f.get());
  EXPECT_EQ(b.load(), -100);
  uint8_t expected = 128;
  ProcessLuma(&expected, 1, 1, 1, 50, 100);
  EXPECT_EQ(luma(), expected);
  UnregisterPictureValue(&c);
}

TEST_F(EqFilterTest, RegistersOnceAndUnregisteredNamesAreUnknown) {
  ClearNativeFiltersForTesting();
  EXPECT_EQ(FindNativeFilter("nativeeq"), nullptr);
  RegisterEqFilter();
  RegisterEqFilter();
  EXPECT_EQ(FindNativeFilter("nativeeq"), &EqFilter());
  EXPECT_EQ(FindNativeFilter("nativehue"), nullptr);
  // Another description with the same text but its own name pointer is a different filter.
  static char otherName[] = "nativeeq";
  TNativeFilter other = EqFilter();
  other.name = otherName;
  RegisterFilter(&other);
  EXPECT_EQ(FindNativeFilter("nativeeq"), &EqFilter());
  ClearNativeFiltersForTesting();
  RegisterEqFilter();
  RegisterHueFilter();
}

}  // namespace
}  // namespace zv
