// The main window's state and logic without a window: the item list and the current item, the
// settings state, the specific-file list, the four counters, the three check lists, which controls
// are enabled, and every wash run. The Qt window and the command-line front end both drive it;
// whatever needs the user (questions, notes, file choosers, the item and entry dialogs, a
// preview) goes through one port, UiCallbacks, and every change of what the window shows is told
// to its observers (app/session_events.h).
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/check_list.h"
#include "app/controls.h"
#include "app/drafts.h"
#include "app/preview.h"
#include "app/session_events.h"
#include "app/settings.h"
#include "engine/progress.h"
#include "engine/special_targets.h"
#include "model/catalogue.h"

namespace vorlisk {

// A file chooser's settings. Paths go in and out as Windows text.
struct FileChooser {
  std::string Title;
  std::string Filter;      // "TXT file (*.TXT)|*.TXT": pairs of caption and masks
  std::string DefaultExt;  // added to a name typed without one
  bool Multiple = false;   // open: more than one file may be chosen
};

// The folder picker's answer: a folder and a mask (from the wildcard list or typed).
struct FolderChoice {
  std::string Folder;
  std::string Mask;
};

// The session's port to the user. A member left empty answers as a cancelled dialog: No, nothing
// chosen, nothing saved.
struct UiCallbacks {
  // A question in a warning box with Yes and No; true for Yes.
  std::function<bool(const std::string& question)> Ask;
  // A note in an information box with OK.
  std::function<void(const std::string& note)> Inform;
  // A report in one information box: its summary, and the details (one line each) that the box
  // shows on request, scrolled. Empty: the summary alone goes to Inform.
  std::function<void(const std::string& summary, const std::string& details)> ShowReport;
  // The hourglass cursor on (true) or back to the default (false).
  CursorCallback Cursor;
  // Shows a preview dialog modally; the user may tick, untick and call dialog.Wash().
  std::function<void(PreviewDialog& dialog)> ShowPreview;
  // The application's standard error box, for errors that cannot be passed on to the caller.
  std::function<void(const std::string& message)> ShowError;
  // A refusal in an error box with OK: nothing was changed.
  std::function<void(const std::string& message)> Refuse;
  // A passing note in the notification area, never a box: how a timed wash reports its error.
  std::function<void(const std::string& message)> TrayNote;
  // Progress of a run's expansion and wash, at a bounded rate, on the run's own thread; the front
  // end may call MainSession::CancelRun from it (or from its event loop meanwhile).
  std::function<void(const ProgressInfo& info)> Progress;
  // An open-file dialog: the chosen files, none when cancelled.
  std::function<std::vector<std::string>(const FileChooser& chooser)> OpenFiles;
  // A save-file dialog that asks before overwriting an existing file: the file, none when
  // cancelled.
  std::function<std::optional<std::string>(const FileChooser& chooser)> SaveFile;
  // The folder picker with its mask list; none when cancelled.
  std::function<std::optional<FolderChoice>()> PickFolder;
  // The item dialog and the two entry dialogs: true when the user saved the draft.
  ItemEditor EditItem;
  FolderEntryEditor EditFolderEntry;
  RegistryEntryEditor EditRegistryEntry;
  // Opens a document (the log, a help page) with the desktop's handler; false when no program
  // took it.
  std::function<bool(const std::string& path)> OpenDocument;
};

// One entry of the tray's Wash submenu.
struct TrayMenuEntry {
  std::string Caption;  // "" for a separator
  bool Checked = false;
  bool Enabled = true;
  int32_t Tag = -1;  // item position + 100 for an item entry; -1 for "Wash all checked item"
  bool Separator = false;
  bool operator==(const TrayMenuEntry&) const = default;
};

// Removes the temporary files that writes killed midway left beside the program's files (in the
// program folder those of its order, settings and registry files only; in "const\" and "plugin\"
// any); Startup does it.
void RemoveStaleTemporaryFiles(const std::string& programFolder);

class MainSession;

// Publishes the session's changes when the scope ends, also when an error ends it.
class PublishOnExit {
 public:
  explicit PublishOnExit(MainSession& session) : session_(session) {}
  ~PublishOnExit();
  PublishOnExit(const PublishOnExit&) = delete;
  PublishOnExit& operator=(const PublishOnExit&) = delete;

 private:
  MainSession& session_;
};

class MainSession {
 public:
  explicit MainSession(UiCallbacks ui = {});

  // The non-visual steps of start-up: program folder (its lock, its stale temporary files),
  // empty item list and counters, the
  // specific-file list, LoadSettings, LoadCatalogue, FillItemList, the first item selected.
  void Startup(const std::string& programFolder);
  // Closing: releases the specific-file list and the current item, deletes the log when
  // "Delete Log On Exit" is on.
  void Close();
  // Destroying: the order file is written anew from the item list.
  void Destroy();

  // ---- state: read here, changed by the operations below ----
  const std::string& ProgramFolder() const { return programFolder_; }
  const titem_list& Items() const { return items_; }
  const std::optional<tItemContent>& Current() const { return current_; }
  const SettingsState& Settings() const { return settings_; }
  const SpecificFileList& SpecificFiles() const { return specificFiles_; }
  const WashCounters& Counters() const { return counters_; }
  const CheckList& ChListBoxItem() const { return chListBoxItem_; }
  const CheckList& ChListBoxFolder() const { return chListBoxFolder_; }
  const CheckList& ChListBoxRegister() const { return chListBoxRegister_; }
  const std::vector<TrayMenuEntry>& MenuWash() const { return menuWash_; }
  // The error of the last timed wash that failed, reported once; cleared by one that succeeds.
  const std::string& TimedWashError() const { return timedWashError_; }

  // The settings state as the Preferences dialog applies it (the file is written by the caller).
  void SetSettings(const SettingsState& settings);
  // The counters of the next run start from nothing.
  void ResetCounters();
  // A timed wash failed with `error`: true when that error is new (to be reported once).
  bool TimedWashFailed(const std::string& error);
  // A timed wash succeeded: its error is forgotten and the next one is due from `at`.
  void TimedWashDone(std::chrono::system_clock::time_point at);

  bool IsEnabled(Control control) const { return enabled_[static_cast<std::size_t>(control)]; }
  void SetEnabled(Control control, bool enabled);

  // ---- observers ----
  // Observers hear of every change after it is made; they must outlive the session or be removed.
  void AddObserver(SessionObserver* observer);
  void RemoveObserver(SessionObserver* observer);
  // Tells the observers what changed since they last heard. Every operation of the session ends
  // with it.
  void Publish();
  // The next Publish tells that list's rows as reset, whatever they hold.
  void MarkReset(SessionList list) { reset_[static_cast<std::size_t>(list)] = true; }
  const CheckList& List(SessionList list) const;
  // While one is held, nothing is told; its end tells everything at once (a list not redrawn while
  // an operation walks through its rows).
  class HoldNotifications {
   public:
    explicit HoldNotifications(MainSession& session) : session_(session) { ++session_.held_; }
    ~HoldNotifications();
    HoldNotifications(const HoldNotifications&) = delete;
    HoldNotifications& operator=(const HoldNotifications&) = delete;

   private:
    MainSession& session_;
  };

  // ---- the item list and the entry lists ----
  void FillItemList();
  // Rebuilds the item list from the item files and the order file (LoadCatalogue, FillItemList).
  // With `select`, that row is selected as a click does (kLastRow: the last one; the first one
  // when the list has fewer rows); with no rows left, no item is current and the entry lists are
  // empty.
  static constexpr int32_t kLastRow = -1;
  void ReloadCatalogue(std::optional<int32_t> select = std::nullopt);
  void ChListBoxItemClick();
  void UpdateItemButtons(int32_t index);
  // After any change of marks in ChListBoxItem: copies them into the item list (memory only).
  void ChListBoxItemClickCheck();
  // After the mark of the selected entry row changed: stores it in its entry and writes the entry.
  void ChListBoxFolderClickCheck();
  void ChListBoxRegisterClickCheck();

  // Conveniences for front ends: select a row as a click does, tick a row as a click does.
  void SelectItem(int32_t row);
  void SelectFolderEntry(int32_t row);
  void SelectRegistryEntry(int32_t row);
  // Ticks or unticks every item (memory only; the order file takes the marks when written).
  void CheckAllItems(bool checked);
  // Moves the item of `row` one row up (-1) or down (+1) and selects it there; false when there
  // is no row there (nothing moved).
  bool MoveItemRow(int32_t row, int direction);
  // The current item's entries after they were written to its item file: taken over and shown,
  // with the row `select` selected (the first one when there are fewer rows).
  void SetFolderEntries(const tFolder& entries, int32_t select);
  void SetRegistryEntries(const tRegister& entries, int32_t select);
  void CheckItem(int32_t row, bool checked);
  void CheckFolderEntry(int32_t row, bool checked);
  void CheckRegistryEntry(int32_t row, bool checked);
  void SaveOrderFile();  // as at the end of a session: order file written anew

  // ---- wash runs ----
  // Every command that starts a wash or a preview does nothing while a run is in progress (a
  // preview dialog open, a wash running), exactly as its disabled control would: a tray entry or
  // a hot key arriving then never washes what the user is still unticking.
  void EnableWashControls(bool enabled);
  bool ConfirmClean(const std::string& subject);
  void WashFolderEntry(bool previewOnly);
  void WashRegistryEntry(bool previewOnly);
  void WashCurrentItem(bool previewOnly);
  // "prompt Before" asks first unless `askFirst` is false (the automatic washes, which nobody may
  // be there to answer).
  void WashCheckedItems(bool previewOnly, bool askFirst = true);
  // "Clean Current Wash Item": a special item runs by its name, any other WashCurrentItem.
  void btnWashSingleClick();
  // A tray Wash submenu entry: "Wash all checked item" (tag -1) runs as btnWashAll; an item's
  // entry (tag = row + 100) selects that item and runs as btnWashSingle.
  void MenuWashClick(int32_t tag);
  // A run or preview is in progress while btnWashAll is disabled.
  bool RunInProgress() const { return !IsEnabled(Control::btnWashAll); }
  // How often a run reports its progress at most.
  void SetProgressInterval(std::chrono::milliseconds interval) { progressInterval_ = interval; }
  // Cancels the run in progress between two lines: an expansion stops (nothing is shown or
  // washed), a wash stops with what it did counted and logged, and its log run is ended.
  void CancelRun();

  WashContext MakeWashContext();
  UiCallbacks& Ui() { return ui_; }

  // Test seam: the state no operation sets on its own, for tests that start from a state rather
  // than from a program folder.
  struct TestState {
    std::string& ProgramFolder;
    SettingsState& Settings;
    WashCounters& Counters;
  };
  TestState StateForTesting() { return {programFolder_, settings_, counters_}; }

  // ---- files another process changed (app/session_refresh.cpp) ----
  // Reloads what changed on disk since the session last read its files: the settings file, the
  // item files and the order file. Item marks and moves made here and not stored yet are kept over
  // the reloaded list; the selected item and entries stay selected. Does nothing while a run is in
  // progress. Returns whether anything was reloaded. The session calls it itself before every
  // command (RunCommand), tray entry, click on a mark, automatic wash and its closing steps; a
  // front end calls it when it is shown again (its window activated).
  bool RefreshFromDisk();

 private:
  // Each file of the program folder that the session reads, with its stamp (none when missing).
  using DiskStamps = std::vector<std::pair<std::string, std::optional<std::string>>>;
  DiskStamps TakeStamps() const;
  void WashOneEntry(bool previewOnly, bool registry);
  // The files of a folder entry as file lines of the dialog, each marked `checked` and telling
  // where it was listed; the files no line can name are counted in the dialog.
  void ExpandFolder(int32_t row, bool checked, PreviewDialog& dialog);
  std::vector<std::string> ExpandRegistry(int32_t row);
  bool Ask(const std::string& question);
  void SetCursor(bool busy);

  // The run's progress while a run reports one (UiCallbacks::Progress set); null otherwise.
  ProgressTracker* StartProgress();
  // The end of a run's progress; a cancelled run is marked so in the counters.
  void EndProgress();
  bool Cancelled() const { return progress_ && progress_->Cancelled(); }

  // One wash or preview from its start to its end: changes are told when it ends, the hourglass
  // is on, the wash controls are disabled (the run-in-progress guard) and the progress started;
  // at its end, also when an error ends it, the progress ends, the controls are enabled again
  // and, for a run that selects items, the selection is reloaded.
  class RunScope {
   public:
    RunScope(MainSession& session, bool reselect);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    void Restore();
    MainSession& session_;
    PublishOnExit publish_;
    Hourglass hourglass_;
    bool reselect_;
  };

  std::string programFolder_;
  titem_list items_;
  std::optional<tItemContent> current_;
  SettingsState settings_;
  SpecificFileList specificFiles_;
  WashCounters counters_;
  CheckList chListBoxItem_;
  CheckList chListBoxFolder_;
  CheckList chListBoxRegister_;
  std::vector<TrayMenuEntry> menuWash_;
  std::string timedWashError_;
  std::chrono::milliseconds progressInterval_ = ProgressTracker::kDefaultInterval;

  UiCallbacks ui_;
  std::array<bool, kControlCount> enabled_;
  std::optional<ProgressTracker> progress_;

  // What the observers last heard.
  struct Shown {
    std::array<MarkedLines, 3> Rows;
    std::array<uint64_t, 3> Revision{};
    std::array<int32_t, 3> Selected{-1, -1, -1};
    std::array<bool, kControlCount> Enabled;
    WashCounters Counters;
    std::vector<TrayMenuEntry> Menu;
  };
  // The files as last read: their stamps, and the item list they gave (the base over which the
  // marks and moves not stored yet are told apart from another process's changes).
  DiskStamps stamps_;
  titem_list synced_;
  // The moves made here since the order file was last written, in the order they were made: each
  // one puts an item just below (or above) the item it passed. A reload replays them over the
  // order read from the file, so another process's moves are kept beside them; a move already
  // true in the file changes nothing.
  struct PendingMove {
    std::pair<std::string, std::string> Item, Passed;  // name and item file
    bool Below = false;
  };
  std::vector<PendingMove> pendingMoves_;

  std::vector<SessionObserver*> observers_;
  Shown shown_;
  std::array<bool, 3> reset_{};
  int held_ = 0;
};

// The special items a wash runs by name: that of the item in `row` when it is special, or with no
// row ("Clean all Wash Items checked") every checked special item, in list order.
std::vector<titem_property> SpecialItemsWashed(const MainSession& session,
                                               std::optional<int32_t> row);

// Whether a change of the program's files writes the order file anew from the item list.
enum class OrderFileStep { Untouched, WrittenAfterChange };

// One change of the program's files (item files, order file, settings file) as one step: the
// program folder's lock is held throughout; what another process changed is read again first
// (RefreshFromDisk: marks and moves not stored yet are kept); then `change` runs and, with
// WrittenAfterChange, the order file is written anew from the item list as at the end of a
// session. The order file's writes reach the disk once, in one atomic replacement, after the
// change's own files. Both front ends change the program's files through here.
void EditProgramFiles(MainSession& session, const std::function<void()>& change,
                      OrderFileStep order = OrderFileStep::Untouched);

// The program's own files in its folder (Windows text ending in "\"), as protected patterns of the
// file search (TFindFile::ProtectedFiles): the item files and plug-in files (every file of "const"
// and "plugin"), the order, settings, registry and log files, the folder's lock file, the help
// pages and the executables, and the running executable wherever it lives. No preview lists them
// and no wash erases them. (The program's temporary files begin with "." and are never listed
// anyway.)
std::vector<std::string> ProgramOwnFiles(const std::string& programFolder);

}  // namespace vorlisk
