// POSIX only: helpers shared by the POSIX backend files. Not part of the platform interface.
#pragma once

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

// Creates a new empty file, mode 0644, beside `hostPath` (same folder, hidden name) for a write
// that ends in a rename over `hostPath`; never opens through a link. The file is locked (flock)
// while the descriptor stays open, which tells RemoveStaleTempFiles that its writer lives. Sets
// `tmpPath` and returns the descriptor, or -1.
int CreateTempBeside(const std::string& hostPath, std::string& tmpPath);
// Flushes the folder that holds `hostPath`, so that a rename into it survives a crash.
void SyncFolderOf(const std::string& hostPath);

// The host path of the running executable, or "" when the system does not tell it.
std::string ExecutableHostPath();

// Current test fault for atomic writes ("", "write" or "rename").
const std::string& WriteFault();

}  // namespace vorlisk::platform::posix
