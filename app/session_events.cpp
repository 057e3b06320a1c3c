#include "app/session_events.h"

#include <algorithm>

namespace vorlisk {

namespace {
bool Same(const MarkedLine& a, const MarkedLine& b) {
  return a.Checked == b.Checked && a.Text == b.Text;
}
}  // namespace

RowChange DiffRows(const MarkedLines& before, const MarkedLines& after) {
  const auto nb = static_cast<int32_t>(before.size());
  const auto na = static_cast<int32_t>(after.size());
  const int32_t shorter = std::min(nb, na);
  int32_t head = 0;
  while (head < shorter && Same(before[head], after[head])) ++head;
  if (head == nb && head == na) return {};
  int32_t tail = 0;
  while (tail < shorter - head && Same(before[nb - 1 - tail], after[na - 1 - tail])) ++tail;
  // Rows head .. n-tail-1 differ on each side.
  if (na > nb && head + tail == nb) return {RowChange::Inserted, head, head + (na - nb) - 1};
  if (nb > na && head + tail == na) return {RowChange::Removed, head, head + (nb - na) - 1};
  if (na != nb) return {RowChange::Reset};
  const int32_t last = na - tail - 1;
  if (last == head + 1 && Same(before[head], after[last]) && Same(before[last], after[head]))
    return {RowChange::Moved, last, head};
  return {RowChange::Changed, head, last};
}

}  // namespace vorlisk
