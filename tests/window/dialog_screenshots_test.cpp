// Not a check: grabs the editing dialogs with realistic contents into docs/dialogs/ for the
// documentation. Run on a real display server:
//   xvfb-run -a build/tests/vorlisk_window_tests --gtest_filter='DialogScreenshots.*'
//     --gtest_also_run_disabled_tests
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "gui/dialogs/exclude_dialog.h"
#include "gui/dialogs/folder_picker.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/dialogs/wildcard_dialog.h"
#include "test_support.h"
#include "window/dialog_finder.h"

namespace vorlisk::dialogs {
namespace {

void Grab(QDialog& dialog) {
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTest::qWait(1500);  // the folder tree fills in the background
  const std::string out = std::string(VORLISK_SOURCE_DIR) + "/docs/dialogs/" +
                          dialog.objectName().toStdString() + ".png";
  std::filesystem::create_directories(std::filesystem::path(out).parent_path());
  EXPECT_TRUE(dialog.grab().save(QString::fromStdString(out)));
}

TEST(DialogScreenshots, DISABLED_GrabTheEditingDialogs) {
  test::TestProgram program;
  test::WriteHostFile(program.Program.Host("wildcard.ini"),
                      "[Common]\r\nWildcard Total=4\r\nWildcard0=*.tmp\r\nWildcard1=*.log\r\n"
                      "Wildcard2=*.bak\r\nWildcard3=~*.*\r\n"
                      "[Exclude Files]\r\nCount=3\r\nRecord0=D:\\Documents\\notes.txt\r\n"
                      "Record1=D:\\Work\\build\\*.log\r\nRecord2=D:\\Temp\\keep.tmp\r\n"
                      "[Schedule]\r\nSchedule Option=byStart byEveryHour \r\nMinuts=30\r\n");
  for (const char* folder : {"Documents", "Temp", "Work/build", "Pictures"})
    std::filesystem::create_directories(program.Data.Host(folder));
  MainSession session;
  session.StateForTesting().ProgramFolder = test::TestProgram::Folder();
  session.StateForTesting().Settings.Schedule = {byStart, byEveryHour};
  session.StateForTesting().Settings.Minutes = 30;

  auto picker = MakeFolderPicker(nullptr, session);
  picker->SelectHostFolder(QString::fromStdString(program.Data.Host("Temp")));
  Grab(*picker);
  auto wildcard = MakeWildcardDialog(nullptr, session);
  Find<QListWidget>(*wildcard, "ListBox1")->setCurrentRow(1);
  Grab(*wildcard);
  auto exclude = MakeExcludeFilesDialog(nullptr, session);
  Find<QListWidget>(*exclude, "TextListBox1")->setCurrentRow(0);
  Grab(*exclude);
  auto preferences = MakePreferencesDialog(nullptr, session, {});
  Find<QTabWidget>(*preferences, "PageControl1")->setCurrentIndex(1);
  Grab(*preferences);
}

}  // namespace
}  // namespace vorlisk::dialogs
