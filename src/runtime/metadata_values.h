#pragma once
// File-level values that the format context now keeps only as metadata text.
#include <cstdint>
#include <string>

namespace zv {

// "creation_time" text (ISO 8601: "2024-03-05T10:20:30.000000Z", a blank
// instead of "T", an optional fraction, "Z" or a "+hh:mm"/"-hhmm" offset; no
// offset is taken as UTC) as seconds since 1970-01-01 UTC; 0 when the text
// is not such a time.
int64_t ParseCreationTime(const std::string& text);
// The whole number at the start of text after blanks ("2024-05-01" gives
// 2024, "3/12" gives 3); 0 when there is none or it does not fit 32 bits.
int32_t LeadingNumber(const std::string& text);

}  // namespace zv
