// The main window driven by its widgets' object names through a scripted port: what it shows
// follows the session, and its buttons and menus run the session's commands.
#include "gui/window/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>

#include "app/catalogue_check.h"
#include "gui/support/qt_port.h"
#include "platform/process.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

QStringList Captions(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions())
    out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

// Rows "Temp" (checked, one folder entry), "Recycle Bin" (special), "Logs" (unchecked).
class WindowTest : public ::testing::Test, public test::TestProgram {
 protected:
  WindowTest() {
    WriteItems("const/system.txt",
               {{.Name = "Temp", .Folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*.tmp"}}},
                {.Name = "Recycle Bin", .Special = true},
                {.Name = "Logs", .Active = false}});
    test::WriteHostFile(Data.Host("t/a.tmp"), "data");
    test::WriteHostFile(Program.Host("wildcard.ini"), "[Delete Option]\r\nprompt Before=1\r\n");
    port.Ask = [this](const std::string& q) {
      asked.push_back(q);
      return true;
    };
    port.ShowError = [this](const std::string& m) { asked.push_back("error: " + m); };
    window.emplace(Folder(), port);
  }
  QListView* List(const char* name) { return window->findChild<QListView*>(QLatin1String(name)); }
  QString Label(const char* name) {
    return window->findChild<QLabel*>(QLatin1String(name))->text();
  }

  UiCallbacks port;
  std::vector<std::string> asked;
  std::optional<TFormMainVorlisk> window;
};

// Catches a special item whose buttons stay enabled, a red lost on selection, and a list that
// does not follow the core's selection.
TEST_F(WindowTest, ASpecialItemDisablesItsTwelveButtonsAndIsDrawnRed) {
  QListView* items = List("ChListBoxItem");
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorlisk  V1.00 "));
  EXPECT_EQ(items->currentIndex().row(), 0);
  window->Session().SelectItem(1);
  EXPECT_EQ(items->currentIndex().row(), 1);
  for (Control c : kItemButtons) EXPECT_FALSE(window->Button(c)->isEnabled()) << ControlName(c);
  EXPECT_TRUE(window->Button(Control::btnWashSingle)->isEnabled());
  EXPECT_EQ(window->Button(Control::btnWashAll)->toolTip(),
            QStringLiteral("Clean all Wash Items checked"));

  // The special row's text is red while it is selected: some pixel of it is pure-ish red.
  window->resize(window->size());
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&*window));
  const QImage image =
      items->viewport()->grab(items->visualRect(items->model()->index(1, 0))).toImage();
  bool red = false;
  for (int y = 0; y < image.height() && !red; ++y)
    for (int x = 0; x < image.width() && !red; ++x) {
      const QColor c = image.pixelColor(x, y);
      red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
    }
  EXPECT_TRUE(red);

  window->Session().SelectItem(0);
  for (Control c : {Control::btnPreviewCurrentItem, Control::btnWashFolder,
                    Control::btndeletefolder, Control::btnPreviewCurrentRegister})
    EXPECT_TRUE(window->Button(c)->isEnabled()) << ControlName(c);
}

// Catches the style's highlighted-text colour drawn over a selected special item's red (as styles
// whose selected text is white do), and red on an ordinary selected row.
TEST_F(WindowTest, ASelectedSpecialItemStaysRedWhateverTheHighlightColours) {
  QListView* items = List("ChListBoxItem");
  QPalette palette = items->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Highlight, QColor(0, 0, 160));
    palette.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
  }
  items->setPalette(palette);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&*window));
  const auto redPixels = [items](int row) {
    const QImage image =
        items->viewport()->grab(items->visualRect(items->model()->index(row, 0))).toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        red += c.red() > 200 && c.green() < 80 && c.blue() < 80 ? 1 : 0;
      }
    return red;
  };
  for (int row : {1, 0}) {
    window->Session().SelectItem(row);
    items->setFocus();
    ASSERT_TRUE(items->selectionModel()->isRowSelected(row));
    if (row == 1)
      EXPECT_GT(redPixels(row), 10) << "the selected special item is not red";
    else
      EXPECT_EQ(redPixels(row), 0) << "an ordinary selected item is red";
  }
}

// Catches a tick in the view that is not written to the item file, and the model failing Qt's
// own checks while rows move.
TEST_F(WindowTest, TickingAnEntryWritesItsItemFileAndRowsMoveInPlace) {
  QListView* folders = List("ChListBoxFolder");
  const std::string before = Program.Read("const/system.txt");
  folders->model()->setData(folders->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_NE(Program.Read("const/system.txt"), before);
  EXPECT_FALSE(window->Session().ChListBoxFolder().Checked(0));

  QListView* items = List("ChListBoxItem");
  QAbstractItemModelTester tester(items->model(),
                                  QAbstractItemModelTester::FailureReportingMode::Warning);
  window->Button(Control::btnDown)->click();
  EXPECT_EQ(items->model()->index(1, 0).data().toString(), QStringLiteral("Temp"));
  EXPECT_EQ(items->currentIndex().row(), 1);
  window->Button(Control::btnUnselectAll)->click();
  EXPECT_EQ(items->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

// Catches a wash run without its question, counters not shown, and a tray menu that does not
// follow the list.
TEST_F(WindowTest, CleanAllAsksWashesAndShowsTheCountersAndTheTrayFollows) {
  EXPECT_EQ(Captions(window->TrayMenu()),
            (QStringList{"Open &Main Window", "-", "&Wash", "-", "&Help          F1", "E&xit"}));
  EXPECT_EQ(Captions(window->WashMenu()),
            (QStringList{"Wash all checked item", "-", "Temp", "Recycle Bin", "Logs"}));
  EXPECT_TRUE(window->WashMenu()->actions()[2]->isChecked());
  EXPECT_FALSE(window->WashMenu()->actions()[4]->isChecked());

  EXPECT_EQ(Label("LabFolderSuccess"), QString());
  window->Session().CheckItem(1, false);  // keep the real Trash out of it
  EXPECT_FALSE(window->WashMenu()->actions()[3]->isChecked());
  window->Button(Control::btnWashAll)->click();
  EXPECT_EQ(asked, std::vector<std::string>{"Do you want to wash all the items selected?"});
  EXPECT_FALSE(Data.Exists("t/a.tmp"));
  EXPECT_EQ(Label("LabFolderSuccess"), QStringLiteral("1"));
  EXPECT_EQ(Label("LabFolderFails"), QStringLiteral("0"));
  EXPECT_TRUE(window->Button(Control::btnWashAll)->isEnabled());
}

// Catches a tick that its read-only item file refused staying ticked in the list, and an error
// that does not name the file.
TEST_F(WindowTest, ATickThatCannotBeWrittenShowsWhatItsFileHolds) {
  test::MakeReadOnly(Program.Host("const/system.txt"));
  QListView* folders = List("ChListBoxFolder");
  folders->model()->setData(folders->model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_EQ(asked, std::vector<std::string>{"error: Unable to write to P:\\const\\system.txt"});
  EXPECT_EQ(folders->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

// Catches a very long item name drawn whole in the tray menu (wider than the screen).
TEST_F(WindowTest, AVeryLongItemNameIsShortenedInTheTrayMenu) {
  const std::string name = std::string(2000, 'n') + "&end";
  WriteItems("const/system.txt", {{.Name = name}, {.Name = "Temp"}});
  window.reset();
  std::filesystem::remove(Program.Host("order.ini"));
  window.emplace(Folder(), port);
  const QList<QAction*> actions = window->WashMenu()->actions();
  ASSERT_EQ(actions.size(), 4);
  const QString shown = actions[2]->text();
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
  EXPECT_TRUE(shown.endsWith(QStringLiteral("&&end")));
  EXPECT_LE(window->WashMenu()->fontMetrics().horizontalAdvance(shown), 2 * kLongestWord);
  EXPECT_EQ(actions[3]->text(), QStringLiteral("Temp"));
}

// Catches a window over a folder without the program's files (a wrong --home) that opens empty
// with no word: the note the command line prints is shown once the window runs.
TEST_F(WindowTest, AFolderWithoutTheCatalogueIsToldOnceTheWindowRuns) {
  window.reset();
  std::filesystem::remove(Program.Host("const/system.txt"));
  std::filesystem::remove(Program.Host("order.ini"));
  port.Inform = [this](const std::string& m) { asked.push_back("note: " + m); };
  window.emplace(Folder(), port);
  EXPECT_TRUE(asked.empty());  // told from the event loop, not while the window is being made
  EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); }, 2000));
  ASSERT_EQ(asked, std::vector<std::string>{"note: " + MissingCatalogueMessage(Folder())});
  EXPECT_NE(asked[0].find(Program.Host() + " holds no catalogue (const\\system.txt)"),
            std::string::npos);
}

// Catches help that never opens when the program folder (given with --home) holds no help pages:
// F1 and the Help button hand over the page shipped with the program.
TEST_F(WindowTest, HelpOpensTheShippedPageWhenTheProgramFolderHasNone) {
  ASSERT_FALSE(std::filesystem::exists(Program.Host("help")));
  const std::string shipped = platform::ShippedHelpFolder();
  ASSERT_FALSE(shipped.empty());
  std::vector<std::string> opened;
  window.reset();
  port.OpenDocument = [&](const std::string& path) {
    opened.push_back(path);
    return true;
  };
  window.emplace(Folder(), port);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&*window));
  QTest::keyClick(&*window, Qt::Key_F1);
  window->Button(Control::SpeedButton2)->click();
  EXPECT_EQ(opened, std::vector<std::string>(2, shipped + "58.html"));
  EXPECT_TRUE(asked.empty()) << asked.front();
}

// Catches a cancelled run that shows nothing beside its counters, and the mark staying after a run
// that ended.
TEST_F(WindowTest, ACancelledRunSaysSoBesideItsCounters) {
  // Enough files for the expansion to report its progress.
  for (int i = 0; i < 100; ++i)
    test::WriteHostFile(Data.Host("t/" + std::to_string(i) + ".tmp"), "");
  window->Session().CheckItem(1, false);  // keep the real Trash out of it
  window->Session().SetProgressInterval(std::chrono::milliseconds(0));
  window->Session().Ui().Progress = [this](const ProgressInfo&) { window->Session().CancelRun(); };
  window->Button(Control::btnWashAll)->click();
  EXPECT_EQ(Label("LabCancelled"), QStringLiteral("Cancelled"));
  EXPECT_EQ(Label("LabFolderSuccess"), QString());
  EXPECT_TRUE(Data.Exists("t/a.tmp"));

  window->Session().Ui().Progress = nullptr;
  window->Button(Control::btnWashAll)->click();
  EXPECT_EQ(Label("LabCancelled"), QString());
  EXPECT_EQ(Label("LabFolderSuccess"), QStringLiteral("101"));
}

// Catches a wash ended as cancelled when the window is activated while it runs (its progress
// dialog takes and gives back the activation): the refresh that activation brings must wait.
TEST_F(WindowTest, ActivatingTheWindowDuringARunLetsItFinish) {
  for (int i = 0; i < 400; ++i)
    test::WriteHostFile(Data.Host("t/" + std::to_string(i) + ".tmp"), "");
  window->Session().CheckItem(1, false);  // keep the real Trash out of it
  window->Session().SetProgressInterval(std::chrono::milliseconds(0));
  // The window's own progress, slowed so that the run outlasts the second after which it shows
  // its progress dialog; then the window is activated.
  const auto shown = window->Session().Ui().Progress;
  const auto start = std::chrono::steady_clock::now();
  window->Session().Ui().Progress = [this, shown, start](const ProgressInfo& info) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    shown(info);
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1100)) return;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&*window, &activate);
  };
  window->Button(Control::btnWashAll)->click();
  window->Session().Ui().Progress = shown;
  EXPECT_EQ(Label("LabCancelled"), QString());
  EXPECT_EQ(Label("LabFolderSuccess"), QStringLiteral("401"));
  EXPECT_EQ(asked, std::vector<std::string>{"Do you want to wash all the items selected?"});
}

// Catches the add button not reaching the dialog, the dialog's values not reaching the core, and a
// list that is not told of the new row.
TEST_F(WindowTest, AnEntryAddedThroughItsDialogAppearsInItsListAndItemFile) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    seen = dialog->objectName() == QStringLiteral("TFormFolder");
    dialog->findChild<QLineEdit*>(QStringLiteral("EditItemName"))
        ->setText(QStringLiteral(" logs "));
    dialog->findChild<QLineEdit*>(QStringLiteral("EditFolder"))
        ->setText(QStringLiteral("D:\\l\\*.log"));
    dialog->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
  });
  window->Button(Control::btnaddfolder)->click();
  EXPECT_TRUE(seen);
  QListView* folders = List("ChListBoxFolder");
  ASSERT_EQ(folders->model()->rowCount(), 2);
  EXPECT_EQ(folders->model()->index(1, 0).data().toString(), QStringLiteral("logs"));
  EXPECT_EQ(folders->currentIndex().row(), 1);
  EXPECT_NE(Program.Read("const/system.txt").find("tFolder1.deletepath=D:\\l\\*.log"),
            std::string::npos);
}

}  // namespace
}  // namespace vorlisk::window
