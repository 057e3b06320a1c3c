// Making Windows path text absolute, as GetFullPathName does. Pure text, given the current folder.
#include <algorithm>
#include <vector>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {

// The part of a UNC or device name that ".." never climbs above, and where the rest of the text
// begins: "\\server\share" (or as much of it as is given), or the device prefix "\\?" / "\\.".
// Windows takes server and share by position: the level after the two opening separators, one
// separator, and the level after it, whatever they hold. In "\\Server\\Share" the share is the
// empty level between the two separators, so "Share" is a level below the root, which ".." takes
// away ("\\Server\\Share\.." is "\\Server\").
struct NetworkRoot {
  std::string root;
  std::size_t restAt = 0;
  bool device = false;
};

NetworkRoot NetworkRootOf(const std::string& p) {
  if (p.size() >= 3 && (p[2] == '?' || p[2] == '.') && (p.size() == 3 || p[3] == '\\'))
    return {p.substr(0, 3), 3, true};
  const std::size_t serverEnd = p.find('\\', 2);
  if (serverEnd == std::string::npos) return {p, p.size()};
  const std::size_t shareEnd = std::min(p.find('\\', serverEnd + 1), p.size());
  return {p.substr(0, shareEnd), shareEnd};
}

// Joins `root` and the segments of `rest` as RtlGetFullPathName_U collapses them: empty and "."
// segments go, ".." drops the previous segment (never the root), and a segment followed by a
// separator that ends in a single period loses it ("b." gives "b"). A segment ending in two or more
// periods ("...", "b..") is a name as it stands, as Windows keeps it since Vista: older Windows
// (and Wine) made "..." a ".." that climbs. Then, unless the text ends with a separator, trailing
// periods and blanks of the whole result go (up to a separator: "C:\a\..." gives "C:\a\").
// `bareRoot`, when given, is the whole result when no level is left and the text does not end with
// a separator (a UNC root is its server and share, without a separator after them).
std::string Collapse(std::string root, std::string_view rest, bool trailing,
                     std::string_view bareRoot = {}) {
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
    const bool singlePeriod =
        part.back() == '.' && (part.size() == 1 || part[part.size() - 2] != '.');
    if (!last && singlePeriod) part.pop_back();
    parts.push_back(std::move(part));
  }
  if (parts.empty() && !trailing && !bareRoot.empty()) return std::string(bareRoot);
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
    const NetworkRoot network = NetworkRootOf(p);
    // A device prefix alone is a folder: "\\." gives "\\.\".
    if (network.restAt == p.size()) return network.device ? network.root + "\\" : network.root;
    const bool endsWithSeparator = network.root.back() == '\\';  // an empty share: "\\Server\"
    return Collapse(endsWithSeparator ? network.root : network.root + "\\",
                    std::string_view(p).substr(network.restAt), trailing,
                    network.device ? std::string_view() : std::string_view(network.root));
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

namespace vorlisk::platform {

FileInFolder SplitFilePath(std::string_view path) {
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) return {std::string_view(), path};
  return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

}  // namespace vorlisk::platform
