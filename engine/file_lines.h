// File lines as the preview's file lists hold them and the file wash takes them: each line is a
// name in a folder that the lines of its files share, with its check mark. A million lines cost
// a few bytes each beside their names; the Windows text of a whole path is made only when a line
// is shown or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/marked_lines.h"
#include "platform/filesystem.h"

namespace vorlisk {

class FileLines {
 public:
  // A folder of listed files: its Windows text ending in "\\" ("" for a line without a folder).
  struct Folder {
    std::string Text;
    // Where the search listed the folder's files. A wash reaches a file only through the folders
    // the search walked, and only while its folder is the one listed.
    std::optional<platform::ListedIn> Listed;
    // Its entry removes the folders the wash empties below the folder whose walk listed the file
    // (ListedIn::startLength).
    bool RemoveEmptiedFolders = false;
    // With RemoveEmptiedFolders: the identities of the folders from the one whose walk listed the
    // files down to this one, as the walk opened them. Only those folders are ever removed.
    std::vector<platform::FileIdentity> Levels;
  };

  FileLines() = default;
  // Lines of plain text (no listing), as the tests and the in-process benchmarks give them.
  FileLines(std::initializer_list<MarkedLine> lines);
  FileLines(const MarkedLines& lines);  // NOLINT(google-explicit-constructor): lines are lines

  std::size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }

  // Appends the file `name` of the folder `folderText` (Windows text, with or without its final
  // "\\"). Consecutive lines of one folder, listed alike, share it.
  // `levels`: Folder::Levels, kept with removeEmptiedFolders.
  void Add(std::string_view folderText, std::string_view name, bool checked,
           const platform::ListedIn* listed = nullptr, bool removeEmptiedFolders = false,
           const std::vector<platform::FileIdentity>* levels = nullptr);
  // Appends a line of plain text, cut at its last "\\".
  void Add(std::string_view path, bool checked);
  // Lines added from now on may repeat the text of one added before (another entry named the same
  // file): a wash then erases it once.
  void BeginSource() {
    mayRepeat_ = mayRepeat_ || sourced_;
    sourced_ = true;
  }
  bool MayRepeat() const { return mayRepeat_; }

  std::string Text(std::size_t line) const;
  // Appends the line's text to `out`.
  void AppendText(std::size_t line, std::string& out) const;
  std::string_view Name(std::size_t line) const {
    return {names_.data() + lines_[line].name, lines_[line].bits >> 1};
  }
  const Folder& FolderOf(std::size_t line) const { return folders_[lines_[line].folder]; }
  // Lines of one folder record share its index: equal indexes, same folder.
  uint32_t FolderIndex(std::size_t line) const { return lines_[line].folder; }

  bool Checked(std::size_t line) const { return (lines_[line].bits & 1u) != 0; }
  void SetChecked(std::size_t line, bool checked) { lines_[line].Mark(checked); }
  void SetAll(bool checked) {
    for (auto& l : lines_) l.Mark(checked);
  }
  void Clear();

  // Puts the lines in alphabetical order of their texts, the letters A to Z compared without
  // case ("_" sorts before the letters), equal texts in the order they were added.
  void Sort();
  // Sorted, and no line added since.
  bool Sorted() const { return sorted_; }
  // Of sorted lines: whether `pred(j)` holds for an earlier line j of the same text. Equal texts
  // lie among the lines next to each other that differ in case at most: only those are looked at.
  template <class Pred>
  bool EarlierSame(std::size_t line, Pred&& pred) const {
    for (std::size_t j = line; j-- > 0;) {
      if (!SameFolded(j, line)) return false;
      if (Same(j, line) && pred(j)) return true;
    }
    return false;
  }

 private:
  struct Line {
    uint64_t name;  // offset in names_
    uint32_t folder;
    uint32_t bits;  // the name's length, then the check mark as the lowest bit
    void Mark(bool checked) { bits = (bits & ~1u) | (checked ? 1u : 0u); }
  };
  static_assert(sizeof(Line) == 16);

  // Two lines' texts equal, and equal but for the case of A to Z (a name holds no "\\": the text
  // of a line cuts into its folder and name one way only).
  bool Same(std::size_t a, std::size_t b) const {
    return Name(a) == Name(b) &&
           (lines_[a].folder == lines_[b].folder || FolderOf(a).Text == FolderOf(b).Text);
  }
  bool SameFolded(std::size_t a, std::size_t b) const;

  std::vector<Folder> folders_;
  std::vector<Line> lines_;
  std::string names_;
  bool sourced_ = false, mayRepeat_ = false, sorted_ = false;
};

}  // namespace vorlisk
