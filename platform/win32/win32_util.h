// Windows only: text, paths, handles and errors at the boundary of the Win32 API. The core speaks
// UTF-8 Windows text; every call here is a wide-character one.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlisk::platform::win32 {

// UTF-8 to UTF-16 and back. A byte that is not UTF-8 becomes U+FFFD (such text names no file).
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The text given to the wide API for Windows text of the core ("C:\Temp\a.tmp", a drive as
// drives.h maps it): "\\?\C:\Temp\a.tmp", so that paths beyond MAX_PATH work, no level loses
// its trailing periods or blanks, and a level named like a DOS device ("aux.log", "con.txt",
// "COM1") names the file of that name, never the device. nullopt when the text has no host path
// (ToHostPath).
std::optional<std::wstring> ApiPath(std::string_view windowsPath);
// An absolute host path ("C:\x", "\\server\share\x", "/" taken as "\") in that form.
std::wstring LongPath(std::wstring_view hostPath);

// A host path without the "\\?\" (or "\\?\UNC\") form the system may hand back.
std::wstring WithoutLongPrefix(std::wstring path);
// The host path of the running executable (GetModuleFileNameW), empty when the system gives none.
std::wstring ExecutablePath();

// The system's text for an error code (FormatMessage), without the final line break.
std::string ErrorText(DWORD error);

// Seconds since 1970-01-01 UTC.
int64_t UnixSeconds(const FILETIME& time);

// An owned handle, closed once.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& o) noexcept : h_(o.Release()) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = o.Release();
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return h_; }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  void Reset() {
    if (valid()) ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace vorlisk::platform::win32
