// Windows only: starting the window program at logon, the string value "Vorlisk" of the Run key
// under HKEY_LOCAL_MACHINE. It is written through the registry accessor, so that it lands in the
// emulated store where one is set (tests) and in the system's registry otherwise.
#include "platform/autostart.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

namespace {

constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Failed() { return "Failed to set data for '" + std::string(kAutostartName) + "'"; }

// One argument of a command line as CommandLineToArgvW (and so Qt's parser) reads it back. A
// path holding a blank goes in double quotes: the system runs a Run value as a command line, and
// an unquoted "C:\Program Files\Vorlisk\vorlisk.exe" would start "C:\Program.exe" when there is
// one. Backslashes before a quote are doubled, so that "D:\" is written "D:\\" inside quotes.
std::string CommandLineArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// The window program beside the running executable (which may be the command-line one), as the
// host path the system starts.
std::string WindowProgram() {
  const std::wstring path = win32::ExecutablePath();
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return win32::Utf8(path.substr(0, slash + 1)) + "vorlisk.exe";
}

// Writes the value; `homeFolder` is the host folder that "--home" names, empty for none.
void WriteRunValue(const std::string& homeFolder) {
  const std::string program = WindowProgram();
  if (program.empty()) throw Error(Failed());
  std::string command = CommandLineArgument(program);
  if (!homeFolder.empty()) command += " --home " + CommandLineArgument(homeFolder);
  Registry registry;
  registry.SetRootKey(RootKey::LocalMachine);
  // The key is there on every Windows; opening it may be refused to a user who is no
  // administrator, and then so is the value.
  if (!registry.OpenKey(kRunKey, true)) throw Error(Failed());
  registry.WriteString(kAutostartName, command);  // throws Failed() itself
}

}  // namespace

void EnableAutostart() { WriteRunValue(""); }

void EnableAutostartFor(std::string_view programFolder) {
  if (programFolder.empty() || IsDefaultProgramFolder(programFolder)) {
    WriteRunValue("");
    return;
  }
  const auto host = ToHostPath(programFolder);
  if (!host) throw Error(Failed());
  std::string folder = *host;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  WriteRunValue(folder);
}

void DisableAutostart() {
  try {
    Registry registry;
    registry.SetRootKey(RootKey::LocalMachine);
    if (registry.OpenKey(kRunKey)) registry.DeleteValue(kAutostartName);
  } catch (const Error&) {
    // Silent, as the header promises: a damaged store reports itself to its next reader.
  }
}

}  // namespace vorlisk::platform
