// POSIX only: the user's folders, after the XDG base directory rules and the user-dirs file of
// xdg-user-dirs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/drives.h"
#include "platform/filesystem.h"
#include "platform/user_folders.h"

namespace vorlisk::platform {

namespace {
std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string EnvFolder(const char* name) {
  const char* v = std::getenv(name);
  return WithoutTrailingSlashes((v && v[0] == '/') ? std::string(v) : std::string());
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

// The folders of the user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs), as xdg-user-dirs writes
// it: lines XDG_<NAME>_DIR="$HOME/Folder" or "/absolute/folder". Folders equal to the home (the
// way the file switches a folder off) are left out.
std::vector<std::pair<std::string, std::string>> UserDirs(const std::string& home) {
  static const std::pair<const char*, const char*> kNames[] = {
      {"DESKTOP", "Desktop"},     {"DOWNLOAD", "Downloads"}, {"DOCUMENTS", "Documents"},
      {"MUSIC", "Music"},         {"PICTURES", "Pictures"},  {"VIDEOS", "Videos"},
      {"TEMPLATES", "Templates"}, {"PUBLICSHARE", "Public"}};
  std::string config = EnvFolder("XDG_CONFIG_HOME");
  if (config.empty() && !home.empty()) config = home + "/.config";
  std::vector<std::pair<std::string, std::string>> out;
  if (config.empty()) return out;
  std::ifstream in(config + "/user-dirs.dirs");
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find("=\"");
    if (line.rfind("XDG_", 0) != 0 || eq == std::string::npos || line.back() != '"') continue;
    std::string value = line.substr(eq + 2, line.size() - eq - 3);
    if (value.rfind("$HOME/", 0) == 0 && !home.empty())
      value = home + value.substr(5);
    else if (value.empty() || value[0] != '/')
      continue;
    value = WithoutTrailingSlashes(value);
    if (value == home) continue;
    for (const auto& [key, name] : kNames)
      if (line.compare(4, eq - 4, std::string(key) + "_DIR") == 0) out.emplace_back(name, value);
  }
  return out;
}
}  // namespace

namespace {
// The folders GuardedFolderName names, as host paths with their names, the root first.
std::vector<std::pair<std::string, std::string>> GuardedHostFolders() {
  std::vector<std::pair<std::string, std::string>> out{{"/", "the root of the system"}};
  const std::string home = EnvFolder("HOME");
  if (home.empty()) return out;
  out.emplace_back(home, "your home folder");
  auto folders = UserDirs(home);
  for (const char* name :
       {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Public", "Templates"})
    folders.emplace_back(name, home + "/" + name);
  for (const auto& [name, host] : folders) out.emplace_back(host, "your " + name + " folder");
  return out;
}

FileIdentity IdentityOfStat(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}
}  // namespace

std::string GuardedFolderName(std::string_view folder) {
  const auto id = GetFileIdentity(folder);
  if (!id) return {};
  for (const auto& [host, name] : GuardedHostFolders()) {
    struct stat st {};
    if (::stat(host.c_str(), &st) == 0 && IdentityOfStat(st) == *id) return name;
  }
  return {};
}

GuardedFolders GuardedFolders::Now() {
  GuardedFolders guarded;
  for (const auto& [host, name] : GuardedHostFolders()) {
    // Links on the way are followed: the user's folders are wherever they lead.
    int fd = ::open(host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      continue;
    }
    const FileIdentity self = IdentityOfStat(st);
    // The folders above it, each reached through ".." of the one below, up to the root.
    std::vector<FileIdentity> above;
    for (FileIdentity at = self;;) {
      const int up = ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
      ::close(fd);
      fd = up;
      if (fd < 0 || ::fstat(fd, &st) != 0 || IdentityOfStat(st) == at) break;
      at = IdentityOfStat(st);
      above.push_back(at);
    }
    if (fd >= 0) ::close(fd);
    guarded.Add(self, above, name);
  }
  return guarded;
}

std::vector<std::pair<std::string, std::string>> UserFolders() {
  const std::string home = EnvFolder("HOME");
  std::string cache = EnvFolder("XDG_CACHE_HOME");
  if (cache.empty() && !home.empty()) cache = home + "/.cache";
  // The home first: every folder below it then has Windows text on the home's drive, also when
  // no mapped drive holds the home (a free letter is mapped to it).
  if (!home.empty()) ToWindowsPathMappingIfNeeded(home);
  std::vector<std::pair<std::string, std::string>> out;
  auto add = [&out](const std::string& name, const std::string& host) {
    if (std::string w = ToWindowsPathMappingIfNeeded(host); !w.empty()) out.emplace_back(name, w);
  };
  // A cache folder set to the home, the root or a folder above the home (a mistaken
  // XDG_CACHE_HOME) holds the user's files, not a cache: no cache folder is offered then.
  if (!cache.empty() && !HoldsHome(cache, home)) {
    static const std::pair<const char*, const char*> kCaches[] = {
        {"Cache", ""},
        {"Thumbnails", "/thumbnails"},
        {"Firefox Cache", "/mozilla/firefox"},
        {"Chromium Cache", "/chromium"},
        {"Chrome Cache", "/google-chrome"},
        {"Brave Cache", "/BraveSoftware/Brave-Browser"},
        {"Vivaldi Cache", "/vivaldi"},
        {"Opera Cache", "/opera"},
        {"Edge Cache", "/microsoft-edge"},
    };
    for (const auto& [name, sub] : kCaches) add(name, cache + sub);
  }
  // The caches of browsers installed as Snap or Flatpak packages, which keep their own cache
  // folders inside the home whatever XDG_CACHE_HOME says.
  if (!home.empty() && home != "/") {
    static const std::pair<const char*, const char*> kPackaged[] = {
        {"Firefox Snap Cache", "/snap/firefox/common/.cache/mozilla/firefox"},
        {"Firefox Flatpak Cache", "/.var/app/org.mozilla.firefox/cache/mozilla/firefox"},
        {"Chromium Snap Cache", "/snap/chromium/common/.cache/chromium"},
    };
    for (const auto& [name, sub] : kPackaged) add(name, home + sub);
  }
  // The base folders, which entries name as %Home%, %Config%, ... An empty one is left out, and
  // so is one set to the home or a folder above it (a mistaken variable), as the caches are.
  const auto base = [&](const char* variable, const char* below) {
    std::string folder = EnvFolder(variable);
    if (folder.empty() && !home.empty() && below) folder = home + below;
    return folder.empty() || HoldsHome(folder, home) ? std::string() : folder;
  };
  if (!home.empty()) add("Home", home);
  for (const auto& [name, folder] :
       {std::pair<const char*, std::string>{"Config", base("XDG_CONFIG_HOME", "/.config")},
        {"Data", base("XDG_DATA_HOME", "/.local/share")},
        {"State", base("XDG_STATE_HOME", "/.local/state")},
        {"Runtime", base("XDG_RUNTIME_DIR", nullptr)}})
    if (!folder.empty()) add(name, folder);
  for (const auto& [name, folder] : UserDirs(home)) add(name, folder);
  return out;
}

}  // namespace vorlisk::platform
