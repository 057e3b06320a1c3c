// POSIX only: the user's cache folders, after the XDG base directory rules.
#include <cstdlib>

#include "platform/drives.h"
#include "platform/user_folders.h"

namespace vorlisk::platform {

namespace {
std::string EnvFolder(const char* name) {
  const char* v = std::getenv(name);
  return (v && v[0] == '/') ? std::string(v) : std::string();
}
}  // namespace

std::vector<std::pair<std::string, std::string>> DisposableUserFolders() {
  std::string cache = EnvFolder("XDG_CACHE_HOME");
  const std::string home = EnvFolder("HOME");
  if (cache.empty() && !home.empty()) cache = home + "/.cache";
  std::vector<std::pair<std::string, std::string>> out;
  if (cache.empty()) return out;
  const std::pair<const char*, std::string> folders[] = {
      {"Cache", cache},
      {"Thumbnails", cache + "/thumbnails"},
      {"Firefox Cache", cache + "/mozilla/firefox"},
      {"Chromium Cache", cache + "/chromium"},
      {"Chrome Cache", cache + "/google-chrome"},
  };
  for (const auto& [name, host] : folders)
    if (auto w = ToWindowsPath(host)) out.emplace_back(name, *w);
  return out;
}

}  // namespace vorlisk::platform
