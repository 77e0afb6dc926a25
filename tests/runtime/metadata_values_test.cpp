#include "runtime/metadata_values.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(MetadataValues, CreationTimeIsReadAsUtc) {
  const struct {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"2024-03-05T10:20:30.000000Z", 1709634030},
      {"2024-03-05 10:20:30", 1709634030},
      {"2024-03-05T10:20:30", 1709634030},
      {"2024-03-05T12:20:30+02:00", 1709634030},
      {"2024-03-05T05:50:30-0430", 1709634030},
      {"2024-03-05T10:20Z", 1709634000},
      {"2024-03-05", 1709596800},
      {"1970-01-01T00:00:00Z", 0},
      {"2000-02-29T00:00:00Z", 951782400},
      {"2023-02-29T00:00:00Z", 0},  // no such day
      {"2024-13-01", 0},
      {"2024-03-05T25:00:00", 0},
      {"2024-03-05T10:20:30Zjunk", 0},
      {"20240305", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCreationTime(c.text), c.expected) << c.text;
}

TEST(MetadataValues, LeadingNumber) {
  const struct {
    const char* text;
    int32_t expected;
  } cases[] = {{"2024-05-01", 2024}, {"3/12", 3}, {" 7", 7}, {"07", 7}, {"", 0}, {"abc", 0}, {"-3", 0}, {"99999999999", 0}};
  for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace zv
