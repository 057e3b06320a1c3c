// The file system as the program sees it: Windows path text, Windows attribute bits.
//
// Links: nothing here follows a symbolic link (or junction) found in a folder. Enumeration reports
// a link with kAttrReparsePoint: a link to a folder also carries kAttrDirectory, every other link
// is reported like a file. Deleting a link removes the link, never its target. Special files
// (pipes, sockets, devices) are never reported and never count as files.
//
// Case: Windows paths ignore case. Enumeration and FileRemover reach a folder whose name in the
// path has no exact match through the one entry that matches it ignoring the case of a to z (none
// or several: the folder cannot be reached).
//
// Attributes on POSIX: a regular file carries kAttrArchive, and kAttrReadOnly when its owner may
// not write it; a folder carries only kAttrDirectory.
//
// No function here bears the name of a <windows.h> macro (DeleteFile, CopyFile, ...): a Win32
// backend includes that header, whose macros would rename ours.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlisk::platform {

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrReparsePoint = 0x400;

// Which file an entry is, whatever name reaches it (another hard link, a link to its folder).
struct FileIdentity {
  uint64_t device = 0, inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

struct FindData {
  std::string name;         // without folder
  uint32_t attributes = 0;  // kAttr* bits
  uint64_t size = 0;
  int64_t creationTime = 0;  // seconds since 1970-01-01 UTC
  int64_t lastAccessTime = 0;
  int64_t lastWriteTime = 0;
  FileIdentity identity;  // of the entry itself (a link's own, not its target's)
};

// What an enumeration tells of each entry. Full: everything above. KindOnly: a regular file may be
// reported with kAttrArchive alone, without its read-only bit, size or times (on POSIX the folder's
// listing tells a regular file apart without looking at each file); every other entry as Full.
enum class FindDetail { Full, KindOnly };

// Does `name` match the wildcard mask under FindFirstFile's rules? Pure text; rules in the .cpp.
bool MatchesWildcardMask(std::string_view mask, std::string_view name);

// Enumerates the folder of `pattern` ("C:\Temp\*.tmp": folder part, then mask) and calls onEntry
// for each entry whose name matches the mask, in the file system's order. The entries "." and ".."
// are never reported, nor (on POSIX) a name that cannot be Windows text: one holding a "\", which
// Windows text would read as a path, or a control character (0x01-0x1F, 0x7F), which would break a
// line of a list or a log. onEntry returns false to stop. Returns false when the folder cannot be
// read, or can be reached only through another user's link (see FileRemover).
bool FindFiles(std::string_view pattern, const std::function<bool(const FindData&)>& onEntry,
               FindDetail detail = FindDetail::Full);
// A walker's single reading of one folder: as FindFiles, and in the same pass the name of every
// real subfolder (never a link to one), whatever the mask, is appended to `subfolders` in the
// file system's order.
bool FindFilesAndSubfolders(std::string_view pattern,
                            const std::function<bool(const FindData&)>& onEntry,
                            std::vector<std::string>& subfolders,
                            FindDetail detail = FindDetail::Full);

// A folder held open for a walk. A search lists it and opens its subfolders through it, never by
// their whole path again: a subfolder swapped for a link (or for another folder) while the walk
// runs is never entered, and a folder 10,000 levels down costs what one at the top costs.
class FolderHandle {
 public:
  virtual ~FolderHandle() = default;
  // The folder of Windows text ("C:\Temp\"), reached as FileRemover reaches the folder an entry
  // names: through links that the user or root made, never through another user's. nullptr when
  // it cannot be reached so.
  static std::unique_ptr<FolderHandle> Open(std::string_view folder);
  // The real subfolder of this exact name, opened through this folder: never a link (whoever made
  // it), nor a file system or a bind mount mounted there, which Windows would show as a mount
  // point, a reparse point no walk enters. nullptr otherwise.
  virtual std::unique_ptr<FolderHandle> Subfolder(std::string_view name) const = 0;
  // The folder above this one, whatever it is now (a caller checks its identity).
  virtual std::unique_ptr<FolderHandle> Parent() const = 0;
  virtual FileIdentity Identity() const = 0;
  // As FindFilesAndSubfolders for this folder, with a mask instead of a pattern; subfolders may
  // be null (FindFiles).
  virtual bool List(std::string_view mask, const std::function<bool(const FindData&)>& onEntry,
                    std::vector<std::string>* subfolders, FindDetail detail) = 0;
  // How many regular files the last List left out although they matched its mask, because their
  // names cannot be Windows text (a control character, a "\\"): no line can name them.
  virtual std::size_t UnnamableFiles() const = 0;
};

// Where a search listed a file line: how many characters of the line's text name the folder the
// entry named up to its first wildcard level (the anchor, which links of the user or root may lead
// to), and the identity of the folder the file was listed in. A wash given it reaches the file's
// folder from the anchor through real subfolders only, and only when the folder it reaches is the
// one listed. `startLength`: the characters that name the folder whose walk listed the file, the
// entry's folder with its wildcard levels matched (the anchor itself when it has none).
struct ListedIn {
  std::size_t anchorLength = 0;
  FileIdentity folder;
  std::size_t startLength = 0;
  bool operator==(const ListedIn&) const = default;
};

// As GetFullPathName: relative text is taken from the current folder, "." and ".." are resolved,
// "/" counts as "\". A trailing "\" is kept.
std::string FullPathName(std::string_view path);
// The same, relative to the given current folder instead of the process's (pure text).
std::string ResolveFullPath(std::string_view current, std::string_view path);
std::string CurrentDirectory();  // Windows text, no trailing "\" unless a drive root

// Attributes of the entry itself (a final link is not followed); nullopt when it does not exist.
std::optional<uint32_t> FileAttributesOf(std::string_view path);
// Sets the read-only bit (the only bit POSIX keeps); false on failure or for a link.
bool SetFileAttributesOf(std::string_view path, uint32_t attributes);

// Identity of the file that a path names, a final link followed (it is only looked at); nullopt
// when there is none.
std::optional<FileIdentity> GetFileIdentity(std::string_view path);

struct FileStatus {
  bool isLink = false;       // the entry itself is a symbolic link (or junction)
  bool isDirectory = false;  // a folder, or a link to one
  bool isFile = false;       // a regular file, or a link to anything but a folder
  uint32_t linkCount = 0;    // hard links of a regular file
  uint64_t size = 0;
  uint64_t sizeOnDisk = 0;  // of a regular file: its size, or less when it has holes
  uint32_t attributes = 0;
};
std::optional<FileStatus> GetFileStatus(std::string_view path);

bool FileExists(std::string_view path);  // GetFileStatus(path)->isFile
bool DirectoryExists(std::string_view path);
// Removes a file or a link; never a folder. As on Windows, a read-only file is not deleted.
bool RemoveFile(std::string_view path);
// RemoveFile for a wash, telling why nothing was removed, with one look at the entry: Missing
// when there is no file as FileExists sees it (nothing there, a folder, a link to a folder, a
// special file, a folder reached only through another user's link, see FileRemover); ReadOnly
// for a read-only regular file (kept, as RemoveFile keeps it).
enum class DeleteOutcome { Deleted, Missing, ReadOnly, Failed };
DeleteOutcome DeleteExistingFile(std::string_view path);
class FileWriter;
// A file as a wash names it: the Windows text of its folder, ending in "\\", and its name there.
struct FileInFolder {
  std::string_view folder;
  std::string_view name;
};
// The file that Windows text names, cut at its last "\\" (no folder when there is none).
FileInFolder SplitFilePath(std::string_view path);
// The file operations of a wash, for many files in a row: the folder of the last file stays open,
// so the files of one folder are reached without resolving their whole path again (POSIX).
// The folder of a file is reached through links that the user or the system (root) made, never
// through one that another user owns: a folder of theirs swapped for a link between the preview
// and the wash must not lead the wash into the user's own files. Such a file counts as Missing.
class FileRemover {
 public:
  FileRemover();
  ~FileRemover();
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;
  // Each call below may be given where a search listed the path (ListedIn): the file's folder is
  // then reached from the entry's folder through real subfolders only, and a folder that is not
  // the one listed (swapped for a link or another folder since) holds nothing: Missing.
  //
  // DeleteExistingFile; with clearReadOnly a read-only file is made writable and removed. When
  // given, `freedBytes` receives what a regular file whose last name was removed held on disk:
  // its size, or less when it has holes (0 for a link, or a file that keeps other hard links).
  // `looked`, when given, is what Status said of the file a moment before (another remover may
  // have looked, on another thread): the backend may take it instead of a look of its own. A
  // folder put in the file's place since is never removed (Missing).
  DeleteOutcome Remove(FileInFolder file, bool clearReadOnly = false,
                       uint64_t* freedBytes = nullptr, const ListedIn* listed = nullptr,
                       const FileStatus* looked = nullptr);
  DeleteOutcome Remove(std::string_view path, bool clearReadOnly = false,
                       uint64_t* freedBytes = nullptr, const ListedIn* listed = nullptr) {
    return Remove(SplitFilePath(path), clearReadOnly, freedBytes, listed);
  }
  // GetFileStatus.
  std::optional<FileStatus> Status(FileInFolder file, const ListedIn* listed = nullptr);
  std::optional<FileStatus> Status(std::string_view path, const ListedIn* listed = nullptr) {
    return Status(SplitFilePath(path), listed);
  }
  // FileWriter::OpenExisting.
  std::unique_ptr<FileWriter> OpenForOverwrite(FileInFolder file, const ListedIn* listed = nullptr);
  std::unique_ptr<FileWriter> OpenForOverwrite(std::string_view path,
                                               const ListedIn* listed = nullptr) {
    return OpenForOverwrite(SplitFilePath(path), listed);
  }
  // Removes the folder (Windows text ending in "\\") when it is empty and is the folder a search
  // listed there (`identity`). Its parent is reached as a listed file's folder is (`parent`: from
  // the anchor through real subfolders, and only when it is the folder listed, parent.folder),
  // and the folder is looked at in it, never followed: never a link, never a mount point, never
  // the anchor itself, never a folder holding anything, never another folder put in its place.
  // True when it was removed.
  bool RemoveEmptyFolder(std::string_view folder, const ListedIn& parent,
                         const FileIdentity& identity);

 private:
  // The folder of the last file, kept open; what it holds is the platform's own.
  struct OpenFolder;
  std::unique_ptr<OpenFolder> folder_;
};
// The system's reason for the file operation of this thread that failed last (a Remove or an
// OpenForOverwrite that failed, a write that broke off), in the words of the run-time file errors
// ("File access denied", "Disk full", ...). Ask right after the failure: a later call may change
// it.
std::string LastFileErrorText();
bool MakeDirectory(std::string_view path);
// Copies a regular file; false when it cannot, also onto a read-only file (whatever the process's
// privileges), which stays as it was. A link at `target` is replaced, never written through.
bool CopyFileTo(std::string_view source, std::string_view target, bool failIfExists);

// The whole contents of a regular file (a link to one is read through); nullopt when it is
// missing, unreadable, a folder or a special file (a pipe would never end).
std::optional<std::string> ReadFileBytes(std::string_view path);
// Replaces the file atomically (temporary file in the same folder, flushed, renamed over it).
// Throws WriteError, also for a file that is read-only by its attributes (whatever the process's
// privileges), which stays as it was. Never writes through a link: a link at `path` is replaced
// by the file.
void WriteFileAtomically(std::string_view path, std::string_view bytes);

// Removes the temporary files that writes of this program (WriteFileAtomically, CopyFileTo) left
// directly in `folder` when they were killed: hidden files named after the file they were to
// replace (".NAME.tmp" and digits), regular and unlinked elsewhere, untouched for a minute and
// no longer locked by their writer. With `names`, only the temporary files of those names (host
// names in the folder): a folder that is not the program's alone (the program folder may be any
// folder the executable lies in) may hold another program's temporary files of that form. Nothing
// else is touched; failures are ignored.
void RemoveStaleTempFiles(std::string_view folder, const std::vector<std::string>& names = {});

// Identity of a file's contents on disk, for caches: equal stamps mean the file did not change.
struct FileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t mtimeNs = 0, ctimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> GetFileStamp(std::string_view path);

// Bytes of a file: `length` bytes from `offset`.
struct ByteRange {
  uint64_t offset = 0, length = 0;
};

// A file opened for writing only, without sharing, for overwriting in place.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual uint64_t Size() const = 0;
  // Writes all bytes at the offset; false when not all could be written (e.g. a full disk).
  virtual bool WriteAt(uint64_t offset, const void* data, std::size_t size) = 0;
  // The first bytes at or after `from`, below the size, that hold data, up to the next hole of a
  // sparse file; nullopt when only holes (or nothing) follow. A hole holds no data to overwrite,
  // and writing it would take real disk space. A file system that keeps no holes reports
  // everything up to the size as data.
  virtual std::optional<ByteRange> NextData(uint64_t from) = 0;
  // Writes what was written through to the device, past every cache of the system; false when
  // that fails. Without it, the data of a file deleted next may never reach the device at all.
  virtual bool Flush() = 0;
  // Opens an existing regular file; nullptr when it is missing, is a link (never followed), is
  // read-only by its attributes (whatever the process's privileges), has other hard links (their
  // contents would change too), cannot be opened, or could not be deleted afterwards: a folder
  // the process may not write (its permissions, an immutable or append-only folder), or a sticky
  // folder where neither the file nor the folder is the user's. An overwrite is the first step of
  // a deletion, and a file that is to be kept must keep its contents. The folder is reached as
  // FileRemover reaches it.
  static std::unique_ptr<FileWriter> OpenExisting(std::string_view path);
};

// A text file written line by line, each line ended by CRLF (the wash log). Throws Error with the
// run-time file error text ("File access denied", "Disk full", ...) on any failed open or write.
class LineWriter {
 public:
  virtual ~LineWriter() = default;
  virtual void WriteLine(std::string_view line) = 0;
  virtual void Close() = 0;  // throws on a failed flush
  // Opens for appending at the end, creating the file when missing. Writers take turns: while
  // one has the file open, another process's open waits until it is closed. Refused, as a link is:
  // a special file, a read-only file (whatever the process's privileges) and a file with other hard
  // links.
  static std::unique_ptr<LineWriter> OpenAppend(std::string_view path);
};

// The test seams below are process-wide and one-thread only: the thread that sets a seam first is
// the only one that may set any of them (TestSeamThread, thread_check.h); other threads only read
// them, and never while they are set.
//
// Test seam: makes the next atomic writes fail as a full disk would ("write") or as a failed
// rename ("rename"), or FileWriter::Flush fail as a failing device would ("flush"); empty text
// clears it.
void SetWriteFaultForTesting(std::string_view fault);
// Test seam: how many seconds a temporary file must stay untouched before RemoveStaleTempFiles
// takes it (a minute when negative).
void SetStaleTempAgeForTesting(int seconds);

}  // namespace vorlisk::platform
