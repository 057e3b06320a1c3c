#include "app/main_session.h"

#include "app/item_warnings.h"
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

void MainSession::SetSettings(const SettingsState& settings) { settings_ = settings; }

void MainSession::ResetCounters() {
  const PublishOnExit publish(*this);
  counters_ = WashCounters{};
}

bool MainSession::TimedWashFailed(const std::string& error) {
  const bool fresh = error != timedWashError_;
  timedWashError_ = error;
  return fresh;
}

void MainSession::TimedWashDone(std::chrono::system_clock::time_point at) {
  timedWashError_.clear();
  settings_.LastScheduledWash = at;
}

// ---- observers -------------------------------------------------------------------------------

void MainSession::AddObserver(SessionObserver* observer) { observers_.push_back(observer); }

void MainSession::RemoveObserver(SessionObserver* observer) { std::erase(observers_, observer); }

const CheckList& MainSession::List(SessionList list) const {
  switch (list) {
    case SessionList::Items:
      return chListBoxItem_;
    case SessionList::Folders:
      return chListBoxFolder_;
    case SessionList::Registers:
      break;
  }
  return chListBoxRegister_;
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
  const bool counters = !(shown_.Counters == counters_);
  shown_.Counters = counters_;
  const bool menu = shown_.Menu != menuWash_;
  if (menu) shown_.Menu = menuWash_;

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
  programFolder_ = programFolder;
  platform::SetProgramFolderLock(programFolder_);
  RemoveStaleTemporaryFiles(programFolder_);
  DiskStamps stamps = TakeStamps();  // before reading: a change made meanwhile is seen next time
  items_ = titem_list{};
  current_.reset();
  counters_ = WashCounters{};
  specificFiles_.clear();
  LoadSpecificFiles(specificFiles_);
  settings_ = LoadSettings(programFolder_);
  ReloadCatalogue(0);
  stamps_ = std::move(stamps);
  synced_ = items_;
}

void MainSession::Close() {
  RefreshFromDisk();
  const PublishOnExit publish(*this);
  specificFiles_.clear();
  current_.reset();
  if (settings_.DeleteLogOnExit) platform::RemoveFile(programFolder_ + "log.htm");
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
  const std::string path = programFolder_ + std::string(kOrderFile);
  platform::ProfileBatch batch(path);
  platform::ProfileFile ini(path);
  ini.Clear();
  items_.SaveOrder(path);
  batch.Commit();
  synced_ = items_;
  pendingMoves_.clear();
}

// ---- lists -----------------------------------------------------------------------------------

void MainSession::FillItemList() {
  const PublishOnExit publish(*this);
  chListBoxItem_.Clear();
  for (const auto& item : items_.Items) chListBoxItem_.Add(item.Name, item.IsActive);
  menuWash_.clear();
  if (items_.Count() == 0) return;
  menuWash_.push_back({"Wash all checked item", false, IsEnabled(Control::btnWashAll), -1, false});
  menuWash_.push_back({"", false, true, -1, true});
  for (int32_t i = 0; i < items_.Count(); ++i) {
    const auto& item = items_.Items[static_cast<std::size_t>(i)];
    menuWash_.push_back({item.Name, item.IsActive, IsEnabled(Control::btnWashAll), i + 100, false});
  }
}

void MainSession::ReloadCatalogue(std::optional<int32_t> select) {
  const PublishOnExit publish(*this);
  LoadCatalogue(programFolder_, items_);
  pendingMoves_.clear();  // the list is the files' own now
  FillItemList();
  if (!select) return;
  if (chListBoxItem_.Count() == 0) {
    current_.reset();
    chListBoxFolder_.Clear();
    chListBoxRegister_.Clear();
    return;
  }
  const int32_t rows = chListBoxItem_.Count();
  SelectItem(*select == kLastRow ? rows - 1 : (*select >= 0 && *select < rows ? *select : 0));
}

void MainSession::ChListBoxItemClick() {
  const int32_t row = chListBoxItem_.Selected();
  if (row < 0 || row >= items_.Count()) return;
  const PublishOnExit publish(*this);
  const auto& item = items_.Items[static_cast<std::size_t>(row)];
  // Another item's entries are other rows; the same item's, reloaded, are compared row by row.
  if (!current_ || current_->Item.ItemFile != item.ItemFile || current_->Item.Name != item.Name) {
    MarkReset(SessionList::Folders);
    MarkReset(SessionList::Registers);
  }
  current_.reset();
  current_.emplace();
  current_->Create(item.ItemFile, item.Name);

  chListBoxFolder_.Clear();
  for (const auto& e : current_->Folders.Entries) chListBoxFolder_.Add(e.Name, e.IsActive);
  if (chListBoxFolder_.Count() > 0) chListBoxFolder_.Select(0);
  chListBoxRegister_.Clear();
  for (const auto& e : current_->Registers.Entries) chListBoxRegister_.Add(e.Name, e.IsActive);
  if (chListBoxRegister_.Count() > 0) chListBoxRegister_.Select(0);
  UpdateItemButtons(row);
}

void MainSession::UpdateItemButtons(int32_t index) {
  if (index < 0 || index >= items_.Count()) return;
  const PublishOnExit publish(*this);
  const bool enabled = !items_.Items[static_cast<std::size_t>(index)].IsSpecial;
  for (Control control : kItemButtons) SetEnabled(control, enabled);
}

void MainSession::ChListBoxItemClickCheck() {
  const PublishOnExit publish(*this);
  for (int32_t i = 0; i < chListBoxItem_.Count() && i < items_.Count(); ++i)
    items_.Items[static_cast<std::size_t>(i)].IsActive = chListBoxItem_.Checked(i);
  // The tray's entries carry the marks too.
  for (auto& entry : menuWash_)
    if (entry.Tag >= 100 && entry.Tag - 100 < chListBoxItem_.Count())
      entry.Checked = chListBoxItem_.Checked(entry.Tag - 100);
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
  StoreEntryMark(chListBoxFolder_, current_, &tItemContent::Folders);
}

void MainSession::ChListBoxRegisterClickCheck() {
  const PublishOnExit publish(*this);
  StoreEntryMark(chListBoxRegister_, current_, &tItemContent::Registers);
}

void MainSession::SelectItem(int32_t row) {
  const PublishOnExit publish(*this);
  chListBoxItem_.Select(row);
  ChListBoxItemClick();
}

void MainSession::SelectFolderEntry(int32_t row) {
  const PublishOnExit publish(*this);
  chListBoxFolder_.Select(row);
}

void MainSession::SelectRegistryEntry(int32_t row) {
  const PublishOnExit publish(*this);
  chListBoxRegister_.Select(row);
}

void MainSession::CheckAllItems(bool checked) {
  const PublishOnExit publish(*this);
  for (int32_t i = 0; i < chListBoxItem_.Count(); ++i) {
    // An item with a warning is ticked only when the user accepts it; the others are ticked.
    if (checked && !chListBoxItem_.Checked(i) && i < items_.Count()) {
      const titem_property& item = items_.Items[static_cast<std::size_t>(i)];
      if (!AcceptItemWarning(*this, item.Name, ItemWarning(item), WarnedStep::Tick)) continue;
    }
    chListBoxItem_.SetChecked(i, checked);
  }
  ChListBoxItemClickCheck();
}

bool MainSession::MoveItemRow(int32_t row, int direction) {
  const int32_t to = row + (direction < 0 ? -1 : 1);
  if (row < 0 || to < 0 || to >= items_.Count()) return false;
  const PublishOnExit publish(*this);
  const auto key = [this](int32_t i) {
    const auto& item = items_.Items[static_cast<std::size_t>(i)];
    return std::make_pair(item.Name, item.ItemFile);
  };
  PendingMove move{key(row), key(to), direction > 0};
  // A later move of the same two items decides their order alone.
  std::erase_if(pendingMoves_, [&move](const PendingMove& m) {
    return (m.Item == move.Item && m.Passed == move.Passed) ||
           (m.Item == move.Passed && m.Passed == move.Item);
  });
  pendingMoves_.push_back(std::move(move));
  if (direction < 0)
    items_.MoveUp(row);
  else
    items_.MoveDown(row);
  FillItemList();
  SelectItem(to);
  return true;
}

namespace {
// Takes over entries written to their item file and shows them with a row selected.
template <class Container>
void TakeOverEntries(Container& stored, CheckList& list, const Container& entries, int32_t select) {
  stored = entries;
  list.Clear();
  for (const auto& e : entries.Entries) list.Add(e.Name, e.IsActive);
  list.Select(select < list.Count() ? select : 0);
}
}  // namespace

void MainSession::SetFolderEntries(const tFolder& entries, int32_t select) {
  if (!current_) return;
  const PublishOnExit publish(*this);
  TakeOverEntries(current_->Folders, chListBoxFolder_, entries, select);
}

void MainSession::SetRegistryEntries(const tRegister& entries, int32_t select) {
  if (!current_) return;
  const PublishOnExit publish(*this);
  TakeOverEntries(current_->Registers, chListBoxRegister_, entries, select);
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
  if (row >= 0 && row < items_.Count()) {
    // The mark goes to the item the row showed, wherever the files now put it.
    const titem_property item = items_.Items[static_cast<std::size_t>(row)];
    if (RefreshFromDisk()) {
      row = -1;
      for (int32_t i = 0; i < items_.Count(); ++i) {
        const auto& now = items_.Items[static_cast<std::size_t>(i)];
        if (now.Name == item.Name && now.ItemFile == item.ItemFile) row = i;
      }
      if (row < 0) return;
    }
    const titem_property& now = items_.Items[static_cast<std::size_t>(row)];
    if (checked && !chListBoxItem_.Checked(row) &&
        !AcceptItemWarning(*this, now.Name, ItemWarning(now), WarnedStep::Tick))
      return;  // declined: the row stays unticked
  }
  chListBoxItem_.SetChecked(row, checked);
  ChListBoxItemClickCheck();
}

void MainSession::CheckFolderEntry(int32_t row, bool checked) {
  // The entry is written whole: it is read again first when another process changed the file.
  const std::string text =
      row >= 0 && row < chListBoxFolder_.Count() ? chListBoxFolder_.Text(row) : "";
  if (RefreshFromDisk() && (row = SameRow(chListBoxFolder_, row, text)) < 0) return;
  chListBoxFolder_.Select(row);
  chListBoxFolder_.SetChecked(row, checked);
  ChListBoxFolderClickCheck();
}

void MainSession::CheckRegistryEntry(int32_t row, bool checked) {
  const std::string text =
      row >= 0 && row < chListBoxRegister_.Count() ? chListBoxRegister_.Text(row) : "";
  if (RefreshFromDisk() && (row = SameRow(chListBoxRegister_, row, text)) < 0) return;
  chListBoxRegister_.Select(row);
  chListBoxRegister_.SetChecked(row, checked);
  ChListBoxRegisterClickCheck();
}

// ---- wash runs -------------------------------------------------------------------------------

void MainSession::EnableWashControls(bool enabled) {
  for (Control control : kWashControls) SetEnabled(control, enabled);
  for (auto& entry : menuWash_) entry.Enabled = enabled;
  // Shown at once: a preview dialog opens while the controls are disabled.
  Publish();
}

bool MainSession::ConfirmClean(const std::string& subject) {
  if (!settings_.PromptBefore) return true;
  return Ask("Do you want to clean " + subject + "?");
}

WashContext MainSession::MakeWashContext() {
  WashContext c;
  c.ProgramFolder = programFolder_;
  c.UseQuick = settings_.UseQuick;
  c.WriteToLog = settings_.WriteToLog;
  c.SpecificFiles = &specificFiles_;
  c.Counters = &counters_;
  c.Cursor = ui_.Cursor;
  c.Progress = progress_ ? &*progress_ : nullptr;
  return c;
}

ProgressTracker* MainSession::StartProgress() {
  progress_.reset();
  counters_.Cancelled = false;
  if (!ui_.Progress) return nullptr;
  progress_.emplace([this](ProgressTracker&, const ProgressInfo& info) { ui_.Progress(info); },
                    progressInterval_);
  progress_->Begin(-1);
  return &*progress_;
}

void MainSession::EndProgress() {
  // A run cancelled while it expanded (its wash never began counting lines) washed nothing: its
  // counters are empty. A cancelled wash has marked its counters itself.
  if (Cancelled() && progress_->Info().Total < 0) {
    counters_ = WashCounters{};
    counters_.Cancelled = true;
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

std::vector<titem_property> SpecialItemsWashed(const MainSession& session,
                                               std::optional<int32_t> row) {
  const auto& items = session.Items().Items;
  std::vector<titem_property> out;
  if (row) {
    if (*row >= 0 && *row < session.Items().Count() &&
        items[static_cast<std::size_t>(*row)].IsSpecial)
      out.push_back(items[static_cast<std::size_t>(*row)]);
    return out;
  }
  for (const auto& item : items)
    if (item.IsSpecial && item.IsActive) out.push_back(item);
  return out;
}

void EditProgramFiles(MainSession& session, const std::function<void()>& change,
                      OrderFileStep order) {
  const platform::ProgramFolderLock lock;
  session.RefreshFromDisk();
  platform::ProfileBatch orderFile(session.ProgramFolder() + std::string(kOrderFile));
  change();
  if (order == OrderFileStep::WrittenAfterChange) session.Destroy();
  orderFile.Commit();
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
  FolderExpansion details;
  FileLines& lines = dialog.Files().MutableLines();
  const std::size_t first = lines.Count();
  // The exclude list is read afresh for every entry, so an edit shows at the next expansion.
  ExpandFolderEntry(current_->Folders.Entries[static_cast<std::size_t>(row)],
                    SettingsFile(programFolder_).ReadExcludeList(), lines,
                    ProgramOwnFiles(programFolder_), progress_ ? &*progress_ : nullptr, &details);
  if (checked)
    for (std::size_t i = first; i < lines.Count(); ++i) lines.SetChecked(i, true);
  dialog.Files().Changed();
  dialog.UnnamableFiles += details.UnnamableFiles;
}

std::vector<std::string> MainSession::ExpandRegistry(int32_t row) {
  std::vector<std::string> lines;
  ExpandRegistryEntry(current_->Registers.Entries[static_cast<std::size_t>(row)], lines);
  return lines;
}

void MainSession::WashOneEntry(bool previewOnly, bool registry) {
  if (RunInProgress()) return;
  CheckList& entries = registry ? chListBoxRegister_ : chListBoxFolder_;
  const int32_t row = entries.Selected();
  if (row < 0 || !current_) return;
  const RunScope run(*this, false);
  PreviewDialog dialog(registry ? PreviewKind::Register : PreviewKind::Folder, MakeWashContext());
  CheckRows& list = registry ? static_cast<CheckRows&>(dialog.Registry()) : dialog.Files();
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
  const int32_t item = chListBoxItem_.Selected();
  const std::string itemText = item >= 0 ? chListBoxItem_.Text(item) : current_->Item.Name;
  // An entry of an unticked item that carries a warning: the warning is the question.
  const bool confirmed =
      !current_->Warning.empty() && !(item >= 0 && chListBoxItem_.Checked(item))
          ? AcceptItemWarning(*this, current_->Item.Name, current_->Warning, WarnedStep::Wash)
          : ConfirmClean("'" + itemText + " -> " + entries.Text(row) + "'");
  if (confirmed) dialog.Wash();
}

void MainSession::WashFolderEntry(bool previewOnly) { WashOneEntry(previewOnly, false); }
void MainSession::WashRegistryEntry(bool previewOnly) { WashOneEntry(previewOnly, true); }

void MainSession::WashCurrentItem(bool previewOnly) {
  if (RunInProgress()) return;
  const int32_t item = chListBoxItem_.Selected();
  if (item < 0 || !current_) return;
  const RunScope run(*this, true);
  PreviewDialog dialog(PreviewKind::FolderRegister, MakeWashContext());
  const bool itemChecked = chListBoxItem_.Checked(item);
  for (int32_t r = 0; r < chListBoxFolder_.Count(); ++r)
    if (chListBoxFolder_.Checked(r)) ExpandFolder(r, false, dialog);
  dialog.Files().SetAll(itemChecked);
  for (int32_t r = 0; r < chListBoxRegister_.Count(); ++r)
    if (chListBoxRegister_.Checked(r))
      for (auto& line : ExpandRegistry(r)) dialog.Registry().Add(std::move(line), false);
  dialog.Registry().SetAll(itemChecked);
  if (Cancelled()) return;

  if (previewOnly) {
    if (ui_.ShowPreview) ui_.ShowPreview(dialog);
    return;
  }
  if (ConfirmClean("'" + chListBoxItem_.Text(item) + "'")) dialog.Wash();
}

void MainSession::WashCheckedItems(bool previewOnly, bool askFirst) {
  if (RunInProgress()) return;
  if (askFirst && settings_.PromptBefore && !previewOnly &&
      !Ask("Do you want to wash all the items selected?"))
    return;
  const RunScope run(*this, true);
  PreviewDialog dialog(PreviewKind::All, MakeWashContext());
  for (int32_t i = 0; i < chListBoxItem_.Count(); ++i) {
    if (Cancelled()) return;
    if (!chListBoxItem_.Checked(i)) continue;
    chListBoxItem_.Select(i);
    ChListBoxItemClick();
    EnableWashControls(false);
    if (!current_) continue;
    if (current_->Item.IsSpecial) dialog.Special().Add(chListBoxItem_.Text(i), true);
    for (int32_t r = 0; r < chListBoxFolder_.Count(); ++r)
      if (chListBoxFolder_.Checked(r)) ExpandFolder(r, true, dialog);
    for (int32_t r = 0; r < chListBoxRegister_.Count(); ++r)
      if (chListBoxRegister_.Checked(r))
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
  if (tag >= 100 && tag - 100 < items_.Count())
    shown = items_.Items[static_cast<std::size_t>(tag - 100)];
  RefreshFromDisk();
  if (tag < 100) {
    WashCheckedItems(false);
    return;
  }
  int32_t row = -1;
  for (int32_t i = 0; shown && i < items_.Count(); ++i) {
    const auto& now = items_.Items[static_cast<std::size_t>(i)];
    if (now.Name == shown->Name && now.ItemFile == shown->ItemFile) row = i;
  }
  if (row < 0) return;
  SelectItem(row);
  btnWashSingleClick();
}

void MainSession::btnWashSingleClick() {
  if (RunInProgress()) return;
  const PublishOnExit publish(*this);
  const int32_t item = chListBoxItem_.Selected();
  if (item < 0) return;
  if (current_ && current_->Item.IsSpecial) {
    WashSpecial(chListBoxItem_.Text(item), ui_.Cursor, counters_);
    return;
  }
  WashCurrentItem(false);
}

}  // namespace vorlisk
