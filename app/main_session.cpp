#include "app/main_session.h"

#include "engine/folder_entries.h"
#include "engine/registry_entries.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace vorlisk {

MainSession::MainSession(UiCallbacks ui) : ui_(std::move(ui)) {
  enabled_.fill(true);
  shown_.Enabled.fill(true);
}

void MainSession::SetEnabled(Control control, bool enabled) {
  enabled_[static_cast<std::size_t>(control)] = enabled;
}

// ---- observers -------------------------------------------------------------------------------

void MainSession::AddObserver(SessionObserver* observer) { observers_.push_back(observer); }

void MainSession::RemoveObserver(SessionObserver* observer) { std::erase(observers_, observer); }

const CheckList& MainSession::List(SessionList list) const {
  switch (list) {
    case SessionList::Items:
      return ChListBoxItem;
    case SessionList::Folders:
      return ChListBoxFolder;
    case SessionList::Registers:
      break;
  }
  return ChListBoxRegister;
}

PublishOnExit::~PublishOnExit() {
  try {
    session_.Publish();
  } catch (...) {
    // An observer's failure must not replace the error that may be ending the operation.
  }
}

MainSession::HoldNotifications::~HoldNotifications() {
  if (--session_.held_ == 0) PublishOnExit{session_};
}

void MainSession::Publish() {
  if (held_ > 0) return;
  // Nobody listens (the command line): nothing is compared; an observer added later hears the
  // lists as reset first.
  if (observers_.empty()) {
    reset_.fill(true);
    return;
  }
  // Everything is compared first, then told: an observer that reads the session sees it whole.
  std::array<RowChange, 3> rows;
  std::array<bool, 3> selection{};
  for (std::size_t i = 0; i < 3; ++i) {
    const CheckList& list = List(static_cast<SessionList>(i));
    if (reset_[i])
      rows[i] = {RowChange::Reset};
    else if (list.Revision() != shown_.Revision[i])
      rows[i] = DiffRows(shown_.Rows[i], list.Rows());
    if (rows[i].What != RowChange::None) shown_.Rows[i] = list.Rows();
    shown_.Revision[i] = list.Revision();
    selection[i] = rows[i].What == RowChange::Reset || shown_.Selected[i] != list.Selected();
    shown_.Selected[i] = list.Selected();
  }
  reset_ = {};
  std::vector<Control> enabled;
  for (Control c : AllControls())
    if (shown_.Enabled[static_cast<std::size_t>(c)] != IsEnabled(c)) enabled.push_back(c);
  shown_.Enabled = enabled_;
  const bool counters = !(shown_.Counters == Counters);
  shown_.Counters = Counters;
  const bool menu = shown_.Menu != MenuWash;
  if (menu) shown_.Menu = MenuWash;

  const std::vector<SessionObserver*> observers = observers_;
  for (SessionObserver* o : observers) {
    for (std::size_t i = 0; i < 3; ++i) {
      const auto list = static_cast<SessionList>(i);
      const RowChange& change = rows[i];
      switch (change.What) {
        case RowChange::None:
          break;
        case RowChange::Reset:
          o->RowsReset(list);
          break;
        case RowChange::Changed:
          o->RowsChanged(list, change.First, change.Last);
          break;
        case RowChange::Inserted:
          o->RowsInserted(list, change.First, change.Last);
          break;
        case RowChange::Removed:
          o->RowsRemoved(list, change.First, change.Last);
          break;
        case RowChange::Moved:
          o->RowMoved(list, change.First, change.Last);
          break;
      }
      if (selection[i]) o->SelectionChanged(list, shown_.Selected[i]);
    }
    for (Control c : enabled) o->EnabledChanged(c, IsEnabled(c));
    if (counters) o->CountersChanged();
    if (menu) o->TrayMenuChanged();
  }
}

bool MainSession::Ask(const std::string& question) { return ui_.Ask ? ui_.Ask(question) : false; }

void MainSession::SetCursor(bool busy) {
  if (ui_.Cursor) ui_.Cursor(busy);
}

// ---- start and end ---------------------------------------------------------------------------

void RemoveStaleTemporaryFiles(const std::string& programFolder) {
  // The program folder may be any folder the executable lies in: only the files the program
  // replaces there are its own. The item and plug-in folders are the program's alone.
  platform::RemoveStaleTempFiles(programFolder,
                                 {std::string(kOrderFile), "wildcard.ini", "registry.reg"});
  for (const std::string& folder :
       {programFolder + "const\\", programFolder + std::string(kPluginFolder)})
    platform::RemoveStaleTempFiles(folder);
}

void MainSession::Startup(const std::string& programFolder) {
  const PublishOnExit publish(*this);
  for (auto list : {SessionList::Items, SessionList::Folders, SessionList::Registers})
    MarkReset(list);
  if (const std::string bad = platform::DriveMappingError(); !bad.empty()) throw Error(bad);
  ProgramFolder = programFolder;
  platform::SetProgramFolderLock(ProgramFolder);
  RemoveStaleTemporaryFiles(ProgramFolder);
  DiskStamps stamps = TakeStamps();  // before reading: a change made meanwhile is seen next time
  Items = titem_list{};
  Current.reset();
  Counters = WashCounters{};
  SpecificFiles.clear();
  LoadSpecificFiles(SpecificFiles);
  Settings = LoadSettings(ProgramFolder);
  LoadCatalogue(ProgramFolder, Items);
  stamps_ = std::move(stamps);
  synced_ = Items;
  FillItemList();
  if (ChListBoxItem.Count() > 0) {
    ChListBoxItem.Select(0);
    ChListBoxItemClick();
  }
}

void MainSession::Close() {
  RefreshFromDisk();
  const PublishOnExit publish(*this);
  SpecificFiles.clear();
  Current.reset();
  if (Settings.DeleteLogOnExit) platform::RemoveFile(ProgramFolder + "log.htm");
}

void MainSession::Destroy() {
  // The list written is the files' list with this session's marks and moves: what another
  // process stored meanwhile is kept.
  RefreshFromDisk();
  SaveOrderFile();
}

void MainSession::SaveOrderFile() {
  // The order file is written anew, so sections of items that left the list disappear. Both
  // steps go to disk as one atomic replacement: a failed write leaves the old order file.
  const std::string path = ProgramFolder + std::string(kOrderFile);
  platform::ProfileBatch batch(path);
  platform::ProfileFile ini(path);
  ini.Clear();
  Items.SaveOrder(path);
  batch.Commit();
  synced_ = Items;
}

// ---- lists -----------------------------------------------------------------------------------

void MainSession::FillItemList() {
  const PublishOnExit publish(*this);
  ChListBoxItem.Clear();
  for (const auto& item : Items.Items) ChListBoxItem.Add(item.Name, item.IsActive);
  MenuWash.clear();
  if (Items.Count() == 0) return;
  MenuWash.push_back({"Wash all checked item", false, IsEnabled(Control::btnWashAll), -1, false});
  MenuWash.push_back({"", false, true, -1, true});
  for (int32_t i = 0; i < Items.Count(); ++i) {
    const auto& item = Items.Items[static_cast<std::size_t>(i)];
    MenuWash.push_back({item.Name, item.IsActive, IsEnabled(Control::btnWashAll), i + 100, false});
  }
}

void MainSession::ReloadCatalogue(std::optional<int32_t> select) {
  const PublishOnExit publish(*this);
  LoadCatalogue(ProgramFolder, Items);
  FillItemList();
  if (!select) return;
  if (ChListBoxItem.Count() == 0) {
    Current.reset();
    ChListBoxFolder.Clear();
    ChListBoxRegister.Clear();
    return;
  }
  const int32_t rows = ChListBoxItem.Count();
  SelectItem(*select == kLastRow ? rows - 1 : (*select >= 0 && *select < rows ? *select : 0));
}

void MainSession::ChListBoxItemClick() {
  const int32_t row = ChListBoxItem.Selected();
  if (row < 0 || row >= Items.Count()) return;
  const PublishOnExit publish(*this);
  const auto& item = Items.Items[static_cast<std::size_t>(row)];
  // Another item's entries are other rows; the same item's, reloaded, are compared row by row.
  if (!Current || Current->Item.ItemFile != item.ItemFile || Current->Item.Name != item.Name) {
    MarkReset(SessionList::Folders);
    MarkReset(SessionList::Registers);
  }
  Current.reset();
  Current.emplace();
  Current->Create(item.ItemFile, item.Name);

  ChListBoxFolder.Clear();
  for (const auto& e : Current->Folders.Entries) ChListBoxFolder.Add(e.Name, e.IsActive);
  if (ChListBoxFolder.Count() > 0) ChListBoxFolder.Select(0);
  ChListBoxRegister.Clear();
  for (const auto& e : Current->Registers.Entries) ChListBoxRegister.Add(e.Name, e.IsActive);
  if (ChListBoxRegister.Count() > 0) ChListBoxRegister.Select(0);
  UpdateItemButtons(row);
}

void MainSession::UpdateItemButtons(int32_t index) {
  if (index < 0 || index >= Items.Count()) return;
  const PublishOnExit publish(*this);
  const bool enabled = !Items.Items[static_cast<std::size_t>(index)].IsSpecial;
  for (Control control : kItemButtons) SetEnabled(control, enabled);
}

void MainSession::ChListBoxItemClickCheck() {
  const PublishOnExit publish(*this);
  for (int32_t i = 0; i < ChListBoxItem.Count() && i < Items.Count(); ++i)
    Items.Items[static_cast<std::size_t>(i)].IsActive = ChListBoxItem.Checked(i);
  // The tray's entries carry the marks too.
  for (auto& entry : MenuWash)
    if (entry.Tag >= 100 && entry.Tag - 100 < ChListBoxItem.Count())
      entry.Checked = ChListBoxItem.Checked(entry.Tag - 100);
}

namespace {
// Stores the mark of the selected row in its entry and writes that entry at once; a mark that
// cannot be written goes back to what the file holds, in the entry and in the row.
template <class Container>
void StoreEntryMark(CheckList& list, std::optional<tItemContent>& current,
                    Container tItemContent::*container) {
  const int32_t row = list.Selected();
  if (row < 0 || !current || row >= ((*current).*container).Count()) return;
  auto& entry = ((*current).*container).Entries[static_cast<std::size_t>(row)];
  const bool stored = entry.IsActive;
  entry.IsActive = list.Checked(row);
  try {
    entry.Persist(PersistDirection::Write);
  } catch (...) {
    entry.IsActive = stored;
    list.SetChecked(row, stored);
    throw;
  }
}
}  // namespace

void MainSession::ChListBoxFolderClickCheck() {
  const PublishOnExit publish(*this);
  StoreEntryMark(ChListBoxFolder, Current, &tItemContent::Folders);
}

void MainSession::ChListBoxRegisterClickCheck() {
  const PublishOnExit publish(*this);
  StoreEntryMark(ChListBoxRegister, Current, &tItemContent::Registers);
}

void MainSession::SelectItem(int32_t row) {
  const PublishOnExit publish(*this);
  ChListBoxItem.Select(row);
  ChListBoxItemClick();
}

namespace {
// The row that shows `text` after a refresh moved the rows: `row` itself when it still does.
int32_t SameRow(const CheckList& list, int32_t row, const std::string& text) {
  if (row >= 0 && row < list.Count() && list.Text(row) == text) return row;
  for (int32_t i = 0; i < list.Count(); ++i)
    if (list.Text(i) == text) return i;
  return -1;
}
}  // namespace

void MainSession::CheckItem(int32_t row, bool checked) {
  if (row >= 0 && row < Items.Count()) {
    // The mark goes to the item the row showed, wherever the files now put it.
    const titem_property item = Items.Items[static_cast<std::size_t>(row)];
    if (RefreshFromDisk()) {
      row = -1;
      for (int32_t i = 0; i < Items.Count(); ++i) {
        const auto& now = Items.Items[static_cast<std::size_t>(i)];
        if (now.Name == item.Name && now.ItemFile == item.ItemFile) row = i;
      }
      if (row < 0) return;
    }
  }
  ChListBoxItem.SetChecked(row, checked);
  ChListBoxItemClickCheck();
}

void MainSession::CheckFolderEntry(int32_t row, bool checked) {
  // The entry is written whole: it is read again first when another process changed the file.
  const std::string text =
      row >= 0 && row < ChListBoxFolder.Count() ? ChListBoxFolder.Text(row) : "";
  if (RefreshFromDisk() && (row = SameRow(ChListBoxFolder, row, text)) < 0) return;
  ChListBoxFolder.Select(row);
  ChListBoxFolder.SetChecked(row, checked);
  ChListBoxFolderClickCheck();
}

void MainSession::CheckRegistryEntry(int32_t row, bool checked) {
  const std::string text =
      row >= 0 && row < ChListBoxRegister.Count() ? ChListBoxRegister.Text(row) : "";
  if (RefreshFromDisk() && (row = SameRow(ChListBoxRegister, row, text)) < 0) return;
  ChListBoxRegister.Select(row);
  ChListBoxRegister.SetChecked(row, checked);
  ChListBoxRegisterClickCheck();
}

// ---- wash runs -------------------------------------------------------------------------------

void MainSession::EnableWashControls(bool enabled) {
  for (Control control : kWashControls) SetEnabled(control, enabled);
  for (auto& entry : MenuWash) entry.Enabled = enabled;
  // Shown at once: a preview dialog opens while the controls are disabled.
  Publish();
}

bool MainSession::ConfirmClean(const std::string& subject) {
  if (!Settings.PromptBefore) return true;
  return Ask("Do you want to clean " + subject + "?");
}

WashContext MainSession::MakeWashContext() {
  WashContext c;
  c.ProgramFolder = ProgramFolder;
  c.UseQuick = Settings.UseQuick;
  c.WriteToLog = Settings.WriteToLog;
  c.SpecificFiles = &SpecificFiles;
  c.Counters = &Counters;
  c.Cursor = ui_.Cursor;
  c.Progress = progress_ ? &*progress_ : nullptr;
  return c;
}

TProgress* MainSession::StartProgress() {
  progress_.reset();
  Counters.Cancelled = false;
  if (!ui_.Progress) return nullptr;
  progress_.emplace([this](TProgress&, const ProgressInfo& info) { ui_.Progress(info); },
                    ProgressInterval);
  progress_->Begin(-1);
  return &*progress_;
}

void MainSession::EndProgress() {
  // A run cancelled while it expanded (its wash never began counting lines) washed nothing: its
  // counters are empty. A cancelled wash has marked its counters itself.
  if (Cancelled() && progress_->Info().Total < 0) {
    Counters = WashCounters{};
    Counters.Cancelled = true;
  }
  progress_.reset();
}

MainSession::RunScope::RunScope(MainSession& session, bool reselect)
    : session_(session), publish_(session), hourglass_(session.ui_.Cursor), reselect_(reselect) {
  session_.EnableWashControls(false);
  try {
    session_.StartProgress();
  } catch (...) {
    Restore();
    throw;
  }
}

MainSession::RunScope::~RunScope() { Restore(); }

void MainSession::RunScope::Restore() {
  try {
    session_.EndProgress();
    session_.EnableWashControls(true);
    if (reselect_) session_.ChListBoxItemClick();
  } catch (...) {
    // The error that ended the run is the one the user sees.
  }
}

void MainSession::CancelRun() {
  if (progress_) progress_->Cancel();
}

std::vector<std::string> ProgramOwnFiles(const std::string& programFolder) {
  std::vector<std::string> own;
  for (const char* name : {"const\\", "plugin\\", "order.ini", "wildcard.ini", "registry.reg",
                           "log.htm", "vorlisk.lock", "help.chm", "help\\", "vorlisk",
                           "vorlisk-cli", "vorlisk.exe", "vorlisk-cli.exe"})
    own.push_back(programFolder + name);
  // The registry store may have been placed elsewhere.
  if (const std::string store = platform::RegistryFile(); !store.empty()) own.push_back(store);
  // The running executable may live outside the program folder (vorlisk-cli --home).
  if (const std::string exe = platform::ExecutableFile(); !exe.empty()) own.push_back(exe);
  return own;
}

void MainSession::ExpandFolder(int32_t row, bool checked, PreviewDialog& dialog) {
  std::vector<std::string> lines;
  FolderExpansion details;
  // The exclude list is read afresh for every entry, so an edit shows at the next expansion.
  ExpandFolderEntry(Current->Folders.Entries[static_cast<std::size_t>(row)],
                    TSettingsFile(ProgramFolder).ReadExcludeList(), lines,
                    ProgramOwnFiles(ProgramFolder), progress_ ? &*progress_ : nullptr, &details);
  for (std::size_t i = 0; i < lines.size(); ++i)
    dialog.Files().Add(MarkedLine{std::move(lines[i]), checked, details.Listed[i]});
  dialog.UnnamableFiles += details.UnnamableFiles;
}

std::vector<std::string> MainSession::ExpandRegistry(int32_t row) {
  std::vector<std::string> lines;
  ExpandRegistryEntry(Current->Registers.Entries[static_cast<std::size_t>(row)], lines);
  return lines;
}

void MainSession::WashOneEntry(bool previewOnly, bool registry) {
  if (RunInProgress()) return;
  CheckList& entries = registry ? ChListBoxRegister : ChListBoxFolder;
  const int32_t row = entries.Selected();
  if (row < 0 || !Current) return;
  const RunScope run(*this, false);
  PreviewDialog dialog(registry ? PreviewKind::Register : PreviewKind::Folder, MakeWashContext());
  CheckList& list = registry ? dialog.Registry() : dialog.Files();
  if (registry) {
    for (auto& line : ExpandRegistry(row)) list.Add(std::move(line), false);
  } else {
    ExpandFolder(row, false, dialog);
  }
  list.SetAll(entries.Checked(row));
  if (Cancelled()) return;

  if (previewOnly) {
    if (ui_.ShowPreview) ui_.ShowPreview(dialog);
    return;
  }
  const int32_t item = ChListBoxItem.Selected();
  const std::string itemText = item >= 0 ? ChListBoxItem.Text(item) : Current->Item.Name;
  if (ConfirmClean("'" + itemText + " -> " + entries.Text(row) + "'")) dialog.Wash();
}

void MainSession::WashFolderEntry(bool previewOnly) { WashOneEntry(previewOnly, false); }
void MainSession::WashRegistryEntry(bool previewOnly) { WashOneEntry(previewOnly, true); }

void MainSession::WashCurrentItem(bool previewOnly) {
  if (RunInProgress()) return;
  const int32_t item = ChListBoxItem.Selected();
  if (item < 0 || !Current) return;
  const RunScope run(*this, true);
  PreviewDialog dialog(PreviewKind::FolderRegister, MakeWashContext());
  const bool itemChecked = ChListBoxItem.Checked(item);
  for (int32_t r = 0; r < ChListBoxFolder.Count(); ++r)
    if (ChListBoxFolder.Checked(r)) ExpandFolder(r, false, dialog);
  dialog.Files().SetAll(itemChecked);
  for (int32_t r = 0; r < ChListBoxRegister.Count(); ++r)
    if (ChListBoxRegister.Checked(r))
      for (auto& line : ExpandRegistry(r)) dialog.Registry().Add(std::move(line), false);
  dialog.Registry().SetAll(itemChecked);
  if (Cancelled()) return;

  if (previewOnly) {
    if (ui_.ShowPreview) ui_.ShowPreview(dialog);
    return;
  }
  if (ConfirmClean("'" + ChListBoxItem.Text(item) + "'")) dialog.Wash();
}

void MainSession::WashCheckedItems(bool previewOnly, bool askFirst) {
  if (RunInProgress()) return;
  if (askFirst && Settings.PromptBefore && !previewOnly &&
      !Ask("Do you want to wash all the items selected?"))
    return;
  const RunScope run(*this, true);
  PreviewDialog dialog(PreviewKind::All, MakeWashContext());
  for (int32_t i = 0; i < ChListBoxItem.Count(); ++i) {
    if (Cancelled()) return;
    if (!ChListBoxItem.Checked(i)) continue;
    ChListBoxItem.Select(i);
    ChListBoxItemClick();
    EnableWashControls(false);
    if (!Current) continue;
    if (Current->Item.IsSpecial) dialog.Special().Add(ChListBoxItem.Text(i), true);
    for (int32_t r = 0; r < ChListBoxFolder.Count(); ++r)
      if (ChListBoxFolder.Checked(r)) ExpandFolder(r, true, dialog);
    for (int32_t r = 0; r < ChListBoxRegister.Count(); ++r)
      if (ChListBoxRegister.Checked(r))
        for (auto& line : ExpandRegistry(r)) dialog.Registry().Add(std::move(line), true);
    dialog.Special().SetAll(true);
    dialog.Files().SetAll(true);
    dialog.Registry().SetAll(true);
  }
  if (Cancelled()) return;

  if (previewOnly) {
    if (ui_.ShowPreview) ui_.ShowPreview(dialog);
    return;
  }
  dialog.Wash();
}

void MainSession::MenuWashClick(int32_t tag) {
  // The menu's entries are disabled while a run is in progress, and so is changing the selection.
  if (RunInProgress()) return;
  // The entry washes the item it showed, wherever the files now put it.
  std::optional<titem_property> shown;
  if (tag >= 100 && tag - 100 < Items.Count())
    shown = Items.Items[static_cast<std::size_t>(tag - 100)];
  RefreshFromDisk();
  if (tag < 100) {
    WashCheckedItems(false);
    return;
  }
  int32_t row = -1;
  for (int32_t i = 0; shown && i < Items.Count(); ++i) {
    const auto& now = Items.Items[static_cast<std::size_t>(i)];
    if (now.Name == shown->Name && now.ItemFile == shown->ItemFile) row = i;
  }
  if (row < 0) return;
  SelectItem(row);
  btnWashSingleClick();
}

void MainSession::btnWashSingleClick() {
  if (RunInProgress()) return;
  const PublishOnExit publish(*this);
  const int32_t item = ChListBoxItem.Selected();
  if (item < 0) return;
  if (Current && Current->Item.IsSpecial) {
    WashSpecialItem(ChListBoxItem.Text(item), ui_.Cursor);
    return;
  }
  WashCurrentItem(false);
}

}  // namespace vorlisk
