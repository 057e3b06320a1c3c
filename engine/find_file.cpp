// TFindFile: the file search.
//
// Targets come from IncludeFiles, or else from Location and Filename. Each target folder is
// enumerated once: its matching entries are reported first, then its subfolders are searched in
// the file system's order, depth first. Names beginning with "." are skipped and never entered,
// unless the mask itself begins with ".": such a mask names dot-names on purpose and finds them
// (still never in a dot-folder, which no walk enters).
//
// Safety: a link to a folder is never reported and never descended into, whatever Attributes
// says; and a target whose folder part is not an absolute drive path ("*.*", "Temp\*.tmp",
// "\Temp\*.tmp", "C:*.tmp") yields nothing, since it would name whatever folder the process
// happens to be in.
#include "engine/find_file.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

bool IsAbsoluteDrivePath(std::string_view path) {
  return path.size() >= 3 &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
         path[1] == ':' && path[2] == '\\';
}

// The name walk of an exclude pattern. `patternName` is upper case already; the name is folded
// here. A "*" never takes a "." of the name, and a "?" may take nothing before a ".".
bool NameMatches(std::string_view name, std::string_view patternName) {
  if (patternName.empty()) return true;
  std::size_t i = 0, j = 0;
  for (;;) {
    if (i >= name.size() || j >= patternName.size()) {
      while (j < patternName.size() && (patternName[j] == '*' || patternName[j] == '?')) ++j;
      return i >= name.size() && j >= patternName.size();
    }
    const char n = UpperAZ(name[i]);
    const char x = patternName[j];
    if (n == x || (x == '?' && n != '.')) {
      ++i;
      ++j;
    } else if (n == '.') {
      if (x == '?') {
        ++j;
      } else if (x == '*') {
        while (j < patternName.size() && patternName[j] != '.') ++j;
      } else {
        return false;
      }
    } else if (x == '*') {
      ++i;
    } else {
      return false;
    }
  }
}

// An exclude pattern against a folder (ending in "\") and a name. The folder and the pattern are
// upper case (letters A to Z) already, so that a search folds them once, not once per entry.
bool MatchesUpper(std::string_view upperFolder, std::string_view name,
                  std::string_view upperPattern) {
  const std::size_t cut = upperPattern.rfind('\\');
  std::string_view patternFolder, patternName = upperPattern;
  if (cut != std::string_view::npos) {
    patternFolder = upperPattern.substr(0, cut + 1);
    patternName = upperPattern.substr(cut + 1);
  }
  if (!patternFolder.empty()) {
    if (patternFolder.size() >= 2 && patternFolder[1] == ':') {
      const char drive = patternFolder[0];
      if (drive != '*' && drive != '?' && (upperFolder.empty() || drive != upperFolder[0]))
        return false;
      patternFolder.remove_prefix(2);
    }
    // The pattern's folder must be the tail of the entry's folder.
    if (upperFolder.size() < patternFolder.size() + 2 ||
        upperFolder.substr(upperFolder.size() - patternFolder.size()) != patternFolder)
      return false;
  }
  return NameMatches(name, patternName);
}

// Attribute bits as a TFileAttributes bit set; other bits (reparse point and so on) are ignored.
uint8_t AttributeSet(uint32_t attr) {
  uint8_t set = 0;
  if (attr & platform::kAttrArchive) set |= 1u << ffArchive;
  if (attr & platform::kAttrReadOnly) set |= 1u << ffReadonly;
  if (attr & platform::kAttrHidden) set |= 1u << ffHidden;
  if (attr & platform::kAttrSystem) set |= 1u << ffSystem;
  if (attr & platform::kAttrDirectory) set |= 1u << ffDirectory;
  return set;
}

constexpr uint32_t kLinkToFolder = platform::kAttrDirectory | platform::kAttrReparsePoint;

}  // namespace

bool MatchesExcludePattern(std::string_view path, std::string_view pattern) {
  const std::string p = WithBackslashes(path);
  return MatchesUpper(UpperAZ(ExtractFilePath(p)), ExtractFileName(p),
                      UpperAZ(WithBackslashes(pattern)));
}

TFindFile::TFindFile() = default;

TFindFile::~TFindFile() { destroying_ = true; }

void TFindFile::SetFilename(const std::string& value) {
  // A drive ("C:x") or a "/" gives a folder part as much as a "\" does.
  if (value.find_first_of("\\/:") != std::string::npos)
    throw EFindFileError(value + "\n\rInvalid filename specified");
  filename_ = value;
}

void TFindFile::SetLocation(const std::string& value) {
  if (value.find_first_of("*?") != std::string::npos)
    throw EFindFileError(value + "\n\rlocation cannot to be contained wildcards");
  location_ = value;
}

std::vector<std::string> TFindFile::BuildTargets() const {
  if (!IncludeFiles.empty()) return IncludeFiles;

  std::string mask = filename_.empty() ? "*.*" : filename_;
  if (mask.find('.') == std::string::npos) mask += ".*";
  std::vector<std::string> targets;
  std::string_view rest = location_;
  do {
    const std::size_t semi = rest.find(';');
    std::string_view piece = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    if (piece.empty()) piece = ".";
    const std::string target = IncludeTrailingBackslash(platform::FullPathName(piece)) + mask;
    bool known = false;
    for (const auto& t : targets) known = known || SameTextAZ(t, target);
    if (!known) targets.push_back(target);
  } while (!rest.empty() && rest != ";");
  return targets;
}

void TFindFile::StartSearch() {
  if (busy_) return;
  busy_ = true;
  aborted_ = false;
  unnamable_ = 0;
  refused_.reset();
  try {
    excludeCopy_.clear();
    // Windows reads "/" as "\" in a path: "c:/data/*.tmp" is c:\data\*.tmp.
    for (const auto& pattern : ExcludeFiles)
      excludeCopy_.push_back(UpperAZ(WithBackslashes(pattern)));
    protectedCopy_.clear();
    for (const auto& pattern : ProtectedFiles) {
      const std::string upper = UpperAZ(WithBackslashes(pattern));
      protectedCopy_.emplace_back(ExtractFilePath(upper), ExtractFileName(upper));
    }
    excludeIds_.clear();
    identitiesCollected_ = false;
    for (const auto& given : BuildTargets()) {
      const std::string target = WithBackslashes(given);
      const std::string folder = ExtractFilePath(target);
      if (IsAbsoluteDrivePath(folder)) {
        SearchTarget(IncludeTrailingBackslash(platform::FullPathName(folder)),
                     ExtractFileName(target));
      }
      if (aborted_) break;
    }
  } catch (...) {
    // Any error ends the whole search; the caller keeps what OnFound received so far.
    aborted_ = true;
  }
  excludeCopy_.clear();
  protectedCopy_.clear();
  excludeIds_.clear();
  busy_ = false;
}

// The files that the exclude and protected patterns with an absolute folder name there now, and
// the targets of the links among them. Each folder is read once, without looking at each file.
void TFindFile::CollectExcludedIdentities() {
  excludeIds_.clear();
  // Upper folder to the folder as first given and the upper name masks.
  std::map<std::string, std::pair<std::string, std::vector<std::string>>> names;
  for (const auto* list : {&ExcludeFiles, &ProtectedFiles}) {
    for (const auto& given : *list) {
      const std::string pattern = WithBackslashes(given);
      const std::string folder = ExtractFilePath(pattern);
      if (IsAbsoluteDrivePath(folder)) {
        const auto entry = names.try_emplace(UpperAZ(folder), folder, std::vector<std::string>());
        entry.first->second.second.push_back(UpperAZ(ExtractFileName(pattern)));
      }
    }
  }
  const auto add = [this](const platform::FileIdentity& id) {
    excludeIds_.emplace(id.device, id.inode);
  };
  for (const auto& named : names) {
    const std::string& folder = named.second.first;
    const std::vector<std::string>& masks = named.second.second;
    platform::FindFiles(
        folder + "*",
        [&](const platform::FindData& data) {
          if (data.attributes & platform::kAttrDirectory) return true;
          for (const auto& mask : masks) {
            if (!NameMatches(data.name, mask)) continue;
            add(data.identity);
            if (data.attributes & platform::kAttrReparsePoint)
              if (const auto target = platform::GetFileIdentity(folder + data.name)) add(*target);
            break;
          }
          return true;
        },
        platform::FindDetail::KindOnly);
  }
}

// `folder` ends with "\\". A folder level holding "*" or "?" (C:\Users\*\Cache\) matches the
// subfolders of the level above it by the mask rules, one listing per level: never a dot-folder
// unless the level itself begins with ".", never a link or a mount. The folder text before the
// first such level is the anchor, the one folder reached by its path; every matched folder is
// reached from it through real subfolders, and walked as a folder the target named.
void TFindFile::SearchTarget(const std::string& folder, const std::string& mask) {
  const std::size_t wild = folder.find_first_of("*?");
  if (wild == std::string::npos) {
    if (auto at = platform::FolderHandle::Open(folder)) {
      WalkTarget target{folder, {}, mask};
      if (MayTake(*at, target, true) && !matchOnly_) Walk(std::move(at), target);
    }
    return;
  }
  const std::size_t anchorEnd = folder.rfind('\\', wild) + 1;
  WalkTarget target{folder.substr(0, anchorEnd), {}, mask};
  std::vector<std::string> levels;
  // The guard looks at the folders from the last literal level on (the anchor when there is
  // none): wildcard levels after it take its subfolders whole.
  std::size_t guardFrom = 0;
  for (std::size_t i = anchorEnd; i < folder.size();) {
    const std::size_t slash = folder.find('\\', i);
    if (slash > i) {
      levels.push_back(folder.substr(i, slash - i));
      if (levels.back().find_first_of("*?") == std::string::npos) guardFrom = levels.size();
    }
    i = slash + 1;
  }
  auto at = platform::FolderHandle::Open(target.anchor);
  if (at && (guardFrom > 0 || !Subfolders || MayTake(*at, target, false)))
    MatchLevels(*at, target, levels, 0, guardFrom);
}

bool TFindFile::MayTake(const platform::FolderHandle& folder, const WalkTarget& target,
                        bool start) {
  if (!Guarded || (!Subfolders && !start)) return true;
  std::string name = Guarded->NameOf(folder, Subfolders);
  if (name.empty()) return true;
  std::string text = target.anchor;
  for (const auto& level : target.names) text += level + "\\";
  refused_ = Refusal{std::move(text), std::move(name)};
  aborted_ = true;
  return false;
}

// The subfolders of `at` (reached through target.names) that level `i` names, each followed to
// the levels after it; past the last level, each is walked. A folder of level `guardFrom - 1` or
// below is looked at by the guard first.
void TFindFile::MatchLevels(platform::FolderHandle& at, WalkTarget& target,
                            const std::vector<std::string>& levels, std::size_t i,
                            std::size_t guardFrom) {
  const std::string& level = levels[i];
  std::vector<std::string> names;
  if (level.find_first_of("*?") == std::string::npos) {
    names.push_back(level);
  } else {
    at.List(
        level,
        [&](const platform::FindData& data) {
          if ((data.attributes & kLinkToFolder) == platform::kAttrDirectory &&
              (data.name[0] != '.' || level[0] == '.'))
            names.push_back(data.name);
          return true;
        },
        nullptr, platform::FindDetail::KindOnly);
    std::sort(names.begin(), names.end());
  }
  const bool last = i + 1 == levels.size();
  for (auto& name : names) {
    if (aborted_) return;
    auto child = at.Subfolder(name);
    if (!child) continue;
    target.names.push_back(std::move(name));
    if ((Subfolders ? i + 1 >= guardFrom : last) && !MayTake(*child, target, last)) return;
    if (!last)
      MatchLevels(*child, target, levels, i + 1, guardFrom);
    else if (!matchOnly_)
      Walk(std::move(child), target);
    target.names.pop_back();
  }
}

std::optional<TFindFile::Refusal> TFindFile::GuardOf(const std::string& target, bool subfolders,
                                                     const platform::GuardedFolders& guarded) {
  TFindFile search;
  search.IncludeFiles.push_back(target);
  search.Subfolders = subfolders;
  search.Guarded = &guarded;
  search.matchOnly_ = true;
  search.StartSearch();
  return search.refused_;
}

// One reading of each folder gives both its matching entries and its subfolders; every reported
// entry of a folder comes before anything of its subfolders. The walk is depth first, without
// recursion (a tree may be thousands of levels deep): each level keeps its identity and the names
// of the subfolders still to walk, and only the folder being walked is held open. Back from a
// subfolder, its parent is reached through ".." and must be the folder that was listed there; if
// it is not (the tree was moved meanwhile), it is reached again from the anchor through the names
// walked, and otherwise the walk of this folder ends.
void TFindFile::Walk(std::unique_ptr<platform::FolderHandle> at, const WalkTarget& target) {
  std::string path = target.anchor;
  for (const auto& name : target.names) path += name + "\\";
  std::string upperPath = UpperAZ(path);
  const std::string& mask = target.mask;
  // Collected once a folder of a target is open: an entry whose folder is not there (most of a
  // catalogue on any one machine) lists none of the excluded files' folders.
  if (!identitiesCollected_) {
    CollectExcludedIdentities();
    identitiesCollected_ = true;
  }
  TSearchRec rec;
  rec.Levels.assign(1, at->Identity());
  rec.Listed.anchorLength = target.anchor.size();
  rec.Listed.startLength = path.size();
  // A mask that itself begins with "." names dot-names on purpose (".bash_history",
  // ".*_history"); no other mask reaches one, and no walk enters a dot-folder.
  const bool dotMask = !mask.empty() && mask[0] == '.';
  // Without details a regular file carries the archive bit alone, which passes the filter exactly
  // when the filter takes every file that has the archive bit, read-only or not.
  const auto detail = !Details && !ExactAttribute && Attributes.Has(ffArchive)
                          ? platform::FindDetail::KindOnly
                          : platform::FindDetail::Full;
  // Lists the folder `at`, whose text is `path`; its subfolders go to `subfolders` when given.
  const auto list = [&](std::vector<std::string>* subfolders) {
    const std::string shownFolder = ExcludeTrailingBackslash(path);
    rec.Listed.folder = at->Identity();
    at->List(
        mask,
        [&](const platform::FindData& data) {
          if (data.name.empty() || (data.name[0] == '.' && !dotMask)) return true;
          if ((data.attributes & kLinkToFolder) == kLinkToFolder) return true;
          if (!excludeIds_.empty() &&
              excludeIds_.count({data.identity.device, data.identity.inode}) != 0)
            return true;
          rec.Name = data.name;
          rec.Size = static_cast<uint32_t>(data.size);  // 32 bits, as the record has always carried
          rec.Attr = data.attributes;
          rec.CreationTime = data.creationTime;
          rec.LastAccessTime = data.lastAccessTime;
          rec.LastWriteTime = data.lastWriteTime;
          if (Passes(upperPath, rec) && OnFound && !destroying_) OnFound(*this, shownFolder, rec);
          return !aborted_;
        },
        subfolders, detail);
    unnamable_ += static_cast<int32_t>(at->UnnamableFiles());
  };
  if (!Subfolders) {
    list(nullptr);
    return;
  }

  struct Level {
    std::string name;  // in its parent
    std::size_t pathLength = 0;
    platform::FileIdentity identity;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
    // The level's folder, kept open while the walk is below it: the way back up costs nothing.
    // Only the upper levels keep theirs, so that a deep tree holds few descriptors; a deeper one
    // is reached again from the folder below it.
    std::unique_ptr<platform::FolderHandle> kept;
  };
  constexpr std::size_t kKeptLevels = 32;
  std::vector<Level> levels(1);
  list(&levels.back().subfolders);
  levels.back().pathLength = path.size();
  levels.back().identity = at->Identity();
  while (!aborted_) {
    Level& top = levels.back();
    if (top.next < top.subfolders.size()) {
      std::string name = std::move(top.subfolders[top.next++]);
      if (name[0] == '.') continue;
      auto child = at->Subfolder(name);
      if (!child) continue;
      path.resize(top.pathLength);
      upperPath.resize(top.pathLength);
      path += name + "\\";
      upperPath += UpperAZ(name) + "\\";
      if (levels.size() <= kKeptLevels) top.kept = std::move(at);
      at = std::move(child);
      Level level{std::move(name), path.size(), at->Identity(), {}, 0, nullptr};
      rec.Levels.push_back(level.identity);
      list(&level.subfolders);
      levels.push_back(std::move(level));
      continue;
    }
    levels.pop_back();
    rec.Levels.pop_back();
    if (levels.empty()) break;
    if (levels.back().kept) {
      at = std::move(levels.back().kept);
      continue;
    }
    auto parent = at->Parent();
    if (!parent || parent->Identity() != levels.back().identity) {
      parent = platform::FolderHandle::Open(target.anchor);
      for (std::size_t i = 0; parent && i < target.names.size(); ++i)
        parent = parent->Subfolder(target.names[i]);
      for (std::size_t i = 1; parent && i < levels.size(); ++i)
        parent = parent->Subfolder(levels[i].name);
      if (!parent || parent->Identity() != levels.back().identity) return;
    }
    at = std::move(parent);
  }
}

// `upperFolder` is the entry's folder, ending in "\", upper-cased.
bool TFindFile::Passes(const std::string& upperFolder, const TSearchRec& rec) const {
  const uint8_t set = AttributeSet(rec.Attr);
  if (ExactAttribute ? set != Attributes.Bits() : (set != 0 && (set & Attributes.Bits()) == 0))
    return false;
  for (const auto& pattern : excludeCopy_)
    if (MatchesUpper(upperFolder, rec.Name, pattern)) return false;
  for (const auto& [folder, name] : protectedCopy_)
    if (folder == upperFolder && NameMatches(rec.Name, name)) return false;
  return true;
}

}  // namespace vorlisk
