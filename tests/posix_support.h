// Fixtures of the tests that need POSIX: processes side by side, owners and modes. Only
// *_posix_test.cpp files and the window tests of POSIX systems include this header.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace vorlisk::test {

// A start without XDG_RUNTIME_DIR: TMPDIR and HOME are temporary folders, XDG_STATE_HOME unset,
// so the private run-time folder is "vorlisk-<uid>" in `tmp` and its fallback is `Fallback()`.
struct NoRuntimeDir {
  TempFolder tmp, home;
  ScopedEnv xdg{"XDG_RUNTIME_DIR", std::nullopt}, tmpdir{"TMPDIR", tmp.Path()},
      homeEnv{"HOME", home.Path()}, state{"XDG_STATE_HOME", std::nullopt};

  std::string Own() const { return tmp / ("vorlisk-" + std::to_string(::geteuid())); }
  std::string Fallback() const { return home / ".local/state/vorlisk/run"; }
  // The folder in TMPDIR as another local user makes it before this one starts: theirs, private.
  // Whether it could be made so (changing an owner needs root).
  bool TakeOwnForAnotherUser() const {
    std::filesystem::create_directory(Own());
    ::chmod(Own().c_str(), 0700);
    return ::chown(Own().c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) == 0;
  }
};

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
