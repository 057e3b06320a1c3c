// Making Windows path text absolute, as GetFullPathName does. Pure text, given the current folder.
#include <vector>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk::platform {

// Resolves `path` against `current` (absolute Windows text such as "C:\work"). "/" counts as "\",
// runs of separators collapse, "." and ".." are resolved (".." never climbs above the drive root),
// and a trailing separator is kept. UNC names ("\\server\share") are returned with "/" replaced.
std::string ResolveFullPath(std::string_view current, std::string_view path) {
  const std::string p = WithBackslashes(path);
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return p;

  const std::string cur = WithBackslashes(current);
  std::string drive = cur.size() >= 2 && cur[1] == ':' ? cur.substr(0, 2) : std::string("C:");
  std::string rest;
  if (p.size() >= 2 && p[1] == ':') {
    const std::string pd = UpperAZ(p.substr(0, 1)) + ":";
    if (p.size() >= 3 && p[2] == '\\') {
      drive = pd;
      rest = p.substr(2);
    } else if (SameTextAZ(pd, drive)) {
      rest = cur.substr(2) + "\\" + p.substr(2);
    } else {
      drive = pd;
      rest = "\\" + p.substr(2);
    }
  } else if (!p.empty() && p[0] == '\\') {
    rest = p;
  } else {
    rest = cur.substr(std::min<std::size_t>(2, cur.size())) + "\\" + p;
  }
  drive[0] = UpperAZ(drive[0]);

  const bool trailing = !p.empty() && p.back() == '\\';
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= rest.size()) {
    const std::size_t j = std::min(rest.find('\\', i), rest.size());
    std::string part = rest.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::string out = drive + "\\";
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) out += '\\';
    out += parts[k];
  }
  if (trailing && !parts.empty()) out += '\\';
  return out;
}

std::string FullPathName(std::string_view path) {
  // Absolute text ("X:\..." or a UNC name) does not depend on the current folder, so the
  // process's folder is not asked for (a system call for every file of a wash).
  const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool unc = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
                   (path[1] == '\\' || path[1] == '/');
  if (drive || unc) return ResolveFullPath("", path);
  return ResolveFullPath(CurrentDirectory(), path);
}

}  // namespace vorlisk::platform
