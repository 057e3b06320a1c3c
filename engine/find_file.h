// TFindFile: the file search. Given search targets (a folder followed by a mask, or one file), it
// walks the folders, optionally with all subfolders, filters each entry and reports those that pass
// to OnFound, inside StartSearch, on the calling thread.
//
// Walk order: every entry of a folder that matches comes before anything of its subfolders.
// Names beginning with "." are skipped and such folders never entered; only a mask that itself
// begins with "." (".bash_history", ".*_history") finds dot-names, in the folders walked. Links to
// folders are never descended into and never reported, nor are folders where another file system is
// mounted. The walk holds each folder open and opens its subfolders through it: a folder swapped
// for a link while the search runs is never entered, and the cost of a folder does not grow with
// its depth.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/user_folders.h"

namespace vorlisk {

enum TFileAttribute : uint8_t { ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory };

// A set of TFileAttribute members.
class TFileAttributes {
 public:
  constexpr TFileAttributes() = default;
  constexpr TFileAttributes(std::initializer_list<TFileAttribute> members) {
    for (auto m : members) bits_ |= static_cast<uint8_t>(1u << m);
  }
  constexpr bool Has(TFileAttribute m) const { return (bits_ >> m) & 1u; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TFileAttributes&) const = default;

 private:
  uint8_t bits_ = 0;
};

struct TSearchRec {
  std::string Name;  // without folder
  uint32_t Size = 0;
  uint32_t Attr = 0;  // platform attribute bits (platform/filesystem.h)
  int64_t CreationTime = 0, LastAccessTime = 0, LastWriteTime = 0;
  // Where the entry was listed: the length of its target's folder text ("C:\Temp\"), which the
  // entry's path begins with, and the identity of the folder it lies in. A wash given them
  // reaches the entry through the folders the search walked, or not at all.
  platform::ListedIn Listed;
  // The identities of the folders from the one whose walk listed the entry (Listed.startLength)
  // down to the entry's own, as the walk opened them: what a wash that removes the folders it
  // emptied checks each of them against.
  std::vector<platform::FileIdentity> Levels;
};

class EFindFileError : public Error {
 public:
  using Error::Error;
};

class TFindFile;
using TFoundEvent =
    std::function<void(TFindFile& Sender, const std::string& Folder, const TSearchRec& FileInfo)>;

class TFindFile {
 public:
  TFindFile();
  ~TFindFile();

  const std::string& Filename() const { return filename_; }
  // Throws EFindFileError "%s\n\rInvalid filename specified" for a value with a folder part.
  void SetFilename(const std::string& value);
  const std::string& Location() const { return location_; }
  // Throws EFindFileError "%s\n\rlocation cannot to be contained wildcards".
  void SetLocation(const std::string& value);

  std::vector<std::string> IncludeFiles;
  // Exclude patterns, matched by text (MatchesExcludePattern) and by identity: a pattern with an
  // absolute folder ("C:\Keep\a.txt", "C:\Keep\*.log") also rejects the files it names in that
  // folder however the search reaches them (a link to the folder, another hard link), and, for an
  // excluded link, the file it points to.
  std::vector<std::string> ExcludeFiles;
  // Files the search never reports, as ExcludeFiles but with the whole folder matched rather than
  // its tail: "C:\Prog\order.ini" is that one file, "C:\Prog\plugin\" every file directly in
  // that folder. Matched by text and by identity alike.
  std::vector<std::string> ProtectedFiles;
  bool Subfolders = true;
  TFileAttributes Attributes{ffArchive, ffReadonly, ffHidden, ffSystem};
  bool ExactAttribute = false;
  // false: a caller that needs no size, times or read-only bit of a file says so, and the search
  // may then report a regular file with its archive bit alone (Size 0, times 0), which saves a
  // look at every file on POSIX. Ignored when the attribute filter depends on the read-only bit.
  bool Details = true;
  TFoundEvent OnFound;
  // Folders no walk may take whole, decided at the folders the walk opens. With Subfolders, a
  // walk refuses to start at one, or at a folder that holds one, and to take a folder matched by
  // a wildcard level that is one when no literal level follows to narrow the walk (the folder
  // before such wildcard levels counts as a start: they take its subfolders whole). Without
  // Subfolders, a folder it lists must not be one (folders holding one are no matter). A refusal
  // ends the search: Refused() tells the folder and what it is.
  const platform::GuardedFolders* Guarded = nullptr;
  struct Refusal {
    std::string Folder;  // Windows text of the folder, ending in "\"
    std::string Name;    // platform::GuardedFolders::NameOf
  };
  const std::optional<Refusal>& Refused() const { return refused_; }
  // The refusal a search of `target` would meet now, with Guarded and Subfolders as given,
  // found by matching its wildcard levels alone: no file is listed and OnFound is never called.
  static std::optional<Refusal> GuardOf(const std::string& target, bool subfolders,
                                        const platform::GuardedFolders& guarded);

  // Runs one complete search; returns at once when a search of this object is running.
  // Any error while searching (also one thrown by OnFound) ends the search and is not passed on.
  void StartSearch();
  bool Busy() const { return busy_; }
  // Of the last search: regular files left out although they matched, because their names cannot
  // be Windows text (platform::FolderHandle::UnnamableFiles).
  int32_t UnnamableFiles() const { return unnamable_; }

 private:
  std::string filename_ = "*.*";
  std::string location_;
  bool busy_ = false;
  int32_t unnamable_ = 0;
  bool aborted_ = false;
  bool destroying_ = false;
  bool matchOnly_ = false;  // GuardOf: the levels are matched, nothing is listed
  std::optional<Refusal> refused_;
  std::vector<std::string> excludeCopy_;
  std::vector<std::pair<std::string, std::string>> protectedCopy_;  // upper folder, upper name
  std::set<std::pair<uint64_t, uint64_t>> excludeIds_;  // device and inode of excluded files
  bool identitiesCollected_ = false;

  void CollectExcludedIdentities();

  std::vector<std::string> BuildTargets() const;
  // A target's folder as the walk reaches it: the anchor (Windows text ending in "\\", reached by
  // its path), the subfolders matched below it for the target's wildcard levels, and the mask.
  struct WalkTarget {
    std::string anchor;
    std::vector<std::string> names;
    std::string mask;
  };
  void SearchTarget(const std::string& folder, const std::string& mask);
  void MatchLevels(platform::FolderHandle& at, WalkTarget& target,
                   const std::vector<std::string>& levels, std::size_t i, std::size_t guardFrom);
  // Whether the folder (target's anchor and names) may be taken, as Guarded says; a refusal
  // ends the search.
  bool MayTake(const platform::FolderHandle& folder, const WalkTarget& target, bool start);
  void Walk(std::unique_ptr<platform::FolderHandle> at, const WalkTarget& target);
  bool Passes(const std::string& upperFolder, const TSearchRec& rec) const;
};

// Exclude-pattern matching of the search: the component's own algorithm, not the platform's masks.
bool MatchesExcludePattern(std::string_view path, std::string_view pattern);

}  // namespace vorlisk
