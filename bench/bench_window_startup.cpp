// Start-up of the main window with a catalogue of 5,000 items: from nothing to the window shown
// and painted (settings, catalogue, the item list, the first item's entries, the tray menu), side
// by side with a plain Qt main window holding a QListWidget of the same 5,000 names and painted.
// Prints the medians, the ratio and the budget (300 ms).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_window_startup [repetitions]
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/user_folders.h"
#include "bench/bench_support.h"
#include "gui/window/main_window.h"
#include "platform/drives.h"
#include "platform/profile.h"

namespace {

using namespace vorlisk::bench;

constexpr int kItems = 5000;

std::string Name(int i) { return "Application " + std::to_string(i) + " cache"; }

void WriteCatalogue(const fs::path& folder) {
  fs::create_directories(folder / "const");
  std::string t = "[Common]\r\nTotal=" + std::to_string(kItems) + "\r\n";
  for (int i = 0; i < kItems; ++i) t += "Item" + std::to_string(i) + "=" + Name(i) + "\r\n";
  for (int i = 0; i < kItems; ++i)
    t += "[" + Name(i) +
         "]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=1\r\ntFolder0.ChildItemName=cache\r\n"
         "tFolder0.isactive=1\r\ntFolder0.deletepath=C:\\app" +
         std::to_string(i) + "\\*.tmp\r\ntFolder0.bycategory=1\r\ntRegister.Total=0\r\n";
  std::ofstream(folder / "const" / "system.txt", std::ios::binary) << t;
}

void ShowAndPaint(QWidget& w) {
  w.show();
  while (!w.windowHandle() || !w.windowHandle()->isExposed()) QApplication::processEvents();
  w.repaint();
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int repetitions = Repetitions(argc, argv, 5);
  const TempRoot temp;
  WriteCatalogue(temp.path());
  // The user's own folders and settings stay out of it.
  for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
    setenv(v, (temp.path() / "home").c_str(), 1);
  vorlisk::platform::ScopedDriveMapping drive('P', temp.path().string());
  vorlisk::PrepareRegistry("P:\\");

  std::vector<double> window, plain;
  for (int r = 0; r < repetitions; ++r) {
    vorlisk::platform::ClearProfileCache();  // every start reads its files afresh
    fs::remove(temp.path() / "order.ini");
    window.push_back(TimeInProcess([&] {
                       vorlisk::window::TFormMainVorlisk w("P:\\");
                       ShowAndPaint(w);
                     }).wall);
    plain.push_back(TimeInProcess([&] {
                      QMainWindow w;
                      auto* list = new QListWidget(&w);
                      for (int i = 0; i < kItems; ++i) {
                        auto* row = new QListWidgetItem(QString::fromStdString(Name(i)), list);
                        row->setCheckState(Qt::Checked);
                      }
                      w.setCentralWidget(list);
                      ShowAndPaint(w);
                    }).wall);
  }
  const Stats ours = Summarise(window), theirs = Summarise(plain);
  std::printf("main window, %d items, to shown   median %8.1f ms   best %8.1f ms\n", kItems,
              ours.median * 1e3, ours.best * 1e3);
  std::printf("QListWidget of the same names      median %8.1f ms   best %8.1f ms\n",
              theirs.median * 1e3, theirs.best * 1e3);
  std::printf("ratio %.2fx; budget 300 ms: %s\n", ours.median / theirs.median,
              ours.median < 0.3 ? "met" : "MISSED");
  return 0;
}
