#include "app/check_list.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace vorlisk {

namespace {
// Lines of one search share long prefixes (a deep tree's lines share thousands of bytes): equal
// bytes are passed over without folding, a block at a time.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (const std::size_t block : {std::size_t{4096}, std::size_t{64}, std::size_t{8}})
    while (i + block <= n && std::memcmp(a.data() + i, b.data() + i, block) == 0) i += block;
  for (; i < n; ++i) {
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
