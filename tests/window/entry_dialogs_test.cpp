// The item dialog, the two entry dialogs and the registry viewer: what they show from a draft,
// which saves they refuse, that what was typed reaches the draft untrimmed (the core trims), the
// radio groups that keep every field, the browse buttons through the port, help, and the viewer
// showing and handing on a key of the program's registry store.
#include "gui/dialogs/entry_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/item_editing.h"
#include "gui/dialogs/registry_viewer.h"
#include "gui/support/help.h"
#include "platform/text.h"
#include "test_support.h"

namespace vorlisk::dialogs {
namespace {

using test::TestProgram;

template <class W>
W* Find(const QWidget& parent, const char* name) {
  auto* widget = parent.findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

void Type(const QWidget& dialog, const char* field, const std::string& text) {
  Find<QLineEdit>(dialog, field)->setText(QString::fromStdString(text));
}

QString TextOf(const QWidget& dialog, const char* field) {
  return Find<QLineEdit>(dialog, field)->text();
}

// Clicks a dialog's save button and tells whether the dialog closed with OK.
bool Save(QDialog& dialog, const char* button) {
  dialog.show();
  QTest::mouseClick(Find<QPushButton>(dialog, button), Qt::LeftButton);
  return !dialog.isVisible() && dialog.result() == QDialog::Accepted;
}

FolderEntryDraft SampleFolder() {
  return {.Caption = "Edit Folder/File Item",
          .Name = "Temp files",
          .Active = true,
          .Kind = FolderKind::FolderMask,
          .RegisterName = "HKEY_CURRENT_USER\\Software\\App",
          .RegisterValueofName = "Cache",
          .DeletePath = "D:\\Temp\\*.tmp",
          .DeleteFileName = "D:\\Temp\\one.log",
          .IncludeSubfolders = true};
}

RegistryEntryDraft SampleRegistry() {
  return {.Caption = "Edit Current Registry Entry Item",
          .Name = "Recent",
          .Active = true,
          .CleanType = CleanRegisterType::AllValues,
          .RegisterKeyName = "HKEY_CURRENT_USER\\Software\\App\\Recent",
          .RegisterSingleValue = "Last"};
}

// ---- save rules --------------------------------------------------------------------------

struct SaveCase {
  const char* what;
  std::string name;
  std::string key;  // the registry entry's key path
  bool saved;
};

TEST(EntryDialogs, SaveNeedsANameAndARegistryEntryAKeyPathWithoutAMessage) {
  const std::vector<SaveCase> cases = {
      {"blank name", "   ", "HKEY_CURRENT_USER\\Software", false},
      {"empty name", "", "HKEY_CURRENT_USER\\Software", false},
      {"name", " Cache ", "HKEY_CURRENT_USER\\Software", true},
      {"blank key path", "Cache", "  ", false},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.what);
    ItemDraft item{"Edit Wash Item", "Old", true, "P:\\const\\user.txt"};
    auto itemDialog = MakeItemDialog(nullptr, item);
    Type(*itemDialog, "Edititemname", c.name);
    EXPECT_EQ(Save(*itemDialog, "btnSave"), !Trim(c.name).empty());
    EXPECT_EQ(item.Name, Trim(c.name).empty() ? "Old" : c.name) << "the item's name is untrimmed";

    FolderEntryDraft folder = SampleFolder();
    folder.DeletePath.clear();  // no path field is checked
    auto folderDialog = MakeFolderEntryDialog(nullptr, folder, {});
    Type(*folderDialog, "EditItemName", c.name);
    EXPECT_EQ(Save(*folderDialog, "SpeedButton1"), !Trim(c.name).empty());

    RegistryEntryDraft reg = SampleRegistry();
    reg.CleanType = CleanRegisterType::SingleValue;
    reg.RegisterSingleValue.clear();  // nor the value name, even for a single value
    auto regDialog = MakeRegistryEntryDialog(nullptr, reg);
    Type(*regDialog, "EditItemName", c.name);
    Type(*regDialog, "EditKeyName", c.key);
    EXPECT_EQ(Save(*regDialog, "btnSave"), c.saved);
    EXPECT_EQ(reg.Name, c.saved ? c.name : "Recent") << "a refused save changes nothing";
    // A refused save keeps the dialog open and shows no box.
    if (!c.saved) {
      EXPECT_TRUE(regDialog->isVisible());
    }
    for (QWidget* w : QApplication::topLevelWidgets())
      EXPECT_FALSE(w->isVisible() && qobject_cast<QMessageBox*>(w)) << "a box was shown";
  }
}

// ---- what the dialogs show and give back -------------------------------------------------

TEST(EntryDialogs, ItemDialogShowsTheDraftAndGivesBackNameAndActive) {
  ItemDraft draft{"Add Wash Item", "New Item", true, "P:\\const\\user.txt"};
  auto dialog = MakeItemDialog(nullptr, draft);
  EXPECT_EQ(dialog->objectName(), "TFormAddEditItem");
  EXPECT_EQ(dialog->windowTitle(), "Add Wash Item");
  EXPECT_EQ(TextOf(*dialog, "Edititemname"), "New Item");
  EXPECT_TRUE(Find<QCheckBox>(*dialog, "Chisactive")->isChecked());
  auto* store = Find<QLineEdit>(*dialog, "LabelStore");
  EXPECT_EQ(store->text(), "P:\\const\\user.txt");
  EXPECT_TRUE(store->isReadOnly());
  EXPECT_EQ(store->toolTip(), "This content can not be modify");
  EXPECT_TRUE(Find<QPushButton>(*dialog, "btnSave")->isDefault());
  EXPECT_EQ(Find<QPushButton>(*dialog, "btncancel")->text(), "Can&cel");
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << "fixed size";

  Type(*dialog, "Edititemname", "  Browser cache ");
  Find<QCheckBox>(*dialog, "Chisactive")->setChecked(false);
  ASSERT_TRUE(Save(*dialog, "btnSave"));
  EXPECT_EQ(draft.Name, "  Browser cache ");
  EXPECT_FALSE(draft.Active);
  EXPECT_EQ(draft.Caption, "Add Wash Item");
  EXPECT_EQ(draft.StoredIn, "P:\\const\\user.txt");

  ItemDraft untitled{"", "x", false, ""};
  EXPECT_EQ(MakeItemDialog(nullptr, untitled)->windowTitle(), "Add or Edit Item");
}

TEST(EntryDialogs, FolderDialogKeepsEveryFieldWhicheverKindIsChosen) {
  const std::map<FolderKind, const char*> radios = {{FolderKind::SingleFile, "rbSingle"},
                                                    {FolderKind::FolderMask, "rbFolder"},
                                                    {FolderKind::RegistryFolder, "rbRegister"}};
  const char* fields[] = {"EditSingle", "EditFolder", "EditRegister", "EditRegisterValue"};
  for (const auto& [from, fromRadio] : radios) {
    for (const auto& [to, toRadio] : radios) {
      SCOPED_TRACE(std::string(fromRadio) + " -> " + toRadio);
      FolderEntryDraft draft = SampleFolder();
      draft.Kind = from;
      auto dialog = MakeFolderEntryDialog(nullptr, draft, {});
      dialog->show();
      EXPECT_TRUE(Find<QRadioButton>(*dialog, fromRadio)->isChecked());
      QTest::mouseClick(Find<QRadioButton>(*dialog, toRadio), Qt::LeftButton);
      for (const auto& [kind, radio] : radios)
        EXPECT_EQ(Find<QRadioButton>(*dialog, radio)->isChecked(), kind == to) << radio;
      for (const char* field : fields) EXPECT_TRUE(Find<QLineEdit>(*dialog, field)->isEnabled());
      ASSERT_TRUE(Save(*dialog, "SpeedButton1"));
      FolderEntryDraft expected = SampleFolder();
      expected.Kind = to;
      EXPECT_EQ(draft.Kind, to);
      EXPECT_EQ(draft.DeleteFileName, expected.DeleteFileName);
      EXPECT_EQ(draft.DeletePath, expected.DeletePath);
      EXPECT_EQ(draft.RegisterName, expected.RegisterName);
      EXPECT_EQ(draft.RegisterValueofName, expected.RegisterValueofName);
    }
  }
}

TEST(EntryDialogs, EntryDialogsGiveTheTypedTextAndTheCoreTrimsIt) {
  FolderEntryDraft folder = SampleFolder();
  auto folderDialog = MakeFolderEntryDialog(nullptr, folder, {});
  EXPECT_EQ(folderDialog->windowTitle(), "Edit Folder/File Item");
  EXPECT_TRUE(Find<QCheckBox>(*folderDialog, "Chisactive")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(*folderDialog, "Chincludesubfolder")->isChecked());
  EXPECT_EQ(Find<QRadioButton>(*folderDialog, "rbFolder")->text(),
            "Clean files matched  in folder ");
  Type(*folderDialog, "EditItemName", " Logs ");
  Type(*folderDialog, "EditSingle", " D:\\a.log ");
  Type(*folderDialog, "EditFolder", "\tD:\\Logs\\*.log ");
  Type(*folderDialog, "EditRegister", " HKEY_CURRENT_USER\\X ");
  Type(*folderDialog, "EditRegisterValue", " Dir ");
  Find<QCheckBox>(*folderDialog, "Chisactive")->setChecked(false);
  Find<QCheckBox>(*folderDialog, "Chincludesubfolder")->setChecked(false);
  EXPECT_FALSE(Find<QCheckBox>(*folderDialog, "ChRemoveEmptied")->isChecked());
  Find<QCheckBox>(*folderDialog, "ChRemoveEmptied")->setChecked(true);
  ASSERT_TRUE(Save(*folderDialog, "SpeedButton1"));
  EXPECT_EQ(folder.Name, " Logs ");
  EXPECT_EQ(folder.DeletePath, "\tD:\\Logs\\*.log ");
  EXPECT_EQ(folder.Caption, "Edit Folder/File Item");
  tChildFolder entry;
  ReadBack(folder, entry);
  EXPECT_EQ(entry.Name, "Logs");
  EXPECT_EQ(entry.DeleteFileName, "D:\\a.log");
  EXPECT_EQ(entry.DeletePath, "D:\\Logs\\*.log");
  EXPECT_EQ(entry.RegisterName, "HKEY_CURRENT_USER\\X");
  EXPECT_EQ(entry.RegisterValueofName, "Dir");
  EXPECT_FALSE(entry.IsActive);
  EXPECT_FALSE(entry.IncludeSubfolders);
  EXPECT_TRUE(entry.RemoveEmptiedFolders);

  const std::map<CleanRegisterType, const char*> radios = {
      {CleanRegisterType::WholeKey, "rbdeleteKey"},
      {CleanRegisterType::AllValues, "rbDeleteValue"},
      {CleanRegisterType::SingleValue, "rbdeleteSingleValue"}};
  for (const auto& [type, radio] : radios) {
    SCOPED_TRACE(radio);
    RegistryEntryDraft reg = SampleRegistry();
    reg.CleanType = type;
    auto dialog = MakeRegistryEntryDialog(nullptr, reg);
    EXPECT_EQ(dialog->objectName(), "TFormRegister");
    EXPECT_TRUE(Find<QRadioButton>(*dialog, radio)->isChecked());
    EXPECT_EQ(TextOf(*dialog, "EditKeyName"), QString::fromStdString(reg.RegisterKeyName));
    EXPECT_EQ(TextOf(*dialog, "EditSingleRegisterValue"), "Last");
    Type(*dialog, "EditKeyName", " HKEY_CURRENT_USER\\Y ");
    Type(*dialog, "EditSingleRegisterValue", " V ");
    // The next kind in the group: saving takes the selected one.
    const CleanRegisterType next = static_cast<CleanRegisterType>((static_cast<int>(type) + 1) % 3);
    dialog->show();
    QTest::mouseClick(Find<QRadioButton>(*dialog, radios.at(next)), Qt::LeftButton);
    ASSERT_TRUE(Save(*dialog, "btnSave"));
    EXPECT_EQ(reg.CleanType, next);
    EXPECT_EQ(reg.RegisterKeyName, " HKEY_CURRENT_USER\\Y ");
    tChildRegister stored;
    ReadBack(reg, stored);
    EXPECT_EQ(stored.RegisterKeyName, "HKEY_CURRENT_USER\\Y");
    EXPECT_EQ(stored.RegisterSingleValue, "V");
  }
}

TEST(EntryDialogs, CancelEscapeAndCloseBoxReturnFalseAndLeaveTheDraft) {
  enum class How { CancelButton, Escape, CloseBox };
  for (How how : {How::CancelButton, How::Escape, How::CloseBox}) {
    SCOPED_TRACE(static_cast<int>(how));
    RegistryEntryDraft draft = SampleRegistry();
    // The real entry point runs its own modal loop; the user acts from inside it.
    QTimer::singleShot(0, [how] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      Type(*dialog, "EditItemName", "Changed");
      if (how == How::CancelButton)
        QTest::mouseClick(Find<QPushButton>(*dialog, "btnCancel"), Qt::LeftButton);
      else if (how == How::Escape)
        QTest::keyClick(dialog, Qt::Key_Escape);
      else
        dialog->close();
    });
    EXPECT_FALSE(EditRegistryEntryDialog(nullptr, draft));
    EXPECT_EQ(draft.Name, "Recent");
  }
  // Enter presses Save.
  ItemDraft item{"Edit Wash Item", "Old", true, ""};
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    Type(*dialog, "Edititemname", "New");
    QTest::keyClick(Find<QLineEdit>(*dialog, "Edititemname"), Qt::Key_Return);
  });
  EXPECT_TRUE(EditItemDialog(nullptr, item));
  EXPECT_EQ(item.Name, "New");
}

TEST(EntryDialogs, TabGoesFromTopToBottom) {
  ItemDraft item;
  FolderEntryDraft folder;
  RegistryEntryDraft reg;
  const std::vector<std::pair<std::unique_ptr<QDialog>, std::vector<QString>>> dialogs = [&] {
    std::vector<std::pair<std::unique_ptr<QDialog>, std::vector<QString>>> d;
    d.emplace_back(
        MakeItemDialog(nullptr, item),
        std::vector<QString>{"Edititemname", "Chisactive", "LabelStore", "btnSave", "btncancel"});
    d.emplace_back(MakeFolderEntryDialog(nullptr, folder, {}),
                   std::vector<QString>{
                       "EditItemName", "Chisactive", "rbSingle", "EditSingle", "btnSelectFile",
                       "rbFolder", "EditFolder", "btnAddWildcard", "rbRegister", "EditRegister",
                       "SpeedButton3", "EditRegisterValue", "Chincludesubfolder", "ChRemoveEmptied",
                       "SpeedButton4", "SpeedButton1", "SpeedButton2"});
    d.emplace_back(
        MakeRegistryEntryDialog(nullptr, reg),
        std::vector<QString>{"EditItemName", "Chisactive", "EditKeyName", "SpeedButton3",
                             "rbdeleteSingleValue", "EditSingleRegisterValue", "rbDeleteValue",
                             "rbdeleteKey", "SpeedButton1", "btnSave", "btnCancel"});
    return d;
  }();
  for (const auto& [dialog, order] : dialogs) {
    SCOPED_TRACE(dialog->objectName().toStdString());
    auto* first = dialog->findChild<QWidget*>(order.front());
    ASSERT_NE(first, nullptr);
    QWidget* w = first;
    for (std::size_t i = 1; i < order.size(); ++i) {
      w = w->nextInFocusChain();
      EXPECT_EQ(w->objectName(), order[i]);
    }
  }
}

// ---- browse buttons and help ------------------------------------------------------------

TEST(EntryDialogs, BrowseButtonsFillTheirFieldThroughThePortWithoutChangingTheKind) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
    std::optional<FolderChoice> folder;
    QString single, path;
  };
  const std::vector<Case> cases = {
      {"chosen",
       {"D:\\Docs\\a.txt"},
       FolderChoice{"D:\\Logs", " *.log "},
       "D:\\Docs\\a.txt",
       "D:\\Logs\\*.log"},
      {"drive root", {}, FolderChoice{"D:\\", "*.*"}, "D:\\Temp\\one.log", "D:\\*.*"},
      {"cancelled", {}, std::nullopt, "D:\\Temp\\one.log", "D:\\Temp\\*.tmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UiCallbacks port;
    int fileAsks = 0;
    port.OpenFiles = [&](const FileChooser& chooser) {
      ++fileAsks;
      EXPECT_FALSE(chooser.Multiple);
      EXPECT_EQ(chooser.Filter, "");
      return c.files;
    };
    port.PickFolder = [&] { return c.folder; };
    FolderEntryDraft draft = SampleFolder();
    draft.Kind = FolderKind::RegistryFolder;
    auto dialog = MakeFolderEntryDialog(nullptr, draft, port);
    dialog->show();
    QTest::mouseClick(Find<QToolButton>(*dialog, "btnSelectFile"), Qt::LeftButton);
    QTest::mouseClick(Find<QToolButton>(*dialog, "btnAddWildcard"), Qt::LeftButton);
    EXPECT_EQ(fileAsks, 1);
    EXPECT_EQ(TextOf(*dialog, "EditSingle"), c.single);
    EXPECT_EQ(TextOf(*dialog, "EditFolder"), c.path);
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "rbRegister")->isChecked());
  }
  // An empty port (no chooser) leaves the fields alone.
  FolderEntryDraft draft = SampleFolder();
  auto dialog = MakeFolderEntryDialog(nullptr, draft, {});
  dialog->show();
  QTest::mouseClick(Find<QToolButton>(*dialog, "btnAddWildcard"), Qt::LeftButton);
  EXPECT_EQ(TextOf(*dialog, "EditFolder"), "D:\\Temp\\*.tmp");
}

TEST(EntryDialogs, HelpButtonsAndF1ShowTopic31) {
  std::vector<int> topics;
  SetHelpHandler([&](int topic) { topics.push_back(topic); });
  ItemDraft item;
  FolderEntryDraft folder;
  RegistryEntryDraft reg;
  auto itemDialog = MakeItemDialog(nullptr, item);
  auto folderDialog = MakeFolderEntryDialog(nullptr, folder, {});
  auto regDialog = MakeRegistryEntryDialog(nullptr, reg);
  for (QDialog* d : {itemDialog.get(), folderDialog.get(), regDialog.get()}) {
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_F1);
    d->hide();
  }
  QTest::mouseClick(Find<QPushButton>(*folderDialog, "SpeedButton4"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(*regDialog, "SpeedButton1"), Qt::LeftButton);
  SetHelpHandler({});
  EXPECT_EQ(topics, std::vector<int>(5, 31));
  EXPECT_EQ(Find<QPushButton>(*regDialog, "SpeedButton1")->text(), "&Help");
}

// ---- the registry viewer ---------------------------------------------------------------

QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& text) {
  item->setExpanded(true);
  for (int i = 0; i < item->childCount(); ++i)
    if (item->child(i)->text(0) == text) return item->child(i);
  return nullptr;
}

// Selects a key by its full path in the viewer's tree; false when the tree does not show it.
bool SelectKey(QDialog& viewer, const QString& path) {
  auto* tree = Find<QTreeWidget>(viewer, "TreeKeys");
  const QStringList levels = path.split(QLatin1Char('\\'));
  QTreeWidgetItem* item = nullptr;
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    if (tree->topLevelItem(i)->text(0) == levels.front()) item = tree->topLevelItem(i);
  for (qsizetype i = 1; item && i < levels.size(); ++i) item = Child(item, levels[i]);
  if (item) tree->setCurrentItem(item);
  return item != nullptr;
}

std::vector<QString> Rows(QDialog& viewer) {
  auto* table = Find<QTableWidget>(viewer, "ListValues");
  std::vector<QString> rows;
  for (int r = 0; r < table->rowCount(); ++r)
    rows.push_back(table->item(r, 0)->text() + "|" + table->item(r, 1)->text() + "|" +
                   table->item(r, 2)->text());
  return rows;
}

constexpr const char* kStore =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo App\\Recent]\r\n@=\"default\"\r\n"
    "\"Last\"=\"D:\\\\Docs\\\\a.txt\"\r\n\"Count\"=dword:0000002a\r\n"
    "\"Blob\"=hex:01,ab\r\n";

TEST(RegistryViewer, ShowsKeysAndValuesFollowsTheStoreAndHandsOnTheKeyPath) {
  TestProgram program;
  platform::ImportRegistryText(kStore);
  std::vector<std::string> copied;
  auto viewer = MakeRegistryViewer(nullptr, [&](const std::string& k) { copied.push_back(k); });
  viewer->show();
  EXPECT_EQ(viewer->objectName(), "TFormRegistryViewer");
  ASSERT_TRUE(SelectKey(*viewer, "HKEY_CURRENT_USER\\Software\\Demo App\\Recent"));
  EXPECT_EQ(Rows(*viewer),
            (std::vector<QString>{"(Default)|REG_SZ|default", "Last|REG_SZ|D:\\Docs\\a.txt",
                                  "Count|REG_DWORD|0x0000002a (42)", "Blob|REG_BINARY|01 ab"}));
  EXPECT_EQ(TextOf(*viewer, "EditKeyPath"), "HKEY_CURRENT_USER\\Software\\Demo App\\Recent");

  // A change of the store on disk shows without any action, the selection kept.
  platform::Registry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\Demo App\\Recent"));
  registry.WriteString("Added", "new");
  ASSERT_TRUE(registry.OpenKey("\\Software\\Demo App\\Other", true));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Rows(*viewer).size() == 5; }, 5000));
  EXPECT_EQ(Rows(*viewer).back(), "Added|REG_SZ|new");
  EXPECT_TRUE(SelectKey(*viewer, "HKEY_CURRENT_USER\\Software\\Demo App\\Other"));

  ASSERT_TRUE(SelectKey(*viewer, "HKEY_CURRENT_USER\\Software\\Demo App"));
  auto* use = Find<QPushButton>(*viewer, "btnUseKey");
  ASSERT_TRUE(use->isVisible());
  QTest::mouseClick(use, Qt::LeftButton);
  EXPECT_EQ(copied, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Demo App"});
  EXPECT_FALSE(viewer->isVisible());

  EXPECT_FALSE(
      MakeRegistryViewer(nullptr)->findChild<QPushButton*>("btnUseKey")->isVisibleTo(nullptr));
}

TEST(RegistryViewer, OpenRegistryOfAnEntryDialogPutsTheChosenKeyIntoItsKeyField) {
  TestProgram program;
  platform::ImportRegistryText(kStore);
  struct Case {
    bool folder;
    const char* keyField;
  };
  for (const Case c : {Case{true, "EditRegister"}, Case{false, "EditKeyName"}}) {
    SCOPED_TRACE(c.keyField);
    FolderEntryDraft folder = SampleFolder();
    RegistryEntryDraft reg = SampleRegistry();
    auto dialog = c.folder ? MakeFolderEntryDialog(nullptr, folder, {})
                           : MakeRegistryEntryDialog(nullptr, reg);
    dialog->show();
    auto* open = Find<QToolButton>(*dialog, "SpeedButton3");
    EXPECT_EQ(open->toolTip(), "Open Registry");
    QTest::mouseClick(open, Qt::LeftButton);
    auto* viewer = dialog->findChild<QDialog*>("TFormRegistryViewer");
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_FALSE(viewer->isModal()) << "the entry dialog does not wait for it";
    ASSERT_TRUE(SelectKey(*viewer, "HKEY_CURRENT_USER\\Software\\Demo App\\Recent"));
    QTest::mouseClick(Find<QPushButton>(*viewer, "btnUseKey"), Qt::LeftButton);
    EXPECT_EQ(TextOf(*dialog, c.keyField), "HKEY_CURRENT_USER\\Software\\Demo App\\Recent");
  }
}

TEST(RegistryViewer, ADamagedStoreIsShownAsItsErrorNotAsAnEmptyRegistry) {
  TestProgram program;
  platform::ImportRegistryText(kStore);
  auto viewer = MakeRegistryViewer(nullptr);
  viewer->show();
  auto* problem = Find<QLabel>(*viewer, "LabelProblem");
  EXPECT_FALSE(problem->isVisible());
  test::WriteHostFile(program.Program.Host("registry.reg"), "REGEDIT4\r\n[HKEY_CURRENT_USER\\x");
  EXPECT_TRUE(QTest::qWaitFor([&] { return problem->isVisible(); }, 5000));
  EXPECT_FALSE(problem->text().isEmpty());
  EXPECT_EQ(Find<QTreeWidget>(*viewer, "TreeKeys")->topLevelItemCount(), 0);
}

TEST(RegistryViewer, ShowsEachTypeOfData) {
  struct Case {
    uint32_t type;
    std::vector<uint8_t> data;
    QString type_name, text;
  };
  const std::vector<Case> cases = {
      {platform::kRegSz, {'a', 'b', 0}, "REG_SZ", "ab"},
      {platform::kRegExpandSz, {'%', 'T', '%', 0}, "REG_EXPAND_SZ", "%T%"},
      {platform::kRegMultiSz, {'a', 0, 'b', 'c', 0, 0}, "REG_MULTI_SZ", "a bc"},
      {platform::kRegDword, {0xff, 0, 0, 0}, "REG_DWORD", "0x000000ff (255)"},
      {platform::kRegDwordBigEndian, {0, 0, 1, 0}, "REG_DWORD_BIG_ENDIAN", "0x00000100 (256)"},
      {platform::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, "REG_QWORD", "0x0000000000000001 (1)"},
      {platform::kRegDword, {1, 2}, "REG_DWORD", "01 02"},  // short data as bytes
      {platform::kRegBinary, {}, "REG_BINARY", "(zero-length binary value)"},
      {0x99, {0x10}, "0x99", "10"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RegistryTypeName(c.type), c.type_name);
    EXPECT_EQ(RegistryDataText(c.type, c.data), c.text) << c.type_name.toStdString();
  }
}

}  // namespace
}  // namespace vorlisk::dialogs
