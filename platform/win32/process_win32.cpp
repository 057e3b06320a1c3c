// Windows only: the running program's folder, its console and the requests to end it.
#include <atomic>

#include "platform/drives.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

using win32::Utf8;
using win32::Wide;

namespace {

// A host name that Windows text cannot carry: a control character would break the lines the name
// is shown in.
bool HoldsNoWindowsName(std::string_view hostPath) {
  return !HostNameRefusal(hostPath, false).empty();
}

// Says why, when `why` is given; returns empty text for the caller to return.
std::string Refused(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return {};
}

// The path without the "\\?\" that the system's answers may carry, "\\?\UNC\" as "\\".
// An absolute host path for one given by the user (GetFullPathNameW: relative to the working
// folder, "/" read as "\", "." and ".." resolved).
std::wstring FullHostPath(std::string_view hostPath) {
  const std::wstring given = Wide(hostPath);
  if (given.empty() || given.find(L'\0') != std::wstring::npos) return {};
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0) return {};
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n);
  }
}

// The folder a host path names with every link resolved, as the system finally reaches it;
// empty when it is no folder.
std::wstring ResolvedFolder(const std::wstring& fullPath) {
  const win32::Handle h(::CreateFileW(win32::LongPath(fullPath).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h || !::GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return {};
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(h.get(), out.data(), static_cast<DWORD>(out.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < out.size()) {
      out.resize(n);
      break;
    }
    out.resize(n);
  }
  out = win32::WithoutLongPrefix(out);
  while (out.size() > 3 && out.back() == L'\\') out.pop_back();
  return out;
}

std::string ExecutableHostFolder() {
  const std::wstring path = win32::ExecutablePath();
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return ".";
  return Utf8(path.substr(0, slash == 2 ? 3 : slash));  // "C:\" keeps its backslash
}

}  // namespace

std::string ProgramFolderFromHost(std::string_view hostFolder, std::string* why) {
  const std::wstring full = FullHostPath(hostFolder);
  const std::string resolved = full.empty() ? std::string() : Utf8(ResolvedFolder(full));
  if (resolved.empty()) return Refused(why, "it does not exist");
  if (std::string bad = HostNameRefusal(resolved, false); !bad.empty())
    return Refused(why, std::move(bad));
  std::string windows = ToWindowsPathMappingIfNeeded(resolved);
  if (windows.empty()) return Refused(why, "it lies on no drive");
  if (windows.back() != '\\') windows += '\\';
  return windows;
}

std::string ExecutableFile() {
  const std::string path = Utf8(win32::ExecutablePath());
  if (path.empty() || HoldsNoWindowsName(path)) return {};
  return ToWindowsPath(path).value_or("");
}

std::string ExecutableProgramFolder() { return ProgramFolderFromHost(ExecutableHostFolder()); }

// Windows keeps the executable's folder: an installation there is the user's to write, or the
// user names another folder with --home.
std::string DefaultProgramFolderFor(std::string_view hostExecutableFolder, std::string* why) {
  std::string folderWhy;
  std::string folder = ProgramFolderFromHost(hostExecutableFolder, &folderWhy);
  if (folder.empty())
    return Refused(why, "The program's own folder " + std::string(hostExecutableFolder) +
                            " cannot be used: " + folderWhy);
  return folder;
}

std::string DefaultProgramFolder(std::string* why) {
  return DefaultProgramFolderFor(ExecutableHostFolder(), why);
}

std::string ShippedHelpFolderFor(std::string_view hostExecutableFolder) {
  std::string folder(hostExecutableFolder);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return ProgramFolderFromHost(folder + "help");
}

std::string ShippedHelpFolder() { return ShippedHelpFolderFor(ExecutableHostFolder()); }

bool IsDefaultProgramFolder(std::string_view programFolder) {
  const std::string folder = ExecutableProgramFolder();
  return !folder.empty() && SameTextAZ(folder, programFolder);
}

std::string WindowsPathFromHost(std::string_view hostPath, std::string* why) {
  if (std::string bad = HostNameRefusal(hostPath, false); !bad.empty())
    return Refused(why, std::move(bad));
  std::wstring full = FullHostPath(hostPath);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  const auto slash = full.rfind(L'\\');
  if (full.empty() || slash == std::wstring::npos)
    return Refused(why, "it names no file of a drive");
  // "C:\" is a folder alone; otherwise the folder part must exist, the name need not.
  const bool root = slash + 1 == full.size();
  const std::wstring folder = root ? full : full.substr(0, slash == 2 ? 3 : slash);
  const std::string name = root ? std::string() : Utf8(full.substr(slash + 1));
  // A ":" in a name would name a stream of a file ("a.txt:x"), not a file.
  if (name.find(':') != std::string::npos)
    return Refused(why, "its name holds \":\", which names a stream of a file, not a file");
  std::string folderWhy;
  const std::string windowsFolder = ProgramFolderFromHost(Utf8(folder), &folderWhy);
  if (windowsFolder.empty()) return Refused(why, FolderRefusal(Utf8(folder), folderWhy));
  if (name.empty()) return windowsFolder;
  return windowsFolder + name;
}

bool StdinIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool StderrIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

namespace {

// The signal of the first request, numbered as POSIX and the C runtime number them, so that the
// command line ends with 128 + that number as on POSIX.
std::atomic<int> terminationRequested{0};
constexpr int kSigHup = 1;     // the console closed: the terminal hung up
constexpr int kSigInt = 2;     // Ctrl+C
constexpr int kSigTerm = 15;   // logoff, shutdown
constexpr int kSigBreak = 21;  // Ctrl+Break (SIGBREAK of the C runtime)

BOOL WINAPI NoteTermination(DWORD event) {
  int signal = 0;
  switch (event) {
    case CTRL_C_EVENT:
      signal = kSigInt;
      break;
    case CTRL_BREAK_EVENT:
      signal = kSigBreak;
      break;
    case CTRL_CLOSE_EVENT:
      signal = kSigHup;
      break;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signal = kSigTerm;
      break;
    default:
      return FALSE;
  }
  int none = 0;
  terminationRequested.compare_exchange_strong(none, signal);
  // The system ends the process as soon as the handler returns from these events (or after its
  // time-out): waiting here gives the program that time to end in its own orderly way, which then
  // ends this thread too.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void WatchTerminationRequests() { ::SetConsoleCtrlHandler(NoteTermination, TRUE); }

bool TerminationRequested() { return terminationRequested.load() != 0; }

int TerminationSignal() { return terminationRequested.load(); }

}  // namespace vorlisk::platform
