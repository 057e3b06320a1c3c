// The folder picker, the wildcard dialog and the exclude-files dialog driven by their widgets'
// object names: what the picker reports, how the two lists refuse a mask or path they already hold
// in other letter case, and that only the confirming button writes the settings file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "gui/dialogs/exclude_dialog.h"
#include "gui/dialogs/folder_picker.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/dialogs/wildcard_dialog.h"
#include "gui/support/help.h"
#include "platform/drives.h"
#include "test_support.h"
#include "window/dialog_finder.h"

namespace vorlisk::dialogs {
namespace {

void Click(QWidget& dialog, const char* name) { Find<QAbstractButton>(dialog, name)->click(); }

QStringList Rows(QWidget& dialog, const char* name) {
  QStringList rows;
  auto* list = Find<QListWidget>(dialog, name);
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

// Closes the next message box with OK and keeps its text and icon.
class BoxAnswer {
 public:
  BoxAnswer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        Text = box->text();
        Icon = box->icon();
        timer_.stop();
        box->done(QMessageBox::Ok);
      }
    });
    timer_.start();
  }
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;

 private:
  QTimer timer_;
};

class ListDialogTest : public ::testing::Test, public test::TestProgram {
 protected:
  ListDialogTest() {
    session.StateForTesting().ProgramFolder = Folder();
    session.Ui().Inform = [this](const std::string& note) { notes.push_back(note); };
  }
  void WriteSettings(const std::string& text) {
    test::WriteHostFile(Program.Host("wildcard.ini"), text);
  }
  std::string Settings() const { return Program.Read("wildcard.ini"); }

  MainSession session;
  std::vector<std::string> notes;
};

// Catches a second backslash after a drive's root, a folder shown on the wrong drive, and a
// relative or host path reported as the folder.
TEST_F(ListDialogTest, PickerReportsTheFolderAsWindowsTextAndTheMaskAsTyped) {
  std::filesystem::create_directories(Data.Host("logs/old"));
  struct Case {
    std::string host;
    const char* shown;
    const char* entry;
  };
  const std::vector<Case> cases = {{Program.Host(), "P:\\", "P:\\*.*"},
                                   {Data.Host("logs"), "D:\\logs", "D:\\logs\\*.*"},
                                   {Data.Host("logs/old"), "D:\\logs\\old", "D:\\logs\\old\\*.*"}};
  auto picker = MakeFolderPicker(nullptr, session);
  for (const Case& c : cases) {
    picker->SelectHostFolder(QString::fromStdString(c.host));
    EXPECT_EQ(Find<QLabel>(*picker, "labFolder")->text(), QString::fromLatin1(c.shown)) << c.host;
    const FolderChoice choice = picker->Choice();
    EXPECT_EQ(FolderAndMask(choice.Folder, choice.Mask), c.entry) << c.host;
  }
}

// Catches an empty mask box when the list is empty, a list not offered in its order, and an edit
// of the list that the picker does not take up.
TEST_F(ListDialogTest, PickerOffersTheWildcardListOrStarDotStar) {
  EXPECT_EQ(Find<QComboBox>(*MakeFolderPicker(nullptr, session), "ComboBox1")->currentText(),
            QStringLiteral("*.*"));
  WriteSettings(
      "[Common]\r\nWildcard Total=3\r\nWildcard0=*.tmp\r\nWildcard1=\r\nWildcard2=*.log\r\n");
  auto picker = MakeFolderPicker(nullptr, session);
  auto* combo = Find<QComboBox>(*picker, "ComboBox1");
  EXPECT_EQ(combo->currentText(), QStringLiteral("*.tmp"));
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), QStringLiteral("*.log"));
  EXPECT_EQ(Find<QToolButton>(*picker, "SpeedButton1")->toolTip(), QStringLiteral("Edit Wildcard"));
}

// On Linux the folders items name are dot-folders (.cache, .config): the picker shows them.
TEST_F(ListDialogTest, PickerShowsDotFolders) {
  std::filesystem::create_directories(Home / ".cache");
  auto picker = MakeFolderPicker(nullptr, session);
  auto* model = picker->findChild<QFileSystemModel*>();
  ASSERT_NE(model, nullptr);
  const QString home = QString::fromStdString(Home.Path());
  // Rows as the tree shows them, once the home is read (asking for the path of a folder would add
  // it to the model whatever the filter says).
  QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
  const QModelIndex parent = model->index(home);
  model->fetchMore(parent);
  for (int i = 0; i < 50 && model->rowCount(parent) == 0; ++i) loaded.wait(100);
  QStringList names;
  for (int row = 0; row < model->rowCount(parent); ++row)
    names << model->fileName(model->index(row, 0, parent));
  EXPECT_TRUE(names.contains(QStringLiteral(".cache"))) << names.join(' ').toStdString();
}

// Catches a folder outside every drive reported as a folder, the missing warning, and a picker
// that closes anyway.
TEST_F(ListDialogTest, PickerRefusesAFolderOutsideEveryDrive) {
  const auto c = platform::DriveMapping('C');
  platform::UnmapDrive('C');
  auto picker = MakeFolderPicker(nullptr, session);
  picker->SelectHostFolder(QString::fromStdString(Home.Path()));
  EXPECT_EQ(Find<QLabel>(*picker, "labFolder")->text(), QString());
  picker->show();
  BoxAnswer box;
  Click(*picker, "Button1");
  if (c) platform::MapDrive('C', *c);
  EXPECT_EQ(box.Text, QStringLiteral("Please select a folder!"));
  EXPECT_EQ(box.Icon, QMessageBox::Warning);
  EXPECT_TRUE(picker->isVisible());
  EXPECT_EQ(picker->result(), QDialog::Rejected);
}

// Catches a mask stored with its blanks, a duplicate in other letter case, a field not emptied
// after a refused mask, the missing note, and a list written on cancel or not on OK.
TEST_F(ListDialogTest, WildcardDialogAddsTrimmedMasksOnceAndWritesOnlyOnOk) {
  WriteSettings("[Common]\r\nWildcard Total=1\r\nWildcard0=*.tmp\r\n");
  const std::string before = Settings();
  {
    auto dialog = MakeWildcardDialog(nullptr, session);
    auto* edit = Find<QLineEdit>(*dialog, "Edit1");
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Please enter a new  wildcard"));
    struct Step {
      const char* typed;
      const char* left;
    };
    for (const Step& s : {Step{"  *.log  ", ""}, Step{" *.TMP", ""}, Step{"   ", "   "}}) {
      edit->setText(QString::fromLatin1(s.typed));
      Click(*dialog, "SpNew");
      EXPECT_EQ(edit->text(), QString::fromLatin1(s.left)) << s.typed;
    }
    EXPECT_EQ(Rows(*dialog, "ListBox1"), (QStringList{"*.tmp", "*.log"}));
    Click(*dialog, "Button4");  // nothing selected
    EXPECT_EQ(notes, std::vector<std::string>{"Please select a item by clicking"});
    Click(*dialog, "SpeedButton1");
    Click(*dialog, "Button3");
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
  }
  EXPECT_EQ(Settings(), before);

  auto dialog = MakeWildcardDialog(nullptr, session);
  Find<QListWidget>(*dialog, "ListBox1")->setCurrentRow(0);
  Find<QLineEdit>(*dialog, "Edit1")->setText(QStringLiteral("*.bak"));
  Click(*dialog, "SpNew");
  Click(*dialog, "SpeedButton2");  // down
  EXPECT_EQ(Rows(*dialog, "ListBox1"), (QStringList{"*.bak", "*.tmp"}));
  Click(*dialog, "btnOk");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(SettingsFile(Folder()).ReadWildcardList(),
            (std::vector<std::string>{"*.bak", "*.tmp"}));
}

// Catches Enter in "Add wildcard:" closing the dialog as "&Ok" (which wrote the list without the
// mask), and the box without the focus when the dialog opens.
TEST_F(ListDialogTest, EnterInTheWildcardBoxAddsTheMaskAndKeepsTheDialogOpen) {
  WriteSettings("[Common]\r\nWildcard Total=1\r\nWildcard0=*.tmp\r\n");
  const std::string before = Settings();
  auto dialog = MakeWildcardDialog(nullptr, session);
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  auto* edit = Find<QLineEdit>(*dialog, "Edit1");
  EXPECT_EQ(QApplication::focusWidget(), edit);
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    QTest::keyClicks(QApplication::focusWidget(), key == Qt::Key_Return ? "*.log" : "*.bak");
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->text(), QString());
  }
  EXPECT_EQ(Rows(*dialog, "ListBox1"), (QStringList{"*.tmp", "*.log", "*.bak"}));
  EXPECT_EQ(Settings(), before);
}

// Catches the picker's or the file dialog's answer not reaching the list, duplicates in other
// letter case, the wrong file-dialog settings, and a cancel that writes.
TEST_F(ListDialogTest, ExcludeDialogAddsChoicesOnceAndWritesOnlyOnApply) {
  WriteSettings("[Exclude Files]\r\nCount=1\r\nRecord0=D:\\keep.txt\r\n");
  const std::string before = Settings();
  std::vector<FolderChoice> picks = {{"D:\\logs", " *.log "}, {"d:\\LOGS\\", "*.LOG"}};
  session.Ui().PickFolder = [&]() -> std::optional<FolderChoice> {
    FolderChoice c = picks.front();
    picks.erase(picks.begin());
    return c;
  };
  FileChooser asked;
  session.Ui().OpenFiles = [&](const FileChooser& chooser) {
    asked = chooser;
    return std::vector<std::string>{"D:\\b.txt", "d:\\KEEP.TXT", "D:\\a.txt"};
  };
  {
    auto dialog = MakeExcludeFilesDialog(nullptr, session);
    Click(*dialog, "Button6");
    Click(*dialog, "Button6");
    Click(*dialog, "Button3");
    EXPECT_EQ(asked.Title, "Select files by filename");
    EXPECT_TRUE(asked.Multiple);
    EXPECT_EQ(Rows(*dialog, "TextListBox1"),
              (QStringList{"D:\\keep.txt", "D:\\logs\\*.log", "D:\\b.txt", "D:\\a.txt"}));
    Click(*dialog, "SpeedButton2");  // delete all
    EXPECT_TRUE(Rows(*dialog, "TextListBox1").isEmpty());
    Click(*dialog, "SpeedButton3");
  }
  EXPECT_EQ(Settings(), before);

  auto dialog = MakeExcludeFilesDialog(nullptr, session);
  Find<QListWidget>(*dialog, "TextListBox1")->setCurrentRow(0);
  Click(*dialog, "Button5");
  Click(*dialog, "SpeedButton1");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(SettingsFile(Folder()).ReadExcludeList().empty());
  EXPECT_NE(Settings().find("Count=0"), std::string::npos);
}

// Catches an edit of the list that the picker does not take up: after "&Ok" in the wildcard dialog
// emptied the list, the picker offers "*.*".
TEST_F(ListDialogTest, PickerReloadsItsMasksAfterTheWildcardDialogSaved) {
  WriteSettings("[Common]\r\nWildcard Total=1\r\nWildcard0=*.tmp\r\n");
  auto picker = MakeFolderPicker(nullptr, session);
  QTimer answer;
  answer.setInterval(5);
  QObject::connect(&answer, &QTimer::timeout, [&answer] {
    QWidget* wildcard = QApplication::activeModalWidget();
    if (wildcard && wildcard->objectName() == QStringLiteral("TFormWildcard")) {
      answer.stop();
      Click(*wildcard, "SpeedButton1");  // delete all
      Click(*wildcard, "btnOk");
    }
  });
  answer.start();
  Click(*picker, "SpeedButton1");
  EXPECT_EQ(Find<QComboBox>(*picker, "ComboBox1")->count(), 0);
  EXPECT_EQ(Find<QComboBox>(*picker, "ComboBox1")->currentText(), QStringLiteral("*.*"));
  EXPECT_TRUE(SettingsFile(Folder()).ReadWildcardList().empty());
}

// Catches a dialog whose F1 or help button shows another topic than its own.
TEST_F(ListDialogTest, F1AndTheHelpButtonsShowEachDialogsTopic) {
  struct Case {
    std::function<std::unique_ptr<QDialog>()> make;
    const char* button;  // none: the dialog has no help button
    std::vector<int> topics;
  };
  const std::vector<Case> cases = {
      {[&] { return MakeFolderPicker(nullptr, session); }, nullptr, {302}},
      {[&] { return MakeWildcardDialog(nullptr, session); }, "Button1", {801, 31}},
      {[&] { return MakeExcludeFilesDialog(nullptr, session); }, "SpeedButton4", {42, 42}},
      {[&] { return MakePreferencesDialog(nullptr, session, {}); }, "btnHelp", {102, 102}}};
  for (const Case& c : cases) {
    std::vector<int> topics;
    SetHelpHandler([&topics](int topic) { topics.push_back(topic); });
    auto dialog = c.make();
    emit Find<QShortcut>(*dialog, "HelpKey")->activated();
    if (c.button) Click(*dialog, c.button);
    SetHelpHandler({});
    EXPECT_EQ(topics, c.topics) << dialog->objectName().toStdString();
  }
}

}  // namespace
}  // namespace vorlisk::dialogs
