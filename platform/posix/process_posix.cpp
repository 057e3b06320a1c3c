// POSIX only: the running program's folder.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/drives.h"
#include "platform/posix/posix_util.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {
// A host name that Windows text cannot carry: a "\" would be read as a separator, naming another
// file altogether; a control character would break the lines the name is shown in.
bool HoldsNoWindowsName(std::string_view hostPath) {
  return !HostNameRefusal(hostPath, true).empty();
}

// Says why, when `why` is given; returns empty text for the caller to return.
std::string Refused(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return {};
}
}  // namespace

std::string ProgramFolderFromHost(std::string_view hostFolder, std::string* why) {
  char resolved[PATH_MAX];
  const std::string folder(hostFolder);
  if (::realpath(folder.c_str(), resolved) == nullptr)
    return Refused(why, errno == ENOENT
                            ? std::string("it does not exist")
                            : std::string("it cannot be reached: ") + std::strerror(errno));
  struct stat st {};
  if (::stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) return Refused(why, "it is no folder");
  if (std::string bad = HostNameRefusal(resolved, true); !bad.empty())
    return Refused(why, std::move(bad));
  std::string windows = ToWindowsPathMappingIfNeeded(resolved);
  if (windows.empty()) return Refused(why, "no drive letter is free for it");
  if (windows.back() != '\\') windows += '\\';
  return windows;
}

std::string posix::ExecutableHostPath() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  return n <= 0 ? std::string() : std::string(exe, static_cast<std::size_t>(n));
}

std::string ExecutableFile() {
  const std::string path = posix::ExecutableHostPath();
  if (path.empty() || HoldsNoWindowsName(path)) return {};
  return ToWindowsPath(path).value_or("");
}

namespace {

std::string ExecutableHostFolder() {
  const std::string path = posix::ExecutableHostPath();
  if (path.empty()) return ".";
  const auto slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsRegularFile(const std::string& hostPath) {
  struct stat st {};
  return ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& hostPath) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  if (n < 0) return std::nullopt;
  return bytes;
}

// Makes `hostFolder` and its missing parents, each new one for the owner only. True when it is a
// folder afterwards.
bool MakeFolders(const std::string& hostFolder) {
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = hostFolder.find('/', slash + 1);
    const std::string part = hostFolder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(hostFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The user's own program folder of an installed program: "$XDG_DATA_HOME/vorlisk" (an absolute
// XDG_DATA_HOME only, as the base directory rules ask) or "$HOME/.local/share/vorlisk"; empty
// without either.
std::string UserProgramHostFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/vorlisk";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/vorlisk";
  return {};
}

// Names of the regular files directly in a folder, none when it cannot be listed.
std::vector<std::string> FileNamesIn(const std::string& hostFolder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(hostFolder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != ".." && IsRegularFile(hostFolder + "/" + name))
      names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Fills the user's folder from the installation's share folder: the catalogue only when the user
// has none (it is theirs once copied), every help page whenever its copy differs. Files are
// replaced atomically, so a link in the user's folder is replaced, never written through. A help
// page that cannot be copied is left out: the program runs without it.
bool FillUserFolder(const std::string& share, const std::string& user) {
  if (!MakeFolders(user + "/const")) return false;
  const std::string catalogue = user + "/const/system.txt";
  struct stat st {};
  if (::lstat(catalogue.c_str(), &st) != 0) {
    const auto shipped = ReadWholeFile(share + "/const/system.txt");
    if (!shipped) return false;
    const int err = posix::ReplaceFileAtomically(catalogue, *shipped, {.failIfExists = true});
    if (err != 0 && err != EEXIST) return false;  // EEXIST: another start copied it just now
  }
  const std::string help = share + "/help";
  const auto pages = FileNamesIn(help);
  if (pages.empty() || !MakeFolders(user + "/help")) return true;
  for (const std::string& page : pages) {
    const auto shipped = ReadWholeFile(help + "/" + page);
    const std::string copy = user + "/help/" + page;
    if (shipped && ReadWholeFile(copy) != shipped) posix::ReplaceFileAtomically(copy, *shipped);
  }
  return true;
}

}  // namespace

std::string DefaultProgramFolderFor(std::string_view hostExecutableFolder, std::string* why) {
  const std::string exe(hostExecutableFolder);
  const std::string share = exe + "/../share/vorlisk";
  std::string folderWhy;
  if (IsRegularFile(exe + "/const/system.txt") || !IsRegularFile(share + "/const/system.txt")) {
    std::string folder = ProgramFolderFromHost(exe, &folderWhy);
    if (folder.empty())
      return Refused(why, "The program's own folder " + exe + " cannot be used: " + folderWhy);
    return folder;
  }
  const std::string user = UserProgramHostFolder();
  if (user.empty())
    return Refused(why,
                   "The user's program folder has no place: neither XDG_DATA_HOME nor HOME "
                   "is an absolute path");
  if (!FillUserFolder(share, user))
    return Refused(why, "The user's program folder " + user + " could not be made");
  std::string folder = ProgramFolderFromHost(user, &folderWhy);
  if (folder.empty())
    return Refused(why, "The user's program folder " + user + " cannot be used: " + folderWhy);
  return folder;
}

bool IsDefaultProgramFolder(std::string_view programFolder) {
  const std::string exe = ExecutableHostFolder();
  std::string folder;
  if (IsRegularFile(exe + "/const/system.txt") ||
      !IsRegularFile(exe + "/../share/vorlisk/const/system.txt"))
    folder = ProgramFolderFromHost(exe);
  else if (const std::string user = UserProgramHostFolder(); !user.empty())
    folder = ProgramFolderFromHost(user);
  return !folder.empty() && folder == programFolder;
}

std::string ExecutableProgramFolder() { return ProgramFolderFromHost(ExecutableHostFolder()); }

std::string ShippedHelpFolderFor(std::string_view hostExecutableFolder) {
  const std::string exe(hostExecutableFolder);
  for (const std::string& folder : {exe + "/help", exe + "/../share/vorlisk/help"}) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return ProgramFolderFromHost(folder);
  }
  return {};
}

std::string ShippedHelpFolder() { return ShippedHelpFolderFor(ExecutableHostFolder()); }

std::string DefaultProgramFolder(std::string* why) {
  return DefaultProgramFolderFor(ExecutableHostFolder(), why);
}

std::string WindowsPathFromHost(std::string_view hostPath, std::string* why) {
  std::string path(hostPath);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (std::string bad = HostNameRefusal(name, true); !bad.empty())
    return Refused(why, std::move(bad));
  std::string folderWhy;
  const std::string windowsFolder = ProgramFolderFromHost(folder, &folderWhy);
  if (windowsFolder.empty()) return Refused(why, FolderRefusal(folder, folderWhy));
  if (name.empty() || name == "." || name == "..") return windowsFolder;
  return windowsFolder + name;
}

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

namespace {
volatile sig_atomic_t terminationRequested = 0;  // the signal of the first request
extern "C" void NoteTermination(int signal) {
  if (terminationRequested == 0) terminationRequested = signal;
}
}  // namespace

void WatchTerminationRequests() {
  struct sigaction action {};
  action.sa_handler = NoteTermination;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return terminationRequested != 0; }

int TerminationSignal() { return terminationRequested; }

}  // namespace vorlisk::platform
