// Profile (INI) files: item files, the order file and the settings file.
//
// Contract (the rules of the Windows profile API, which the Win32 backend gets from the system and
// the portable implementation reproduces):
// - 8-bit text; CR, LF and CRLF end lines on reading; CRLF is written; no byte-order mark. A file
//   that begins with the UTF-16LE byte-order mark (Notepad's "Unicode") is read as UTF-16LE and
//   stays UTF-16LE when written (its text is UTF-8 to callers).
// - Section and key names compare without regard to case after trimming. The first section of a
//   name and, inside it, the first key of a name are the ones read and written.
// - Reading: a missing file, section or key gives the caller's default; blanks around key names and
//   values are ignored; a value of two or more characters enclosed in one pair of matching double
//   or single quotes loses that pair; at most 2047 characters of a value are returned.
// - Writing replaces the value in place, or appends the key after the last line of its section
//   (before any blank lines that end it), appending the section at the end of the file and creating
//   the file as needed. Every other line is kept byte for byte, its own line ending included.
//   Leading blanks of a written value are dropped. Writing the value already stored leaves the file
//   alone. A name or value holding CR or LF is refused with an Error (it would create keys of its
//   own), as is a key name beginning with "[" (its line could read as a section) or holding "="
//   (it would read back split there).
// - Deleting a key removes its line; erasing a section removes its header and lines. Both succeed
//   silently when the file, section or key is missing.
// - Encodings: booleans written "1"/"0" and read as integers (non-zero is true); integers in
// decimal,
//   read as decimal or hexadecimal after "0x"; anything that is no number gives the default.
//
// Beyond the Windows API:
// - Every change is made under the program folder's lock (file_lock.h) on the file as it is on
//   disk at that moment, so concurrent processes never lose each other's writes.
// - Every write reaches the disk atomically: a temporary file in the same folder, flushed, renamed
//   over the old file. A failed write raises WriteError ("Unable to write to %s") and leaves the
//   old file as it was.
// - Reads are served from a parsed copy that is parsed again only when the file changed on disk.
// - ProfileBatch defers the writes to one file until the batch ends, so an operation writing many
//   keys rewrites the file once.
// - Threads: the parsed-copy cache is process-wide and guarded by a mutex (taken after the program
//   folder's lock), so any thread may read and write profile files.
//
// Paths are Windows path text (see drives.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_lock.h"

namespace vorlisk::platform {

inline constexpr std::size_t kProfileValueMax = 2047;

class ProfileFile {
 public:
  explicit ProfileFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Key names of a section, in file order (first occurrence of each name).
  std::vector<std::string> ReadSectionKeys(std::string_view section) const;

  // Throw WriteError when the file cannot be written, Error for a name or value that would not
  // read back as written (see above).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Never throw: failures are ignored, as the callers expect.
  void EraseSection(std::string_view section) noexcept;
  void DeleteKey(std::string_view section, std::string_view key) noexcept;
  // Empties the file (as deleting it and writing it anew would, but replacing it atomically at the
  // next write, so a failed write never leaves the file missing). Throws WriteError.
  void Clear();

 private:
  std::string path_;
  std::string key_;  // the file's entry in the parsed-copy cache
};

// A batch holds the program folder's lock (file_lock.h) for its whole life, and looks at the disk
// once after taking it: a read-modify-write made inside one batch is never interleaved with
// another process's. Open a batch only around work that never waits for the user.
// Inside a batch the file is parsed at most once: reads are served from the parsed copy without
// looking at the disk again, so a batch also makes a run of many reads cheap.
// Writes to one file made while a batch is open are kept in memory and written once, by Commit()
// of the outermost batch or when the outermost batch of that file ends. Batches of the same file
// nest; what happens when the outermost one ends by an exception is its own choice:
// - KeepWrites: what was written so far is still saved (errors then are swallowed), so keys
//   written before a failure stay written;
// - DiscardWrites: nothing of the batch reaches the disk, the file stays as it was (one change
//   made of many keys, such as an item with its entries, is written whole or not at all).
class ProfileBatch {
 public:
  enum OnException { KeepWrites, DiscardWrites };
  explicit ProfileBatch(std::string path, OnException onException = KeepWrites);
  ~ProfileBatch();
  ProfileBatch(const ProfileBatch&) = delete;
  ProfileBatch& operator=(const ProfileBatch&) = delete;

  // The outermost batch writes pending changes now and throws WriteError; later writes in it are
  // deferred again. In a nested batch it does nothing: the outermost batch writes everything once.
  void Commit();

 private:
  ProgramFolderLock lock_;  // taken first, released after the final save
  std::string path_;
  std::string key_;  // the file's entry in the parsed-copy cache, fixed when the batch opens
  OnException onException_;
  int uncaught_;  // exceptions in flight when the batch began
};

// Forgets every parsed copy (tests use it after changing files behind the cache's back within the
// same clock tick). Writes pending in an open batch are kept.
void ClearProfileCache();

}  // namespace vorlisk::platform
