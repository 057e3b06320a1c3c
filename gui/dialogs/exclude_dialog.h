// The exclude-files dialog TFormExcludeFile: edits the files that are never previewed or washed.
// It works on a copy of the list and writes it to the settings file only on "A&pply".
#pragma once

#include <QDialog>
#include <memory>

#include "app/list_editing.h"
#include "gui/dialogs/list_dialog_parts.h"

namespace vorlisk::dialogs {

inline constexpr int kExcludeHelpTopic = 42;

class TFormExcludeFile final : public QDialog {
 public:
  TFormExcludeFile(QWidget* parent, MainSession& session);

 private:
  MainSession& session_;
  ExcludeFilesDialog core_;
  std::unique_ptr<TextListView> list_;
};

// Builds the dialog without showing it. "Select Files Excluded by Wildcard" asks the session's
// PickFolder, "Select Files Excluded by Filename" its OpenFiles.
std::unique_ptr<TFormExcludeFile> MakeExcludeFilesDialog(QWidget* parent, MainSession& session);

void ShowExcludeFilesDialog(QWidget* parent, MainSession& session);

}  // namespace vorlisk::dialogs
