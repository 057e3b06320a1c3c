// POSIX only: helpers shared by the POSIX backend files. Not part of the platform interface.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vorlisk::platform::posix {

// The one translation of errno into the run-time file error texts the user sees
// ("File not found", "File access denied", "Disk full", ...).
std::string FileErrorText(int err);

// Windows path text to host path, with "." and ".." resolved first; nullopt when unmapped.
// `driveFolderLength`, when given, receives the length of the host folder that the drive letter
// stands for, which the host path begins with: what follows it came from the Windows text.
std::optional<std::string> HostPathOf(std::string_view windowsPath,
                                      std::size_t* driveFolderLength = nullptr);

// Writes all of `bytes` to `fd`; returns 0 or the errno value of the failure (EIO for a write
// that writes nothing).
int WriteAll(int fd, std::string_view bytes);

// How ReplaceFileAtomically treats the file it replaces.
struct ReplaceOptions {
  unsigned newFileMode = 0644;  // permissions (before the umask) when no regular file is there
  bool failIfExists = false;    // the rename fails (EEXIST) when anything is at the path by then
};

// The program's one atomic replacement of a file. A new file is created beside `hostPath` (same
// folder, hidden name ".NAME.tmp" and digits, the form RemoveStaleTempFiles recognises; never
// opened through a link; locked while it is written, which tells RemoveStaleTempFiles that its
// writer lives) with the permissions of the regular file it replaces (never those of a link's
// target). `fill` writes the contents (and may set the mode and times) and returns 0 or an errno
// value. The file is then flushed, closed and renamed over `hostPath` (a link there is replaced,
// never written through), and the folder is flushed so that the rename survives a crash.
// Returns 0, or the errno value of the first failure; the temporary file is then removed and
// whatever was at `hostPath` stays as it was. The write fault test seam fails it as a full disk
// would ("write": ENOSPC, nothing written) or as a failed rename ("rename": EIO).
int ReplaceFileAtomically(const std::string& hostPath, const std::function<int(int fd)>& fill,
                          const ReplaceOptions& options = {});
// The same with `bytes` as the contents.
int ReplaceFileAtomically(const std::string& hostPath, std::string_view bytes,
                          const ReplaceOptions& options = {});

// Test seam: the atomic replacements from now on that succeed before every later one fails as a
// failed rename does (EIO), which leaves the files as a process killed after that many writes
// would; negative: none fails. One-thread only, as the write fault is.
void SetReplacementLimitForTesting(int replacements);
// How many atomic replacements succeeded since the process began.
int ReplacementsMade();

// The host path of the running executable, or "" when the system does not tell it.
std::string ExecutableHostPath();

// Current test fault for atomic writes ("", "write" or "rename").
const std::string& WriteFault();

}  // namespace vorlisk::platform::posix
