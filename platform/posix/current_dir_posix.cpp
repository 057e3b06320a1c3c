// POSIX only: the current folder as Windows text.
#include <unistd.h>

#include <climits>

#include "platform/drives.h"
#include "platform/filesystem.h"

namespace vorlisk::platform {

std::string CurrentDirectory() {
  char buf[PATH_MAX];
  if (::getcwd(buf, sizeof buf) == nullptr) return "C:\\";
  return ToWindowsPath(buf).value_or("C:\\");
}

}  // namespace vorlisk::platform
