#include "app/check_list.h"

#include <algorithm>

namespace vorlisk {

namespace {
unsigned char Fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return Fold(static_cast<unsigned char>(x)) < Fold(static_cast<unsigned char>(y));
  });
}
}  // namespace

const MarkedLines& SortedCheckList::Rows() const {
  if (dirty_) {
    // A stable sort keeps rows that compare equal in the order they were added.
    std::stable_sort(rows_.begin(), rows_.end(), [](const MarkedLine& a, const MarkedLine& b) {
      return LessIgnoringCase(a.Text, b.Text);
    });
    dirty_ = false;
  }
  return rows_;
}

}  // namespace vorlisk
