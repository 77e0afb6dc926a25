#pragma once
// Runs the real zelvo-cli as a user would, with what it printed and its exit code.
#include <string>
#include <vector>

namespace zv::test {

struct TCliRun {
  int ExitCode = -1;  // -1: killed (by a signal or at the deadline)
  std::string Out, Err;
};

// Waits at most TIMEOUT_S seconds, then kills the program.
TCliRun RunCli(const std::vector<std::string>& args, double timeoutS = 60);

}  // namespace zv::test
