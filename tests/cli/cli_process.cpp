#include "cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace zv::test {

TCliRun RunCli(const std::vector<std::string>& args, double timeoutS) {
  TCliRun run;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return run;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]), ::close(out[1]);
    return run;
  }
  std::vector<char*> argv;
  std::string program = ZELVO_CLI_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutS);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&run.Out, &run.Err};
  int open = pid > 0 ? 2 : 0;
  bool killed = false;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (::poll(fds, 2, int(left.count())) < 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        into[k]->append(buf, size_t(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& f : fds)
    if (f.fd >= 0) ::close(f.fd);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && !killed && WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  return run;
}

}  // namespace zv::test
