#include "app/check_list.h"

#include <algorithm>

namespace vorlisk {

namespace {
unsigned char Fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// Lines of one search share long prefixes: equal bytes are passed over without folding.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
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
