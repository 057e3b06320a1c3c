// POSIX only: the user's cache folders, after the XDG base directory rules.
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/drives.h"
#include "platform/user_folders.h"

namespace vorlisk::platform {

namespace {
std::string EnvFolder(const char* name) {
  const char* v = std::getenv(name);
  std::string folder = (v && v[0] == '/') ? std::string(v) : std::string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// Whether `folder` is `home` or a folder above it, compared as written and with links resolved.
bool HoldsHome(const std::string& folder, const std::string& home) {
  auto above = [](const std::string& f, const std::string& h) {
    return f == "/" || h == f || h.rfind(f + "/", 0) == 0;
  };
  std::string normal = std::filesystem::path(folder).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  if (home.empty()) return normal == "/";
  if (above(normal, home)) return true;
  char f[PATH_MAX], h[PATH_MAX];
  return ::realpath(folder.c_str(), f) != nullptr && ::realpath(home.c_str(), h) != nullptr &&
         above(f, h);
}
}  // namespace

std::vector<std::pair<std::string, std::string>> DisposableUserFolders() {
  std::string cache = EnvFolder("XDG_CACHE_HOME");
  const std::string home = EnvFolder("HOME");
  if (cache.empty() && !home.empty()) cache = home + "/.cache";
  std::vector<std::pair<std::string, std::string>> out;
  // A cache folder set to the home, the root or a folder above the home (a mistaken
  // XDG_CACHE_HOME) holds the user's files, not a cache: nothing is offered then.
  if (cache.empty() || HoldsHome(cache, home)) return out;
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
