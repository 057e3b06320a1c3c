// Windows only: directory enumeration, attributes, deletion, copying and in-place writing.
//
// Folders are held open and opened through each other: a walk lists a folder through its handle
// (GetFileInformationByHandleEx, FileIdBothDirectoryInfo, in large buffers: names, attributes,
// sizes, times and file IDs in one pass, no open per file) and opens a subfolder relative to it
// (NtCreateFile with the parent as root directory and FILE_OPEN_REPARSE_POINT). A relative open
// reaches the entry the listing saw in that very folder, however the path above it changes, and
// what it opened is checked on the open handle: a subfolder swapped for a link or a junction is
// the link itself, refused, never entered. Holding every level open by path instead would cost a
// handle per level of a deep tree and still leave the last level to a path lookup; the engine
// holds one folder at a time and climbs back through Parent(), checked by identity.
//
// Reparse points are never followed in passing: entries are opened with FILE_OPEN_REPARSE_POINT,
// a name-surrogate one (symbolic link, junction, mount point) is a link, reported with
// kAttrReparsePoint (and kAttrDirectory for a folder one), deleted as a link, never written.
// No reparse folder of any tag is entered by a walk. A reparse file of another tag (a cloud
// placeholder, a deduplicated file) is an ordinary file to the walk.
//
// A file's identity is the volume serial number and the 64-bit file ID. An entry named like a DOS
// device (aux.log, con.txt, COM1) is an entry like any other: every path is given to the system
// relative to an open folder or in the "\\?\" form (win32::ApiPath), which names the file of that
// name, never the device.
// windows.h first, as win32_util.h sets it up.
#include "platform/win32/file_util_win32.h"
// Then the headers that need it.
#include <aclapi.h>
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/drives.h"
#include "platform/filesystem.h"
#include "platform/listed_folder.h"
#include "platform/text.h"
#include "platform/wildcard.h"

namespace vorlisk::platform {

namespace {

using win32::Handle;
using win32::kShareAll;
using win32::NtOpen;

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

}  // namespace

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                               PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                               BOOLEAN);

namespace {

// The attributes the folder's listing gives the entry `name`; nullopt when it lists none. An
// open handle tells whether it is a reparse point, but Wine follows a host symbolic link even
// where it is asked not to, and shows it as a reparse point only in the listing: the two looks
// together refuse a link on either system.
std::optional<DWORD> ListedAttributes(HANDLE folder, std::wstring_view name) {
  // A name with a wildcard of the listing's own ("*?<>\"") would match others.
  if (name.empty() || name.find_first_of(L"*?<>\"") != std::wstring_view::npos) return std::nullopt;
  alignas(8) BYTE buffer[sizeof(FILE_ID_BOTH_DIR_INFO) + 520 * sizeof(wchar_t)];
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  IO_STATUS_BLOCK io{};
  if (NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                           FileIdBothDirectoryInformation, TRUE, &text, TRUE) < 0)
    return std::nullopt;
  return reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer)->FileAttributes;
}

// What one open entry is.
struct Info {
  BY_HANDLE_FILE_INFORMATION by{};
  DWORD tag = 0;            // reparse tag
  uint64_t allocation = 0;  // bytes on disk
  bool Directory() const { return by.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY; }
  bool Reparse() const { return by.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT; }
  // A name surrogate: a symbolic link, a junction, a mount point. A tag that cannot be read
  // counts as one.
  bool Link() const { return Reparse() && (tag == 0 || IsReparseTagNameSurrogate(tag)); }
  uint64_t Size() const { return (uint64_t{by.nFileSizeHigh} << 32) | by.nFileSizeLow; }
  FileIdentity Identity() const {
    return {by.dwVolumeSerialNumber, (uint64_t{by.nFileIndexHigh} << 32) | by.nFileIndexLow};
  }
};

std::optional<Info> InfoOf(HANDLE h) {
  Info info;
  if (!::GetFileInformationByHandle(h, &info.by)) return std::nullopt;
  if (info.Reparse()) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
      info.tag = tag.ReparseTag;
  }
  FILE_STANDARD_INFO standard{};
  info.allocation = ::GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard)
                        ? static_cast<uint64_t>(standard.AllocationSize.QuadPart)
                        : info.Size();
  return info;
}

// Is the entry a real folder, by the open handle and by the listing of its folder?
bool RealFolder(HANDLE folder, std::wstring_view name, const Info& opened) {
  if (!opened.Directory() || opened.Reparse()) return false;
  const auto listed = ListedAttributes(folder, name);
  return listed && (*listed & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Can the name be Windows text that names this entry? A control character would split a path
// over two lines of a list or a log, a "\" would read as a path, and a lone surrogate has no
// UTF-8.
bool IsWindowsName(std::wstring_view wide) {
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = wide[i];
    if (c < 0x20 || c == 0x7F || c == L'\\' || c == L'/') return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// A level that may be opened relative to a folder: one name.
bool IsPlainLevel(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("\\/\0", 3)) == std::string_view::npos;
}

std::wstring Join(const std::wstring& folder, std::wstring_view name) {
  std::wstring out = folder;
  if (out.empty() || out.back() != L'\\') out += L'\\';
  return out.append(name);
}

// "\??\C:\a\b" into its root ("\??\C:\", "\??\UNC\server\share\", "\??\Volume{...}\") and
// levels; nullopt for anything else.
std::optional<std::pair<std::wstring, std::vector<std::wstring>>> SplitNtPath(
    std::wstring_view nt) {
  if (!nt.starts_with(L"\\??\\")) return std::nullopt;
  std::vector<std::wstring> levels;
  for (std::size_t at = 4; at <= nt.size();) {
    const std::size_t slash = std::min(nt.find(L'\\', at), nt.size());
    if (slash > at) levels.emplace_back(nt.substr(at, slash - at));
    at = slash + 1;
  }
  const std::size_t rootLevels =
      !levels.empty() && levels[0].size() == 3 && _wcsicmp(levels[0].c_str(), L"UNC") == 0 ? 3 : 1;
  if (levels.size() < rootLevels) return std::nullopt;
  std::wstring root = L"\\??";
  for (std::size_t i = 0; i < rootLevels; ++i) root += L"\\" + levels[i];
  root += L"\\";
  levels.erase(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(rootLevels));
  // "." stays, ".." goes up (never above the root), as the system resolves a link's target.
  std::vector<std::wstring> resolved;
  for (auto& level : levels) {
    if (level == L".") continue;
    if (level == L"..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(level));
  }
  return std::make_pair(std::move(root), std::move(resolved));
}

// Did the user, the system or the administrators make this entry (its owner)? Only their links
// are followed on the way to a folder an entry names.
bool OwnedByUserOrSystem(HANDLE h) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                        nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  bool trusted = owner != nullptr && (::IsWellKnownSid(owner, WinLocalSystemSid) ||
                                      ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
  if (owner != nullptr && !trusted) {
    // The process's user.
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
      alignas(8) BYTE buffer[256];
      DWORD size = 0;
      if (::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
        trusted = ::EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
      ::CloseHandle(token);
    }
  }
  if (owner != nullptr && !trusted) {
    // TrustedInstaller, which owns the system's own links.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID installer = nullptr;
    if (::AllocateAndInitializeSid(&nt, 6, 80, 956008885, 3418522649, 1831038044, 1853292631,
                                   2271478464, 0, 0, &installer)) {
      trusted = ::EqualSid(owner, installer);
      ::FreeSid(installer);
    }
  }
  ::LocalFree(descriptor);
  return trusted;
}

// The reparse data of a symbolic link or a junction, as the system keeps it.
struct ReparseData {
  DWORD ReparseTag;
  WORD ReparseDataLength;
  WORD Reserved;
  WORD SubstituteNameOffset;
  WORD SubstituteNameLength;
  WORD PrintNameOffset;
  WORD PrintNameLength;
};

// Where a link leads, as a path of the system's form ("\??\C:\x"); a relative symbolic link is
// taken from `linkFolder`. nullopt for any other reparse point.
std::optional<std::wstring> LinkTarget(HANDLE link, const std::wstring& linkFolder) {
  alignas(8) BYTE buffer[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
  DWORD size = 0;
  if (!::DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, sizeof buffer, &size,
                         nullptr) ||
      size < sizeof(ReparseData))
    return std::nullopt;
  const auto* data = reinterpret_cast<const ReparseData*>(buffer);
  // Symbolic links carry a flags word before the names; junctions do not.
  std::size_t names = sizeof(ReparseData);
  bool relative = false;
  if (data->ReparseTag == IO_REPARSE_TAG_SYMLINK) {
    ULONG flags = 0;
    if (size < names + sizeof flags) return std::nullopt;
    std::memcpy(&flags, buffer + names, sizeof flags);
    relative = flags & 1;  // SYMLINK_FLAG_RELATIVE
    names += sizeof flags;
  } else if (data->ReparseTag != IO_REPARSE_TAG_MOUNT_POINT) {
    return std::nullopt;
  }
  const std::size_t begin = names + data->SubstituteNameOffset;
  if (begin + data->SubstituteNameLength > size || data->SubstituteNameLength == 0)
    return std::nullopt;
  std::wstring target(data->SubstituteNameLength / sizeof(wchar_t), L'\0');
  std::memcpy(target.data(), buffer + begin, data->SubstituteNameLength);
  if (!relative) return target;
  if (!target.empty() && target[0] == L'\\') {  // "\x": the root of the link's own volume
    const auto split = SplitNtPath(linkFolder);
    return split ? split->first + target.substr(1) : std::optional<std::wstring>();
  }
  return Join(linkFolder, target);
}

// More links than this on the way to one folder are a loop, as the system counts them.
constexpr int kMaxLinkHops = 63;

class Win32FolderHandle;
std::unique_ptr<Win32FolderHandle> AdoptFolder(Handle h, std::wstring nt);

class Win32FolderHandle final : public FolderHandle {
 public:
  Win32FolderHandle(Handle h, std::wstring nt, const FileIdentity& id)
      : h_(std::move(h)), nt_(std::move(nt)), id_(id) {}

  HANDLE Get() const { return h_.get(); }

  std::unique_ptr<FolderHandle> Subfolder(std::string_view name) const override {
    return OpenSubfolder(name);
  }
  // The real subfolder of this name, opened through this folder and checked on the open handle:
  // no reparse point of any tag (a link, a junction, a mount point) is entered.
  std::unique_ptr<Win32FolderHandle> OpenSubfolder(std::string_view name) const {
    if (!IsPlainLevel(name)) return nullptr;
    const std::wstring wide = win32::Wide(name);
    Handle child = NtOpen(h_.get(), wide, kFolderAccess, kShareAll,
                          FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    const auto info = child ? InfoOf(child.get()) : std::nullopt;
    if (!info || !RealFolder(h_.get(), wide, *info)) return nullptr;
    return std::make_unique<Win32FolderHandle>(std::move(child), Join(nt_, wide), info->Identity());
  }

  std::unique_ptr<FolderHandle> Parent() const override { return OpenParent(); }
  // The folder above by its path now (the caller checks its identity); none above a root.
  std::unique_ptr<Win32FolderHandle> OpenParent() const {
    const auto split = SplitNtPath(nt_);
    if (!split || split->second.empty()) return nullptr;
    std::wstring parent = split->first;
    for (std::size_t i = 0; i + 1 < split->second.size(); ++i)
      parent = Join(parent, split->second[i]);
    return AdoptFolder(NtOpen(nullptr, parent, kFolderAccess, kShareAll,
                              FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT),
                       parent);
  }
  // A second handle of this very folder.
  std::unique_ptr<Win32FolderHandle> Reopen() const {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), h_.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
      return nullptr;
    return std::make_unique<Win32FolderHandle>(Handle(copy), nt_, id_);
  }

  FileIdentity Identity() const override { return id_; }

  bool List(std::string_view maskText, const std::function<bool(const FindData&)>& onEntry,
            std::vector<std::string>* subfolders, FindDetail detail) override;
  std::size_t UnnamableFiles() const override { return unnamable_; }

 private:
  Handle h_;
  std::wstring nt_;  // the path it was reached by, in the system's form
  FileIdentity id_;
  std::size_t unnamable_ = 0;
};

std::unique_ptr<Win32FolderHandle> AdoptFolder(Handle h, std::wstring nt) {
  const auto info = h ? InfoOf(h.get()) : std::nullopt;
  if (!info || !info->Directory()) return nullptr;
  return std::make_unique<Win32FolderHandle>(std::move(h), std::move(nt), info->Identity());
}

int64_t UnixSecondsOf(const LARGE_INTEGER& ticks) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks.QuadPart & 0xFFFFFFFF);
  t.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks.QuadPart) >> 32);
  return win32::UnixSeconds(t);
}

// One pass over the folder, a buffer of entries per call; every detail comes with the listing,
// so FindDetail changes nothing here.
bool Win32FolderHandle::List(std::string_view maskText,
                             const std::function<bool(const FindData&)>& onEntry,
                             std::vector<std::string>* subfolders, FindDetail) {
  const WildcardMask mask(maskText);
  unnamable_ = 0;
  constexpr std::size_t kBufferBytes = 64 * 1024;
  const auto buffer = std::make_unique<LONGLONG[]>(kBufferBytes / sizeof(LONGLONG));
  FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
  FindData data;
  for (;;) {
    if (!::GetFileInformationByHandleEx(h_.get(), request, buffer.get(), kBufferBytes))
      return ::GetLastError() == ERROR_NO_MORE_FILES || request == FileIdBothDirectoryInfo;
    request = FileIdBothDirectoryInfo;
    const auto* bytes = reinterpret_cast<const BYTE*>(buffer.get());
    for (std::size_t at = 0;;) {
      const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
      const std::wstring_view wide(e->FileName, e->FileNameLength / sizeof(wchar_t));
      const std::size_t next = e->NextEntryOffset;
      if (wide != L"." && wide != L"..") {
        const DWORD attributes = e->FileAttributes;
        const bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
        const bool reparse = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
        // The listing gives a reparse point's tag in place of the size of extended attributes.
        const DWORD tag = reparse ? e->EaSize : 0;
        const bool link = reparse && (tag == 0 || IsReparseTagNameSurrogate(tag));
        const std::string name = win32::Utf8(wide);
        if (!IsWindowsName(wide)) {  // never reported or entered, only counted
          if (!directory && !link && mask.Matches(name)) ++unnamable_;
        } else {
          if (subfolders && directory && !reparse) subfolders->push_back(name);
          if (mask.Matches(name)) {
            data.name = name;
            // A reparse file of another tag is a file; a reparse folder of any tag stays one.
            data.attributes = reparse && !link && !directory
                                  ? attributes & ~DWORD{FILE_ATTRIBUTE_REPARSE_POINT}
                                  : attributes;
            data.size = directory ? 0 : static_cast<uint64_t>(e->EndOfFile.QuadPart);
            data.creationTime = UnixSecondsOf(e->CreationTime);
            data.lastAccessTime = UnixSecondsOf(e->LastAccessTime);
            data.lastWriteTime = UnixSecondsOf(e->LastWriteTime);
            data.identity = {id_.device, static_cast<uint64_t>(e->FileId.QuadPart)};
            if (!onEntry(data)) return true;
          }
        }
      }
      if (next == 0) break;
      at += next;
    }
  }
}

// Opens the folder of Windows text as a wash reaches it: the drive's folder by its path, then
// level by level, each through the one before it, never following a link in passing. A link is
// followed only when the user, the system or the administrators own it, and its target is then
// walked the same way. nullptr when the folder cannot be reached so.
std::unique_ptr<Win32FolderHandle> OpenFolderOf(std::string_view folder) {
  const std::string full = FullPathName(folder);
  if (!ToHostPath(full)) return nullptr;
  const auto driveFolder = DriveMapping(full[0]);
  if (!driveFolder) return nullptr;
  std::wstring driveNt = win32::NtPathOf(win32::LongPath(win32::Wide(*driveFolder)));
  if (driveNt.size() == 6 && driveNt[5] == L':') driveNt += L'\\';
  auto start = SplitNtPath(driveNt);
  if (!start) return nullptr;
  std::wstring at = start->first;
  for (const auto& level : start->second) at = Join(at, level);
  Handle h = NtOpen(nullptr, at, kFolderAccess, kShareAll, FILE_DIRECTORY_FILE);

  std::vector<std::wstring> pending;  // levels still to walk, the next one last
  const std::string rest = full.substr(std::min<std::size_t>(3, full.size()));
  for (std::size_t i = 0; i <= rest.size();) {
    const std::size_t slash = std::min(rest.find('\\', i), rest.size());
    if (slash > i) pending.push_back(win32::Wide(rest.substr(i, slash - i)));
    i = slash + 1;
  }
  std::reverse(pending.begin(), pending.end());
  int hops = 0;
  while (h && !pending.empty()) {
    const std::wstring level = std::move(pending.back());
    pending.pop_back();
    Handle next =
        NtOpen(h.get(), level, kFolderAccess | READ_CONTROL, kShareAll, FILE_OPEN_REPARSE_POINT);
    if (!next) return nullptr;
    const auto info = InfoOf(next.get());
    if (!info) return nullptr;
    if (info->Directory() && !info->Link()) {  // a real folder (or one of another reparse tag)
      // Unless the listing shows a link that the open followed all the same (Wine): taken only
      // when its owner's.
      const auto listed = ListedAttributes(h.get(), level);
      if (!listed || ((*listed & FILE_ATTRIBUTE_REPARSE_POINT) && !info->Reparse() &&
                      (!OwnedByUserOrSystem(next.get()) || ++hops > kMaxLinkHops)))
        return nullptr;
      h = std::move(next);
      at = Join(at, level);
      continue;
    }
    if (!info->Link() || !OwnedByUserOrSystem(next.get()) || ++hops > kMaxLinkHops) return nullptr;
    const auto target = LinkTarget(next.get(), at);
    const auto split = target ? SplitNtPath(*target) : std::nullopt;
    if (!split) return nullptr;
    at = split->first;
    h = NtOpen(nullptr, at, kFolderAccess, kShareAll,
               FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    pending.insert(pending.end(), split->second.rbegin(), split->second.rend());
  }
  return AdoptFolder(std::move(h), at);
}

bool ReadFolder(std::string_view pattern, const std::function<bool(const FindData&)>& onEntry,
                std::vector<std::string>* subfolders, FindDetail detail) {
  const auto folder = OpenFolderOf(ExtractFilePath(pattern));
  return folder && folder->List(ExtractFileName(pattern), onEntry, subfolders, detail);
}

// The entry `name` of the open folder `folder` (none: `name` is a whole path of the system's
// form), the entry itself when it is a link.
Handle OpenEntry(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share = kShareAll,
                 ULONG options = 0) {
  return NtOpen(folder, name, access, share, options | FILE_OPEN_REPARSE_POINT);
}

// The system's path of Windows text, or "".
std::wstring NtPathOfText(std::string_view path) {
  const auto api = win32::ApiPathOf(path);
  return api ? win32::NtPathOf(*api) : std::wstring();
}

FileStatus StatusFrom(const Info& info) {
  FileStatus s;
  s.isLink = info.Link();
  s.isDirectory = info.Directory();
  s.isFile = !s.isDirectory;
  if (!s.isDirectory && !s.isLink) {
    s.linkCount = info.by.nNumberOfLinks;
    s.size = info.Size();
    s.sizeOnDisk = std::min(s.size, info.allocation);
  }
  s.attributes = info.by.dwFileAttributes;
  return s;
}

std::optional<FileStatus> StatusAt(HANDLE folder, std::wstring_view name) {
  if (name.empty()) return std::nullopt;
  const Handle h = OpenEntry(folder, name, FILE_READ_ATTRIBUTES);
  const auto info = h ? InfoOf(h.get()) : std::nullopt;
  return info ? std::optional<FileStatus>(StatusFrom(*info)) : std::nullopt;
}

bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME || error == ERROR_DIRECTORY;
}

// Marks the open entry deleted: it goes when its last handle is closed.
bool MarkDeleted(HANDLE h) {
  FILE_DISPOSITION_INFO gone{TRUE};
  return ::SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone);
}

bool SetAttributesOn(HANDLE h, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // zero times stay as they are
  basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
}

// DeleteExistingFile of `name` in the folder (none: a whole path), opened once and looked at
// on the open handle.
DeleteOutcome DeleteExistingAt(HANDLE folder, std::wstring_view name, bool clearReadOnly,
                               uint64_t* freedBytes = nullptr) {
  if (name.empty()) return DeleteOutcome::Missing;
  Handle h = OpenEntry(folder, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  if (!h) {
    const DWORD error = ::GetLastError();
    if (IsMissingError(error)) return DeleteOutcome::Missing;
    // Looked at without the right to change it: a folder is missing, a read-only file kept.
    const auto status = StatusAt(folder, name);
    if (!status || !status->isFile) return DeleteOutcome::Missing;
    if ((status->attributes & FILE_ATTRIBUTE_READONLY) && !clearReadOnly)
      return DeleteOutcome::ReadOnly;
    ::SetLastError(error);
    return DeleteOutcome::Failed;
  }
  const auto info = InfoOf(h.get());
  if (!info || info->Directory()) return DeleteOutcome::Missing;  // a folder, or a link to one
  const DWORD attributes = info->by.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!clearReadOnly) return DeleteOutcome::ReadOnly;
    if (!SetAttributesOn(h.get(),
                         attributes & ~DWORD{FILE_ATTRIBUTE_READONLY} &
                             ~DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT}))
      return DeleteOutcome::Failed;
  }
  if (!MarkDeleted(h.get())) return DeleteOutcome::Failed;
  h.Reset();
  if (freedBytes)
    *freedBytes = !info->Link() && info->by.nNumberOfLinks == 1
                      ? std::min(info->Size(), info->allocation)
                      : 0;
  return DeleteOutcome::Deleted;
}

class Win32FileWriter final : public FileWriter {
 public:
  Win32FileWriter(Handle h, uint64_t size, bool sparse)
      : h_(std::move(h)), size_(size), sparse_(sparse) {}

  uint64_t Size() const override { return size_; }

  bool WriteAt(uint64_t offset, const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
      OVERLAPPED at{};
      const uint64_t where = offset + done;
      at.Offset = static_cast<DWORD>(where & 0xFFFFFFFF);
      at.OffsetHigh = static_cast<DWORD>(where >> 32);
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(h_.get(), bytes + done, chunk, &written, &at) || written == 0) break;
      done += written;
    }
    size_ = std::max<uint64_t>(size_, offset + done);
    return done == size;
  }

  std::optional<ByteRange> NextData(uint64_t from) override {
    if (from >= size_) return std::nullopt;
    if (!sparse_) return ByteRange{from, size_ - from};  // no holes to skip
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = static_cast<LONGLONG>(from);
    query.Length.QuadPart = static_cast<LONGLONG>(size_ - from);
    FILE_ALLOCATED_RANGE_BUFFER range{};
    DWORD bytes = 0;
    // ERROR_MORE_DATA: more ranges follow the first, which is all that is asked. Any other
    // failure counts the rest as data: overwriting too much is safe, too little is not.
    if (!::DeviceIoControl(h_.get(), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &range,
                           sizeof range, &bytes, nullptr) &&
        ::GetLastError() != ERROR_MORE_DATA)
      return ByteRange{from, size_ - from};
    if (bytes < sizeof range) return std::nullopt;  // only holes from here
    const uint64_t begin =
        std::max<uint64_t>(from, static_cast<uint64_t>(range.FileOffset.QuadPart));
    const uint64_t end = std::min<uint64_t>(
        size_, static_cast<uint64_t>(range.FileOffset.QuadPart + range.Length.QuadPart));
    if (begin >= end) return std::nullopt;
    return ByteRange{begin, end - begin};
  }

  bool Flush() override {
    if (win32::WriteFault() == "flush") return false;
    return ::FlushFileBuffers(h_.get());
  }

 private:
  Handle h_;
  uint64_t size_;
  bool sparse_;
};

// FileWriter::OpenExisting of `name` in the folder (none: a whole path). Opened without
// sharing, with the right to delete it (which a folder that keeps its files denies) and to read
// it (which the query of a sparse file's ranges needs), and checked on the open handle.
std::unique_ptr<FileWriter> OpenExistingAt(HANDLE folder, std::wstring_view name) {
  if (name.empty()) return nullptr;
  constexpr ACCESS_MASK kAccess = FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | DELETE;
  constexpr ULONG kOptions = FILE_NON_DIRECTORY_FILE;
  Handle h = OpenEntry(folder, name, kAccess | FILE_READ_DATA, 0, kOptions);
  if (!h && ::GetLastError() == ERROR_ACCESS_DENIED)
    h = OpenEntry(folder, name, kAccess, 0, kOptions);
  if (!h) return nullptr;
  const auto info = InfoOf(h.get());
  // Refused as the system refuses a write: a link or any other reparse point, a read-only file,
  // a file with other hard links (their contents would change too).
  if (!info || info->Directory() || info->Reparse() ||
      (info->by.dwFileAttributes & FILE_ATTRIBUTE_READONLY) || info->by.nNumberOfLinks != 1) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return std::make_unique<Win32FileWriter>(
      std::move(h), info->Size(), (info->by.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0);
}

}  // namespace

std::unique_ptr<FolderHandle> FolderHandle::Open(std::string_view folder) {
  return OpenFolderOf(folder);
}

bool FindFiles(std::string_view pattern, const std::function<bool(const FindData&)>& onEntry,
               FindDetail detail) {
  return ReadFolder(pattern, onEntry, nullptr, detail);
}

bool FindFilesAndSubfolders(std::string_view pattern,
                            const std::function<bool(const FindData&)>& onEntry,
                            std::vector<std::string>& subfolders, FindDetail detail) {
  return ReadFolder(pattern, onEntry, &subfolders, detail);
}

std::optional<FileStatus> GetFileStatus(std::string_view path) {
  return StatusAt(nullptr, NtPathOfText(path));
}

std::optional<FileIdentity> GetFileIdentity(std::string_view path) {
  const std::wstring nt = NtPathOfText(path);
  if (nt.empty()) return std::nullopt;
  // The final link followed: only looked at.
  const Handle h = NtOpen(nullptr, nt, FILE_READ_ATTRIBUTES, kShareAll, 0);
  const auto info = h ? InfoOf(h.get()) : std::nullopt;
  return info ? std::optional<FileIdentity>(info->Identity()) : std::nullopt;
}

std::optional<uint32_t> FileAttributesOf(std::string_view path) {
  const auto status = GetFileStatus(path);
  if (!status) return std::nullopt;
  return status->attributes;
}

bool SetFileAttributesOf(std::string_view path, uint32_t attributes) {
  const std::wstring nt = NtPathOfText(path);
  if (nt.empty()) return false;
  const Handle h = OpenEntry(nullptr, nt, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  const auto info = h ? InfoOf(h.get()) : std::nullopt;
  if (!info || info->Reparse()) return false;  // never through a link, nor on one
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  return SetAttributesOn(
      h.get(), (attributes & kSettable) | (info->Directory() ? FILE_ATTRIBUTE_DIRECTORY : 0));
}

bool FileExists(std::string_view path) {
  const auto status = GetFileStatus(path);
  return status && status->isFile;
}

bool DirectoryExists(std::string_view path) {
  const auto status = GetFileStatus(path);
  return status && status->isDirectory;
}

bool RemoveFile(std::string_view path) {
  const std::wstring nt = NtPathOfText(path);
  if (nt.empty()) return false;
  // A link to a folder is removed as the link it is; a real folder never.
  if (const auto status = StatusAt(nullptr, nt); status && status->isLink && status->isDirectory) {
    const Handle h = OpenEntry(nullptr, nt, DELETE | FILE_READ_ATTRIBUTES);
    const auto info = h ? InfoOf(h.get()) : std::nullopt;
    return info && info->Link() && MarkDeleted(h.get());
  }
  return DeleteExistingAt(nullptr, nt, false) == DeleteOutcome::Deleted;
}

DeleteOutcome DeleteExistingFile(std::string_view path) { return FileRemover().Remove(path); }

// The open folder of the last file. Without a listing, its Windows text and handle. With one, the
// folder the search listed it in, reached from the folder the entry named through real subfolders
// only (ListedFolder, platform/listed_folder.h).
struct FileRemover::OpenFolder {
  // The open folder of `file` (nullptr when it cannot be reached); `name` is the file's name in
  // it.
  HANDLE For(FileInFolder file, std::wstring& name, const ListedIn* listed) {
    if (listed) return Listed(file, name, *listed);
    std::string path(file.folder);
    path += file.name;
    const std::string full = FullPathName(path);
    const std::size_t cut = full.rfind('\\');
    if (cut == std::string::npos || cut + 1 == full.size() || !ToHostPath(full) ||
        !IsPlainLevel(std::string_view(full).substr(cut + 1)))
      return nullptr;
    const std::string folderText = full.substr(0, cut + 1);
    if (!plain || folderText != plainText) {
      plain = OpenFolderOf(folderText);
      plainText = folderText;
    }
    name = win32::Wide(std::string_view(full).substr(cut + 1));
    return plain ? plain->Get() : nullptr;
  }

  HANDLE Listed(FileInFolder file, std::wstring& name, const ListedIn& listed) {
    const std::string_view folder = file.folder;
    if (file.name.empty() || file.name.find('\\') != std::string_view::npos || folder.empty() ||
        folder.back() != '\\' || listed.anchorLength == 0 || listed.anchorLength > folder.size() ||
        folder[listed.anchorLength - 1] != '\\' || !IsPlainLevel(file.name))
      return nullptr;
    name = win32::Wide(file.name);
    Win32FolderHandle* const open = listed_.Find(folder, listed, OpenFolderOf);
    return open ? open->Get() : nullptr;
  }

  // Without a listing.
  std::string plainText;
  std::unique_ptr<Win32FolderHandle> plain;
  // With one.
  ListedFolder<Win32FolderHandle> listed_;
};

FileRemover::FileRemover() : folder_(std::make_unique<OpenFolder>()) {}
FileRemover::~FileRemover() = default;

DeleteOutcome FileRemover::Remove(FileInFolder file, bool clearReadOnly, uint64_t* freedBytes,
                                  const ListedIn* listed, const FileStatus* /*looked*/) {
  // The deletion opens the file and reads what it needs from the open handle: a look taken
  // before would save nothing here.
  std::wstring name;
  const HANDLE folder = folder_->For(file, name, listed);
  return folder == nullptr ? DeleteOutcome::Missing
                           : DeleteExistingAt(folder, name, clearReadOnly, freedBytes);
}

std::optional<FileStatus> FileRemover::Status(FileInFolder file, const ListedIn* listed) {
  std::wstring name;
  const HANDLE folder = folder_->For(file, name, listed);
  return folder == nullptr ? std::nullopt : StatusAt(folder, name);
}

std::unique_ptr<FileWriter> FileRemover::OpenForOverwrite(FileInFolder file,
                                                          const ListedIn* listed) {
  std::wstring name;
  const HANDLE folder = folder_->For(file, name, listed);
  return folder == nullptr ? nullptr : OpenExistingAt(folder, name);
}

bool FileRemover::RemoveEmptyFolder(std::string_view folder, const ListedIn& parent,
                                    const FileIdentity& identity) {
  const std::size_t anchor = parent.anchorLength;
  if (anchor == 0 || folder.size() <= anchor + 1 || folder.back() != '\\' ||
      folder[anchor - 1] != '\\')
    return false;
  // The parent, reached as the folder of a listed file; the folder itself is only named there.
  const std::size_t cut = folder.rfind('\\', folder.size() - 2);
  const std::string_view name = folder.substr(cut + 1, folder.size() - cut - 2);
  if (!IsPlainLevel(name)) return false;
  Win32FolderHandle* const at =
      folder_->listed_.Find(folder.substr(0, cut + 1), parent, OpenFolderOf);
  if (!at) return false;
  // The folder of a file without a listing may be this one: its handle must not keep it.
  folder_->plain.reset();
  // A real folder only, as a walk would enter it (never a link, a junction or a mount point), and
  // the one listed there, by the identity of the handle that deletes it.
  const std::wstring wide = win32::Wide(name);
  Handle h = NtOpen(at->Get(), wide, kFolderAccess | DELETE, kShareAll,
                    FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
  const auto info = h ? InfoOf(h.get()) : std::nullopt;
  if (!info || !RealFolder(at->Get(), wide, *info) || info->Identity() != identity) return false;
  // Empty: the listing holds "." and ".." at most. The system refuses to mark a folder that
  // holds anything; the look after the close tells that it is gone.
  bool empty = true;
  {
    Win32FolderHandle probe(std::move(h), {}, info->Identity());
    probe.List(
        "*", [&empty](const FindData&) { return empty = false; }, nullptr, FindDetail::KindOnly);
    if (!empty || probe.UnnamableFiles() != 0) return false;
    if (!MarkDeleted(probe.Get())) return false;
  }
  const Handle still =
      NtOpen(at->Get(), wide, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN_REPARSE_POINT);
  return !still;
}

std::string LastFileErrorText() { return win32::FileErrorText(::GetLastError()); }

bool MakeDirectory(std::string_view path) {
  const auto api = win32::ApiPathOf(path);
  return api && ::CreateDirectoryW(api->c_str(), nullptr);
}

bool CopyFileTo(std::string_view source, std::string_view target, bool failIfExists) {
  const auto from = win32::ApiPathOf(source);
  const auto to = win32::ApiPathOf(target);
  if (!from || !to) return false;
  // A read-only file is not replaced; a link is (never written through).
  if (const auto existing = StatusAt(nullptr, win32::NtPathOf(*to))) {
    if (failIfExists) return false;
    if (existing->isFile && !existing->isLink && (existing->attributes & FILE_ATTRIBUTE_READONLY))
      return false;
  }
  // The source is read through a link, as any reader.
  const Handle in(::CreateFileW(from->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!in || ::GetFileType(in.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(in.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  // The copy takes the source's attributes and times, as CopyFile gives them.
  win32::ReplaceOptions options;
  options.failIfExists = failIfExists;
  options.attributes = info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  if (options.attributes == 0) options.attributes = FILE_ATTRIBUTE_NORMAL;
  const DWORD error = win32::ReplaceFileAtomically(
      *to,
      [&](HANDLE out) -> DWORD {
        std::vector<char> buf(65536);
        for (;;) {
          DWORD n = 0;
          if (!::ReadFile(in.get(), buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr))
            return ::GetLastError();
          if (n == 0) break;
          DWORD written = 0;
          if (!::WriteFile(out, buf.data(), n, &written, nullptr)) return ::GetLastError();
          if (written != n) return ERROR_WRITE_FAULT;
        }
        return ::SetFileTime(out, nullptr, &info.ftLastAccessTime, &info.ftLastWriteTime)
                   ? 0
                   : ::GetLastError();
      },
      options);
  return error == 0;
}

std::unique_ptr<FileWriter> FileWriter::OpenExisting(std::string_view path) {
  return FileRemover().OpenForOverwrite(path);
}

}  // namespace vorlisk::platform
