#include "app/preview.h"

#include <optional>
#include <string_view>
#include <unordered_set>

#include "engine/folder_entries.h"
#include "engine/registry_entries.h"
#include "engine/wash_log.h"

namespace vorlisk {

PreviewDialog::PreviewDialog(PreviewKind kind, WashContext context)
    : kind_(kind),
      context_(std::move(context)),
      files_(kind == PreviewKind::FolderRegister || kind == PreviewKind::All) {}

const char* PreviewDialog::Caption() const {
  switch (kind_) {
    case PreviewKind::Folder:
      return "Preview Files of Current Item";
    case PreviewKind::Register:
      return "Preview Registry Entry of Current Item";
    case PreviewKind::FolderRegister:
      return "Preview Current Wash Item";
    case PreviewKind::All:
      return "Preview All Wash Item Checked";
  }
  return "";
}

uint64_t WashCounters::FreedBytes() const {
  uint64_t freed = Files ? Files->FreedBytes : 0;
  if (RecycleBin && RecycleBin->Before.bytes > RecycleBin->After.bytes)
    freed += RecycleBin->Before.bytes - RecycleBin->After.bytes;
  return freed;
}

void WashSpecial(std::string_view name, const CursorCallback& cursor, WashCounters& counters) {
  const bool bin = name == kRecycleBinItem;
  const auto before = bin ? platform::QueryRecycleBins() : platform::RecycleBinContents{};
  WashSpecialItem(name, cursor);
  if (bin) counters.RecycleBin = {{before, platform::QueryRecycleBins()}};
}

bool PreviewDialog::RecycleBinTicked() const {
  if (!HasSpecialList()) return false;
  for (const auto& line : special_.Rows())
    if (line.Checked && line.Text == kRecycleBinItem) return true;
  return false;
}

PreviewDialog::FileTotals PreviewDialog::TickedFileTotals() const {
  FileTotals totals;
  if (RecycleBinTicked()) {
    if (!binSeen_) binSeen_ = platform::QueryRecycleBins();
    totals.RecycleBin = binSeen_;
  }
  if (!HasFileList()) return totals;
  // A file named by two entries is one line twice: the wash erases it once, so it counts once.
  const FileLines& lines = files_.Lines();
  // Sorted lines have such repeats next to each other; others are remembered.
  const bool repeats = lines.MayRepeat(), sorted = lines.Sorted();
  std::unordered_set<std::string> counted;
  FileLineSizes sizes;
  const auto ticked = [&lines](std::size_t j) { return lines.Checked(j); };
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    if (!lines.Checked(i)) continue;
    if (repeats && (sorted ? lines.EarlierSame(i, ticked) : !counted.insert(lines.Text(i)).second))
      continue;
    if (const auto size = sizes.Of(lines, i)) {
      ++totals.Files;
      totals.Bytes += *size;
    }
  }
  return totals;
}

void PreviewDialog::Wash() {
  // A dialog washes once: a closed dialog (washed, or closed without washing) does nothing.
  if (closed_) return;
  static const SpecificFileList kNoSpecificFiles;
  const SpecificFileList& specific =
      context_.SpecificFiles ? *context_.SpecificFiles : kNoSpecificFiles;
  WashCounters scratch;
  WashCounters& counters = context_.Counters ? *context_.Counters : scratch;

  std::optional<WashLog> log;
  if (context_.WriteToLog) {
    log.emplace(context_.ProgramFolder);
    log->BeginLogRun();
  }
  WashLog* logRun = log ? &*log : nullptr;
  ProgressTracker* progress = context_.Progress;
  if (progress) {
    int64_t total = 0;
    for (const CheckRows* list :
         {static_cast<const CheckRows*>(&special_), static_cast<const CheckRows*>(&files_),
          static_cast<const CheckRows*>(&registry_)})
      for (int32_t row = 0; row < list->Count(); ++row) total += list->Checked(row) ? 1 : 0;
    progress->Begin(total);
  }
  if (HasFileList()) {
    counters.Files = WashFileLines(files_.Lines(), context_.UseQuick, logRun, specific, progress);
    counters.Files->Unnamable = UnnamableFiles;
  }
  if (HasRegistryList()) counters.Registry = WashRegistryLines(registry_.Rows(), logRun, progress);
  if (HasSpecialList()) {
    counters.RecycleBin.reset();
    for (const auto& line : special_.Rows()) {
      if (!line.Checked || Cancelled(progress)) continue;
      Step(progress, line.Text);
      WashSpecial(line.Text, context_.Cursor, counters);
    }
  }
  counters.Cancelled = Cancelled(progress);
  if (progress) progress->Finish();
  if (log) log->EndLogRun();
  closed_ = true;
}

}  // namespace vorlisk
