#include "engine/folder_entries.h"

#include <array>

#include "engine/find_file.h"
#include "engine/registry_entries.h"
#include "engine/wash_log.h"
#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

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
      return entry.DeletePath;
    case FolderKind::SingleFile:
      return entry.DeleteFileName;
  }
  return {};
}

std::string ReadRegistryFolder(const tChildFolder& entry) {
  platform::Registry registry;
  const std::string subkey = ResolveRootKey(registry, Trim(entry.RegisterName));
  if (!registry.OpenKey(subkey)) return {};
  return registry.ReadString(entry.RegisterValueofName);
}

void ExpandFolderEntry(tChildFolder& entry, const std::vector<std::string>& excludeList,
                       std::vector<std::string>& lines,
                       const std::vector<std::string>& protectedFiles) {
  lines.clear();
  if (TargetMayBeCut(entry)) return;
  // Windows reads "/" as "\": "c:/data/*.tmp" is c:\data\*.tmp.
  const std::string target = WithBackslashes(FolderEntryTarget(entry));
  // A target without a folder of its own (an unset registry folder gives "*.*") yields nothing.
  if (!IsAbsoluteTarget(target)) return;

  TFindFile search;
  search.IncludeFiles.push_back(target);
  search.ExcludeFiles = excludeList;
  search.ProtectedFiles = protectedFiles;
  search.Subfolders = entry.IncludeSubfolders;
  search.Details = false;  // a file line is its path alone
  entry.FoundFiles.clear();
  search.OnFound = [&entry](TFindFile&, const std::string& folder, const TSearchRec& rec) {
    // Regular files only: the enumeration's own attributes tell a folder from a file.
    if (rec.Attr & platform::kAttrDirectory) return;
    entry.FoundFiles.push_back(IncludeTrailingBackslash(folder) + rec.Name);
  };
  search.StartSearch();
  lines = std::move(entry.FoundFiles);
  entry.FoundFiles.clear();
}

namespace {

// SecureErase with the folders reached through the remover.
bool SecureErase(platform::FileRemover& remover, std::string_view path) {
  static const std::array<char, kSecureEraseBlock> kPattern = [] {
    std::array<char, kSecureEraseBlock> a{};
    a.fill('A');
    return a;
  }();
  const auto status = remover.Status(path);
  if (!status || !status->isFile) return false;
  // A link is only removed: its target is not ours to overwrite. A file with more hard links keeps
  // its data under the other names, so overwriting it would destroy those: only this name goes.
  if (status->isLink || status->linkCount > 1)
    return remover.Remove(path) == platform::DeleteOutcome::Deleted;

  {
    auto writer = remover.OpenForOverwrite(path);
    if (!writer) return false;  // read-only, locked, or changed into a link meanwhile
    const uint64_t size = writer->Size();
    for (uint64_t at = 0; size >= 1 && at < size; at += kSecureEraseBlock) {
      // A block that cannot be written (a full disk) ends the overwrite; the file stays and the
      // erase fails rather than reporting a success.
      if (!writer->WriteAt(at, kPattern.data(), kPattern.size())) return false;
    }
  }
  return remover.Remove(path) == platform::DeleteOutcome::Deleted;
}

}  // namespace

bool QuickErase(std::string_view path) {
  // The read-only bit is cleared (never through a link, whose target is not ours), all other
  // bits stay, then the file is deleted.
  return platform::FileRemover().Remove(path, true) == platform::DeleteOutcome::Deleted;
}

bool SecureErase(std::string_view path) {
  platform::FileRemover remover;
  return SecureErase(remover, path);
}

bool EraseFile(std::string_view path, bool quick) {
  return quick ? QuickErase(path) : SecureErase(path);
}

WashCounts WashFileLines(const MarkedLines& lines, bool quick, tWashLog* log,
                         const SpecificFileList& specificFiles) {
  WashCounts counts;
  platform::FileRemover remover;
  for (const auto& line : lines) {
    if (!line.Checked) continue;
    bool success = false;
    if (quick) {
      // The quick erase looks at the file once: the deletion itself tells a vanished file apart.
      switch (remover.Remove(line.Text)) {
        case platform::DeleteOutcome::Missing:
          continue;
        case platform::DeleteOutcome::Deleted:
          success = true;
          break;
        case platform::DeleteOutcome::ReadOnly:
          success = remover.Remove(line.Text, true) == platform::DeleteOutcome::Deleted;
          break;
        case platform::DeleteOutcome::Failed:
          break;
      }
    } else {
      const auto status = remover.Status(line.Text);
      if (!status || !status->isFile) continue;
      success = SecureErase(remover, line.Text);
    }
    const char* note = "";
    if (success) {
      ++counts.Success;
    } else if (IndexOfSpecificFile(specificFiles, line.Text) >= 0) {
      success = true;
      note = "Specific File";
      ++counts.Success;
    } else {
      note = "File Locked";
      ++counts.Fails;
    }
    if (log) log->WriteLogRow(true, quick, success, line.Text, note);
  }
  return counts;
}

}  // namespace vorlisk
