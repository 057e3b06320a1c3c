// POSIX only: the private run-time folder, checked by its owner and mode.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// Makes `folder` and its missing parents, each new one for the owner only; errno of the first
// failure, or 0.
int MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (slash == std::string::npos) return 0;
  }
}

// The folder in $TMPDIR (or /tmp).
std::string TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/vorlisk-" + std::to_string(::geteuid());
}

// The fallback folder in the user's own state folder; empty without an absolute XDG_STATE_HOME
// or HOME.
std::string FallbackFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
    return std::string(state) + "/vorlisk/run";
  if (const char* home = std::getenv("HOME"); home && *home == '/')
    return std::string(home) + "/.local/state/vorlisk/run";
  return {};
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The folder to use, made when missing, and why it cannot be (empty when it can).
std::string MadeAndChecked(const std::string& folder) {
  if (const int err = MakeFolders(folder); err != 0)
    return "The folder " + folder + " cannot be made: " + std::strerror(err);
  return Unsafe(folder, true);
}

}  // namespace

std::vector<std::string> PrivateRuntimeFolders() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    const std::string folder = WithoutTrailingSlashes(runtime);
    if (folder.front() != '/')
      throw Error("XDG_RUNTIME_DIR (" + folder + ") is not an absolute path");
    if (const std::string why = Unsafe(folder, false); !why.empty()) throw Error(why);
    return {folder};
  }
  const std::string tmp = WithoutTrailingSlashes(TemporaryFolder());
  const std::string fallback = WithoutTrailingSlashes(FallbackFolder());
  std::string why;
  if (::mkdir(tmp.c_str(), 0700) != 0 && errno != EEXIST)
    why = "The folder " + tmp + " cannot be made: " + std::strerror(errno);
  else
    why = Unsafe(tmp, true);
  if (why.empty()) {
    // A start that found the folder in $TMPDIR unusable may be running from the fallback.
    if (!fallback.empty() && Unsafe(fallback, true).empty()) return {tmp, fallback};
    return {tmp};
  }
  if (fallback.empty()) throw Error(why + ", and there is no home for a folder of the user's own");
  if (const std::string fallbackWhy = MadeAndChecked(fallback); !fallbackWhy.empty())
    throw Error(why + ". " + fallbackWhy);
  return {fallback};
}

std::string PrivateRuntimeFolder() { return PrivateRuntimeFolders().front(); }

}  // namespace vorlisk::platform
