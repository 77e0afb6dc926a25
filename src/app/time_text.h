#pragma once
// The elapsed/total text of the control bar.
#include <cstdint>
#include <string>

namespace zvapp {

// Microseconds to whole seconds, halves to the even neighbour.
int64_t RoundMicrosecondsToSeconds(int64_t us);

// "hh:mm:ss/hh:mm:ss" for a position and a duration in microseconds; hours
// above 99 keep all their digits.
std::string TimeText(int64_t position, int64_t duration);

}  // namespace zvapp
