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
#else
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
