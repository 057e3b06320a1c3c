// The wildcard dialog TFormWildcard: edits the masks the folder picker offers. It works on a copy
// of the list and writes it to the settings file only on "&Ok".
#pragma once

#include <QDialog>
#include <memory>

#include "app/list_editing.h"
#include "gui/dialogs/list_dialog_parts.h"

class QLineEdit;

namespace vorlisk::dialogs {

inline constexpr int kWildcardHelpTopic = 801;       // F1
inline constexpr int kWildcardHelpButtonTopic = 31;  // its "Help" button

class TFormWildcard final : public QDialog {
 public:
  TFormWildcard(QWidget* parent, MainSession& session);

 private:
  MainSession& session_;
  WildcardDialog core_;
  QLineEdit* edit1_;
  std::unique_ptr<TextListView> list_;
};

// Builds the dialog without showing it; it ends with Accepted after "&Ok" wrote the list.
std::unique_ptr<TFormWildcard> MakeWildcardDialog(QWidget* parent, MainSession& session);

// Shows it modally; true when the list was written ("&Ok").
bool ShowWildcardDialog(QWidget* parent, MainSession& session);

}  // namespace vorlisk::dialogs
