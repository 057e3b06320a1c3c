// The parts of the portable fixtures (test_support.h) that differ between operating systems: the
// environment, symbolic links, the system's shell services.
#include "test_support.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorlisk::test {

platform::ShellCallCounts& ShellCalls() {
  static platform::ShellCallCounts calls;
  return calls;
}

#ifdef _WIN32
namespace {
// Installed before any test runs, so that no test can empty the Recycle Bin of the user who runs
// the tests.
const bool kShellStubbed = [] {
  platform::SetShellCallsForTesting(&ShellCalls());
  return true;
}();

std::wstring Wide(const std::string& utf8) {
  std::string text = utf8;
  for (char& c : text)
    if (c == '/') c = '\\';
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}
}  // namespace

std::string MakeSymlink(const std::string& target, const std::string& link) {
  const std::wstring to = Wide(target), at = Wide(link);
  DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  const DWORD targetAttributes = ::GetFileAttributesW(to.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES && (targetAttributes & FILE_ATTRIBUTE_DIRECTORY))
    flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  if (!::CreateSymbolicLinkW(at.c_str(), to.c_str(), flags))
    return "no symbolic link can be made here (error " + std::to_string(::GetLastError()) +
           "): on Windows it takes developer mode or an administrator";
  const DWORD made = ::GetFileAttributesW(at.c_str());
  if (made == INVALID_FILE_ATTRIBUTES || !(made & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Wine 8 answers success and makes a plain file or folder, or nothing.
    if (made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY))
      ::RemoveDirectoryW(at.c_str());
    else
      ::DeleteFileW(at.c_str());
    return "the system reports a symbolic link made but made none (Wine before 9)";
  }
  return "";
}

namespace {
// One argument of a command line as the C runtime splits it again: in double quotes, a quote
// escaped, and the backslashes before a quote (or the closing one) doubled.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

::HANDLE InheritedFile(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

int RunProgram(const std::vector<std::string>& args, const std::string& outFile,
               const std::string& errFile) {
  std::wstring line;
  for (const std::string& a : args) {
    if (!line.empty()) line += L' ';
    // The arguments are given as the user types them: no "/" is turned into "\\" here.
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, a.data(), static_cast<int>(a.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, a.data(), static_cast<int>(a.size()), wide.data(), n);
    line += QuotedArgument(wide);
  }
  const ::HANDLE in = InheritedFile("NUL", GENERIC_READ, OPEN_EXISTING);
  const ::HANDLE out = InheritedFile(outFile, GENERIC_WRITE, CREATE_ALWAYS);
  const ::HANDLE err = InheritedFile(errFile, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  int status = -1;
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
    DWORD code = 0;
    if (::WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(process.hProcess, &code))
      status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  for (const ::HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  return status;
}
#else
namespace {
// One argument for the shell, in single quotes.
std::string ShellQuoted(const std::string& argument) {
  std::string out = "'";
  for (const char c : argument) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
}  // namespace

int RunProgram(const std::vector<std::string>& args, const std::string& outFile,
               const std::string& errFile) {
  std::string command = "exec";
  for (const std::string& a : args) command += " " + ShellQuoted(a);
  command += " </dev/null >" + ShellQuoted(outFile) + " 2>" + ShellQuoted(errFile);
  // The shell's wait status: the exit status in the second byte when the program ended by itself.
  const int status = std::system(command.c_str());
  return status != -1 && (status & 0x7f) == 0 ? (status >> 8) & 0xff : -1;
}

std::string MakeSymlink(const std::string& target, const std::string& link) {
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec))
    std::filesystem::create_directory_symlink(target, link, ec);
  else
    std::filesystem::create_symlink(target, link, ec);
  return ec ? "no symbolic link can be made here: " + ec.message() : "";
}
#endif

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) previous_ = old;
  Set(value);
}

void ScopedEnv::Set(const std::optional<std::string>& value) {
#ifdef _WIN32
  ::_putenv_s(name_.c_str(), value ? value->c_str() : "");  // "" removes the variable
#else
  if (value)
    ::setenv(name_.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
#endif
}

}  // namespace vorlisk::test
