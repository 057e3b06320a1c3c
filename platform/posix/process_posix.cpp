// POSIX only: the running program's folder.
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/drives.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vorlisk::platform {

std::string ProgramFolderFromHost(std::string_view hostFolder) {
  char resolved[PATH_MAX];
  const std::string folder(hostFolder);
  if (::realpath(folder.c_str(), resolved) == nullptr) return {};
  std::string windows = ToWindowsPathMappingIfNeeded(resolved);
  if (windows.empty()) return {};
  if (windows.back() != '\\') windows += '\\';
  return windows;
}

std::string ExecutableProgramFolder() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return ProgramFolderFromHost(".");
  std::string path(exe, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return ProgramFolderFromHost(slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace vorlisk::platform
