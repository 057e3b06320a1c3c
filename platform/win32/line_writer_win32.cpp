// Windows only: the line-by-line text file of the wash log.
#include <string>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/win32/file_util_win32.h"

namespace vorlisk::platform {

namespace {

// Writers take turns by an exclusive lock of one byte far past any data: the lock of a byte
// range is binding on Windows, and one over the text would stop a reader of the log meanwhile.
constexpr DWORD kTurnOffsetLow = 0xFFFFFFFE;
constexpr DWORD kTurnOffsetHigh = 0x7FFFFFFF;

class Win32LineWriter final : public LineWriter {
 public:
  explicit Win32LineWriter(win32::Handle h) : h_(std::move(h)) {}
  Win32LineWriter(const Win32LineWriter&) = delete;
  Win32LineWriter& operator=(const Win32LineWriter&) = delete;

  void WriteLine(std::string_view line) override {
    if (!h_) throw Error(win32::FileErrorText(ERROR_INVALID_HANDLE));
    std::string bytes(line);
    bytes += "\r\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      if (!::WriteFile(h_.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr))
        throw Error(win32::FileErrorText(::GetLastError()));
      if (written == 0) throw Error(win32::FileErrorText(ERROR_WRITE_FAULT));
      done += written;
    }
  }

  void Close() override {
    if (!h_) return;
    const HANDLE h = h_.Release();
    if (!::CloseHandle(h)) throw Error(win32::FileErrorText(::GetLastError()));
  }

 private:
  win32::Handle h_;
};

}  // namespace

std::unique_ptr<LineWriter> LineWriter::OpenAppend(std::string_view path) {
  const auto api = win32::ApiPathOf(path);
  if (!api) throw Error(win32::FileErrorText(ERROR_BAD_PATHNAME));  // "Path not found"
  // FILE_APPEND_DATA alone: every write lands at the end. FILE_FLAG_OPEN_REPARSE_POINT: a link
  // is opened as itself and refused below, never appended through. An existing file is opened
  // without creating, so that the checks below know whether it was there before.
  constexpr DWORD kAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const auto open = [&](DWORD disposition) {
    return win32::Handle(::CreateFileW(api->c_str(), kAccess, kShare, nullptr, disposition,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr));
  };
  bool created = false;
  win32::Handle h = open(OPEN_EXISTING);
  if (!h && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
    h = open(CREATE_NEW);
    created = h.valid();
    // Another process created it meanwhile: open the file it made.
    if (!h && ::GetLastError() == ERROR_FILE_EXISTS) h = open(OPEN_EXISTING);
  }
  if (!h) throw Error(win32::FileErrorText(::GetLastError()));
  // Refused as a link is: a device, a reparse point, a folder, a file with a second hard link
  // (which may lie outside the program folder), and a read-only file (which the system refuses
  // to open for writing anyway).
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(h.get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      info.nNumberOfLinks > 1 || (!created && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)))
    throw Error(win32::FileErrorText(ERROR_ACCESS_DENIED));
  // One writer at a time: a run of another process appends after this one has closed the file,
  // never into the middle of it. The lock waits for the writer before.
  OVERLAPPED turn{};
  turn.Offset = kTurnOffsetLow;
  turn.OffsetHigh = kTurnOffsetHigh;
  if (!::LockFileEx(h.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn))
    throw Error(win32::FileErrorText(::GetLastError()));
  return std::make_unique<Win32LineWriter>(std::move(h));
}

}  // namespace vorlisk::platform
