#include "cli/terminal.h"

#include <algorithm>
#include <iostream>

#include "cli/cli_support.h"
#include "engine/folder_entries.h"
#include "platform/process.h"

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
  auto print = [](const char* kind, CheckList& list, bool withSize) {
    for (const auto& row : list.Rows()) {
      std::cout << kind << '\t' << (row.Checked ? 1 : 0) << '\t' << row.Text;
      if (withSize) std::cout << '\t' << FileLineSize(row.Text).value_or(0);
      std::cout << '\n';
    }
  };
  if (dialog.HasSpecialList()) print("special", dialog.Special(), false);
  if (dialog.HasFileList()) print("file", dialog.Files(), sizes);
  if (dialog.HasRegistryList()) print("registry", dialog.Registry(), false);
  if (sizes) {
    const auto totals = dialog.TickedFileTotals();
    std::cout << "total\t" << totals.Files << " files\t" << totals.Bytes << " bytes\n";
  }
}

}  // namespace vorlisk::cli
