// A check list: rows of text, each with a check mark, of which at most one is selected. The main
// window's item and entry lists and every preview list are check lists; views only present them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/marked_lines.h"

namespace vorlisk {

class CheckList {
 public:
  virtual ~CheckList() = default;

  int32_t Count() const { return static_cast<int32_t>(Rows().size()); }
  const std::string& Text(int32_t row) const { return Rows()[Index(row)].Text; }
  bool Checked(int32_t row) const { return Rows()[Index(row)].Checked; }
  void SetChecked(int32_t row, bool checked) {
    MutableRows()[Index(row)].Checked = checked;
    ++revision_;
  }
  // Ticks or unticks every row (Select All / Unselect All).
  void SetAll(bool checked) {
    // Every row alike, whatever their order: a sorted list need not sort for it.
    for (auto& r : rows_) r.Checked = checked;
    ++revision_;
  }
  // Changes with every change of the rows (not of the selection): equal revisions, equal rows.
  uint64_t Revision() const { return revision_; }

  // -1 when no row is selected.
  int32_t Selected() const { return selected_ < Count() ? selected_ : -1; }
  void Select(int32_t row) { selected_ = (row >= 0 && row < Count()) ? row : -1; }

  void Clear() {
    rows_.clear();
    selected_ = -1;
    ++revision_;
  }
  void Add(std::string text, bool checked) { Add(MarkedLine{std::move(text), checked}); }
  virtual void Add(MarkedLine line) {
    rows_.push_back(std::move(line));
    ++revision_;
  }

  // Rows in display order with their marks.
  virtual const MarkedLines& Rows() const { return rows_; }

 protected:
  virtual MarkedLines& MutableRows() { return rows_; }
  static std::size_t Index(int32_t row) { return static_cast<std::size_t>(row); }

  mutable MarkedLines rows_;
  int32_t selected_ = -1;
  uint64_t revision_ = 0;
};

// A check list kept sorted alphabetically, ignoring case; rows that compare equal stay in the
// order they were added, duplicates included. Rows are sorted once when next read, so adding
// n rows costs O(n log n), not O(n^2).
class SortedCheckList : public CheckList {
 public:
  using CheckList::Add;
  void Add(MarkedLine line) override {
    rows_.push_back(std::move(line));
    ++revision_;
    dirty_ = true;
  }
  const MarkedLines& Rows() const override;

 protected:
  MarkedLines& MutableRows() override {
    Rows();
    return rows_;
  }

 private:
  mutable bool dirty_ = false;
};

}  // namespace vorlisk
