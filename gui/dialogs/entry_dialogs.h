// The item dialog and the two entry dialogs: each shows a draft, lets the user change it and, on
// Save, writes what was typed back into the draft (as typed: the core trims when it reads the
// draft back). Save closes a dialog only when the core's CanSave accepts the typed values;
// otherwise the dialog stays open without a message. Cancel, Escape and the close box leave the
// draft as it was.
#pragma once

#include <memory>

#include "app/drafts.h"
#include "app/main_session.h"

class QDialog;
class QWidget;

namespace vorlisk::dialogs {

// The help topic of all three dialogs (F1, and the Help buttons of the entry dialogs).
inline constexpr int kEntryHelpTopic = 31;

// Build the dialogs without showing them (TFormAddEditItem, TFormFolder, TFormRegister). `draft`
// must outlive the dialog.
std::unique_ptr<QDialog> MakeItemDialog(QWidget* parent, ItemDraft& draft);
// Its browse buttons ask the port: PickFolder for a folder and a mask, OpenFiles for one file.
std::unique_ptr<QDialog> MakeFolderEntryDialog(QWidget* parent, FolderEntryDraft& draft,
                                               const UiCallbacks& port);
std::unique_ptr<QDialog> MakeRegistryEntryDialog(QWidget* parent, RegistryEntryDraft& draft);

// Show them modally; true when the user saved (the draft then holds the typed values).
bool EditItemDialog(QWidget* parent, ItemDraft& draft);
bool EditFolderEntryDialog(QWidget* parent, FolderEntryDraft& draft, const UiCallbacks& port);
bool EditRegistryEntryDialog(QWidget* parent, RegistryEntryDraft& draft);

}  // namespace vorlisk::dialogs
