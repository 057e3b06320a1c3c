// Making Windows path text absolute, as GetFullPathName does. Pure text, given the current folder.
#include <algorithm>
#include <vector>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {

// The part of a UNC or device name that ".." never climbs above: "\\server\share" (or as much of
// it as is given), or the device prefix "\\?\" / "\\.\".
std::size_t NetworkRootLength(const std::string& p) {
  if (p.size() >= 4 && (p[2] == '?' || p[2] == '.') && p[3] == '\\') return 3;
  std::size_t at = p.find('\\', 2);  // end of the server name
  if (at == std::string::npos) return p.size();
  while (at < p.size() && p[at] == '\\') ++at;
  at = p.find('\\', at);  // end of the share name
  return at == std::string::npos ? p.size() : at;
}

// Joins `root` and the segments of `rest` as RtlGetFullPathName_U collapses them: empty and "."
// segments go, ".." drops the previous segment (never the root), and a segment followed by a
// separator loses one trailing period. Then, unless the text ends with a separator, trailing
// periods and blanks of the whole result go (up to a separator: "C:\a\..." gives "C:\a\").
std::string Collapse(std::string root, std::string_view rest, bool trailing) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= rest.size()) {
    const std::size_t j = std::min(rest.find('\\', i), rest.size());
    std::string part(rest.substr(i, j - i));
    const bool last = j == rest.size();
    i = j + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (!last && part.back() == '.') part.pop_back();
    parts.push_back(std::move(part));
  }
  const std::size_t rootLength = root.size();
  std::string out = std::move(root);
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) out += '\\';
    out += parts[k];
  }
  if (trailing) {
    if (!parts.empty()) out += '\\';
  } else {
    while (out.size() > rootLength && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  }
  return out;
}

}  // namespace

// Resolves `path` against `current` (absolute Windows text such as "C:\work"). "/" counts as "\",
// runs of separators collapse, "." and ".." are resolved (".." never climbs above the drive root
// or a UNC name's "\\server\share"), trailing periods and blanks are stripped as Windows strips
// them, and a trailing separator is kept. The drive letter is upper case.
std::string ResolveFullPath(std::string_view current, std::string_view path) {
  const std::string p = WithBackslashes(path);
  const bool trailing = !p.empty() && p.back() == '\\';
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
    const std::size_t rootLength = NetworkRootLength(p);
    const std::string root = p.substr(0, rootLength);
    if (rootLength == p.size()) return root;
    return Collapse(root + "\\", std::string_view(p).substr(rootLength), trailing);
  }

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
  return Collapse(drive + "\\", rest, trailing);
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
