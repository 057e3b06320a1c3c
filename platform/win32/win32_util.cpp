// Windows only: see win32_util.h.
#include "platform/win32/win32_util.h"

#include "platform/drives.h"
#include "platform/text.h"

namespace vorlisk::platform::win32 {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::wstring LongPath(std::wstring_view hostPath) {
  std::wstring p(hostPath);
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  if (p.starts_with(L"\\\\?\\") || p.starts_with(L"\\\\.\\")) return p;
  if (p.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + p.substr(2);
  return L"\\\\?\\" + p;
}

std::optional<std::wstring> ApiPath(std::string_view windowsPath) {
  const auto host = ToHostPath(windowsPath);
  if (!host) return std::nullopt;
  std::wstring wide = LongPath(Wide(*host));
  // "\\?\C:" names the volume, not its root folder.
  if (wide.size() == 6 && wide[5] == L':') wide += L'\\';
  return wide;
}

std::wstring WithoutLongPrefix(std::wstring path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return WithoutLongPrefix(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string ErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 ? Utf8(std::wstring_view(buffer, n)) : std::string();
  if (buffer != nullptr) ::LocalFree(buffer);
  text = TrimRight(text);
  if (text.empty()) text = "System error " + std::to_string(error);
  return text;
}

int64_t UnixSeconds(const FILETIME& time) {
  const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  // 100 ns ticks since 1601-01-01; 11,644,473,600 seconds lie between 1601 and 1970.
  return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace vorlisk::platform::win32
