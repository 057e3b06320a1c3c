// POSIX only: the running program's folder.
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/drives.h"
#include "platform/posix/posix_util.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {
// A host name that Windows text cannot carry: a "\" would be read as a separator, naming another
// file altogether; a control character would break the lines the name is shown in.
bool HoldsNoWindowsName(std::string_view hostPath) {
  for (const char c : hostPath)
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  return false;
}
}  // namespace

std::string ProgramFolderFromHost(std::string_view hostFolder) {
  char resolved[PATH_MAX];
  const std::string folder(hostFolder);
  if (::realpath(folder.c_str(), resolved) == nullptr || HoldsNoWindowsName(resolved)) return {};
  std::string windows = ToWindowsPathMappingIfNeeded(resolved);
  if (windows.empty()) return {};
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

std::string ExecutableProgramFolder() {
  const std::string path = posix::ExecutableHostPath();
  if (path.empty()) return ProgramFolderFromHost(".");
  const auto slash = path.rfind('/');
  return ProgramFolderFromHost(slash == 0 ? "/" : path.substr(0, slash));
}

std::string WindowsPathFromHost(std::string_view hostPath) {
  std::string path(hostPath);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string windowsFolder = ProgramFolderFromHost(folder);
  if (HoldsNoWindowsName(name)) return {};
  if (windowsFolder.empty() || name.empty() || name == "." || name == "..") return windowsFolder;
  return windowsFolder + name;
}

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

namespace {
volatile sig_atomic_t terminationRequested = 0;
extern "C" void NoteTermination(int) { terminationRequested = 1; }
}  // namespace

void WatchTerminationRequests() {
  struct sigaction action {};
  action.sa_handler = NoteTermination;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return terminationRequested != 0; }

}  // namespace vorlisk::platform
