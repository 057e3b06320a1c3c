#include "cli/terminal.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "cli/cli_support.h"
#include "engine/folder_entries.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace vorlisk::cli {

void ProgressBar::Show(const ProgressInfo& info) {
  std::string text;
  if (info.Total < 0) {
    text = "Searching: " + std::to_string(info.Done) + " files";
  } else {
    const int64_t total = std::max<int64_t>(info.Total, 1);
    const auto filled = static_cast<std::size_t>(std::min<int64_t>(info.Done * 30 / total, 30));
    text = "Washing [" + std::string(filled, '#') + std::string(30 - filled, '.') + "] " +
           std::to_string(info.Done) + "/" + std::to_string(info.Total);
  }
  // The current file's end, so that the line fits a terminal of 80 columns.
  const std::size_t room = text.size() + 2 < 79 ? 79 - text.size() - 2 : 0;
  std::string current = info.Current;
  if (current.size() > room) current = "..." + current.substr(current.size() - room + 3);
  std::cerr << "\r\033[K" << text << "  " << current << std::flush;
  shown_ = true;
}

ProgressBar::~ProgressBar() {
  if (shown_) std::cerr << "\r\033[K" << std::flush;
}

UiCallbacks TerminalPort(const TerminalOptions& options, ProgressBar& bar) {
  UiCallbacks ui;
  ui.Ask = [&options](const std::string& q) { return AskOnTerminal(q, options.yes); };
  ui.Inform = [](const std::string& note) { std::cerr << note << '\n'; };
  ui.ShowPreview = [&options](PreviewDialog& dialog) { PrintPreview(dialog, options.sizes); };
  ui.ShowError = [](const std::string& message) { std::cerr << message << '\n'; };
  const bool drawProgress = platform::StderrIsTerminal();
  ui.Progress = [&bar, drawProgress](const ProgressInfo& info) {
    if (drawProgress) bar.Show(info);
  };
  return ui;
}

void PrintPreview(PreviewDialog& dialog, bool sizes) {
  // Lines are gathered and written a block at a time: a preview may have a million. A file
  // line's text is put together from its folder and name as it is written.
  std::string block;
  const auto flush = [&block](std::size_t over) {
    if (block.size() < over) return;
    std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
    block.clear();
  };
  const auto printFiles = [&](const FileLines& lines) {
    FileLineSizes look;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
      block += lines.Checked(i) ? "file\t1\t" : "file\t0\t";
      lines.AppendText(i, block);
      if (sizes) block += '\t' + std::to_string(look.Of(lines, i).value_or(0));
      block += '\n';
      flush(65536);
    }
    flush(0);
  };
  const auto print = [&](const char* kind, const CheckList& list) {
    for (const auto& row : list.Rows()) {
      block += kind;
      block += row.Checked ? "\t1\t" : "\t0\t";
      block += row.Text;
      block += '\n';
      flush(65536);
    }
    flush(0);
  };
  const auto totals = sizes ? dialog.TickedFileTotals() : PreviewDialog::FileTotals{};
  // The Recycle Bin's line tells what the bins hold: its bytes, then its entries.
  if (dialog.HasSpecialList()) {
    for (const auto& row : dialog.Special().Rows()) {
      std::cout << "special\t" << (row.Checked ? 1 : 0) << '\t' << row.Text;
      if (sizes && row.Text == kRecycleBinItem) {
        const auto bin = totals.RecycleBin ? *totals.RecycleBin : platform::QueryRecycleBins();
        std::cout << '\t' << bin.bytes << '\t' << bin.entries << " entries";
      }
      std::cout << '\n';
    }
  }
  if (dialog.HasFileList()) printFiles(dialog.Files().Lines());
  if (dialog.HasRegistryList()) print("registry", dialog.Registry());
  if (sizes) {
    // Each ticked file once, and the ticked Recycle Bin's entries: what the wash would free.
    std::cout << "total\t" << totals.Files << " files";
    if (totals.RecycleBin) std::cout << " and " << totals.RecycleBin->entries << " Trash entries";
    std::cout << '\t' << totals.Bytes + (totals.RecycleBin ? totals.RecycleBin->bytes : 0)
              << " bytes\n";
  }
}

}  // namespace vorlisk::cli
