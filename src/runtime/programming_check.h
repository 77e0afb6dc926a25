#pragma once
// Checks for programming errors (misuse of an operation, never bad input).
// They stay on in release builds: a misuse that went on would crash later,
// far from its cause, or report success for a call that did nothing.
namespace zv {

// Writes "text (file:line)" to stderr and aborts the process.
[[noreturn]] void ProgrammingError(const char* text, const char* file, int line) noexcept;
// Writes "text (file:line)" to stderr; for a caller that can go on with a failure.
void ReportProgrammingError(const char* text, const char* file, int line) noexcept;

}  // namespace zv

#define ZV_CHECK(cond, text)                                                  \
  do {                                                                        \
    if (!(cond)) ::zv::ProgrammingError((text), __FILE__, __LINE__);          \
  } while (0)

