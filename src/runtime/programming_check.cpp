#include "runtime/programming_check.h"

#include <cstdio>
#include <cstdlib>

namespace zv {

void ReportProgrammingError(const char* text, const char* file, int line) noexcept {
  // Straight to stderr: the logger may be the very thing that was misused.
  std::fprintf(stderr, "%s (%s:%d)\n", text, file, line);
  std::fflush(stderr);
}

void ProgrammingError(const char* text, const char* file, int line) noexcept {
  ReportProgrammingError(text, file, line);
  std::abort();
}

}  // namespace zv
