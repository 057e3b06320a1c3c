// Windows only: the private run-time folder, "Vorlisk" in the user's local application data,
// which the system keeps closed to other users.
// windows.h first, as win32_util.h sets it up.
#include "platform/win32/win32_util.h"
// The shell's known folders.
#include <shlobj.h>

#include "platform/error.h"
#include "platform/runtime_folder.h"

namespace vorlisk::platform {

std::string PrivateRuntimeFolder() {
  PWSTR local = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local);
  const std::wstring base = SUCCEEDED(hr) && local ? std::wstring(local) : std::wstring();
  ::CoTaskMemFree(local);
  if (base.empty())
    throw Error("The user's local application data folder cannot be found: " +
                win32::ErrorText(static_cast<DWORD>(hr)));
  std::wstring folder = base;
  if (folder.back() != L'\\') folder += L'\\';
  folder += L"Vorlisk";
  const std::string text = win32::Utf8(folder);
  const std::wstring api = win32::LongPath(folder);
  if (!::CreateDirectoryW(api.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    throw Error("The folder " + text + " cannot be made: " + win32::ErrorText(::GetLastError()));
  const DWORD attributes = ::GetFileAttributesW(api.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    throw Error("The folder " + text + " cannot be used: " + win32::ErrorText(::GetLastError()));
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    throw Error("The folder " + text + " is a link");
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw Error(text + " is not a folder");
  return text;
}

std::vector<std::string> PrivateRuntimeFolders() { return {PrivateRuntimeFolder()}; }

}  // namespace vorlisk::platform
