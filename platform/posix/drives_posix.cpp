// POSIX only: drive letters of Windows path text mapped to host folders.
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <mutex>

#include "platform/drives.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {

struct DriveTable {
  std::array<std::optional<std::string>, 26> folders;
  std::array<bool, 26> handedOut{};  // mapped by ToWindowsPathMappingIfNeeded for this run only
  bool initialised = false;
  std::string error;  // why VORLISK_DRIVES cannot be used; no drive is mapped then
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

// Host folder without trailing "/" (the root stays "/").
std::string NormaliseHostFolder(std::string_view folder) {
  std::string out(folder);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool IsFolder(const std::string& hostFolder) {
  struct stat st {};
  return ::stat(hostFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Reads VORLISK_DRIVES into the table. A mapping that cannot be used (no letter, a relative or
// empty folder, "~", a folder that does not exist, a letter mapped twice) is an error, and so is a
// value that maps no letter at all (";"): a wash must never fall back to the host root that C:
// would otherwise stand for, so the table then maps no drive at all.
void LoadDefaults(DriveTable& t) {
  t.folders = {};
  t.handedOut = {};
  t.error.clear();
  t.folders['C' - 'A'] = "/";
  t.initialised = true;
  const char* env = std::getenv("VORLISK_DRIVES");
  if (env == nullptr) return;
  std::string_view rest(env);
  std::array<bool, 26> given{};
  bool mapsAny = rest.empty();  // an empty value is no value
  const auto fail = [&](std::string_view piece, const char* problem) {
    t.folders = {};
    t.error = "VORLISK_DRIVES=\"" + std::string(env) + "\" cannot be used: \"" +
              std::string(piece) + "\" " + problem;
  };
  while (!rest.empty()) {
    const auto semi = rest.find(';');
    std::string_view piece = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    if (Trim(piece).empty()) continue;
    const auto eq = piece.find('=');
    std::string letter = Trim(piece.substr(0, std::min(eq, piece.size())));
    if (letter.size() == 2 && letter[1] == ':') letter.pop_back();
    const std::string folder = eq == std::string_view::npos ? "" : Trim(piece.substr(eq + 1));
    const int idx = letter.size() == 1 ? LetterIndex(letter[0]) : -1;
    const char* problem = nullptr;
    if (idx < 0)
      problem = "names no drive letter";
    else if (folder.empty() || folder[0] != '/')
      problem = "needs an absolute host folder";
    else if (!IsFolder(folder))
      problem = "names a folder that does not exist";
    else if (given[static_cast<std::size_t>(idx)])
      problem = "maps a drive letter mapped before";
    if (problem != nullptr) return fail(piece, problem);
    given[static_cast<std::size_t>(idx)] = true;
    mapsAny = true;
    t.folders[static_cast<std::size_t>(idx)] = NormaliseHostFolder(folder);
  }
  if (!mapsAny) fail(env, "maps no drive letter");
}

DriveTable& Ready() {
  DriveTable& t = Table();
  if (!t.initialised) LoadDefaults(t);
  return t;
}

}  // namespace

void MapDrive(char letter, std::string_view hostFolder) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  if (idx < 0) return;
  Ready().folders[static_cast<std::size_t>(idx)] = NormaliseHostFolder(hostFolder);
  Ready().handedOut[static_cast<std::size_t>(idx)] = false;
}

void UnmapDrive(char letter) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  if (idx < 0) return;
  Ready().folders[static_cast<std::size_t>(idx)].reset();
  Ready().handedOut[static_cast<std::size_t>(idx)] = false;
}

void ResetDriveMappings() {
  std::lock_guard lock(TableMutex());
  LoadDefaults(Table());
}

std::string DriveMappingError() {
  std::lock_guard lock(TableMutex());
  return Ready().error;
}

std::optional<std::string> DriveMapping(char letter) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  if (idx < 0) return std::nullopt;
  return Ready().folders[static_cast<std::size_t>(idx)];
}

std::optional<std::string> ToHostPath(std::string_view windowsPath) {
  // A NUL would end the host path early: "C:\..<NUL>\x" would name a file above the drive.
  if (windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  if (windowsPath.size() > 2 && windowsPath[2] != '\\' && windowsPath[2] != '/')
    return std::nullopt;
  const auto folder = DriveMapping(windowsPath[0]);
  if (!folder) return std::nullopt;
  std::string rest(windowsPath.substr(std::min<std::size_t>(3, windowsPath.size())));
  for (char& c : rest)
    if (c == '\\') c = '/';
  // A second wall behind the resolution of "." and "..": a host path made from Windows text never
  // holds such a level, which the host would resolve as "stay" or "go up", above the folder named.
  if (HoldsDotLevel(rest)) return std::nullopt;
  std::string out = *folder;
  if (rest.empty()) return out;
  if (out.back() != '/') out += '/';
  return out + rest;
}

bool DriveIsFixed(char letter) {
  std::lock_guard lock(TableMutex());
  const int idx = LetterIndex(letter);
  return idx >= 0 && Ready().folders[static_cast<std::size_t>(idx)] &&
         !Ready().handedOut[static_cast<std::size_t>(idx)];
}

namespace {

// ToWindowsPath, on every mapped letter or on the fixed ones only.
std::optional<std::string> WindowsPathOn(std::string_view hostPath, bool fixedOnly) {
  if (hostPath.empty() || hostPath[0] != '/') return std::nullopt;
  std::lock_guard lock(TableMutex());
  const DriveTable& t = Ready();
  int best = -1;
  std::size_t bestLen = 0;
  for (int i = 0; i < 26; ++i) {
    const auto& f = t.folders[static_cast<std::size_t>(i)];
    if (!f || (fixedOnly && t.handedOut[static_cast<std::size_t>(i)])) continue;
    const std::string& folder = *f;
    bool inside = false;
    if (folder == "/") {
      inside = true;
    } else if (hostPath.substr(0, folder.size()) == folder &&
               (hostPath.size() == folder.size() || hostPath[folder.size()] == '/')) {
      inside = true;
    }
    // Longest folder wins; on a tie the earlier letter.
    const std::size_t len = folder == "/" ? 0 : folder.size();
    if (inside && (best < 0 || len > bestLen)) {
      best = i;
      bestLen = len;
    }
  }
  if (best < 0) return std::nullopt;
  std::string rest(hostPath.substr(bestLen));
  while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  for (char& c : rest)
    if (c == '/') c = '\\';
  std::string out;
  out += static_cast<char>('A' + best);
  out += ":\\";
  return out + rest;
}

}  // namespace

std::optional<std::string> ToWindowsPath(std::string_view hostPath) {
  return WindowsPathOn(hostPath, false);
}

std::optional<std::string> ToFixedWindowsPath(std::string_view hostPath) {
  return WindowsPathOn(hostPath, true);
}

std::string ToWindowsPathMappingIfNeeded(std::string_view hostFolder) {
  if (auto w = ToWindowsPath(hostFolder)) return *w;
  {
    std::lock_guard lock(TableMutex());
    DriveTable& t = Ready();
    for (int i = 25; i >= 3; --i) {
      auto& f = t.folders[static_cast<std::size_t>(i)];
      if (!f) {
        f = NormaliseHostFolder(hostFolder);
        t.handedOut[static_cast<std::size_t>(i)] = true;
        break;
      }
    }
  }
  return ToWindowsPath(hostFolder).value_or(std::string());
}

ScopedDriveMapping::ScopedDriveMapping(char letter, std::string_view hostFolder)
    : letter_(letter), previous_(DriveMapping(letter)) {
  MapDrive(letter, hostFolder);
}

ScopedDriveMapping::~ScopedDriveMapping() {
  if (previous_)
    MapDrive(letter_, *previous_);
  else
    UnmapDrive(letter_);
}

}  // namespace vorlisk::platform
