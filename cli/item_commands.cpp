#include "cli/item_commands.h"

#include <iostream>
#include <map>

#include "app/item_editing.h"

namespace vorlisk::cli {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;

const std::map<std::string, FolderKind> kFolderKinds = {{"mask", FolderKind::FolderMask},
                                                        {"file", FolderKind::SingleFile},
                                                        {"registry", FolderKind::RegistryFolder}};
const std::map<std::string, CleanRegisterType> kRegistryTypes = {
    {"key", CleanRegisterType::WholeKey},
    {"values", CleanRegisterType::AllValues},
    {"value", CleanRegisterType::SingleValue}};

// The entry's field options, shared by "entry add" and "entry edit".
void AddFieldOptions(CLI::App* cmd, ItemCommandOptions& o, bool nameRequired) {
  auto* name = cmd->add_option("--name", o.entryName, "Entry name");
  if (nameRequired) name->required();
  auto* active = cmd->add_flag("--active", o.active, "Tick the entry");
  cmd->add_flag("--inactive", o.inactive, "Untick the entry")->excludes(active);
  cmd->add_option("--kind", o.folderKind, "Folder entry: what it cleans")
      ->check(CLI::IsMember({"mask", "file", "registry"}));
  cmd->add_option("--path", o.path, "Folder entry: folder and file mask, such as C:\\tmp\\*.tmp");
  cmd->add_option("--file", o.file, "Folder entry: the single file");
  cmd->add_option("--key", o.key, "Registry key path");
  cmd->add_option("--value", o.value, "Value name");
  auto* sub = cmd->add_flag("--subfolders", o.subfolders, "Folder entry: include subfolders");
  cmd->add_flag("--no-subfolders", o.noSubfolders, "Folder entry: this folder only")->excludes(sub);
  auto* emptied = cmd->add_flag("--remove-emptied", o.removeEmptied,
                                "Folder entry: after a wash, remove the folders below it that the "
                                "wash emptied");
  cmd->add_flag("--keep-emptied", o.keepEmptied, "Folder entry: keep emptied folders")
      ->excludes(emptied);
  cmd->add_option("--type", o.registryType, "Registry entry: what it cleans")
      ->check(CLI::IsMember({"key", "values", "value"}));
}

// --folder K | --registry K, one of them required.
void AddEntryIndex(CLI::App* cmd, ItemCommandOptions& o) {
  auto* which = cmd->add_option_group("entry", "The entry, as 'entries' prints it");
  which->add_option("--folder", o.folder, "Folder entry index");
  which->add_option("--registry", o.registry, "Registry entry index");
  which->require_option(1);
}

void SetActive(const ItemCommandOptions& o, bool& active) {
  if (o.active) active = true;
  if (o.inactive) active = false;
}

FolderEntryEditor FolderFields(const ItemCommandOptions& o) {
  return [&o](FolderEntryDraft& d) {
    if (o.entryName) d.Name = *o.entryName;
    SetActive(o, d.Active);
    if (o.folderKind) d.Kind = kFolderKinds.at(*o.folderKind);
    if (o.path) d.DeletePath = *o.path;
    if (o.file) d.DeleteFileName = *o.file;
    if (o.key) d.RegisterName = *o.key;
    if (o.value) d.RegisterValueofName = *o.value;
    if (o.subfolders || o.noSubfolders) d.IncludeSubfolders = o.subfolders;
    if (o.removeEmptied || o.keepEmptied) d.RemoveEmptiedFolders = o.removeEmptied;
    return true;
  };
}

RegistryEntryEditor RegistryFields(const ItemCommandOptions& o) {
  return [&o](RegistryEntryDraft& d) {
    if (o.entryName) d.Name = *o.entryName;
    SetActive(o, d.Active);
    if (o.registryType) d.CleanType = kRegistryTypes.at(*o.registryType);
    if (o.key) d.RegisterKeyName = *o.key;
    if (o.value) d.RegisterSingleValue = *o.value;
    return true;
  };
}

ItemEditor ItemFields(const ItemCommandOptions& o) {
  return [&o](ItemDraft& d) {
    d.Name = o.name;
    SetActive(o, d.Active);
    return true;
  };
}

// The exit status of an edit, saying on standard error why nothing was changed where no box did.
int Status(MainSession& session, EditOutcome outcome, const char* incomplete) {
  switch (outcome) {
    case EditOutcome::Done:
      return kDone;
    case EditOutcome::NotAvailable: {
      const int32_t row = session.ChListBoxItem().Selected();
      std::cerr << "Not available for "
                << (row >= 0 ? session.ChListBoxItem().Text(row) : std::string("this item"))
                << '\n';
      return kRefused;
    }
    case EditOutcome::Incomplete:
      std::cerr << incomplete << '\n';
      return kRefused;
    case EditOutcome::Cancelled:
    case EditOutcome::Refused:
      return kRefused;
  }
  return kRefused;
}

int RunEntry(MainSession& s, const ItemCommandOptions& o, const ItemRowLookup& itemRow) {
  s.SelectItem(itemRow(s, o.item));
  const bool registry = o.entryAdd->parsed() ? o.kind == "registry" : o.registry.has_value();
  if (registry && (o.folderKind || o.path || o.file || o.subfolders || o.noSubfolders ||
                   o.removeEmptied || o.keepEmptied)) {
    std::cerr << "--kind, --path, --file, --subfolders and --remove-emptied apply to folder "
                 "entries only\n";
    return kRefused;
  }
  if (!registry && o.registryType) {
    std::cerr << "--type applies to registry entries only\n";
    return kRefused;
  }
  const CheckList& list = registry ? s.ChListBoxRegister() : s.ChListBoxFolder();
  if (!o.entryAdd->parsed()) {
    const int32_t k = registry ? *o.registry : *o.folder;
    if (k < 0 || k >= list.Count()) {
      std::cerr << "Unknown " << (registry ? "registry" : "folder") << " entry: " << k << '\n';
      return kRefused;
    }
    if (registry)
      s.SelectRegistryEntry(k);
    else
      s.SelectFolderEntry(k);
  }
  const char* incomplete =
      registry ? "A registry entry needs a name and a key." : "A folder entry needs a name.";
  EditOutcome outcome;
  if (o.entryDelete->parsed())
    outcome = registry ? DeleteRegistryEntry(s) : DeleteFolderEntry(s);
  else if (o.entryAdd->parsed())
    outcome =
        registry ? AddRegistryEntry(s, RegistryFields(o)) : AddFolderEntry(s, FolderFields(o));
  else
    outcome =
        registry ? EditRegistryEntry(s, RegistryFields(o)) : EditFolderEntry(s, FolderFields(o));
  return Status(s, outcome, incomplete);
}

int RunItem(MainSession& s, const ItemCommandOptions& o, const ItemRowLookup& itemRow) {
  const char* incomplete = "A wash item needs a name.";
  if (o.checkAll->parsed() || o.uncheckAll->parsed()) {
    SetAllItemMarks(s, o.checkAll->parsed());
    return kDone;
  }
  if (o.itemAdd->parsed()) return Status(s, AddItem(s, ItemFields(o)), incomplete);
  s.SelectItem(itemRow(s, o.item));
  if (o.itemRename->parsed()) return Status(s, EditItem(s, ItemFields(o)), incomplete);
  if (o.itemDelete->parsed()) return Status(s, DeleteItem(s), incomplete);
  if (MoveItem(s, o.direction == "up" ? -1 : 1) == EditOutcome::Done) return kDone;
  std::cerr << s.ChListBoxItem().Text(s.ChListBoxItem().Selected()) << " is already the "
            << (o.direction == "up" ? "first" : "last") << " wash item\n";
  return kRefused;
}

}  // namespace

void AddItemCommands(CLI::App& app, ItemCommandOptions& o) {
  auto* item = app.add_subcommand("item", "Add, rename, delete, move, check or uncheck wash items");
  item->require_subcommand(1);
  o.itemAdd = item->add_subcommand("add", "Add a wash item to the user item file");
  o.itemAdd->add_option("NAME", o.name, "Name of the new item")->required();
  o.itemAdd->add_flag("--inactive", o.inactive, "Leave the new item unticked");
  o.itemRename = item->add_subcommand("rename", "Rename a wash item and set its mark");
  o.itemRename->add_option("ITEM", o.item, "Item index or name")->required();
  o.itemRename->add_option("NAME", o.name, "New name")->required();
  auto* active = o.itemRename->add_flag("--active", o.active, "Tick the item");
  o.itemRename->add_flag("--inactive", o.inactive, "Untick the item")->excludes(active);
  o.itemDelete = item->add_subcommand("delete", "Delete a wash item from its item file");
  o.itemDelete->add_option("ITEM", o.item, "Item index or name")->required();
  o.itemDelete->add_flag("--yes,-y", o.yes, "Answer Yes to the question");
  o.itemMove = item->add_subcommand("move", "Move a wash item one row up or down");
  o.itemMove->add_option("ITEM", o.item, "Item index or name")->required();
  o.itemMove->add_option("DIRECTION", o.direction, "up or down")
      ->required()
      ->check(CLI::IsMember({"up", "down"}));
  o.checkAll = item->add_subcommand("check-all", "Tick every wash item");
  o.checkAll->add_flag("--yes,-y", o.yes,
                       "Tick the items that carry a warning too, without asking");
  o.uncheckAll = item->add_subcommand("uncheck-all", "Untick every wash item");

  auto* entry = app.add_subcommand("entry", "Add, edit or delete a wash item's entries");
  entry->require_subcommand(1);
  o.entryAdd = entry->add_subcommand("add", "Add a folder or registry entry to a wash item");
  o.entryAdd->add_option("ITEM", o.item, "Item index or name")->required();
  o.entryAdd->add_option("KIND", o.kind, "folder or registry")
      ->required()
      ->check(CLI::IsMember({"folder", "registry"}));
  AddFieldOptions(o.entryAdd, o, true);
  o.entryEdit = entry->add_subcommand("edit", "Change the fields given of an entry");
  o.entryEdit->add_option("ITEM", o.item, "Item index or name")->required();
  AddEntryIndex(o.entryEdit, o);
  AddFieldOptions(o.entryEdit, o, false);
  o.entryDelete = entry->add_subcommand("delete", "Delete an entry of a wash item");
  o.entryDelete->add_option("ITEM", o.item, "Item index or name")->required();
  AddEntryIndex(o.entryDelete, o);
  o.entryDelete->add_flag("--yes,-y", o.yes, "Answer Yes to the question");
}

std::optional<int> RunItemCommands(MainSession& session, const ItemCommandOptions& o,
                                   const ItemRowLookup& itemRow) {
  const bool items = o.itemAdd->parsed() || o.itemRename->parsed() || o.itemDelete->parsed() ||
                     o.itemMove->parsed() || o.checkAll->parsed() || o.uncheckAll->parsed();
  const bool entries = o.entryAdd->parsed() || o.entryEdit->parsed() || o.entryDelete->parsed();
  if (!items && !entries) return std::nullopt;
  if (o.yes) session.Ui().Ask = [](const std::string&) { return true; };
  // Read again, changed and written as one step, so that a change another process made since
  // the start is kept; after an item command the order file is written as when the window closes.
  int status = kRefused;
  if (entries)
    EditProgramFiles(session, [&] { status = RunEntry(session, o, itemRow); });
  else
    EditProgramFiles(
        session, [&] { status = RunItem(session, o, itemRow); }, OrderFileStep::WrittenAfterChange);
  return status;
}

}  // namespace vorlisk::cli
