#include "runtime/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace zv {
namespace {

class FormatTest : public ::testing::Test {
protected:
  void SetUp() override { SetDecimalSeparatorForTesting('.'); }
  void TearDown() override { SetDecimalSeparatorForTesting('\0'); }
};

TEST_F(FormatTest, RendersIntegersWithTheSystemRules) {
  EXPECT_EQ(Format("%d", {int64_t(1) << 40}), "1099511627776");
  EXPECT_EQ(Format("%d", {std::numeric_limits<int64_t>::min()}), "-9223372036854775808");
  EXPECT_EQ(Format("%2.2d", {5}), "05");
  EXPECT_EQ(Format("%2.2d", {123}), "123");
  EXPECT_EQ(Format("%.6d", {42}), "000042");
  EXPECT_EQ(Format("%.2d", {-1}), "-01");
  EXPECT_EQ(Format("%.3d", {-500}), "-500");
  EXPECT_EQ(Format("%5d|%-5d|%05d", {7, 7, -7}), "    7|7    |-0007");
  EXPECT_EQ(Format("%u", {4000000000u}), "4000000000");
  EXPECT_EQ(Format("[0x%x] %X", {255, 255}), "[0xff] FF");
  EXPECT_EQ(Format("%.4x", {0x1f}), "001f");
}

TEST_F(FormatTest, RendersFloatsWithTwoDecimalsByDefault) {
  EXPECT_EQ(Format("%f", {1.0 / 3.0}), "0.33");
  EXPECT_EQ(Format("%f", {-2.0}), "-2.00");
  EXPECT_EQ(Format("%3.2f", {1.005e3}), "1005.00");
  EXPECT_EQ(Format("%8.3f", {3.14159}), "   3.142");
  EXPECT_EQ(Format("%1.0f", {29.97}), "30");
  EXPECT_EQ(Format("%.2f GB", {1.0}), "1.00 GB");
  EXPECT_EQ(Format("%f", {7}), "7.00");  // integers widen
}

TEST_F(FormatTest, UsesTheChosenDecimalSeparatorWithoutTouchingTheProcessLocale) {
  std::string before = std::setlocale(LC_NUMERIC, nullptr);
  SetDecimalSeparatorForTesting(',');
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(Format("duration: %f, frame size: %dx%d", {12.5, 640, 480}), "duration: 12,50, frame size: 640x480");
  EXPECT_EQ(Format("%.3e", {1234.5}), "1,234e+03");
  EXPECT_EQ(std::string(std::setlocale(LC_NUMERIC, nullptr)), before);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.1f", 1.5);
  EXPECT_STREQ(buf, "1.5");
}

TEST_F(FormatTest, RendersTextsPointersAndPercent) {
  EXPECT_EQ(Format("%s  %-16s: %s", {"  ", "title", std::string("x")}), "    title           : x");
  EXPECT_EQ(Format("%5s|%.2s", {"ab", "abcdef"}), "   ab|ab");
  EXPECT_EQ(Format("100%% %s", {"done"}), "100% done");
  const void* p = reinterpret_cast<const void*>(uintptr_t(0xABCDEF));
  std::string expected = std::string(sizeof(void*) * 2 - 6, '0') + "ABCDEF";
  EXPECT_EQ(Format("[%s @ %p]", {"h264", p}), "[h264 @ " + expected + "]");
  EXPECT_EQ(Format("%p", {static_cast<const void*>(nullptr)}), std::string(sizeof(void*) * 2, '0'));
}

TEST_F(FormatTest, MissingOrMismatchedArgumentsRenderAsQuestionMark) {
  EXPECT_EQ(Format("%d and %d", {1}), "1 and ?");
  EXPECT_EQ(Format("%d", {"text"}), "?");
  EXPECT_EQ(Format("%s", {3}), "?");
  EXPECT_EQ(Format("%d %s", {1.5, "next"}), "? next");  // a mismatch still uses up its argument
  EXPECT_EQ(Format("plain"), "plain");
  EXPECT_EQ(Format("tail %"), "tail %");
  EXPECT_EQ(Format("%k stays", {1}), "%k stays");
}

}  // namespace
}  // namespace zv
