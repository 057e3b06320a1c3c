// Every control of the real main window clicked as the user clicks it: each toolbar button, each
// button of the three panes and each entry of the tray menu has its effect (a dialog, a question,
// a file chooser, a document, a change of the list). A control added without wiring fails here.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <map>
#include <optional>
#include <set>

#include "gui/window/main_window.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : " | ") + p;
  return out;
}

// "Temp" (unchecked) and "Logs" (checked), each with one folder and one registry entry; every
// question is answered No, every dialog of the port is cancelled, and every modal dialog the
// window opens itself is noted and closed.
class ControlsTest : public ::testing::Test, public test::TestProgram {
 protected:
  ControlsTest() {
    const std::vector<test::TestFolderEntry> folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*"}};
    const std::vector<test::TestRegistryEntry> keys = {
        {.Name = "key", .Key = "HKEY_CURRENT_USER\\Software\\VorliskTest"}};
    WriteItems("const/system.txt",
               {{.Name = "Temp", .Active = false, .Folders = folders, .Registers = keys},
                {.Name = "Logs", .Folders = folders, .Registers = keys}});
    test::WriteHostFile(Program.Host("wildcard.ini"),
                        "[Delete Option]\r\nprompt Before=1\r\nWrite to Log=1\r\n");
    test::WriteHostFile(Program.Host("log.htm"), "<p>run</p>\r\n");
    test::WriteHostFile(Program.Host("help/58.html"), "<html>");
    port.Ask = [this](const std::string& q) {
      Note("ask: " + q);
      return false;
    };
    port.Inform = [this](const std::string& m) { Note("note: " + m); };
    port.ShowError = [this](const std::string& m) { Note("error: " + m); };
    port.ShowPreview = [this](PreviewDialog&) { Note("preview"); };
    port.OpenFiles = [this](const FileChooser& c) {
      Note("open: " + c.Title);
      return std::vector<std::string>{};
    };
    port.SaveFile = [this](const FileChooser& c) -> std::optional<std::string> {
      Note("save: " + c.Title);
      return std::nullopt;
    };
    port.EditItem = [this](ItemDraft&) {
      Note("item dialog");
      return false;
    };
    port.EditFolderEntry = [this](FolderEntryDraft&) {
      Note("folder entry dialog");
      return false;
    };
    port.EditRegistryEntry = [this](RegistryEntryDraft&) {
      Note("registry entry dialog");
      return false;
    };
    port.OpenDocument = [this](const std::string& path) {
      Note("document: " + path);
      return true;
    };
    window.emplace(Folder(), port);
    window->show();
    // The window's own dialogs are modal: noted and closed as soon as they show.
    QObject::connect(&closer, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        Note("dialog: " + dialog->objectName().toStdString());
        dialog->reject();
      }
    });
    closer.start(10);
  }
  void Note(const std::string& what) { seen.push_back(what); }
  // The item rows with their marks and the selected row.
  std::string Rows() {
    std::string out;
    const CheckList& items = window->Session().ChListBoxItem();
    for (int32_t i = 0; i < items.Count(); ++i)
      out +=
          items.Text(i) + (items.Checked(i) ? "[x]" : "[ ]") + (i == items.Selected() ? "* " : " ");
    return out;
  }
  // What one trigger did: the notes, and the rows when they changed.
  std::string EffectOf(const std::function<void()>& trigger) {
    seen.clear();
    const std::string before = Rows();
    trigger();
    QApplication::processEvents();
    if (Rows() != before) Note("rows: " + Rows());
    return Join(seen);
  }

  UiCallbacks port;
  std::vector<std::string> seen;
  std::optional<TFormMainVorlisk> window;
  QTimer closer;
};

// Catches a toolbar or pane button that does nothing (Preferences and the exclude list once did),
// and one that runs another control's command.
TEST_F(ControlsTest, EveryButtonOfTheWindowHasItsEffect) {
  window->Session().SelectItem(1);  // "Logs": it can move up, and down again
  const std::vector<std::pair<Control, std::string>> expected = {
      {Control::btnsetting, "dialog: TFormPreferences"},
      {Control::btnExclude, "dialog: TFormExcludeFile"},
      {Control::btnViewLog, "document: P:\\log.htm"},
      {Control::btnDeleteLog, "ask: Do you want to delete log file?"},
      {Control::SpeedButton7, "open: Import Wash Items from PlugIn File"},
      {Control::btnSavePlugin, "save: Save Wash Item selected to PlugIn file"},
      {Control::SpeedButton3, "dialog: Taboutform"},
      {Control::SpeedButton2, "document: P:\\help\\58.html"},
      {Control::btnMainPreview, "preview"},
      {Control::btnWashAll, "ask: Do you want to wash all the items selected?"},
      {Control::btnPreviewCurrentItem, "preview"},
      {Control::btnWashSingle, "ask: Do you want to clean 'Logs'?"},
      {Control::SpNew, "item dialog"},
      {Control::SpEdit, "item dialog"},
      {Control::SpDelete, "ask: Do you want to delete 'Logs'?"},
      {Control::btnUp, "rows: Logs[x]* Temp[ ] "},
      {Control::btnDown, "rows: Temp[ ] Logs[x]* "},
      {Control::btnSelectall, "rows: Temp[x] Logs[x]* "},
      {Control::btnUnselectAll, "rows: Temp[ ] Logs[ ]* "},
      {Control::btnPreviewCurrentFolder, "preview"},
      {Control::btnWashFolder, "ask: Do you want to clean 'Logs -> tmp'?"},
      {Control::btnaddfolder, "folder entry dialog"},
      {Control::btnEditFolder, "folder entry dialog"},
      {Control::btndeletefolder, "ask: Do you want to delete 'Logs -> tmp'?"},
      {Control::btnPreviewCurrentRegister, "preview"},
      {Control::btnWashRegister, "ask: Do you want to clean 'Logs -> key'?"},
      {Control::btnAddRegsiterChild, "registry entry dialog"},
      {Control::btnEditRegsiterChild, "registry entry dialog"},
      {Control::btndeleteregister, "ask: Do you want to delete 'Logs -> key'?"},
  };
  std::set<Control> covered;
  for (const auto& [control, effect] : expected) {
    SCOPED_TRACE(std::string(ControlName(control)));
    covered.insert(control);
    QToolButton* button = window->Button(control);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    EXPECT_EQ(EffectOf([&] { button->click(); }), effect);
  }

  // "Exit" closes the window; it comes last.
  covered.insert(Control::SpeedButton17);
  EXPECT_EQ(EffectOf([&] { window->Button(Control::SpeedButton17)->click(); }), "");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(covered.size(), kControlCount) << "a control of the window is not clicked here";
}

// Catches a tray entry that is not connected, or runs another entry's command.
TEST_F(ControlsTest, EveryEntryOfTheTrayMenuHasItsEffect) {
  // The Wash submenu is rebuilt as the list changes: its entries are looked up at each trigger.
  const auto entries = [this] {
    std::map<std::string, QAction*> found;
    for (QAction* a : window->TrayMenu()->actions())
      if (!a->isSeparator() && !a->menu()) found[a->text().toStdString()] = a;
    for (QAction* a : window->WashMenu()->actions())
      if (!a->isSeparator()) found["&Wash/" + a->text().toStdString()] = a;
    return found;
  };
  std::set<std::string> untried;
  for (const auto& [caption, action] : entries()) untried.insert(caption);
  const auto trigger = [&](const std::string& caption) {
    untried.erase(caption);
    const auto now = entries();
    ASSERT_TRUE(now.contains(caption)) << caption;
    now.at(caption)->trigger();
  };
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"&Help          F1", "document: P:\\help\\58.html"},
      {"&Wash/Wash all checked item", "ask: Do you want to wash all the items selected?"},
      {"&Wash/Temp", "ask: Do you want to clean 'Temp'?"},
      {"&Wash/Logs", "ask: Do you want to clean 'Logs'? | rows: Temp[ ] Logs[x]* "},
  };
  for (const auto& [caption, effect] : expected) {
    SCOPED_TRACE(caption);
    EXPECT_EQ(EffectOf([&] { trigger(caption); }), effect);
  }

  window->hide();
  trigger("Open &Main Window");
  EXPECT_TRUE(window->isVisible());
  trigger("E&xit");
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(untried.empty()) << *untried.begin() << " is not clicked here";
}

}  // namespace
}  // namespace vorlisk::window
