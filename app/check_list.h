// Check lists: rows of text, each with a check mark, of which at most one is selected. The main
// window's item and entry lists and every preview list are check lists; views only present them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/file_lines.h"
#include "engine/marked_lines.h"

namespace vorlisk {

// What a view of a check list reads and changes: rows by their place in display order.
class CheckRows {
 public:
  virtual ~CheckRows() = default;

  virtual int32_t Count() const = 0;
  virtual std::string Text(int32_t row) const = 0;
  virtual bool Checked(int32_t row) const = 0;
  virtual void SetChecked(int32_t row, bool checked) = 0;
  // Ticks or unticks every row (Select All / Unselect All).
  virtual void SetAll(bool checked) = 0;
  virtual void Clear() = 0;
  virtual void Add(std::string text, bool checked) = 0;

  // Changes with every change of the rows (not of the selection): equal revisions, equal rows.
  uint64_t Revision() const { return revision_; }
  // -1 when no row is selected.
  int32_t Selected() const { return selected_ < Count() ? selected_ : -1; }
  void Select(int32_t row) { selected_ = (row >= 0 && row < Count()) ? row : -1; }

 protected:
  static std::size_t Index(int32_t row) { return static_cast<std::size_t>(row); }

  int32_t selected_ = -1;
  uint64_t revision_ = 0;
};

// A check list of lines of text, in the order they were added.
class CheckList : public CheckRows {
 public:
  int32_t Count() const override { return static_cast<int32_t>(rows_.size()); }
  std::string Text(int32_t row) const override { return rows_[Index(row)].Text; }
  bool Checked(int32_t row) const override { return rows_[Index(row)].Checked; }
  void SetChecked(int32_t row, bool checked) override {
    rows_[Index(row)].Checked = checked;
    ++revision_;
  }
  void SetAll(bool checked) override {
    for (auto& r : rows_) r.Checked = checked;
    ++revision_;
  }
  void Clear() override {
    rows_.clear();
    selected_ = -1;
    ++revision_;
  }
  void Add(std::string text, bool checked) override {
    rows_.push_back(MarkedLine{std::move(text), checked});
    ++revision_;
  }

  // Rows in display order with their marks.
  const MarkedLines& Rows() const { return rows_; }

 private:
  MarkedLines rows_;
};

// A check list of file lines (FileLines), in the order they were added or, when sorted,
// alphabetically ignoring case, rows that compare equal in the order they were added, duplicates
// included. A sorted list is sorted once when next read, so adding n rows costs O(n log n).
class FileCheckList : public CheckRows {
 public:
  explicit FileCheckList(bool sorted = false) : sorted_(sorted) {}

  int32_t Count() const override { return static_cast<int32_t>(lines_.Count()); }
  std::string Text(int32_t row) const override { return Lines().Text(Index(row)); }
  bool Checked(int32_t row) const override { return Lines().Checked(Index(row)); }
  void SetChecked(int32_t row, bool checked) override {
    Lines();  // the row is one of the display order
    lines_.SetChecked(Index(row), checked);
    ++revision_;
  }
  void SetAll(bool checked) override {
    // Every row alike, whatever their order: a sorted list need not sort for it.
    lines_.SetAll(checked);
    ++revision_;
  }
  void Clear() override {
    lines_.Clear();
    selected_ = -1;
    ++revision_;
  }
  // A line of plain text (no listing).
  void Add(std::string text, bool checked) override {
    lines_.Add(text, checked);
    Changed();
  }

  // The lines in display order.
  const FileLines& Lines() const;
  // For adding lines (an expansion appends to them); call Changed() after.
  FileLines& MutableLines() { return lines_; }
  void Changed() {
    ++revision_;
    dirty_ = sorted_;
  }

 private:
  mutable FileLines lines_;
  bool sorted_;
  mutable bool dirty_ = false;
};

}  // namespace vorlisk
