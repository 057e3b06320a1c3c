// Windows only: whole-file reads, atomic replacement, stale temporary files and file stamps, and
// the helpers the other file-system files share (file_util_win32.h).
// windows.h first, as win32_util.h sets it up.
#include "platform/win32/file_util_win32.h"
// Then the headers that need it.
#include <winternl.h>

#include <algorithm>
#include <mutex>
#include <random>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/thread_check.h"

namespace vorlisk::platform {

namespace win32 {

std::string FileErrorText(DWORD error) {
  switch (error) {
    // A missing folder on the way is a missing file to the user, as the POSIX side reports it.
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "File not found";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      return "Path not found";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANT_ACCESS_FILE:
    case ERROR_CANT_RESOLVE_FILENAME:
    case ERROR_DELETE_PENDING:
    case ERROR_PRIVILEGE_NOT_HELD:
      return "File access denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "Disk full";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "Too many open files";
    default:
      return "I/O error: " + ErrorText(error);
  }
}

std::optional<std::wstring> ApiPathOf(std::string_view windowsPath) {
  auto api = ApiPath(FullPathName(windowsPath));
  // "\\?\C:\" keeps its "\": without it the text names the volume.
  if (api)
    while (api->size() > 7 && api->back() == L'\\') api->pop_back();
  return api;
}

std::wstring NtPathOf(std::wstring_view apiPath) {
  std::wstring nt(apiPath);
  if (nt.starts_with(L"\\\\?\\") || nt.starts_with(L"\\\\.\\")) nt[1] = L'?', nt[2] = L'?';
  return nt;
}

Handle NtOpen(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG options,
              ULONG disposition, ULONG attributes) {
  if (name.empty() || name.size() > 32000) {
    ::SetLastError(name.empty() ? ERROR_INVALID_NAME : ERROR_FILENAME_EXCED_RANGE);
    return {};
  }
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE h = nullptr;
  const NTSTATUS status =
      ::NtCreateFile(&h, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share,
                     disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status < 0) {
    ::SetLastError(::RtlNtStatusToDosError(status));
    return {};
  }
  return Handle(h);
}

namespace {

std::string& FaultStorage() {
  static std::string fault;
  return fault;
}

// Is `name` one that ReplaceFileAtomically makes: "." + a file's name + ".tmp" + 1 to 9 digits?
// Then the name of the file it was to replace; otherwise nullopt.
std::optional<std::string_view> TempNameFor(std::string_view name) {
  const auto tmp = name.rfind(".tmp");
  if (name.size() < 2 || name.front() != '.' || tmp == std::string_view::npos || tmp < 2)
    return std::nullopt;
  const std::string_view digits = name.substr(tmp + 4);
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return name.substr(1, tmp - 1);
}

// How long a temporary file stays untouched before it may be taken for a dead writer's: it
// covers the moment a writer does not hold it (between closing it and moving it).
constexpr int kStaleTempAgeSeconds = 60;
int staleTempAge = kStaleTempAgeSeconds;

// The attribute bits a file may be given (the others belong to the system).
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

DWORD WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return 0;
}

}  // namespace

const std::string& WriteFault() { return FaultStorage(); }

DWORD ReplaceFileAtomically(const std::wstring& apiPath, const std::function<DWORD(HANDLE)>& fill,
                            const ReplaceOptions& options) {
  const std::size_t cut = apiPath.rfind(L'\\');
  if (cut == std::wstring::npos || cut + 1 == apiPath.size()) return ERROR_INVALID_NAME;
  const std::wstring folder = apiPath.substr(0, cut + 1);
  const std::wstring base = apiPath.substr(cut + 1);
  // Shared by every thread that writes.
  static std::mutex rngMutex;
  static std::mt19937_64 rng{std::random_device{}()};
  std::wstring tmp;
  Handle out;
  for (int attempt = 0; attempt < 16 && !out; ++attempt) {
    uint64_t number = 0;
    {
      std::lock_guard lock(rngMutex);
      number = rng() % 1000000000ULL;
    }
    tmp = folder + L"." + base + L".tmp" + std::to_wstring(number);
    // CREATE_NEW: never opened through a link (anything at the name fails it). No sharing: the
    // writer holds its file until it is closed right before the move.
    out = Handle(::CreateFileW(tmp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!out && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
      return ::GetLastError();
  }
  if (!out) return ERROR_FILE_EXISTS;
  // The attributes of the regular file being replaced (never those of a link's target).
  DWORD attributes = options.attributes;
  if (attributes == 0) {
    WIN32_FILE_ATTRIBUTE_DATA old{};
    if (::GetFileAttributesExW(apiPath.c_str(), GetFileExInfoStandard, &old) &&
        (old.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0)
      attributes = old.dwFileAttributes;
  }
  attributes &= kSettableAttributes;
  DWORD err = WriteFault() == "write" ? ERROR_DISK_FULL : fill(out.get());
  if (err == 0) {
    FILE_BASIC_INFO basic{};  // zero times stay as they are
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(out.get(), FileBasicInfo, &basic, sizeof basic))
      err = ::GetLastError();
  }
  if (err == 0 && !::FlushFileBuffers(out.get())) err = ::GetLastError();
  out.Reset();
  if (err == 0 && WriteFault() == "rename") err = ERROR_WRITE_FAULT;
  if (err == 0 && !::MoveFileExW(tmp.c_str(), apiPath.c_str(),
                                 MOVEFILE_WRITE_THROUGH |
                                     (options.failIfExists ? 0 : MOVEFILE_REPLACE_EXISTING)))
    err = ::GetLastError();
  if (err != 0) {
    // A read-only copy must lose the bit before it can go.
    ::SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(tmp.c_str());
    ::SetLastError(err);
  }
  return err;
}

}  // namespace win32

void SetWriteFaultForTesting(std::string_view fault) {
  TestSeamThread().Use();
  win32::FaultStorage() = std::string(fault);
}

std::optional<std::string> ReadFileBytes(std::string_view path) {
  const auto api = win32::ApiPathOf(path);
  if (!api) return std::nullopt;
  // Through a link, as any reader; a folder is not opened (no FILE_FLAG_BACKUP_SEMANTICS).
  win32::Handle in(::CreateFileW(api->c_str(), GENERIC_READ, win32::kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in || ::GetFileType(in.get()) != FILE_TYPE_DISK) return std::nullopt;
  LARGE_INTEGER size{};
  std::string bytes;
  if (::GetFileSizeEx(in.get(), &size) && size.QuadPart > 0)
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char buf[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(in.get(), buf, sizeof buf, &n, nullptr)) return std::nullopt;
    if (n == 0) break;
    bytes.append(buf, n);
  }
  return bytes;
}

void WriteFileAtomically(std::string_view path, std::string_view bytes) {
  const std::string shown(path);
  const auto api = win32::ApiPathOf(path);
  if (!api) throw WriteError(shown);
  // A read-only file is not replaced (MoveFileEx would refuse it too); a link is.
  const DWORD old = ::GetFileAttributesW(api->c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) &&
      (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0)
    throw WriteError(shown);
  if (win32::ReplaceFileAtomically(
          *api, [bytes](HANDLE out) { return win32::WriteAll(out, bytes); }) != 0)
    throw WriteError(shown);
}

void SetStaleTempAgeForTesting(int seconds) {
  TestSeamThread().Use();
  win32::staleTempAge = seconds < 0 ? win32::kStaleTempAgeSeconds : seconds;
}

namespace {

int64_t Ticks(const FILETIME& t) {
  return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
}

}  // namespace

void RemoveStaleTempFiles(std::string_view folder, const std::vector<std::string>& names) {
  const auto api = win32::ApiPathOf(folder);
  if (!api) return;
  const std::wstring prefix = api->back() == L'\\' ? *api : *api + L"\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileExW((prefix + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME nowTime{};
  ::GetSystemTimeAsFileTime(&nowTime);
  const int64_t now = Ticks(nowTime);
  const int64_t age = int64_t{win32::staleTempAge} * 10000000;
  do {
    const std::string name = win32::Utf8(found.cFileName);
    const auto replaced = win32::TempNameFor(name);
    if (!replaced ||
        (!names.empty() && std::find(names.begin(), names.end(), *replaced) == names.end()))
      continue;
    // A file of its own (never a folder or a link), not created nor written for a while.
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT) ||
        now - std::max(Ticks(found.ftCreationTime), Ticks(found.ftLastWriteTime)) < age)
      continue;
    // Without sharing: a writer that still holds its file makes this open fail.
    win32::Handle h(::CreateFileW((prefix + found.cFileName).c_str(),
                                  DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!h || !::GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1 ||
        !::GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic) ||
        now - basic.ChangeTime.QuadPart < age)
      continue;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      FILE_BASIC_INFO plain{};
      plain.FileAttributes = FILE_ATTRIBUTE_NORMAL;
      ::SetFileInformationByHandle(h.get(), FileBasicInfo, &plain, sizeof plain);
    }
    FILE_DISPOSITION_INFO gone{TRUE};
    ::SetFileInformationByHandle(h.get(), FileDispositionInfo, &gone, sizeof gone);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

std::optional<FileStamp> GetFileStamp(std::string_view path) {
  const auto api = win32::ApiPathOf(path);
  if (!api) return std::nullopt;
  win32::Handle h(::CreateFileW(api->c_str(), FILE_READ_ATTRIBUTES, win32::kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  if (!h || !::GetFileInformationByHandle(h.get(), &info) ||
      !::GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic))
    return std::nullopt;
  // 100 ns ticks since 1601 to nanoseconds since 1970.
  constexpr int64_t kEpochTicks = 116444736000000000LL;
  FileStamp s;
  s.device = info.dwVolumeSerialNumber;
  s.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  s.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  s.mtimeNs = (basic.LastWriteTime.QuadPart - kEpochTicks) * 100;
  s.ctimeNs = (basic.ChangeTime.QuadPart - kEpochTicks) * 100;
  return s;
}

}  // namespace vorlisk::platform
