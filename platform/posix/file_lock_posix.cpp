// POSIX only: the program folder's lock, flock on "vorlisk.lock". The file is opened anew by each
// outermost scope and closed at its end, so that a child process never shares this process's lock
// through an inherited descriptor (flock belongs to the open file, which fork shares).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/file_lock.h"
#include "platform/posix/posix_util.h"

namespace vorlisk::platform {

namespace {

struct LockState {
  std::recursive_mutex mutex;  // held by the thread inside the outermost scope
  std::string file;            // host path of the lock file; empty: no lock file
  int depth = 0;               // nesting of the scopes of the thread holding `mutex`
  int fd = -1;                 // the locked file while depth > 0
  std::chrono::milliseconds wait{0};
};

LockState& State() {
  static LockState state;
  return state;
}

// Opens the lock file (never through a link, never a special file) and locks it, waiting at most
// `wait`. -1 when the file cannot be opened: the scopes then lock within the process only.
int OpenAndLock(const std::string& file, std::chrono::milliseconds wait) {
  constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  // The file is never written, and a read-only descriptor locks it as well: another user's lock
  // file in a shared program folder still makes this process take its turn.
  if (fd < 0 && errno == EACCES) fd = ::open(file.c_str(), O_RDONLY | kFlags);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      throw ProgramFolderLockedError();
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  return fd;
}

}  // namespace

ProgramFolderLockedError::ProgramFolderLockedError()
    : Error("The program folder is locked by another Vorlisk process") {}

void SetProgramFolderLock(std::string_view programFolder) {
  LockState& s = State();
  std::lock_guard lock(s.mutex);
  std::string folder(programFolder);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const auto host = folder.empty()
                        ? std::nullopt
                        : posix::HostPathOf(folder + std::string(kProgramFolderLockFile));
  s.file = host.value_or("");
}

void SetProgramFolderLockWaitForTesting(std::chrono::milliseconds wait) {
  LockState& s = State();
  std::lock_guard lock(s.mutex);
  s.wait = wait;
}

ProgramFolderLock::ProgramFolderLock() {
  LockState& s = State();
  s.mutex.lock();
  if (s.depth == 0 && !s.file.empty()) {
    try {
      s.fd = OpenAndLock(s.file, s.wait.count() > 0 ? s.wait : kProgramFolderLockWait);
    } catch (...) {
      s.mutex.unlock();
      throw;
    }
  }
  ++s.depth;
}

ProgramFolderLock::~ProgramFolderLock() {
  LockState& s = State();
  if (--s.depth == 0 && s.fd >= 0) {
    ::close(s.fd);  // closing the only descriptor of the open file releases the lock
    s.fd = -1;
  }
  s.mutex.unlock();
}

}  // namespace vorlisk::platform
