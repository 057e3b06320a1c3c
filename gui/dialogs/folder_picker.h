// The folder picker TFormselectbyfilter: a folder of the file system and a file mask. The tree
// shows the host's folders; the chosen folder is reported as Windows text on the drive that holds
// it, and a folder outside every drive counts as no file-system folder.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>

#include "app/main_session.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

namespace vorlisk::dialogs {

inline constexpr int kFolderPickerHelpTopic = 302;
inline constexpr const char* kSelectAFolder = "Please select a folder!";

class TFormselectbyfilter final : public QDialog {
 public:
  TFormselectbyfilter(QWidget* parent, MainSession& session);

  // Selects a host folder in the tree (the user's home when the dialog opens).
  void SelectHostFolder(const QString& hostFolder);
  // The folder shown in labFolder and the mask as typed; meaningful after the dialog accepted.
  FolderChoice Choice() const;

 private:
  void LoadWildcards();
  void ShowSelectedFolder();

  MainSession& session_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QLabel* labFolder_;
  QComboBox* combo_;
};

std::unique_ptr<TFormselectbyfilter> MakeFolderPicker(QWidget* parent, MainSession& session);

// Shows the picker modally: the folder (Windows text) and the mask, none when cancelled.
std::optional<FolderChoice> PickFolderDialog(QWidget* parent, MainSession& session);

}  // namespace vorlisk::dialogs
