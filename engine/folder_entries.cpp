#include "engine/folder_entries.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "engine/find_file.h"
#include "engine/registry_entries.h"
#include "engine/wash_log.h"
#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/thread_check.h"
#include "platform/user_folders.h"

namespace vorlisk {

namespace {

// Absolute Windows text: a drive root "X:\" or a UNC name. Anything else would be searched
// relative to the process's current folder, which no entry means.
bool IsAbsoluteTarget(const std::string& target) {
  if (target.size() >= 3 && target[1] == ':' && target[2] == '\\') return true;
  return target.size() >= 2 && target[0] == '\\' && target[1] == '\\';
}

// Did a value of the entry's target reach the length at which an item file's reading cuts it?
// A cut value names something else: "...\*.log" cut to "...\*" would name every file of the folder.
bool TargetMayBeCut(const tChildFolder& entry) {
  const auto reached = [](const std::string& value) {
    return value.size() >= platform::kProfileValueMax;
  };
  switch (entry.Kind) {
    case FolderKind::RegistryFolder:
      return reached(entry.RegisterName) || reached(entry.RegisterValueofName);
    case FolderKind::FolderMask:
      return reached(entry.DeletePath);
    case FolderKind::SingleFile:
      return reached(entry.DeleteFileName);
  }
  return true;
}

}  // namespace

std::string FolderEntryTarget(const tChildFolder& entry) {
  switch (entry.Kind) {
    case FolderKind::RegistryFolder: {
      std::string folder = ReadRegistryFolder(entry);
      if (!folder.empty() && folder.back() != '\\') folder += '\\';
      return folder + "*.*";
    }
    case FolderKind::FolderMask:
      return ExpandUserFolder(entry.DeletePath).value_or("");
    case FolderKind::SingleFile:
      return ExpandUserFolder(entry.DeleteFileName).value_or("");
  }
  return {};
}

std::optional<std::string> ExpandUserFolder(std::string_view text) {
  if (text.empty() || text[0] != '%') return std::string(text);
  const std::size_t close = text.find('%', 1);
  if (close == std::string_view::npos || close == 1) return std::nullopt;
  const std::string_view rest = text.substr(close + 1);
  if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return std::nullopt;
  platform::Registry registry;
  registry.SetRootKey(platform::RootKey::CurrentUser);
  if (!registry.OpenKey("\\" + std::string(platform::kUserFoldersKey))) return std::nullopt;
  const std::string name(text.substr(1, close - 1));
  if (!registry.ValueExists(name)) return std::nullopt;
  std::string folder = registry.ReadString(name);
  if (folder.empty()) return std::nullopt;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (!rest.empty() && folder.back() == '\\') return folder + std::string(rest.substr(1));
  return folder + std::string(rest);
}

std::string ReadRegistryFolder(const tChildFolder& entry) {
  platform::Registry registry;
  const std::string subkey = ResolveRootKey(registry, Trim(entry.RegisterName));
  if (!registry.OpenKey(subkey)) return {};
  return registry.ReadString(entry.RegisterValueofName);
}

void ExpandFolderEntry(tChildFolder& entry, const std::vector<std::string>& excludeList,
                       FileLines& lines, const std::vector<std::string>& protectedFiles,
                       ProgressTracker* progress, FolderExpansion* details) {
  if (details) *details = {};
  if (TargetMayBeCut(entry)) return;
  // Windows reads "/" as "\": "c:/data/*.tmp" is c:\data\*.tmp.
  const std::string target = WithBackslashes(FolderEntryTarget(entry));
  // A target without a folder of its own (an unset registry folder gives "*.*") yields nothing.
  if (!IsAbsoluteTarget(target)) return;

  TFindFile search;
  // Decided at each folder the walk opens, by its identity, whatever the text that led there.
  std::optional<platform::GuardedFolders> guarded;
  if (entry.IncludeSubfolders) search.Guarded = &guarded.emplace(platform::GuardedFolders::Now());
  search.IncludeFiles.push_back(target);
  // Exclude patterns may name user folders too; one that names no folder now excludes nothing.
  for (const auto& pattern : excludeList)
    if (auto expanded = ExpandUserFolder(pattern))
      search.ExcludeFiles.push_back(std::move(*expanded));
  // The entry's own exclusions: patterns as the exclude list's, and folders ("...\\") with all
  // below them, compared with each line's text.
  std::vector<std::string> excludedFolders;
  for (std::string_view rest = entry.Exclude; !rest.empty();) {
    const std::size_t bar = rest.find('|');
    const std::string pattern = Trim(WithBackslashes(rest.substr(0, bar)));
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    auto expanded = pattern.empty() ? std::nullopt : ExpandUserFolder(pattern);
    if (!expanded) continue;
    if (expanded->back() == '\\')
      excludedFolders.push_back(UpperAZ(*expanded));
    else
      search.ExcludeFiles.push_back(std::move(*expanded));
  }
  search.ProtectedFiles = protectedFiles;
  search.Subfolders = entry.IncludeSubfolders;
  search.Details = false;  // a file line is its path alone
  struct SearchCancelled {};
  lines.BeginSource();
  const bool removeEmptied = entry.RemoveEmptiedFolders;
  // Whether the folder of the last file found is excluded, looked at once a folder.
  std::string lastFolder;
  bool lastExcluded = false;
  search.OnFound = [&lines, progress, &excludedFolders, removeEmptied, &lastFolder, &lastExcluded](
                       TFindFile&, const std::string& folder, const TSearchRec& rec) {
    // An error thrown here ends the search, keeping what was found.
    if (Cancelled(progress)) throw SearchCancelled{};
    // Regular files only: the enumeration's own attributes tell a folder from a file.
    if (rec.Attr & platform::kAttrDirectory) return;
    if (!excludedFolders.empty()) {
      if (folder != lastFolder || lines.Empty()) {
        lastFolder = folder;
        const std::string upper = UpperAZ(IncludeTrailingBackslash(folder));
        lastExcluded = std::any_of(excludedFolders.begin(), excludedFolders.end(),
                                   [&upper](const std::string& e) { return upper.starts_with(e); });
      }
      if (lastExcluded) return;
    }
    lines.Add(folder, rec.Name, false, &rec.Listed, removeEmptied, &rec.Levels);
    if (progress) progress->StepDescribed([&lines] { return lines.Text(lines.Count() - 1); });
  };
  search.StartSearch();
  if (const auto& refused = search.Refused())
    throw RefusedEntry("Refused: \"" + target +
                       "\" with its subfolders would reach every file in " + refused->Name + " (" +
                       refused->Folder +
                       "). Name a folder inside it, or leave out the subfolders.");
  if (details) details->UnnamableFiles = search.UnnamableFiles();
}

namespace {

// One pass of the pattern over the data of the file, in blocks of kSecureEraseBlock from the start
// of each run of data; the last block of data that ends the file is written in full, so the
// file grows to the next whole block. Holes are left alone. The pass is flushed to the device:
// data overwritten only in the system's cache would be dropped unwritten with the file.
bool OverwriteData(platform::FileWriter& writer) {
  static const std::array<char, kSecureEraseBlock> kPattern = [] {
    std::array<char, kSecureEraseBlock> a{};
    a.fill('A');
    return a;
  }();
  const uint64_t size = writer.Size();
  for (auto data = writer.NextData(0); data && data->length > 0;
       data = writer.NextData(data->offset + data->length)) {
    const uint64_t end = data->offset + data->length;
    const bool endsFile = end >= size;
    for (uint64_t at = data->offset; at < end; at += kSecureEraseBlock) {
      const std::size_t block =
          endsFile ? kSecureEraseBlock
                   : static_cast<std::size_t>(std::min<uint64_t>(kSecureEraseBlock, end - at));
      // A block that cannot be written (a full disk) ends the overwrite; the file stays and the
      // erase fails rather than reporting a success.
      if (!writer.WriteAt(at, kPattern.data(), block)) return false;
    }
    if (endsFile) break;
  }
  return writer.Flush();
}

std::function<void(std::string_view)>& SecureEraseHook() {
  static std::function<void(std::string_view)> hook;
  return hook;
}

// What erasing one file came to. NameRemoved: a secure erase of a file with other hard links
// removed this name only; the data stays under the others. Missing: there was no file to erase
// (it vanished since the preview, or between the looks taken here); such a line is neither
// counted nor logged.
enum class EraseOutcome { Erased, NameRemoved, Missing, Failed };

// A failed erase, with the system's reason taken at once, before another call can change it.
EraseOutcome Failed(std::string& reason) {
  reason = platform::LastFileErrorText();
  return EraseOutcome::Failed;
}

EraseOutcome OutcomeOf(platform::DeleteOutcome removed, std::string& reason) {
  switch (removed) {
    case platform::DeleteOutcome::Deleted:
      return EraseOutcome::Erased;
    case platform::DeleteOutcome::Missing:
      return EraseOutcome::Missing;
    default:
      return Failed(reason);
  }
}

// QuickErase with the folders reached through the remover. The deletion itself tells a file that
// vanished apart from one that could not be deleted.
// `freed` receives the bytes of a file whose data went with it; `reason`, why an erase failed.
EraseOutcome QuickErase(platform::FileRemover& remover, platform::FileInFolder file,
                        uint64_t& freed, std::string& reason,
                        const platform::ListedIn* listed = nullptr) {
  return OutcomeOf(remover.Remove(file, true, &freed, listed), reason);
}

// SecureErase with the folders reached through the remover; `freed` and `reason` as QuickErase
// has them.
EraseOutcome SecureErase(platform::FileRemover& remover, platform::FileInFolder file,
                         uint64_t& freed, std::string& reason,
                         const platform::ListedIn* listed = nullptr) {
  freed = 0;
  const auto status = remover.Status(file, listed);
  if (!status || !status->isFile) return EraseOutcome::Missing;
  // A link is only removed: its target is not ours to overwrite. A file with more hard links keeps
  // its data under the other names, so overwriting it would destroy those: only this name goes.
  if (status->isLink) return OutcomeOf(remover.Remove(file, false, nullptr, listed), reason);
  if (status->linkCount > 1) {
    const EraseOutcome removed = OutcomeOf(remover.Remove(file, false, nullptr, listed), reason);
    return removed == EraseOutcome::Erased ? EraseOutcome::NameRemoved : removed;
  }

  if (SecureEraseHook()) {
    std::string path(file.folder);
    path += file.name;
    SecureEraseHook()(path);
  }
  {
    // Not opened when the file could not be deleted afterwards: a failed erase keeps the file
    // as it was. A failed flush fails the erase, and the file stays.
    auto writer = remover.OpenForOverwrite(file, listed);
    if (!writer) {
      // Why it did not open: a file gone since the look above is missing, not locked.
      const EraseOutcome failed = Failed(reason);
      const auto now = remover.Status(file, listed);
      return now && now->isFile ? failed : EraseOutcome::Missing;
    }
    if (!OverwriteData(*writer)) return Failed(reason);
  }
  const EraseOutcome removed = OutcomeOf(remover.Remove(file, false, nullptr, listed), reason);
  // What the file held on disk before the overwrite (which fills no hole).
  if (removed == EraseOutcome::Erased) freed = status->sizeOnDisk;
  return removed;
}

// Why a line whose erase found no file is no success, or "": its file vanished (as a wash may
// meet), or something that is no file took its place since the listing and was left.
std::string WhatTookItsPlace(platform::FileRemover& remover, platform::FileInFolder file,
                             const platform::ListedIn* listed) {
  const auto now = remover.Status(file, listed);
  if (!now || now->isFile) return {};
  return now->isDirectory ? "Not a File: a folder took its place"
                          : "Not a File: a pipe, socket or device took its place";
}

}  // namespace

namespace {
// What a wash of the file looked at would free, as FileLineSize tells it.
std::optional<uint64_t> SizeAsWashed(const std::optional<platform::FileStatus>& status) {
  if (!status || !status->isFile) return std::nullopt;
  return status->isLink ? 0 : status->size;
}
}  // namespace

std::optional<uint64_t> FileLineSize(std::string_view path) {
  return SizeAsWashed(platform::GetFileStatus(path));
}

std::optional<uint64_t> FileLineSizes::Of(const FileLines& lines, std::size_t line) {
  const FileLines::Folder& folder = lines.FolderOf(line);
  return SizeAsWashed(
      remover_.Status({folder.Text, lines.Name(line)}, folder.Listed ? &*folder.Listed : nullptr));
}

bool QuickErase(std::string_view path) {
  // The read-only bit is cleared (never through a link, whose target is not ours), all other
  // bits stay, then the file is deleted.
  platform::FileRemover remover;
  uint64_t freed = 0;
  std::string reason;
  return QuickErase(remover, platform::SplitFilePath(path), freed, reason) == EraseOutcome::Erased;
}

bool SecureErase(std::string_view path) {
  platform::FileRemover remover;
  uint64_t freed = 0;
  std::string reason;
  const EraseOutcome outcome = SecureErase(remover, platform::SplitFilePath(path), freed, reason);
  return outcome == EraseOutcome::Erased || outcome == EraseOutcome::NameRemoved;
}

bool EraseFile(std::string_view path, bool quick) {
  return quick ? QuickErase(path) : SecureErase(path);
}

void SetSecureEraseHookForTesting(std::function<void(std::string_view)> hook) {
  platform::TestSeamThread().Use();
  SecureEraseHook() = std::move(hook);
}

namespace {

// The folders below a walk's start that may have been emptied: each folder from the washed
// file's own up to, not including, the folder where its walk started; text to what the walk
// listed: the folder's identity and, for reaching it, its parent's.
class EmptiedFolders {
 public:
  struct Listed {
    platform::ListedIn parent;  // the parent's identity in `folder`
    platform::FileIdentity identity;
  };
  // `folder`: the washed file's, as its walk listed it.
  void Add(const FileLines::Folder& folder) {
    const std::string& text = folder.Text;
    const platform::ListedIn& listed = *folder.Listed;
    const std::size_t start = listed.startLength;
    if (start < listed.anchorLength || start == 0 || start > text.size()) return;
    // One identity for the start and one for each level below it, or nothing is known.
    const auto below = static_cast<std::size_t>(
        std::count(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), '\\'));
    if (folder.Levels.size() != below + 1) return;
    std::size_t depth = below;
    for (std::size_t end = text.size() - 1; depth > 0; --depth) {
      const std::size_t cut = text.rfind('\\', end - 1);
      platform::ListedIn parent = listed;
      parent.folder = folder.Levels[depth - 1];
      if (!folders_.emplace(text.substr(0, end + 1), Listed{parent, folder.Levels[depth]}).second)
        break;
      end = cut;
    }
  }
  // Deepest first: a folder is tried after every folder below it.
  void Remove(platform::FileRemover& remover, WashCounts& counts, bool quick, WashLog* log) {
    std::vector<const std::pair<const std::string, Listed>*> order;
    for (const auto& folder : folders_) order.push_back(&folder);
    const auto depth = [](const std::string& text) {
      return std::count(text.begin(), text.end(), '\\');
    };
    std::stable_sort(order.begin(), order.end(), [&depth](const auto* a, const auto* b) {
      return depth(a->first) > depth(b->first);
    });
    for (const auto* folder : order) {
      if (!remover.RemoveEmptyFolder(folder->first, folder->second.parent, folder->second.identity))
        continue;
      ++counts.FoldersRemoved;
      if (log) log->WriteLogRow(true, quick, true, folder->first, "Emptied folder removed");
    }
  }

 private:
  std::map<std::string, Listed> folders_;
};

}  // namespace

// The looks at the files of the ticked lines, taken ahead of a quick wash on a thread of their
// own: the look that tells a file's kind and size (for the bytes freed) overlaps the erase of the
// files before it. Each file is reached as the wash reaches it, through a remover of the thread's
// own. The wash takes the looks in the order of its lines.
class LooksAhead {
 public:
  explicit LooksAhead(const FileLines& lines) : lines_(lines), thread_([this] { Run(); }) {}
  ~LooksAhead() {
    stop_.store(true);
    consumed_.fetch_add(kSlots);  // wakes the thread should it wait for room
    consumed_.notify_all();
    thread_.join();
  }
  LooksAhead(const LooksAhead&) = delete;
  LooksAhead& operator=(const LooksAhead&) = delete;

  // The look at the file of the next ticked line (nullopt when there was no file), or nullptr when
  // none could be taken: the wash looks for itself.
  const std::optional<platform::FileStatus>* Next() {
    for (uint64_t made = made_.load(std::memory_order_acquire); made <= taken_;
         made = made_.load(std::memory_order_acquire))
      made_.wait(made);
    const auto* look =
        taken_ < good_.load(std::memory_order_acquire) ? &slots_[taken_ % kSlots] : nullptr;
    ++taken_;
    // The slot before this one is free now; the thread hears of it now and then.
    if (taken_ % kNotifyEvery == 0) {
      consumed_.store(taken_ - 1, std::memory_order_release);
      consumed_.notify_one();
    }
    return look;
  }

  // Worth a thread: two processors, and lines enough to pay for starting it.
  static bool Worth(const FileLines& lines) {
    return lines.Count() >= 512 && std::thread::hardware_concurrency() >= 2;
  }

 private:
  static constexpr uint64_t kSlots = 4096, kNotifyEvery = 256;

  void Run() {
    uint64_t made = 0;
    try {
      Looks(made);
    } catch (...) {
      // No more looks: the wash takes its own from here on.
      good_.store(made, std::memory_order_release);
      made_.store(UINT64_MAX, std::memory_order_release);
      made_.notify_one();
    }
  }

  void Looks(uint64_t& made) {
    platform::FileRemover remover;
    for (std::size_t i = 0; i < lines_.Count(); ++i) {
      if (!lines_.Checked(i)) continue;
      for (uint64_t free = consumed_.load(std::memory_order_acquire); made - free >= kSlots - 1;
           free = consumed_.load(std::memory_order_acquire)) {
        if (stop_.load()) return;
        consumed_.wait(free);
      }
      if (stop_.load()) return;
      const FileLines::Folder& folder = lines_.FolderOf(i);
      slots_[made % kSlots] =
          remover.Status({folder.Text, lines_.Name(i)}, folder.Listed ? &*folder.Listed : nullptr);
      made_.store(++made, std::memory_order_release);
      made_.notify_one();
    }
  }

  const FileLines& lines_;
  std::vector<std::optional<platform::FileStatus>> slots_ =
      std::vector<std::optional<platform::FileStatus>>(kSlots);
  std::atomic<uint64_t> made_{0};           // looks taken by the thread
  std::atomic<uint64_t> good_{UINT64_MAX};  // the looks before the thread failed: all, so far
  std::atomic<uint64_t> consumed_{0};       // looks the wash is done with (told now and then)
  std::atomic<bool> stop_{false};
  uint64_t taken_ = 0;  // the wash's own count
  std::thread thread_;
};

WashCounts WashFileLines(const FileLines& lines, bool quick, WashLog* log,
                         const SpecificFileList& specificFiles, ProgressTracker* progress) {
  WashCounts counts;
  platform::FileRemover remover;
  EmptiedFolders emptied;
  constexpr uint32_t kNoFolder = UINT32_MAX;
  uint32_t emptiedFolder = kNoFolder;  // the folder record last given to `emptied`
  uint32_t loggedFolder = kNoFolder;   // the folder of the last log row
  // Files this wash erased, when a file may be named by two lines (two entries name it): the
  // second finds it gone.
  // Sorted lines have such repeats next to each other (a mark a line: was it erased); others are
  // remembered by their text.
  const bool mayRepeat = lines.MayRepeat(), sorted = lines.Sorted();
  std::unordered_set<std::string> erased;
  std::vector<bool> erasedLine(mayRepeat && sorted ? lines.Count() : 0);
  const auto wasErased = [&erasedLine](std::size_t j) { return erasedLine[j]; };
  std::string path;  // the line's text, made only when it is needed
  std::optional<LooksAhead> ahead;
  if (quick && LooksAhead::Worth(lines)) {
    try {
      ahead.emplace(lines);
    } catch (const std::system_error&) {
      // No thread to be had: the wash looks at each file itself.
    }
  }
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    if (!lines.Checked(i)) continue;
    if (Cancelled(progress)) break;
    if (progress) progress->StepDescribed([&lines, i] { return lines.Text(i); });
    const FileLines::Folder& folder = lines.FolderOf(i);
    const platform::FileInFolder file{folder.Text, lines.Name(i)};
    // The rows of a folder go to the file together, before the wash moves on to another.
    if (log && lines.FolderIndex(i) != loggedFolder) log->Flush();
    loggedFolder = lines.FolderIndex(i);
    path.clear();
    const auto text = [&]() -> const std::string& {
      if (path.empty()) lines.AppendText(i, path);
      return path;
    };
    uint64_t freed = 0;
    std::string reason;
    const platform::ListedIn* listed = folder.Listed ? &*folder.Listed : nullptr;
    EraseOutcome outcome;
    if (const auto* look = ahead ? ahead->Next() : nullptr) {
      outcome = *look ? OutcomeOf(remover.Remove(file, true, &freed, listed, &**look), reason)
                      : EraseOutcome::Missing;
    } else {
      outcome = quick ? QuickErase(remover, file, freed, reason, listed)
                      : SecureErase(remover, file, freed, reason, listed);
    }
    bool success = outcome == EraseOutcome::Erased || outcome == EraseOutcome::NameRemoved;
    bool gone = success;
    if (mayRepeat && sorted) {
      erasedLine[i] = success;
      if (outcome == EraseOutcome::Missing) gone = lines.EarlierSame(i, wasErased);
    } else if (mayRepeat) {
      if (success)
        erased.insert(text());
      else if (outcome == EraseOutcome::Missing)
        gone = erased.count(text()) != 0;
    }
    // A listed file whose erase found no file: counted when something else took its place.
    std::string notFile;
    if (outcome == EraseOutcome::Missing && !gone && listed) {
      notFile = WhatTookItsPlace(remover, file, listed);
      if (!notFile.empty()) outcome = EraseOutcome::Failed;
    }
    if (gone && folder.RemoveEmptiedFolders && listed && lines.FolderIndex(i) != emptiedFolder) {
      emptied.Add(folder);
      emptiedFolder = lines.FolderIndex(i);
    }
    if (outcome == EraseOutcome::Missing) continue;
    counts.FreedBytes += freed;
    const char* note = "";
    if (success) {
      // The row must not claim the data overwritten: it stays under the file's other names.
      if (outcome == EraseOutcome::NameRemoved) note = "Hard Link: name removed";
      ++counts.Success;
    } else if (!notFile.empty()) {
      note = notFile.c_str();
      ++counts.Fails;
      counts.Failed.emplace_back(text(), notFile);
    } else if (IndexOfSpecificFile(specificFiles, text()) >= 0) {
      success = true;
      note = "Specific File";
      ++counts.Success;
    } else {
      note = "File Locked";
      ++counts.Fails;
      counts.Failed.emplace_back(text(), reason);
    }
    if (log) log->WriteLogRow(true, quick, success, text(), note);
  }
  if (log) log->Flush();
  ahead.reset();  // its remover holds a folder open no more
  emptied.Remove(remover, counts, quick, log);
  return counts;
}

}  // namespace vorlisk
