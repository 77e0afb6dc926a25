#pragma once
// `zelvo-cli FILE [options]`: plays a file through the engine and prints one
// line per event with a monotonic timestamp.

namespace zv::cli {

// Exit status: 0 after a normal end or stop, 1 when the file could not be
// opened (LastErrMsg on stderr), 2 for bad usage.
int RunPlayer(int argc, char** argv);
void PrintPlayerUsage();

}  // namespace zv::cli
