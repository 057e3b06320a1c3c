// The two list dialogs of the settings file without a window: the exclude-files dialog (files that
// are never previewed or washed) and the wildcard dialog (the masks the folder picker offers). Each
// reads its list from the settings file when it is created, edits a copy, and writes the copy back
// only when the user confirms ("A&pply", "&Ok"); nothing of an edit survives a cancel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_session.h"

namespace vorlisk {

// "Please select a item by clicking": the wildcard dialog's "Delete a item" without a selection.
inline constexpr const char* kSelectAItem = "Please select a item by clicking";

// The folder picker's result as one entry: the folder, a "\" unless it already ends with one (the
// root of a drive), and the mask trimmed.
std::string FolderAndMask(std::string_view folder, std::string_view mask);

// The rows of a dialog's list control, in order, of which at most one is selected.
class TextListEdit {
 public:
  explicit TextListEdit(std::vector<std::string> rows = {}) : rows_(std::move(rows)) {}

  const std::vector<std::string>& Rows() const { return rows_; }
  int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
  // -1 when no row is selected; selecting a row that does not exist selects none.
  int32_t Selected() const { return selected_; }
  void Select(int32_t row) { selected_ = (row >= 0 && row < Count()) ? row : -1; }

  // Whether a row equals the text as a whole, letters a to z compared without regard to case.
  bool Holds(std::string_view text) const;
  // Appends the text unless the list holds it; whether it was added. The selection stays.
  bool AddUnlessHeld(std::string text);
  // Swaps the selected row with its neighbour; the selection moves with it. False (nothing done)
  // with no selection or at the end of the list.
  bool MoveUp();
  bool MoveDown();
  // Deletes the selected row (none is selected afterwards); false with no selection.
  bool DeleteSelected();
  void Clear();

 private:
  bool Swap(int32_t other);

  std::vector<std::string> rows_;
  int32_t selected_ = -1;
};

// The exclude-files dialog: rows are full file paths or folder-and-mask entries (Windows text).
class ExcludeFilesDialog {
 public:
  // Reads the exclude list of the session's settings file (entries trimmed, empty ones skipped).
  explicit ExcludeFilesDialog(const MainSession& session);

  TextListEdit List;

  // "Select Files Excluded by Wildcard" after the folder picker ended with OK: the folder and the
  // mask as one entry, added unless listed; whether it was added. Both adders throw Error, adding
  // nothing, for a path with a "." or ".." level: entries are matched by text and never resolved.
  bool AddByWildcard(std::string_view folder, std::string_view mask);
  // "Select Files Excluded by Filename" after the open dialog was confirmed: each path in the
  // order given, unless listed; the paths that were already listed (and so not added).
  std::vector<std::string> AddByFileNames(const std::vector<std::string>& paths);
  // "A&pply": writes the list (the count, then each entry under its index). Throws WriteError.
  void Apply();
  // "Can&cel" and the close box write nothing: the dialog is simply dropped.

 private:
  std::string programFolder_;
};

// The wildcard dialog: rows are file masks as the user typed them, trimmed.
class WildcardDialog {
 public:
  // Reads the wildcard list of the session's settings file (empty entries skipped, values as
  // stored); the dialog's notes go to the session's Inform callback.
  explicit WildcardDialog(MainSession& session);

  TextListEdit List;
  std::string Edit1;  // "Add wildcard:"

  // "Add wildcard": the field trimmed; blank does nothing. Otherwise it is added unless listed and
  // the field is emptied either way. Whether a mask was added.
  bool SpNewClick();
  // "Delete a item": without a selected row "Please select a item by clicking" (information);
  // otherwise the row is deleted. Whether a row was deleted.
  bool DeleteClick();
  // "&Ok": writes the list ("Wildcard Total", then each entry under its index). Throws WriteError.
  void OkClick();
  // "Can&cel" and the close box write nothing: the dialog is simply dropped.

 private:
  MainSession& session_;
};

}  // namespace vorlisk
