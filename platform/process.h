// The running program: where it lives.
#pragma once

#include <string>
#include <string_view>

namespace vorlisk::platform {

// The program folder as Windows text with a trailing "\", from a host folder (made absolute, links
// resolved). A folder outside every mapped drive gets a drive letter of its own (see drives.h).
// Empty text when the folder does not exist.
std::string ProgramFolderFromHost(std::string_view hostFolder);

// The folder of the running executable, as ProgramFolderFromHost gives it.
std::string ExecutableProgramFolder();

}  // namespace vorlisk::platform
