// POSIX only: the private run-time folder, checked by its owner and mode.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/runtime_folder.h"

namespace vorlisk::platform {

namespace {

// Why the folder may not hold the program's names; empty when it may. `closed`: open to nobody
// else at all (mode 0700), not only closed to writes of others.
std::string Unsafe(const std::string& folder, bool closed) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0)
    return "The folder " + folder + " cannot be used: " + std::strerror(errno);
  if (S_ISLNK(st.st_mode)) return "The folder " + folder + " is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
  if (st.st_uid != ::geteuid())
    return "The folder " + folder + " belongs to another user (" + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & (closed ? 077 : 022)) != 0)
    return "The folder " + folder + " is open to other users (mode " +
           std::to_string((st.st_mode >> 6) & 7) + std::to_string((st.st_mode >> 3) & 7) +
           std::to_string(st.st_mode & 7) + ")";
  return {};
}

}  // namespace

std::string PrivateRuntimeFolder() {
  std::string folder;
  bool closed = false;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    folder = runtime;
    if (folder.front() != '/')
      throw Error("XDG_RUNTIME_DIR (" + folder + ") is not an absolute path");
  } else {
    const char* tmp = std::getenv("TMPDIR");
    folder =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/vorlisk-" + std::to_string(::geteuid());
    closed = true;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      throw Error("The folder " + folder + " cannot be made: " + std::strerror(errno));
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (const std::string why = Unsafe(folder, closed); !why.empty()) throw Error(why);
  return folder;
}

}  // namespace vorlisk::platform
