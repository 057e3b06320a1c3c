// The main window's state and logic without a window: the item list and the current item, the
// settings state, the specific-file list, the four counters, the three check lists, which controls
// are enabled, and every wash run. The Qt window and the command-line front end both drive it;
// questions, the hourglass, showing a preview and informing the user are injected callbacks.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/check_list.h"
#include "app/preview.h"
#include "app/settings.h"
#include "engine/special_targets.h"
#include "model/item.h"

namespace vorlisk {

struct UiCallbacks {
  // A question in a warning box with Yes and No; true for Yes.
  std::function<bool(const std::string& question)> Ask;
  // A note in an information box with OK.
  std::function<void(const std::string& note)> Inform;
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
};

// One entry of the tray's Wash submenu.
struct TrayMenuEntry {
  std::string Caption;  // "" for a separator
  bool Checked = false;
  bool Enabled = true;
  int32_t Tag = -1;  // item position + 100 for an item entry; -1 for "Wash all checked item"
  bool Separator = false;
};

// Removes the temporary files that writes killed midway left beside the program's files (in the
// program folder those of its order, settings and registry files only; in "const\" and "plugin\"
// any); Startup does it.
void RemoveStaleTemporaryFiles(const std::string& programFolder);

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

  // ---- state ----
  std::string ProgramFolder;
  titem_list Items;
  std::optional<tItemContent> Current;
  TSettings Settings;
  SpecificFileList SpecificFiles;
  WashCounters Counters;
  CheckList ChListBoxItem;
  CheckList ChListBoxFolder;
  CheckList ChListBoxRegister;
  std::vector<TrayMenuEntry> MenuWash;
  // The error of the last timed wash that failed, reported once; cleared by one that succeeds.
  std::string TimedWashError;

  bool IsEnabled(const std::string& control) const;
  void SetEnabled(const std::string& control, bool enabled) { enabled_[control] = enabled; }

  // ---- the item list and the entry lists ----
  void FillItemList();
  void ChListBoxItemClick();
  void UpdateItemButtons(int32_t index);
  // After any change of marks in ChListBoxItem: copies them into the item list (memory only).
  void ChListBoxItemClickCheck();
  // After the mark of the selected entry row changed: stores it in its entry and writes the entry.
  void ChListBoxFolderClickCheck();
  void ChListBoxRegisterClickCheck();

  // Conveniences for front ends: select a row as a click does, tick a row as a click does.
  void SelectItem(int32_t row);
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
  void WashCheckedItems(bool previewOnly);
  // "Clean Current Wash Item": a special item runs by its name, any other WashCurrentItem.
  void btnWashSingleClick();
  // A tray Wash submenu entry: "Wash all checked item" (tag -1) runs as btnWashAll; an item's
  // entry (tag = row + 100) selects that item and runs as btnWashSingle.
  void MenuWashClick(int32_t tag);
  // A run or preview is in progress while btnWashAll is disabled.
  bool RunInProgress() const { return !IsEnabled("btnWashAll"); }

  WashContext MakeWashContext();
  UiCallbacks& Ui() { return ui_; }

 private:
  void WashOneEntry(bool previewOnly, bool registry);
  std::vector<std::string> ExpandFolder(int32_t row);
  std::vector<std::string> ExpandRegistry(int32_t row);
  bool Ask(const std::string& question);
  void SetCursor(bool busy);

  UiCallbacks ui_;
  std::map<std::string, bool> enabled_;
};

// The program's own files in its folder (Windows text ending in "\"), as protected patterns of the
// file search (TFindFile::ProtectedFiles): the item files and plug-in files (every file of "const"
// and "plugin"), the order, settings, registry and log files, the folder's lock file, the help file
// and the executables, and the running executable wherever it lives. No preview lists them and no
// wash erases them. (The program's temporary
// files begin with "." and are never listed anyway.)
std::vector<std::string> ProgramOwnFiles(const std::string& programFolder);

// The control names that the item buttons and wash controls use.
extern const char* const kItemButtons[12];
extern const char* const kWashControls[8];

}  // namespace vorlisk
