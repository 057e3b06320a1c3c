// Folder and file entries: the files an entry stands for, and erasing the ticked ones.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_lines.h"
#include "engine/marked_lines.h"
#include "engine/progress.h"
#include "engine/special_targets.h"
#include "model/item.h"
#include "platform/error.h"
#include "platform/filesystem.h"

namespace vorlisk {

class WashLog;

inline constexpr std::size_t kSecureEraseBlock = 102400;

// An entry whose walk would reach everything of a folder that no wash item can mean: its
// subfolders included, it reaches the root of the system, the home, a top-level user folder or a
// folder holding one of them.
class RefusedEntry : public Error {
 public:
  using Error::Error;
};

// The search target of an entry: a folder followed by a mask, or one file path. A path that
// begins with a user folder variable (%Config%\google-chrome\*.*) has it expanded
// (ExpandUserFolder); one that cannot be gives "", which yields nothing.
std::string FolderEntryTarget(const tChildFolder& entry);
// `text` with a leading %NAME% replaced by the folder held under the user folders' key
// (platform::kUserFoldersKey) as value NAME: "%Cache%\x\*.*" gives "Z:\.cache\x\*.*". Text
// without a leading "%" is returned as it is; an unknown or empty variable, or one not followed
// by "\" or the end, gives nullopt, so that nothing is searched (never a drive's root).
std::optional<std::string> ExpandUserFolder(std::string_view text);
// The folder held by the registry value a RegistryFolder entry names, or "". Throws RegistryError
// ("Invalid data type for '%s'") when the value holds something other than text.
std::string ReadRegistryFolder(const tChildFolder& entry);
// Appends to `lines` the existing regular files the entry names, unticked, in search order,
// leaving out what the exclude patterns name (callers read the settings file's exclude list afresh
// for every entry). Each line tells where its file was listed (FileLines::Folder), for the wash. A
// target that is not absolute Windows text yields nothing, and so does an entry whose path (or
// registry key or value name) is as long as an item file's reading returns at most: it may have
// been cut, and a cut path can name more than the entry meant.
// `protectedFiles` (TFindFile::ProtectedFiles) name the program's own files, never listed either.
// With subfolders included, an entry whose walk would take whole the root of the system, the
// home, a top-level user folder or a folder holding one of them is refused, decided at the folders
// the walk opens, by their identity (platform::GuardedFolders, TFindFile::Guarded), whatever the
// case, the wildcard levels or the links of the text that led there: it throws RefusedEntry, naming
// the folder, which ends the preview or wash in progress with its reason, as `rm --preserve-root`
// refuses the root.
// With a progress, each file found is a step, and a cancel ends the search with the files found
// so far. `details`, when given, receives how many files no line could name.
struct FolderExpansion {
  int32_t UnnamableFiles = 0;  // matched, but named with a control character or a "\\"
};
void ExpandFolderEntry(tChildFolder& entry, const std::vector<std::string>& excludeList,
                       FileLines& lines, const std::vector<std::string>& protectedFiles = {},
                       ProgressTracker* progress = nullptr, FolderExpansion* details = nullptr);

// Each true when the file is gone. A secure erase overwrites the file's data in one pass, flushed
// to the device, and then deletes it; a file with other hard links or a link only loses this name.
// The size of the file a file line names, as a wash would free it: a regular file's size, 0 for a
// link (its target is never erased); nullopt when no file is there now. One look per call, made
// only when asked: expanding an entry never pays for it.
std::optional<uint64_t> FileLineSize(std::string_view path);
// FileLineSize of the lines of a list, each file reached by its name in the folder the search
// listed it in (kept open from one line to the next), as the wash would reach it.
class FileLineSizes {
 public:
  std::optional<uint64_t> Of(const FileLines& lines, std::size_t line);

 private:
  platform::FileRemover remover_;
};

bool QuickErase(std::string_view path);
bool SecureErase(std::string_view path);
bool EraseFile(std::string_view path, bool quick);

// Erases the ticked files that exist, in order; counts, and when a log is given (logging on)
// writes a row per file to its open run. A line that tells where it was listed is reached only
// through the folders the search walked: a folder swapped since (for a link, or another folder)
// holds nothing for it, and the line is skipped as a vanished file is. A failed erase of a specific
// file counts as a success. A file that vanished before it was erased, however late, is neither
// counted nor logged; something that is no file put in the place of a file a search listed (a
// folder, a pipe) is left, and counts as a failure whose row says so ("Not a File: ..."). With a
// progress, each ticked line is a step; a cancel stops before the next line, and what was done is
// counted and logged. Then, for the lines that ask for it
// (FileLines::Folder::RemoveEmptiedFolders), each folder between a washed file and the folder its
// walk started in is removed when it is empty now, deepest first: never that folder itself, never a
// folder holding anything, and only the folder the walk listed there (FileLines::Folder::Levels),
// reached from the folder the walk listed as a file's folder is (FoldersRemoved, one log row each).
// Each file is reached by its name in its folder, kept open from one file to the next; log rows are
// written a folder at a time.
WashCounts WashFileLines(const FileLines& lines, bool quick, WashLog* log,
                         const SpecificFileList& specificFiles,
                         ProgressTracker* progress = nullptr);

// Test seam, one thread only (as the seams of platform/filesystem.h): called with the path
// between a secure erase's first look at a file and its opening (a file may vanish there); an
// empty function clears it. (A secure erase writes a fixed pattern: it has no random source.)
void SetSecureEraseHookForTesting(std::function<void(std::string_view)> hook);

}  // namespace vorlisk
