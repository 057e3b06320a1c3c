// The lock of the program folder: the window and the command-line front end may run side by side,
// and every read-modify-write of the program's files (item files, order file, settings file,
// registry store) happens while the process holds this lock, re-reading the file inside it, so
// that no update that reported success is lost.
//
// The lock is an exclusive lock of the file "vorlisk.lock" in the program folder (flock on POSIX),
// created when missing and never written (so a lock file that the user may only read, another
// user's in a shared program folder, is locked all the same). Within a process it is re-entrant and
// shared by all the process's scopes: the file is locked when the outermost ProgramFolderLock
// begins and unlocked when it ends; other threads of the process wait for it as other processes do.
//
// Holders never wait for the user: a scope that holds the lock never spans a question or a dialog.
// A lock that another process keeps longer than kProgramFolderLockWait raises
// ProgramFolderLockedError rather than hanging.
//
// Without a program folder (before SetProgramFolderLock, or with ""), and where the lock file
// cannot be created (a folder the user may not write, where no file of the program can be written
// either), the scopes lock only within the process.
#pragma once

#include <chrono>
#include <string_view>

#include "platform/error.h"

namespace vorlisk::platform {

inline constexpr std::string_view kProgramFolderLockFile = "vorlisk.lock";
inline constexpr std::chrono::milliseconds kProgramFolderLockWait{10000};

// "The program folder is locked by another Vorlisk process".
class ProgramFolderLockedError : public Error {
 public:
  ProgramFolderLockedError();
};

// Sets the program folder (Windows text, with its trailing "\") whose lock file the scopes take.
void SetProgramFolderLock(std::string_view programFolder);

class ProgramFolderLock {
 public:
  // Waits for the lock; throws ProgramFolderLockedError after the wait.
  ProgramFolderLock();
  ~ProgramFolderLock();
  ProgramFolderLock(const ProgramFolderLock&) = delete;
  ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;
};

// Test seam: the longest wait for the lock (kProgramFolderLockWait when zero). Guarded by the
// mutex of the lock's state, so any thread may set it.
void SetProgramFolderLockWaitForTesting(std::chrono::milliseconds wait);

}  // namespace vorlisk::platform
