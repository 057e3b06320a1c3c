// The fixture of the folder-entry tests: a drive holding a few files and folders, and entries
// naming them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_entries.h"
#include "test_support.h"

namespace vorlisk {

inline tChildFolder Entry(FolderKind kind, std::string target, bool subfolders) {
  tChildFolder e;
  e.Kind = kind;
  (kind == FolderKind::SingleFile ? e.DeleteFileName : e.DeletePath) = std::move(target);
  e.IncludeSubfolders = subfolders;
  return e;
}

// The lines as runs of one folder each, "folder:{names}", names sorted within a run (their order
// is the file system's): a folder whose files are split, or come after a subfolder's, shows.
inline std::string Runs(const std::vector<std::string>& lines) {
  std::string out, folder;
  std::vector<std::string> names;
  auto flush = [&] {
    std::sort(names.begin(), names.end());
    out += folder + ":{";
    for (const auto& n : names) out += n + (&n == &names.back() ? "" : ",");
    out += "} ";
    names.clear();
  };
  for (const auto& line : lines) {
    const auto cut = line.rfind('\\');
    if (!names.empty() && line.substr(0, cut) != folder) flush();
    folder = line.substr(0, cut);
    names.push_back(line.substr(cut + 1));
  }
  if (!names.empty()) flush();
  return out;
}

// Expands an entry into file lines that tell where each was listed, as the preview dialogs hold
// them, all ticked.
inline FileLines ListedLines(tChildFolder entry) {
  FileLines lines;
  ExpandFolderEntry(entry, {}, lines);
  lines.SetAll(true);
  return lines;
}

// The texts of an entry's expansion, in search order, in place of `texts`.
inline void ExpandFolderEntry(tChildFolder& entry, const std::vector<std::string>& excludeList,
                              std::vector<std::string>& texts,
                              const std::vector<std::string>& protectedFiles = {},
                              ProgressTracker* progress = nullptr) {
  FileLines lines;
  ExpandFolderEntry(entry, excludeList, lines, protectedFiles, progress);
  texts.clear();
  for (std::size_t i = 0; i < lines.Count(); ++i) texts.push_back(lines.Text(i));
}

class FolderEntriesTest : public ::testing::Test {
 protected:
  FolderEntriesTest() {
    for (const char* f : {"Temp/a.tmp", "Temp/b.tmp", "Temp/c.txt", "Temp/Sub/e.tmp",
                          "Temp/Sub/Deep/f.tmp", "Temp/Sub/Deep/g.log", "Data/readme", "Data/x.y"})
      test::WriteHostFile(drive_.Host(f), f);
    std::filesystem::create_directories(
        drive_.Host("Temp/folder.tmp"));  // a folder the mask matches
  }
  test::TempDrive drive_;
};

}  // namespace vorlisk
