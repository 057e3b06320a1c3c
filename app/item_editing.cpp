#include "app/item_editing.h"

#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk {

// ---- drafts ----------------------------------------------------------------------------------

FolderEntryDraft FillDraft(const tChildFolder& e) {
  return {.Caption = "",
          .Name = e.Name,
          .Active = e.IsActive,
          .Kind = e.Kind,
          .RegisterName = e.RegisterName,
          .RegisterValueofName = e.RegisterValueofName,
          .DeletePath = e.DeletePath,
          .DeleteFileName = e.DeleteFileName,
          .IncludeSubfolders = e.IncludeSubfolders,
          .RemoveEmptiedFolders = e.RemoveEmptiedFolders};
}

RegistryEntryDraft FillDraft(const tChildRegister& e) {
  return {.Caption = "",
          .Name = e.Name,
          .Active = e.IsActive,
          .CleanType = e.CleanType,
          .RegisterKeyName = e.RegisterKeyName,
          .RegisterSingleValue = e.RegisterSingleValue};
}

void ReadBack(const FolderEntryDraft& d, tChildFolder& e) {
  e.Name = Trim(d.Name);
  e.IsActive = d.Active;
  e.Kind = d.Kind;
  e.RegisterName = Trim(d.RegisterName);
  e.RegisterValueofName = Trim(d.RegisterValueofName);
  e.DeletePath = Trim(d.DeletePath);
  e.DeleteFileName = Trim(d.DeleteFileName);
  e.IncludeSubfolders = d.IncludeSubfolders;
  e.RemoveEmptiedFolders = d.RemoveEmptiedFolders;
}

void ReadBack(const RegistryEntryDraft& d, tChildRegister& e) {
  e.Name = Trim(d.Name);
  e.IsActive = d.Active;
  e.CleanType = d.CleanType;
  e.RegisterKeyName = Trim(d.RegisterKeyName);
  e.RegisterSingleValue = Trim(d.RegisterSingleValue);
}

bool CanSave(const ItemDraft& d) { return !Trim(d.Name).empty(); }
bool CanSave(const FolderEntryDraft& d) { return !Trim(d.Name).empty(); }
bool CanSave(const RegistryEntryDraft& d) {
  return !Trim(d.Name).empty() && !Trim(d.RegisterKeyName).empty();
}

bool ListHasNameElsewhere(const CheckList& list, const std::string& name, int32_t index) {
  const std::string wanted = UpperAZ(Trim(name));
  for (int32_t i = 0; i < list.Count(); ++i)
    if (i != index && UpperAZ(Trim(list.Text(i))) == wanted) return true;
  return false;
}

bool ListHasName(const CheckList& list, const std::string& name) {
  return ListHasNameElsewhere(list, name, -1);
}

namespace {

void Refuse(MainSession& s, const std::string& message) {
  const UiCallbacks& ui = s.Ui();
  if (ui.Refuse)
    ui.Refuse(message);
  else if (ui.ShowError)
    ui.ShowError(message);
}

bool Ask(MainSession& s, const std::string& question) { return s.Ui().Ask && s.Ui().Ask(question); }

}  // namespace

// ---- wash items ------------------------------------------------------------------------------

void SetAllItemMarks(MainSession& s, bool checked) { s.CheckAllItems(checked); }

EditOutcome MoveItem(MainSession& s, int direction) {
  return s.MoveItemRow(s.ChListBoxItem().Selected(), direction) ? EditOutcome::Done
                                                                : EditOutcome::NotAvailable;
}

// An item change writes the order file first (the marks and moves made here, which the reload
// then reads) and the item file next; the order file's writes reach the disk once the item file
// has been written, so a change stopped at any write leaves a catalogue that loads whole, the
// changed item at worst in another row.

EditOutcome AddItem(MainSession& s, const ItemEditor& edit) {
  const std::string userFile = s.ProgramFolder() + std::string(kUserItemFile);
  // The new item starts as a copy of what the user item file keeps under "New Item".
  tItemContent copy;
  copy.Create(userFile, "New Item");
  ItemDraft draft{"Add Wash Item", "New Item", copy.Item.IsActive, userFile};
  if (!edit || !edit(draft)) return EditOutcome::Cancelled;
  if (!CanSave(draft)) return EditOutcome::Incomplete;
  // The name test and the writes form one change; the refusal is shown after it.
  bool taken = false;
  EditProgramFiles(s, [&] {
    taken = NameTaken(userFile, draft.Name);
    if (taken) return;
    s.SaveOrderFile();
    copy.SaveAsNew(userFile, draft.Name, draft.Active);
    // The order file does not list the new item yet, so it comes last.
    s.ReloadCatalogue(MainSession::kLastRow);
  });
  if (!taken) return EditOutcome::Done;
  Refuse(s, "Item Name exists! Please retry.");
  return EditOutcome::Refused;
}

EditOutcome EditItem(MainSession& s, const ItemEditor& edit) {
  const int32_t i = s.ChListBoxItem().Selected();
  if (i < 0 || !s.Current() || !s.IsEnabled(Control::SpEdit)) return EditOutcome::NotAvailable;
  // A copy: the reload that follows the change replaces the current item.
  tItemContent current = *s.Current();
  ItemDraft draft{"Edit Wash Item", current.Item.Name, current.Item.IsActive,
                  current.Item.ItemFile};
  if (!edit || !edit(draft)) return EditOutcome::Cancelled;
  if (!CanSave(draft)) return EditOutcome::Incomplete;
  bool taken = false;
  EditProgramFiles(s, [&] {
    const int32_t p = IndexInItemFile(current.Item.ItemFile, current.Item.Name);
    taken = NameTakenByOther(current.Item.ItemFile, draft.Name, p);
    if (taken) return;
    s.SaveOrderFile();
    current.Rename(draft.Name, draft.Active, p);
    s.ReloadCatalogue(i);
  });
  if (!taken) return EditOutcome::Done;
  Refuse(s, "Item Name exists! Please retry.");
  return EditOutcome::Refused;
}

EditOutcome DeleteItem(MainSession& s) {
  const int32_t i = s.ChListBoxItem().Selected();
  if (i < 0 || !s.Current()) return EditOutcome::NotAvailable;
  if (!Ask(s, "Do you want to delete '" + s.ChListBoxItem().Text(i) + "'?"))
    return EditOutcome::Cancelled;
  tItemContent current = *s.Current();
  EditProgramFiles(s, [&] {
    s.SaveOrderFile();
    const titem_property item = current.Item;
    current.RemoveFromFile(item.ItemFile, item.Name, IndexInItemFile(item.ItemFile, item.Name));
    s.ReloadCatalogue(i);
  });
  return EditOutcome::Done;
}

// ---- entries ---------------------------------------------------------------------------------

namespace {

template <class Entry>
struct EntryKind;

template <>
struct EntryKind<tChildFolder> {
  static constexpr const char* kAddCaption = "Add Folder/File Item";
  static constexpr const char* kEditCaption = "Edit Folder/File Item";
  static constexpr Control kAdd = Control::btnaddfolder;
  static constexpr Control kEdit = Control::btnEditFolder;
  static constexpr Control kDelete = Control::btndeletefolder;
  static const tFolder& Container(const tItemContent& c) { return c.Folders; }
  static const CheckList& List(const MainSession& s) { return s.ChListBoxFolder(); }
  static void Store(MainSession& s, const tFolder& c, int32_t select) {
    s.SetFolderEntries(c, select);
  }
  // A new entry keeps the flags and kind stored for its index; its name and texts are cleared.
  static void ClearTexts(tChildFolder& e) {
    e.Name.clear();
    e.RegisterName.clear();
    e.RegisterValueofName.clear();
    e.DeletePath.clear();
    e.DeleteFileName.clear();
  }
};

template <>
struct EntryKind<tChildRegister> {
  static constexpr const char* kAddCaption = "Add Registry Entry Item";
  static constexpr const char* kEditCaption = "Edit Current Registry Entry Item";
  static constexpr Control kAdd = Control::btnAddRegsiterChild;
  static constexpr Control kEdit = Control::btnEditRegsiterChild;
  static constexpr Control kDelete = Control::btndeleteregister;
  static const tRegister& Container(const tItemContent& c) { return c.Registers; }
  static const CheckList& List(const MainSession& s) { return s.ChListBoxRegister(); }
  static void Store(MainSession& s, const tRegister& c, int32_t select) {
    s.SetRegistryEntries(c, select);
  }
  static void ClearTexts(tChildRegister& e) {
    e.Name.clear();
    e.RegisterKeyName.clear();
    e.RegisterSingleValue.clear();
  }
};

// Writes a changed copy of the current item's container and, once written, takes it over and
// shows it in the entry list with the given row selected: a failed write changes nothing.
template <class Entry>
void StoreEntries(MainSession& s, EntryContainer<Entry>& changed, int32_t select) {
  EditProgramFiles(s, [&] { changed.Save(); });
  EntryKind<Entry>::Store(s, changed, select);
}

template <class Entry, class Draft>
EditOutcome AddOrEditEntry(MainSession& s, bool adding, const std::function<bool(Draft&)>& edit) {
  using Kind = EntryKind<Entry>;
  const CheckList& list = Kind::List(s);
  const int32_t selected = list.Selected();
  if (s.ChListBoxItem().Selected() < 0 || !s.Current() ||
      !s.IsEnabled(adding ? Kind::kAdd : Kind::kEdit) || (!adding && selected < 0))
    return EditOutcome::NotAvailable;
  const int32_t k = adding ? list.Count() : selected;
  Entry entry;
  entry.Create(s.Current()->Item.ItemFile, k, s.Current()->Item.Name);
  if (adding) Kind::ClearTexts(entry);
  Draft draft = FillDraft(entry);
  draft.Caption = adding ? Kind::kAddCaption : Kind::kEditCaption;
  const bool saved = edit && edit(draft);
  ReadBack(draft, entry);
  if (!saved) return EditOutcome::Cancelled;
  if (!CanSave(draft)) return EditOutcome::Incomplete;
  if (adding ? ListHasName(list, entry.Name) : ListHasNameElsewhere(list, entry.Name, k)) {
    Refuse(s, "Item '" + entry.Name + "' exists. Please retry!");
    return EditOutcome::Refused;
  }
  auto changed = Kind::Container(*s.Current());
  if (adding)
    changed.Add(entry);
  else
    changed.Replace(entry, k);
  StoreEntries(s, changed, k);
  return EditOutcome::Done;
}

template <class Entry>
EditOutcome DeleteEntry(MainSession& s) {
  using Kind = EntryKind<Entry>;
  const CheckList& list = Kind::List(s);
  const int32_t k = list.Selected();
  if (k < 0 || !s.Current() || !s.IsEnabled(Kind::kDelete)) return EditOutcome::NotAvailable;
  const int32_t item = s.ChListBoxItem().Selected();
  const std::string itemName = item >= 0 ? s.ChListBoxItem().Text(item) : s.Current()->Item.Name;
  if (!Ask(s, "Do you want to delete '" + itemName + " -> " + list.Text(k) + "'?"))
    return EditOutcome::Cancelled;
  auto changed = Kind::Container(*s.Current());
  changed.Delete(k);
  StoreEntries(s, changed, k);
  return EditOutcome::Done;
}

}  // namespace

EditOutcome AddFolderEntry(MainSession& s, const FolderEntryEditor& edit) {
  return AddOrEditEntry<tChildFolder>(s, true, edit);
}
EditOutcome EditFolderEntry(MainSession& s, const FolderEntryEditor& edit) {
  return AddOrEditEntry<tChildFolder>(s, false, edit);
}
EditOutcome DeleteFolderEntry(MainSession& s) { return DeleteEntry<tChildFolder>(s); }
EditOutcome AddRegistryEntry(MainSession& s, const RegistryEntryEditor& edit) {
  return AddOrEditEntry<tChildRegister>(s, true, edit);
}
EditOutcome EditRegistryEntry(MainSession& s, const RegistryEntryEditor& edit) {
  return AddOrEditEntry<tChildRegister>(s, false, edit);
}
EditOutcome DeleteRegistryEntry(MainSession& s) { return DeleteEntry<tChildRegister>(s); }

}  // namespace vorlisk
