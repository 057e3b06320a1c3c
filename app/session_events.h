// What a front end hears from the session: which rows of its three lists changed, which row is
// selected, which controls are enabled, and when the counters or the tray's Wash submenu changed.
// The session owns the lists and their selections; a view keeps nothing of its own but a row count
// and redraws only what it is told.
#pragma once

#include <cstdint>

#include "app/controls.h"
#include "engine/marked_lines.h"

namespace vorlisk {

enum class SessionList : uint8_t { Items, Folders, Registers };

// Every notification arrives after the change, on the thread that made it. Rows are numbered as
// they stand after the change, except those of RowsRemoved, which are numbered as they stood.
class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // The rows were replaced as a whole (start-up, another item's entries, a reloaded catalogue).
  virtual void RowsReset(SessionList) {}
  // Rows first..last kept their place and changed their text or mark.
  virtual void RowsChanged(SessionList, int32_t /*first*/, int32_t /*last*/) {}
  virtual void RowsInserted(SessionList, int32_t /*first*/, int32_t /*last*/) {}
  virtual void RowsRemoved(SessionList, int32_t /*first*/, int32_t /*last*/) {}
  // The row that stood at `from` now stands at its neighbour `to`, and that neighbour at `from`.
  virtual void RowMoved(SessionList, int32_t /*from*/, int32_t /*to*/) {}
  // -1 when no row is selected.
  virtual void SelectionChanged(SessionList, int32_t /*row*/) {}
  virtual void EnabledChanged(Control, bool /*enabled*/) {}
  virtual void CountersChanged() {}
  virtual void TrayMenuChanged() {}
};

// The smallest notification that turns `before` into `after`: nothing, one run of changed,
// inserted or removed rows, two neighbours swapped, or else a reset. Rows that keep their place
// are changed rows whatever they hold: the session itself says when a list shows other rows.
struct RowChange {
  enum Kind : uint8_t { None, Reset, Changed, Inserted, Removed, Moved };
  Kind What = None;
  int32_t First = 0;  // Moved: the row's old place
  int32_t Last = 0;   // Moved: the row's new place
  bool operator==(const RowChange&) const = default;
};
RowChange DiffRows(const MarkedLines& before, const MarkedLines& after);

}  // namespace vorlisk
