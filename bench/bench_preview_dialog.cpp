// The all-items preview dialog with 500,000 file lines naming files that are there: the time to
// build and show it, then to fill its status line (which looks at every ticked file once), to
// scroll through it a page at a time with every page painted, and the process's peak memory. No
// standard tool shows such a list, so the figures are compared with budgets: open under 1 s, peak
// under 100 MB.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_preview_dialog [repetitions]
#include <sys/resource.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/preview.h"
#include "bench/bench_support.h"
#include "gui/dialogs/preview_dialogs.h"
#include "platform/drives.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlisk::bench;

constexpr int kLineFolders = 500;
constexpr int kLinesPerFolder = 1000;
constexpr int kLines = kLineFolders * kLinesPerFolder;
constexpr int kPages = 200;

double PeakMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int repetitions = Repetitions(argc, argv, 5);
  const TempRoot temp;
  BuildFlatTree(temp.path(), kLineFolders, kLinesPerFolder, "data");
  vorlisk::platform::ScopedDriveMapping drive('X', temp.path().string());
  const double baseline = PeakMegabytes();

  std::vector<double> open, counted, scroll;
  QString status;
  for (int r = 0; r < repetitions; ++r) {
    vorlisk::PreviewDialog dialog(vorlisk::PreviewKind::All, vorlisk::WashContext{});
    // Filled as the wash run fills it: item by item, the file list sorting itself when first read.
    for (int f = kLineFolders - 1; f >= 0; --f)
      for (int i = 0; i < kLinesPerFolder; ++i)
        dialog.Files().Add("X:\\folder" + std::to_string(f) + "\\file" + std::to_string(i) + ".tmp",
                           true);

    std::unique_ptr<QDialog> window;
    QListView* view = nullptr;
    open.push_back(TimeInProcess([&] {
                     window = vorlisk::dialogs::MakePreviewDialog(nullptr, dialog);
                     window->show();
                     while (!window->windowHandle() || !window->windowHandle()->isExposed())
                       QApplication::processEvents();
                     view = window->findChild<QListView*>("CheckListBoxPreviewFolder");
                     view->viewport()->repaint();
                   }).wall);
    // A long list is counted once shown: the status line fills a moment later.
    auto* statusLine = window->findChild<QLabel*>("StatusLine");
    counted.push_back(TimeInProcess([&] {
                        while (statusLine->text().startsWith(QStringLiteral("Counting")))
                          QApplication::processEvents();
                      }).wall);
    status = statusLine->text();
    if (view->model()->rowCount() != kLines) {
      std::fprintf(stderr, "the list shows %d lines\n", view->model()->rowCount());
      return 1;
    }

    view->setFocus();
    view->setCurrentIndex(view->model()->index(0, 0));
    scroll.push_back(TimeInProcess([&] {
                       for (int p = 0; p < kPages; ++p) {
                         QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
                         QApplication::sendEvent(view, &down);
                         view->viewport()->repaint();
                       }
                     }).wall);
    if (view->currentIndex().row() == 0) {
      std::fprintf(stderr, "page down did not move\n");
      return 1;
    }
    window->reject();
  }

  std::printf("all-items preview, %d file lines (files present), %d repetitions\n", kLines,
              repetitions);
  std::printf("status line: %s\n", status.toUtf8().constData());
  const Stats o = Summarise(open), c = Summarise(counted), s = Summarise(scroll);
  std::printf("open and show     : median %8.2f ms, best %8.2f ms (budget 1000 ms) %s\n",
              o.median * 1e3, o.best * 1e3, o.median < 1.0 ? "ok" : "OVER");
  std::printf("then totals shown : median %8.2f ms, best %8.2f ms (every ticked file looked at)\n",
              c.median * 1e3, c.best * 1e3);
  std::printf("page down x %d   : median %8.2f ms, best %8.2f ms (%.3f ms a page)\n", kPages,
              s.median * 1e3, s.best * 1e3, s.median * 1e3 / kPages);
  const double peak = PeakMegabytes();
  std::printf("peak memory       : %.1f MB (before the dialog %.1f MB; budget 100 MB) %s\n", peak,
              baseline, peak < 100.0 ? "ok" : "OVER");
  return 0;
}
