// The terminal standing in for the window: questions on standard error answered on standard input
// (or by --yes), notes and errors on standard error, a preview printed line by line, and the
// progress of a long run drawn over itself (on a terminal only).
#pragma once

#include "app/main_session.h"
#include "engine/progress.h"

namespace vorlisk::cli {

// What the commands' flags tell the terminal.
struct TerminalOptions {
  bool yes = false;    // --yes: every question answered Yes
  bool sizes = false;  // preview --sizes: each file line's size, and the totals
};

// The progress of a long preview or wash, drawn over itself on standard error.
class ProgressBar {
 public:
  void Show(const ProgressInfo& info);
  ~ProgressBar();

 private:
  bool shown_ = false;
};

// The session's port on the terminal. Every run has a progress, so that Ctrl-C and SIGTERM cancel
// it between two lines as the window's Cancel does; `bar` draws it on a terminal only. The options
// and the bar must outlive the port.
UiCallbacks TerminalPort(const TerminalOptions& options, ProgressBar& bar);

// One line per preview line: list, mark, line; with sizes, a file line's size as a fourth column
// and the totals of the ticked file lines at the end.
void PrintPreview(PreviewDialog& dialog, bool sizes);

}  // namespace vorlisk::cli
