// Windows only: the user's folders, from the shell's known folders (SHGetKnownFolderPath), and
// the folders a walk of every subfolder must never start from, compared by file identity.
// windows.h first, as win32_util.h sets it up.
#include "platform/win32/win32_util.h"
// The shell's known folders.
#include <shlobj.h>

#include <optional>

#include "platform/drives.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace vorlisk::platform {

using win32::Utf8;

namespace {

// A host folder with no trailing "\" but a root's ("C:\").
std::wstring WithoutTrailingBackslash(std::wstring folder) {
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder;
}

// The host folder of a known folder; empty when the system has none (or cannot tell).
std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
    folder = WithoutTrailingBackslash(path);
  ::CoTaskMemFree(path);
  return folder;
}

// The folder of temporary files, GetTempPathW without its trailing "\".
std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(static_cast<DWORD>(std::size(buffer)), buffer);
  if (n == 0 || n >= std::size(buffer)) return {};
  return WithoutTrailingBackslash(std::wstring(buffer, n));
}

// The root of the drive that holds Windows ("C:\").
std::wstring SystemRoot() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetSystemWindowsDirectoryW(buffer, static_cast<UINT>(std::size(buffer)));
  if (n < 2 || n >= std::size(buffer) || buffer[1] != L':') return {};
  return std::wstring(buffer, 2) + L"\\";
}

std::wstring Below(const std::wstring& folder, const wchar_t* sub) {
  return folder.empty() ? std::wstring() : folder + L"\\" + sub;
}

// Whether `folder` is `profile` or a folder above it, compared as text ignoring case.
bool HoldsProfile(const std::wstring& folder, const std::wstring& profile) {
  if (folder.empty() || profile.empty()) return false;
  const std::string f = UpperAZ(Utf8(folder)), p = UpperAZ(Utf8(profile));
  if (f == p) return true;
  const std::string prefix = f.back() == '\\' ? f : f + "\\";
  return p.starts_with(prefix);
}

struct Identity {
  DWORD volume = 0;
  uint64_t index = 0;
  bool operator==(const Identity&) const = default;
};

// The file a path (as the wide API takes it) names, links followed: it is only looked at.
win32::Handle OpenToLookAt(const std::wstring& apiPath) {
  return win32::Handle(::CreateFileW(apiPath.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<Identity> IdentityOf(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber,
                  (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<Identity> IdentityOfHost(const std::wstring& hostFolder) {
  if (hostFolder.empty()) return std::nullopt;
  const win32::Handle h = OpenToLookAt(win32::LongPath(hostFolder));
  return h ? IdentityOf(h.get()) : std::nullopt;
}

// The drive letter ("D:") or share ("\\server\share") whose root the open folder is; empty when
// it is no root.
std::wstring RootOf(HANDLE h) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = ::GetFinalPathNameByHandleW(h, buffer, static_cast<DWORD>(std::size(buffer)),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= std::size(buffer)) return {};
  std::wstring path(buffer, n);
  if (path.starts_with(L"\\\\?\\UNC\\")) {
    path = L"\\\\" + path.substr(8);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    // "\\server\share": two separators after the leading pair.
    std::size_t levels = 0;
    for (std::size_t i = 2; i < path.size(); ++i) levels += path[i] == L'\\' ? 1 : 0;
    return levels == 1 ? path : std::wstring();
  }
  if (path.starts_with(L"\\\\?\\")) path = path.substr(4);
  if (path.size() <= 3 && path.size() >= 2 && path[1] == L':' &&
      (path.size() == 2 || path[2] == L'\\'))
    return path.substr(0, 2);
  return {};
}

}  // namespace

namespace {
// The folders GuardedFolderName names beside the roots, as host folders with their names, the root
// of the system first.
std::vector<std::pair<std::wstring, std::string>> GuardedHostFolders() {
  std::vector<std::pair<std::wstring, std::string>> out;
  const std::wstring systemRoot = SystemRoot();
  out.emplace_back(systemRoot, "the root of the system");
  const std::wstring profile = KnownFolder(FOLDERID_Profile);
  out.emplace_back(profile, "your home folder");
  struct Named {
    const char* name;
    REFKNOWNFOLDERID id;
    const wchar_t* inProfile;  // the folder of that name in the profile, wherever it points now
  };
  static const Named kUserFolders[] = {
      {"Desktop", FOLDERID_Desktop, L"Desktop"},
      {"Documents", FOLDERID_Documents, L"Documents"},
      {"Downloads", FOLDERID_Downloads, L"Downloads"},
      {"Music", FOLDERID_Music, L"Music"},
      {"Pictures", FOLDERID_Pictures, L"Pictures"},
      {"Videos", FOLDERID_Videos, L"Videos"},
      {"Public", FOLDERID_Public, nullptr},
      {"Templates", FOLDERID_Templates, nullptr},
  };
  for (const Named& f : kUserFolders) {
    const std::string name = std::string("your ") + f.name + " folder";
    out.emplace_back(KnownFolder(f.id), name);
    if (f.inProfile) out.emplace_back(Below(profile, f.inProfile), name);
  }
  // The system's own folders, whose files no wash item means as a whole.
  static const std::pair<const char*, REFKNOWNFOLDERID> kSystemFolders[] = {
      {"the Windows folder", FOLDERID_Windows},
      {"the Program Files folder", FOLDERID_ProgramFiles},
      {"the folder of the users' profiles", FOLDERID_UserProfiles},
  };
  for (const auto& [name, known] : kSystemFolders) out.emplace_back(KnownFolder(known), name);
  return out;
}
}  // namespace

std::string GuardedFolderName(std::string_view folder) {
  const auto api = win32::ApiPath(folder);
  if (!api) return {};
  const win32::Handle h = OpenToLookAt(*api);
  const auto id = h ? IdentityOf(h.get()) : std::nullopt;
  if (!id) return {};
  // Any root: a drive of the system, another drive, a share.
  const std::wstring systemRoot = SystemRoot();
  if (const std::wstring root = RootOf(h.get()); !root.empty()) {
    if (!systemRoot.empty() && SameTextAZ(Utf8(root), Utf8(systemRoot.substr(0, 2))))
      return "the root of the system";
    return "the root of " + Utf8(root);
  }
  for (const auto& [host, name] : GuardedHostFolders())
    if (IdentityOfHost(host) == id) return name;
  return {};
}

GuardedFolders GuardedFolders::Now() {
  GuardedFolders guarded;
  const auto identity = [](const Identity& id) { return FileIdentity{id.volume, id.index}; };
  for (const auto& [host, name] : GuardedHostFolders()) {
    const auto self = IdentityOfHost(host);
    if (!self) continue;
    // The folders above it, by the text of its path: each level cut off in turn, up to the root.
    std::vector<FileIdentity> above;
    for (std::wstring at = host; at.size() > 3;) {
      const std::size_t cut = at.find_last_of(L'\\');
      if (cut == std::wstring::npos || cut < 2) break;
      at = WithoutTrailingBackslash(at.substr(0, cut == 2 ? 3 : cut));
      if (const auto id = IdentityOfHost(at)) above.push_back(identity(*id));
    }
    guarded.Add(identity(*self), above, name);
  }
  return guarded;
}

std::vector<std::pair<std::string, std::string>> UserFolders() {
  const std::wstring profile = KnownFolder(FOLDERID_Profile);
  const std::wstring local = KnownFolder(FOLDERID_LocalAppData);
  std::vector<std::pair<std::string, std::string>> out;
  // Folders as Windows text; one that no drive holds (a share) is left out.
  auto add = [&out](const char* name, const std::wstring& host) {
    if (host.empty()) return;
    if (auto windows = ToWindowsPath(Utf8(host))) out.emplace_back(name, std::move(*windows));
  };
  // The caches, whose whole content is disposable. One that is the profile or a folder above it
  // (a known folder pointed somewhere mistaken) holds the user's files, not a cache: left out.
  auto addCache = [&](const char* name, const std::wstring& host) {
    if (!HoldsProfile(host, profile)) add(name, host);
  };
  addCache("Cache", KnownFolder(FOLDERID_InternetCache));
  addCache("Thumbnails", Below(local, L"Microsoft\\Windows\\Explorer"));
  addCache("Firefox Cache", Below(local, L"Mozilla\\Firefox\\Profiles"));
  addCache("Chromium Cache", Below(local, L"Chromium\\User Data\\Default\\Cache"));
  addCache("Chrome Cache", Below(local, L"Google\\Chrome\\User Data\\Default\\Cache"));
  addCache("Brave Cache", Below(local, L"BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache"));
  addCache("Vivaldi Cache", Below(local, L"Vivaldi\\User Data\\Default\\Cache"));
  addCache("Opera Cache", Below(local, L"Opera Software\\Opera Stable\\Cache"));
  addCache("Edge Cache", Below(local, L"Microsoft\\Edge\\User Data\\Default\\Cache"));
  // The base folders, which entries name as %NAME% to reach a file or folder below them. The
  // folder of temporary files is left out, as a cache is, when it would be the profile.
  add("Home", profile);
  add("UserProfile", profile);
  add("AppData", KnownFolder(FOLDERID_RoamingAppData));
  add("LocalAppData", local);
  add("LocalLowAppData", KnownFolder(FOLDERID_LocalAppDataLow));
  if (const std::wstring temp = TempFolder(); !HoldsProfile(temp, profile)) add("Temp", temp);
  add("CommonAppData", KnownFolder(FOLDERID_ProgramData));
  add("ProgramFiles", KnownFolder(FOLDERID_ProgramFiles));
  add("CommonProgramFiles", KnownFolder(FOLDERID_ProgramFilesCommon));
  add("WinDir", KnownFolder(FOLDERID_Windows));
  add("SystemDrive", SystemRoot());
  // The user's own folders, which only an item of the user's own names.
  add("Desktop", KnownFolder(FOLDERID_Desktop));
  add("Documents", KnownFolder(FOLDERID_Documents));
  add("Downloads", KnownFolder(FOLDERID_Downloads));
  add("Music", KnownFolder(FOLDERID_Music));
  add("Pictures", KnownFolder(FOLDERID_Pictures));
  add("Videos", KnownFolder(FOLDERID_Videos));
  add("Templates", KnownFolder(FOLDERID_Templates));
  add("Public", KnownFolder(FOLDERID_Public));
  add("Recent", KnownFolder(FOLDERID_Recent));
  return out;
}

}  // namespace vorlisk::platform
