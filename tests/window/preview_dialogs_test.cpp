// The preview dialogs as the user meets them: their controls by name, how registry and special
// rows are drawn, ticking and the select buttons reaching the core's marks, the status line, and
// what "&Wash", "Cl&ose" and the close box do to the files.
#include "gui/dialogs/preview_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <string>
#include <vector>

#include "engine/registry_entries.h"
#include "test_support.h"

namespace vorlisk::dialogs {
namespace {

using test::TestProgram;

template <typename T>
T* Find(QWidget& parent, const char* name) {
  return parent.findChild<T*>(QString::fromLatin1(name));
}

PreviewDialog MakeDialog(PreviewKind kind, WashCounters* counters = nullptr) {
  WashContext context;
  context.ProgramFolder = TestProgram::Folder();
  context.WriteToLog = false;
  context.Counters = counters;
  return PreviewDialog(kind, std::move(context));
}

// The dialog on screen (offscreen platform), laid out and painted.
std::unique_ptr<QDialog> Shown(PreviewDialog& dialog) {
  auto window = MakePreviewDialog(nullptr, dialog);
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  return window;
}

QImage Render(QListView& view) { return view.viewport()->grab().toImage(); }

// Counts the pixels of a view's row that pass `test`.
int CountPixels(const QImage& image, const QRect& row, const std::function<bool(QColor)>& test) {
  int n = 0;
  for (int y = row.top(); y <= row.bottom(); ++y)
    for (int x = row.left(); x <= row.right(); ++x) n += test(image.pixelColor(x, y)) ? 1 : 0;
  return n;
}

bool IsNavy(QColor c) { return c.red() < 40 && c.green() < 40 && c.blue() > 90; }
bool IsWhite(QColor c) { return c.red() > 220 && c.green() > 220 && c.blue() > 220; }
bool IsRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

struct LayoutCase {
  PreviewKind kind;
  const char* objectName;
  const char* caption;
  std::vector<const char*> lists;
  std::vector<const char*> selectButtons;  // Select All and Unselect All by turns
  std::vector<const char*> tabs;
  int firstTab;
  const char* wash;
  const char* close;
  bool fixed;
};

TEST(PreviewDialogs, EachKindHasItsControlsCaptionTabsAndSize) {
  const std::vector<LayoutCase> cases = {
      {PreviewKind::Folder,
       "TFormPreviewFolder",
       "Preview Files of Current Item",
       {"CheckListBoxPreviewFolder"},
       {"btnSelectall", "btnUnselectAll"},
       {},
       -1,
       "btnwasher",
       "SpeedButton1",
       true},
      {PreviewKind::Register,
       "TFormPreviewregister",
       "Preview Registry Entry of Current Item",
       {"CheckListBoxPreviewregister"},
       {"btnSelectall", "btnUnselectAll"},
       {},
       -1,
       "btnwasher",
       "SpeedButton1",
       true},
      {PreviewKind::FolderRegister,
       "TFormPreviewFolderRegister",
       "Preview Current Wash Item",
       {"CheckListBoxPreviewFolder", "CheckListBoxPreviewregister"},
       {"btnSelectall", "btnUnselectAll", "NewbtnSelectall", "NewbtnUnselectAll"},
       {"Washer Folder", "Washer Register"},
       0,
       "btnwasher",
       "SpeedButton1",
       false},
      {PreviewKind::All,
       "TFormPreviewAll",
       "Preview All Wash Item Checked",
       {"CheckListBoxSpecial", "CheckListBoxPreviewFolder", "CheckListBoxPreviewregister"},
       {"AllbtnSelectall", "AllbtnUnselectAll", "btnSelectall", "btnUnselectAll", "NewbtnSelectall",
        "NewbtnUnselectAll"},
       {"Clean Special", "Clean Folder/File", "Clean Registry Entry"},
       1,
       "btnWashAll",
       "SpeedButton2",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.objectName);
    PreviewDialog dialog = MakeDialog(c.kind);
    auto window = MakePreviewDialog(nullptr, dialog);
    EXPECT_EQ(window->objectName(), c.objectName);
    EXPECT_EQ(window->windowTitle(), c.caption);
    EXPECT_EQ(window->findChildren<QListView*>().size(), c.lists.size());
    for (const char* name : c.lists) {
      auto* view = Find<QListView>(*window, name);
      ASSERT_NE(view, nullptr) << name;
      EXPECT_TRUE(view->uniformItemSizes()) << name;
      QAbstractItemModelTester tester(view->model(),
                                      QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    for (std::size_t i = 0; i < c.selectButtons.size(); ++i) {
      auto* button = Find<QToolButton>(*window, c.selectButtons[i]);
      ASSERT_NE(button, nullptr) << c.selectButtons[i];
      EXPECT_EQ(button->toolTip(), i % 2 == 0 ? "Select All" : "Unselect All");
      EXPECT_TRUE(button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly);
      EXPECT_FALSE(button->icon().isNull());
    }
    auto* tabs = window->findChild<QTabWidget*>();
    if (c.tabs.empty()) {
      EXPECT_EQ(tabs, nullptr);
    } else {
      ASSERT_NE(tabs, nullptr);
      ASSERT_EQ(tabs->count(), static_cast<int>(c.tabs.size()));
      for (std::size_t i = 0; i < c.tabs.size(); ++i)
        EXPECT_EQ(tabs->tabText(static_cast<int>(i)), c.tabs[i]);
      EXPECT_EQ(tabs->currentIndex(), c.firstTab);
    }
    auto* wash = Find<QPushButton>(*window, c.wash);
    auto* close = Find<QPushButton>(*window, c.close);
    ASSERT_NE(wash, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(wash->text(), "&Wash");
    EXPECT_EQ(close->text(), "Cl&ose");
    EXPECT_FALSE(wash->isDefault() || wash->autoDefault()) << "Enter would wash";
    EXPECT_EQ(window->minimumSize() == window->maximumSize(), c.fixed);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(window->isModal());
  }
}

TEST(PreviewDialogs, KeyRowIsNavyOrWhiteOnTealAndNeverShowsTheMarker) {
  PreviewDialog dialog = MakeDialog(PreviewKind::Register);
  const std::string path = "HKEY_CURRENT_USER\\Software\\Vorlisk Test";
  dialog.Registry().Add(path + std::string(kDeleteKeyMarker), true);
  auto window = Shown(dialog);
  auto* view = Find<QListView>(*window, "CheckListBoxPreviewregister");
  const QModelIndex row = view->model()->index(0, 0);
  const QRect rect = view->visualRect(row);

  QImage image = Render(*view);
  EXPECT_GT(CountPixels(image, rect, IsNavy), 10);
  // The text ends where the key path ends: the marker's 12 characters are not drawn.
  int rightmost = -1;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (IsNavy(image.pixelColor(x, y))) rightmost = std::max(rightmost, x);
  const QFontMetrics metrics(view->font());
  const int markerWidth = metrics.horizontalAdvance(QString::fromLatin1(kDeleteKeyMarker.data()));
  EXPECT_LT(rightmost - rect.left(),
            metrics.horizontalAdvance(QString::fromStdString(path)) + markerWidth / 2 + 30);

  view->setCurrentIndex(row);
  image = Render(*view);
  EXPECT_EQ(image.pixelColor(rect.right() - 3, rect.center().y()), QColor(10, 95, 137));
  EXPECT_GT(CountPixels(image, rect, IsWhite), 10);
  const QRect text = rect.adjusted(rect.height() + 4, 0, 0, 0);  // right of the check box
  EXPECT_EQ(CountPixels(image, text, IsNavy), 0);
  EXPECT_EQ(dialog.Registry().Selected(), 0);
}

TEST(PreviewDialogs, ValueRowReadsTheRegistryOnlyWhenPaintedAndNeverCaches) {
  TestProgram program;
  test::ScopedRegistryStore store("P:\\registry.reg",
                                  "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vorlisk "
                                  "Test]\r\n\"Recent\"=\"first text\"\r\n");
  const std::string key = "HKEY_CURRENT_USER\\Software\\Vorlisk Test\\";
  const std::string line = key + std::string(kDeleteValueMarker) + "Recent";
  ASSERT_EQ(ReadRegistryLineValue(line), "first text");

  PreviewDialog dialog = MakeDialog(PreviewKind::Register);
  for (int i = 0; i < 5000; ++i) dialog.Registry().Add(line, true);
  auto window = MakePreviewDialog(nullptr, dialog);
  auto* view = Find<QListView>(*window, "CheckListBoxPreviewregister");
  auto* delegate = dynamic_cast<PreviewRowDelegate*>(view->itemDelegate());
  ASSERT_NE(delegate, nullptr);
  int reads = 0;
  std::string lastText;
  delegate->SetValueReader([&](std::string_view l) {
    ++reads;
    lastText = ReadRegistryLineValue(l);
    return lastText;
  });

  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QImage image = Render(*view);
  EXPECT_GT(reads, 0);
  EXPECT_LT(reads, 200) << "rows read that were never painted";
  EXPECT_EQ(lastText, "first text");

  platform::Registry registry;
  ASSERT_TRUE(registry.OpenKey(ResolveRootKey(registry, key)));
  registry.WriteString("Recent", "second text");
  const int before = reads;
  image = Render(*view);
  EXPECT_GT(reads, before);
  EXPECT_EQ(lastText, "second text");
  const QRect rect = view->visualRect(view->model()->index(0, 0));
  const auto dark = [](QColor c) { return c.lightness() < 100; };
  EXPECT_GT(CountPixels(image, rect, dark), 10);

  ASSERT_TRUE(registry.DeleteValue("Recent"));
  image = Render(*view);
  EXPECT_EQ(lastText, "");
  EXPECT_EQ(CountPixels(image, rect.adjusted(rect.height() + 4, 0, 0, 0), dark), 0)
      << "a missing value draws an empty row, not the line";
}

TEST(PreviewDialogs, SpecialRowIsRedSelectedOrNot) {
  PreviewDialog dialog = MakeDialog(PreviewKind::All);
  dialog.Special().Add("Recycle Bin", true);
  auto window = Shown(dialog);
  window->findChild<QTabWidget*>()->setCurrentIndex(0);
  auto* view = Find<QListView>(*window, "CheckListBoxSpecial");
  const QModelIndex row = view->model()->index(0, 0);
  for (const bool selected : {false, true}) {
    if (selected) view->setCurrentIndex(row);
    EXPECT_GT(CountPixels(Render(*view), view->visualRect(row), IsRed), 10) << selected;
  }
}

class PreviewWash : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) {
      program.Data.Put(name, "12345");
      dialog.Files().Add(program.Data.Win(name), true);
    }
    window = MakePreviewDialog(nullptr, dialog);
  }
  template <typename T>
  T* Control(const char* name) {
    auto* w = Find<T>(*window, name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::vector<bool> Marks() {
    std::vector<bool> marks;
    for (int32_t i = 0; i < dialog.Files().Count(); ++i) marks.push_back(dialog.Files().Checked(i));
    return marks;
  }
  QString StatusAfterTicks() {
    auto* status = Control<QLabel>("StatusLine");
    const QString before = status->text();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() != before; }, 2000));
    return status->text();
  }

  TestProgram program;
  WashCounters counters;
  PreviewDialog dialog = MakeDialog(PreviewKind::Folder, &counters);
  std::unique_ptr<QDialog> window;
};

TEST_F(PreviewWash, TicksAndSelectButtonsSetTheCoreMarksAndTheStatusLine) {
  EXPECT_EQ(Control<QLabel>("StatusLine")->text(), "3 files ticked, 15 bytes");
  auto* view = Control<QListView>("CheckListBoxPreviewFolder");
  ASSERT_TRUE(
      view->model()->setData(view->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(Marks(), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(StatusAfterTicks(), "2 files ticked, 10 bytes");

  QTest::mouseClick(Control<QToolButton>("btnUnselectAll"), Qt::LeftButton);
  EXPECT_EQ(Marks(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(view->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_EQ(StatusAfterTicks(), "0 files ticked, 0 bytes");

  QTest::mouseClick(Control<QToolButton>("btnSelectall"), Qt::LeftButton);
  EXPECT_EQ(Marks(), (std::vector<bool>{true, true, true}));
  EXPECT_EQ(view->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(StatusAfterTicks(), "3 files ticked, 15 bytes");
}

TEST_F(PreviewWash, WashErasesTheTickedFilesAndCloses) {
  dialog.Files().SetChecked(2, false);
  window->show();
  QTest::mouseClick(Control<QPushButton>("btnwasher"), Qt::LeftButton);
  EXPECT_FALSE(program.Data.Exists("a.tmp"));
  EXPECT_FALSE(program.Data.Exists("b.tmp"));
  EXPECT_TRUE(program.Data.Exists("c.tmp"));
  ASSERT_TRUE(counters.Files.has_value());
  EXPECT_EQ(counters.Files->Success, 2);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_TRUE(dialog.Closed());
}

TEST_F(PreviewWash, CloseButtonCloseBoxAndEscapeWashNothing) {
  const std::vector<std::function<void()>> closers = {
      [&] { QTest::mouseClick(Control<QPushButton>("SpeedButton1"), Qt::LeftButton); },
      [&] { window->close(); },
      [&] { QTest::keyClick(window.get(), Qt::Key_Escape); },
  };
  for (std::size_t i = 0; i < closers.size(); ++i) {
    SCOPED_TRACE(i);
    PreviewDialog fresh = MakeDialog(PreviewKind::Folder, &counters);
    fresh.Files().Add(program.Data.Win("a.tmp"), true);
    window = MakePreviewDialog(nullptr, fresh);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    closers[i]();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fresh.Closed());
    fresh.Wash();  // a closed dialog washes nothing, whoever asks
    EXPECT_TRUE(program.Data.Exists("a.tmp"));
    EXPECT_FALSE(counters.Files.has_value());
  }
}

// Catches a status line that kept the Recycle Bin's bytes after its line was unticked (only the
// file lines' ticks counted the totals again).
TEST(PreviewDialogs, StatusLineFollowsTheRecycleBinLinesTick) {
  TestProgram program;
  program.Data.Put("a.tmp", "12345");
  test::WriteHostFile(program.Home / "data/Trash/files/old.txt", "0123456789");
  test::WriteHostFile(program.Home / "data/Trash/info/old.txt.trashinfo",
                      "[Trash Info]\nPath=/tmp/old.txt\nDeletionDate=2020-01-01T00:00:00\n");
  PreviewDialog dialog = MakeDialog(PreviewKind::All);
  dialog.Special().Add(std::string(kRecycleBinItem), true);
  dialog.Files().Add(program.Data.Win("a.tmp"), true);
  auto window = Shown(dialog);
  auto* status = Find<QLabel>(*window, "StatusLine");
  auto* special = Find<QListView>(*window, "CheckListBoxSpecial");
  ASSERT_NE(status, nullptr);
  ASSERT_NE(special, nullptr);
  const QString withBin = status->text();
  EXPECT_TRUE(withBin.startsWith("1 file ticked, 5 bytes; Trash: 1 entry"))
      << withBin.toStdString();
  const auto tickBin = [&](Qt::CheckState state) {
    const QString before = status->text();
    ASSERT_TRUE(
        special->model()->setData(special->model()->index(0, 0), state, Qt::CheckStateRole));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() != before; }, 2000));
  };
  tickBin(Qt::Unchecked);
  EXPECT_EQ(status->text().toStdString(), "1 file ticked, 5 bytes");
  tickBin(Qt::Checked);
  EXPECT_EQ(status->text().toStdString(), withBin.toStdString());
  QTest::mouseClick(Find<QToolButton>(*window, "AllbtnUnselectAll"), Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "1 file ticked, 5 bytes"; }, 2000))
      << status->text().toStdString();
}

TEST(PreviewDialogs, StatusLineCountsFilesAndScalesBytes) {
  const std::vector<std::pair<PreviewDialog::FileTotals, const char*>> cases = {
      {{0, 0}, "0 files ticked, 0 bytes"},
      {{1, 1}, "1 file ticked, 1 byte"},
      {{2, 1023}, "2 files ticked, 1023 bytes"},
      {{12, 1024}, "12 files ticked, 1.0 KB"},
      {{12, 3565158}, "12 files ticked, 3.4 MB"},
      {{100000, 5ULL << 30}, "100000 files ticked, 5.0 GB"},
      {{3, 10, platform::RecycleBinContents{1, 2048}},
       "3 files ticked, 10 bytes; Trash: 1 entry, 2.0 KB"},
      {{0, 0, platform::RecycleBinContents{}},
       "0 files ticked, 0 bytes; Trash: 0 entries, 0 bytes"},
  };
  for (const auto& [totals, text] : cases) EXPECT_EQ(FileTotalsText(totals), text);
}

}  // namespace
}  // namespace vorlisk::dialogs
