#include "app/check_list.h"

#include <algorithm>

#include "platform/text.h"

namespace vorlisk {

namespace {
// Lines of one search share long prefixes: equal bytes are passed over without folding.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    // Folded to lower case: "_" sorts before the letters, as the list has always sorted it.
    const auto x = static_cast<unsigned char>(LowerAZ(a[i]));
    const auto y = static_cast<unsigned char>(LowerAZ(b[i]));
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
