// Windows only: drive letters. Every letter is the real drive of that letter, except letters that
// MapDrive points at a host folder (tests, a scoped use), whose text then names files inside it.
#include <array>
#include <mutex>

#include "platform/drives.h"
#include "platform/text.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

namespace {

struct DriveTable {
  std::array<std::optional<std::string>, 26> folders;  // host folders of mapped letters
};

std::mutex& TableMutex() {
  static std::mutex m;
  return m;
}

DriveTable& Table() {
  static DriveTable table;
  return table;
}

int LetterIndex(char letter) {
  const char up = UpperAZ(letter);
  return (up >= 'A' && up <= 'Z') ? up - 'A' : -1;
}

// A host folder with "\" separators and no trailing one (a drive root keeps "C:\").
std::string NormaliseHostFolder(std::string_view folder) {
  std::string out = WithBackslashes(folder);
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
  return out;
}

bool IsDriveRootText(std::string_view path) {
  return path.size() >= 2 && LetterIndex(path[0]) >= 0 && path[1] == ':' &&
         (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

}  // namespace

void MapDrive(char letter, std::string_view hostFolder) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  if (idx >= 0) Table().folders[static_cast<std::size_t>(idx)] = NormaliseHostFolder(hostFolder);
}

void UnmapDrive(char letter) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  if (idx >= 0) Table().folders[static_cast<std::size_t>(idx)].reset();
}

void ResetDriveMappings() {
  std::lock_guard lock(TableMutex());
  Table().folders = {};
}

std::string DriveMappingError() { return ""; }

std::optional<std::string> DriveMapping(char letter) {
  const int idx = LetterIndex(letter);
  if (idx < 0) return std::nullopt;
  {
    std::lock_guard lock(TableMutex());
    if (const auto& f = Table().folders[static_cast<std::size_t>(idx)]) return f;
  }
  // A real drive stands for itself.
  const DWORD drives = ::GetLogicalDrives();
  if ((drives & (1u << idx)) == 0) return std::nullopt;
  return std::string(1, static_cast<char>('A' + idx)) + ":\\";
}

std::optional<std::string> ToHostPath(std::string_view windowsPath) {
  // A NUL would end the path early: "C:\..<NUL>\x" would name a file above the drive.
  if (windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
  if (!IsDriveRootText(windowsPath)) return std::nullopt;
  const int idx = LetterIndex(windowsPath[0]);
  std::string rest =
      WithBackslashes(windowsPath.substr(std::min<std::size_t>(3, windowsPath.size())));
  // A second wall behind the resolution of "." and "..": the system would resolve such a level
  // as "stay" or "go up", above the folder named.
  if (HoldsDotLevel(rest)) return std::nullopt;
  std::optional<std::string> folder;
  {
    std::lock_guard lock(TableMutex());
    folder = Table().folders[static_cast<std::size_t>(idx)];
  }
  if (!folder) folder = std::string(1, static_cast<char>('A' + idx)) + ":\\";
  std::string out = *folder;
  if (rest.empty()) return out;
  if (out.back() != '\\') out += '\\';
  return out + rest;
}

std::optional<std::string> ToWindowsPath(std::string_view hostPath) {
  const std::string host = WithBackslashes(hostPath);
  {
    std::lock_guard lock(TableMutex());
    int best = -1;
    std::size_t bestLen = 0;
    for (int i = 0; i < 26; ++i) {
      const auto& f = Table().folders[static_cast<std::size_t>(i)];
      if (!f) continue;
      const std::string& folder = *f;
      const std::size_t len = folder.back() == '\\' ? folder.size() - 1 : folder.size();
      const bool inside = host.size() >= len &&
                          SameTextAZ(host.substr(0, len), folder.substr(0, len)) &&
                          (host.size() == len || host[len] == '\\');
      if (inside && (best < 0 || len > bestLen)) {
        best = i;
        bestLen = len;
      }
    }
    if (best >= 0) {
      std::string rest = host.substr(bestLen);
      while (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
      return std::string(1, static_cast<char>('A' + best)) + ":\\" + rest;
    }
  }
  if (!IsDriveRootText(host) || host.size() < 3) return std::nullopt;
  std::string out = host;
  out[0] = UpperAZ(out[0]);
  return out;
}

std::string ToWindowsPathMappingIfNeeded(std::string_view hostFolder) {
  return ToWindowsPath(hostFolder).value_or(std::string());
}

// No letter is handed out here: every letter that names a folder names it in every run.
bool DriveIsFixed(char letter) { return DriveMapping(letter).has_value(); }

std::optional<std::string> ToFixedWindowsPath(std::string_view hostPath) {
  return ToWindowsPath(hostPath);
}

ScopedDriveMapping::ScopedDriveMapping(char letter, std::string_view hostFolder) : letter_(letter) {
  const int idx = LetterIndex(letter);
  if (idx >= 0) {
    std::lock_guard lock(TableMutex());
    previous_ = Table().folders[static_cast<std::size_t>(idx)];
  }
  MapDrive(letter, hostFolder);
}

ScopedDriveMapping::~ScopedDriveMapping() {
  if (previous_)
    MapDrive(letter_, *previous_);
  else
    UnmapDrive(letter_);
}

}  // namespace vorlisk::platform
