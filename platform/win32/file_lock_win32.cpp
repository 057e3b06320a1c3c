// Windows only: the program folder's lock, LockFileEx on "vorlisk.lock". The file is opened anew
// by each outermost scope and closed at its end; the handle is not inheritable, so a child process
// never holds this process's lock.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/file_lock.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

namespace {

struct LockState {
  std::recursive_mutex mutex;  // held by the thread inside the outermost scope
  std::wstring file;           // the lock file as the wide API takes it; empty: no lock file
  int depth = 0;               // nesting of the scopes of the thread holding `mutex`
  win32::Handle handle;        // the locked file while depth > 0
  std::chrono::milliseconds wait{0};
};

LockState& State() {
  static LockState state;
  return state;
}

// Opens the lock file (never through a link, never a folder or device) and locks it, waiting at
// most `wait`. An invalid handle when the file cannot be opened: the scopes then lock within the
// process only.
win32::Handle OpenAndLock(const std::wstring& file, std::chrono::milliseconds wait) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  win32::Handle h(::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                                OPEN_ALWAYS, kFlags, nullptr));
  // The file is never written, and a handle for reading locks it as well: another user's lock
  // file in a shared program folder still makes this process take its turn.
  if (!h && ::GetLastError() == ERROR_ACCESS_DENIED)
    h = win32::Handle(
        ::CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr));
  if (!h) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(h.get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return {};
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    OVERLAPPED at{};  // the whole file, from offset 0 to the largest offset
    if (::LockFileEx(h.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &at))
      return h;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) ||
        std::chrono::steady_clock::now() >= deadline)
      throw ProgramFolderLockedError();
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

}  // namespace

ProgramFolderLockedError::ProgramFolderLockedError()
    : Error("The program folder is locked by another Vorlisk process") {}

void SetProgramFolderLock(std::string_view programFolder) {
  LockState& s = State();
  std::lock_guard lock(s.mutex);
  std::string folder(programFolder);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const auto api =
      folder.empty() ? std::nullopt : win32::ApiPath(folder + std::string(kProgramFolderLockFile));
  s.file = api.value_or(L"");
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
      s.handle = OpenAndLock(s.file, s.wait.count() > 0 ? s.wait : kProgramFolderLockWait);
    } catch (...) {
      s.mutex.unlock();
      throw;
    }
  }
  ++s.depth;
}

ProgramFolderLock::~ProgramFolderLock() {
  LockState& s = State();
  if (--s.depth == 0 && s.handle) {
    // Unlocked before the handle closes: a close alone releases the lock only when the system
    // gets round to it.
    OVERLAPPED at{};
    ::UnlockFileEx(s.handle.get(), 0, MAXDWORD, MAXDWORD, &at);
    s.handle.Reset();
  }
  s.mutex.unlock();
}

}  // namespace vorlisk::platform
