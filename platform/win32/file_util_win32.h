// Windows only: helpers shared by the file-system files of the Win32 backend (filesystem_win32,
// file_io_win32, line_writer_win32). Not part of the platform interface.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32_util.h"

namespace vorlisk::platform::win32 {

// The one translation of a system error code into the run-time file error texts the user sees
// ("File not found", "File access denied", "Disk full", ...).
std::string FileErrorText(DWORD error);

// ApiPath of Windows text after "." and ".." are resolved (FullPathName), without a trailing "\"
// (a drive root keeps it): "\\?\C:\Temp\a.tmp". nullopt as ApiPath.
std::optional<std::wstring> ApiPathOf(std::string_view windowsPath);
// The same path in the system's own form, as NtCreateFile takes it: "\??\C:\Temp\a.tmp".
std::wstring NtPathOf(std::wstring_view apiPath);

// Opens `name` with NtCreateFile: relative to the open folder `folder`, or, with no folder, an
// absolute path of NtPathOf's form. Synchronous I/O and names compared ignoring case are
// added to what is asked. An invalid handle on failure, with the system's error code set
// (GetLastError).
Handle NtOpen(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG options,
              ULONG disposition = 1 /* FILE_OPEN */, ULONG attributes = 0);

inline constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// How ReplaceFileAtomically treats the file it replaces.
struct ReplaceOptions {
  bool failIfExists = false;  // the rename fails when anything is at the path by then
  // Attribute bits of the new file; 0: those of the regular file replaced (never of a link's
  // target), or none.
  DWORD attributes = 0;
};

// The program's one atomic replacement of a file (`apiPath` of ApiPathOf's form). A new file is
// created beside it (same folder, hidden, named ".NAME.tmp" and digits, the form
// RemoveStaleTempFiles recognises), held without sharing while it is written (which tells
// RemoveStaleTempFiles that its writer lives); `fill` writes the contents (and may set times)
// and returns 0 or an error code. The file is then flushed to the device, closed and moved over
// `apiPath` (MOVEFILE_WRITE_THROUGH; a link there is replaced, never written through).
// Returns 0, or the error code of the first failure: the temporary file is then removed and
// whatever was at `apiPath` stays as it was. The write fault test seam fails it as a full disk
// would ("write") or as a failed rename ("rename").
DWORD ReplaceFileAtomically(const std::wstring& apiPath, const std::function<DWORD(HANDLE)>& fill,
                            const ReplaceOptions& options = {});

// Current test fault for atomic writes and flushes ("", "write", "rename" or "flush").
const std::string& WriteFault();

}  // namespace vorlisk::platform::win32
