#pragma once
// The values of the command line's numeric options: one parser, so every
// option refuses the same things (no number, NaN, infinities, hexadecimal,
// anything after the number) and states its range when it does.
#include <cstdint>
#include <string>

namespace zv::cli {

// Seconds the time options accept: whatever fits the engine's microseconds.
inline constexpr double MaxOptionSeconds = 9223372036854.0;

// A decimal number in [min, max]; -0 reads as 0. TEXT may be null (the
// option came last, without its value). On failure ERROR names the option
// and its range, and VALUE is untouched.
bool ParseNumberOption(const char* option, const char* text, double min, double max, double& value,
                       std::string& error);
// A whole decimal number in [min, max]: "1.0" and "1e2" are refused.
bool ParseWholeOption(const char* option, const char* text, int64_t min, int64_t max, int64_t& value,
                      std::string& error);

}  // namespace zv::cli
