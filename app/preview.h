// The preview dialogs without a window: their check lists, how a filler fills them, and the wash
// action that executes every wash, shown or not.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/check_list.h"
#include "engine/marked_lines.h"
#include "engine/progress.h"
#include "engine/special_targets.h"
#include "platform/shell.h"

namespace vorlisk {

enum class PreviewKind {
  Folder,          // TFormPreviewFolder: the files of one folder entry
  Register,        // TFormPreviewregister: the lines of one registry entry
  FolderRegister,  // TFormPreviewFolderRegister: files and registry lines of one item
  All              // TFormPreviewAll: special, file and registry lines of every checked item
};

// The main window's four counters; empty until a wash action sets them.
struct WashCounters {
  std::optional<WashCounts> Files;
  std::optional<WashCounts> Registry;
  // The Recycle Bins before and after a wash that emptied them (its line ticked).
  struct RecycleBinWash {
    platform::RecycleBinContents Before, After;
    bool operator==(const RecycleBinWash&) const = default;
  };
  std::optional<RecycleBinWash> RecycleBin;
  // What the wash freed: the files' bytes and those the Recycle Bins no longer hold.
  uint64_t FreedBytes() const;
  // The last run was cancelled: its counters (if it came to wash) count what it did before.
  bool Cancelled = false;
  bool operator==(const WashCounters&) const = default;
};

// What the wash action needs from the main window.
struct WashContext {
  std::string ProgramFolder;
  bool UseQuick = true;
  bool WriteToLog = true;
  const SpecificFileList* SpecificFiles = nullptr;
  WashCounters* Counters = nullptr;
  CursorCallback Cursor;
  // Reports the wash line by line and may cancel it between two lines; none when null.
  ProgressTracker* Progress = nullptr;
};

// WashSpecialItem, and for the Recycle Bin what the bins held before and after in the counters.
void WashSpecial(std::string_view name, const CursorCallback& cursor, WashCounters& counters);

class PreviewDialog {
 public:
  PreviewDialog(PreviewKind kind, WashContext context);

  PreviewKind Kind() const { return kind_; }
  const char* Caption() const;

  bool HasSpecialList() const { return kind_ == PreviewKind::All; }
  bool HasFileList() const { return kind_ != PreviewKind::Register; }
  bool HasRegistryList() const { return kind_ != PreviewKind::Folder; }

  // CheckListBoxSpecial, CheckListBoxPreviewFolder (sorted in the item and all-items dialogs),
  // CheckListBoxPreviewregister.
  CheckList& Special() { return special_; }
  FileCheckList& Files() { return files_; }
  CheckList& Registry() { return registry_; }
  // Files the expansions matched but left out, their names holding a control character or a "\\"
  // that no line can hold; the wash's file counters tell them (WashCounts::Unnamable).
  int32_t UnnamableFiles = 0;

  // "&Wash": the wash action, then the dialog closes. Callable without the dialog being shown;
  // a closed dialog does nothing, so lines are never washed twice.
  // Order: log run begun, files, file counters, registry lines, registry counters, special lines,
  // log run ended. Counters are replaced; a list the dialog lacks leaves its counters alone.
  // A cancel (through the context's progress) stops between two lines: what was washed is
  // counted and logged, the lists after it are left, and the log run is ended.
  void Wash();
  // The count and total size of the ticked file lines whose files are there now, each file once
  // however many entries name it: what a wash would free. Computed only when asked, one look per
  // line; the plain preview never pays for it.
  // With the Recycle Bin's line ticked, what the bins hold (looked at once per dialog).
  struct FileTotals {
    int32_t Files = 0;
    uint64_t Bytes = 0;
    std::optional<platform::RecycleBinContents> RecycleBin;
  };
  FileTotals TickedFileTotals() const;

  // "Cl&ose": closes without washing.
  void Close() { closed_ = true; }
  bool Closed() const { return closed_; }

 private:
  PreviewKind kind_;
  WashContext context_;
  CheckList special_;
  FileCheckList files_;
  CheckList registry_;
  bool closed_ = false;
  mutable std::optional<platform::RecycleBinContents> binSeen_;

  bool RecycleBinTicked() const;
};

}  // namespace vorlisk
