// Editing the catalogue from the main window without a window: checking and moving wash items,
// adding, renaming and deleting them, and adding, editing and deleting their folder and registry
// entries. A front end supplies the editors: each fills a draft (what its dialog shows and gives
// back) and says whether the user saved. The core checks, writes, reloads and reselects; a refusal
// writes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/check_list.h"
#include "app/drafts.h"
#include "app/main_session.h"
#include "model/item.h"

namespace vorlisk {

// The two directions of each entry dialog's mapping. Reading back trims the name and the texts.
FolderEntryDraft FillDraft(const tChildFolder& entry);
RegistryEntryDraft FillDraft(const tChildRegister& entry);
void ReadBack(const FolderEntryDraft& draft, tChildFolder& entry);
void ReadBack(const RegistryEntryDraft& draft, tChildRegister& entry);

// The save checks of the dialogs: a name that is not blank and, for a registry entry, a key path
// that is not blank. A dialog does not close with Save otherwise.
bool CanSave(const ItemDraft& draft);
bool CanSave(const FolderEntryDraft& draft);
bool CanSave(const RegistryEntryDraft& draft);

// Line comparison of the entry lists: both sides trimmed, the letters a to z folded.
bool ListHasName(const CheckList& list, const std::string& name);
bool ListHasNameElsewhere(const CheckList& list, const std::string& name, int32_t index);

enum class EditOutcome {
  Done,
  NotAvailable,  // the command's precondition does not hold (its button would be disabled)
  Cancelled,     // the dialog was cancelled or the question answered No
  Incomplete,    // saved with a blank name or key path, which the dialog would not accept
  Refused,       // a name already used: the refusal was shown
};

// Check all / UnCheck all wash items (marks in memory; the order file takes them when written).
void SetAllItemMarks(MainSession& session, bool checked);
// Moves the selected wash item one row up (-1) or down (+1) and keeps it selected.
EditOutcome MoveItem(MainSession& session, int direction);

EditOutcome AddItem(MainSession& session, const ItemEditor& edit);
EditOutcome EditItem(MainSession& session, const ItemEditor& edit);
EditOutcome DeleteItem(MainSession& session);

EditOutcome AddFolderEntry(MainSession& session, const FolderEntryEditor& edit);
EditOutcome EditFolderEntry(MainSession& session, const FolderEntryEditor& edit);
EditOutcome DeleteFolderEntry(MainSession& session);
EditOutcome AddRegistryEntry(MainSession& session, const RegistryEntryEditor& edit);
EditOutcome EditRegistryEntry(MainSession& session, const RegistryEntryEditor& edit);
EditOutcome DeleteRegistryEntry(MainSession& session);

}  // namespace vorlisk
