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
std::optional<std::string> HostPathOf(std::string_view windowsPath);

// Current test fault for atomic writes ("", "write" or "rename").
const std::string& WriteFault();

}  // namespace vorlisk::platform::posix
