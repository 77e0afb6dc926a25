#include "app/time_text.h"

#include "runtime/format.h"

namespace zvapp {

int64_t RoundMicrosecondsToSeconds(int64_t us) {
  constexpr int64_t kUnit = 1000000;
  int64_t q = us / kUnit;
  int64_t r = us % kUnit;  // same sign as us
  int64_t twice = r < 0 ? -2 * r : 2 * r;
  if (twice > kUnit || (twice == kUnit && (q & 1) != 0)) q += us < 0 ? -1 : 1;
  return q;
}

std::string TimeText(int64_t position, int64_t duration) {
  int64_t p = RoundMicrosecondsToSeconds(position);
  int64_t d = RoundMicrosecondsToSeconds(duration);
  return zv::Format("%2.2d:%2.2d:%2.2d/%2.2d:%2.2d:%2.2d",
                    {p / 3600, (p / 60) % 60, p % 60, d / 3600, (d / 60) % 60, d % 60});
}

}  // namespace zvapp
