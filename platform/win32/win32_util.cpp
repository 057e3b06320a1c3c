// Windows only: see win32_util.h.
#include "platform/win32/win32_util.h"

#include <array>

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

bool IsDeviceName(std::string_view level) {
  // The name before the first period, less trailing blanks, decides (Windows reads "nul.txt" and
  // "NUL  " as NUL).
  std::string_view base = level.substr(0, level.find('.'));
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.remove_suffix(1);
  const std::string up = UpperAZ(base);
  static constexpr std::array<std::string_view, 6> kPlain{"CON", "PRN",    "AUX",
                                                          "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view name : kPlain)
    if (up == name) return true;
  if (up.size() >= 4 && (up.starts_with("COM") || up.starts_with("LPT"))) {
    const std::string_view digit = std::string_view(up).substr(3);
    if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') return true;
    // Superscript one, two and three in UTF-8.
    if (digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3") return true;
  }
  return false;
}

bool HoldsDeviceName(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find_first_of("\\/", start);
    const std::string_view level =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    // The drive ("C:") is no level.
    if (!(start == 0 && level.size() == 2 && level[1] == ':') && IsDeviceName(level)) return true;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return false;
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
  if (!host || HoldsDeviceName(windowsPath) || HoldsDeviceName(*host)) return std::nullopt;
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
