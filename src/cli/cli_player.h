#pragma once
// `zelvo-cli FILE... [options]`: plays files one after the other through the
// engine and prints one line per event with a monotonic timestamp; each
// carries on where it was left unless --no-resume.

namespace zv::cli {

// Exit status: 0 after a normal end or stop, 1 when a file could not be
// opened (LastErrMsg on stderr; the others still play), 2 for bad usage.
int RunPlayer(int argc, char** argv);
void PrintPlayerUsage();

}  // namespace zv::cli
