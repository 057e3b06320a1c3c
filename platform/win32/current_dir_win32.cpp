// Windows only: the current folder as Windows text.
#include <string>

#include "platform/drives.h"
#include "platform/filesystem.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return "C:\\";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n);  // n: the size needed, with its terminator
  }
  std::string host = win32::Utf8(buffer);
  if (host.starts_with("\\\\?\\") && !host.starts_with("\\\\?\\UNC\\")) host.erase(0, 4);
  // A folder inside a mapped drive's folder is named by that drive's letter.
  auto windows = ToWindowsPath(host).value_or("C:\\");
  if (windows.size() > 3 && windows.back() == '\\') windows.pop_back();
  return windows;
}

}  // namespace vorlisk::platform
