// Fixtures of the tests that need POSIX: processes side by side. Only *_posix_test.cpp files,
// which Windows builds leave out, include this header.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <vector>

namespace vorlisk::test {

// Runs `work(child)` in `count` forked processes that start together, and tells whether every one
// returned true (an exception counts as false). For tests of processes running side by side.
inline bool RunInProcesses(int count, const std::function<bool(int)>& work) {
  int gate[2];
  if (::pipe(gate) != 0) return false;
  std::vector<pid_t> children;
  for (int child = 0; child < count; ++child) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(gate[1]);
      char byte = 0;
      while (::read(gate[0], &byte, 1) < 0 && errno == EINTR) {
      }
      bool ok = false;
      try {
        ok = work(child);
      } catch (...) {
      }
      ::_exit(ok ? 0 : 1);
    }
    if (pid > 0) children.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);  // every child goes on at once
  bool ok = static_cast<int>(children.size()) == count;
  for (const pid_t pid : children) {
    int status = 0;
    ok = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  return ok;
}

}  // namespace vorlisk::test
