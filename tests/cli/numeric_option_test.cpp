#include "cli/numeric_option.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace zv::cli {
namespace {

struct NumberCase {
  const char* text;  // null: the value is missing
  bool ok;
  double value;
};

// A time option: 0 up to what fits the engine's microseconds.
TEST(NumericOption, NumbersInARange) {
  const std::vector<NumberCase> cases = {
      {"0", true, 0},
      {"-0", true, 0},
      {"1e-9", true, 1e-9},
      {"2.5", true, 2.5},
      {".5", true, 0.5},
      {"9.3e9", true, 9.3e9},
      {"9223372036854", true, MaxOptionSeconds},
      {"9223372036854.001", false, 0},
      {"1e13", false, 0},
      {"1e400", false, 0},
      {"-1e-9", false, 0},
      {"-1", false, 0},
      {"inf", false, 0},
      {"-inf", false, 0},
      {"infinity", false, 0},
      {"nan", false, 0},
      {"NAN", false, 0},
      {"", false, 0},
      {"5s", false, 0},
      {"5 ", false, 0},
      {" 5", false, 0},
      {"+5", false, 0},
      {"0x10", false, 0},
      {"1,5", false, 0},
      {"-", false, 0},
      {"e5", false, 0},
      {nullptr, false, 0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(none)");
    double v = -7;
    std::string error;
    EXPECT_EQ(ParseNumberOption("--seek", c.text, 0, MaxOptionSeconds, v, error), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
      EXPECT_FALSE(std::signbit(v));
      EXPECT_EQ(error, "");
    } else {
      EXPECT_EQ(v, -7) << "the value is left alone";
      const std::string given = c.text ? ", not \"" + std::string(c.text) + "\"" : ", none given";
      EXPECT_EQ(error, "--seek takes a number from 0 to 9223372036854" + given);
    }
  }
}

// Ranges that do not start at 0 and fractional edges read back exactly.
TEST(NumericOption, FractionalEdges) {
  double v = 0;
  std::string error;
  EXPECT_TRUE(ParseNumberOption("--speed", "0.25", 0.25, 4, v, error));
  EXPECT_EQ(v, 0.25);
  EXPECT_TRUE(ParseNumberOption("--speed", "4", 0.25, 4, v, error));
  EXPECT_FALSE(ParseNumberOption("--speed", "0.2499", 0.25, 4, v, error));
  EXPECT_EQ(error, "--speed takes a number from 0.25 to 4, not \"0.2499\"");
  EXPECT_FALSE(ParseNumberOption("--speed", "-0", 0.25, 4, v, error));
}

struct WholeCase {
  const char* text;
  bool ok;
  int64_t value;
};

TEST(NumericOption, WholeNumbersInARange) {
  const std::vector<WholeCase> cases = {
      {"0", true, 0},       {"-0", true, 0},       {"128", true, 128},    {"007", true, 7},
      {"129", false, 0},    {"-1", false, 0},      {"64.5", false, 0},    {"1.0", false, 0},
      {"1e2", false, 0},    {"1e-9", false, 0},    {"0x10", false, 0},    {"inf", false, 0},
      {"nan", false, 0},    {"", false, 0},        {"5s", false, 0},      {"+5", false, 0},
      {"99999999999999999999", false, 0},         {nullptr, false, 0},
  };
  for (const WholeCase& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(none)");
    int64_t v = -7;
    std::string error;
    EXPECT_EQ(ParseWholeOption("--volume", c.text, 0, 128, v, error), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    } else {
      EXPECT_EQ(v, -7);
      const std::string given = c.text ? ", not \"" + std::string(c.text) + "\"" : ", none given";
      EXPECT_EQ(error, "--volume takes a whole number from 0 to 128" + given);
    }
  }
  // Negative ranges for options that count from -1 ("none").
  int64_t v = 0;
  std::string error;
  EXPECT_TRUE(ParseWholeOption("--sid", "-1", -1, 99, v, error));
  EXPECT_EQ(v, -1);
  EXPECT_FALSE(ParseWholeOption("--sid", "-2", -1, 99, v, error));
  EXPECT_EQ(error, "--sid takes a whole number from -1 to 99, not \"-2\"");
}

// Random texts from the characters numbers are made of: whatever is accepted
// is finite, in range and what the C library reads; whatever is refused says so.
TEST(NumericOption, RandomTextsNeverSlipThrough) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  const std::string alphabet = "0123456789..--eE+xXinfatyINFATY ,";
  std::mt19937 random(26);
  int accepted = 0;
  for (int n = 0; n < 20000; ++n) {
    std::string text(random() % 12, ' ');
    for (char& ch : text) ch = alphabet[random() % alphabet.size()];
    SCOPED_TRACE(text);
    double v = -7;
    std::string error;
    if (ParseNumberOption("--play-for", text.c_str(), 0, 1e6, v, error)) {
      ++accepted;
      ASSERT_TRUE(std::isfinite(v));
      ASSERT_GE(v, 0);
      ASSERT_LE(v, 1e6);
      ASSERT_EQ(v, std::strtod(text.c_str(), nullptr) + 0.0);
      ASSERT_EQ(error, "");
    } else {
      ASSERT_EQ(v, -7);
      ASSERT_EQ(error, "--play-for takes a number from 0 to 1000000, not \"" + text + "\"");
    }
  }
  EXPECT_GT(accepted, 100) << "the texts reach the accepting paths too";
}

}  // namespace
}  // namespace zv::cli
