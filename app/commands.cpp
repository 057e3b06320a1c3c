#include "app/commands.h"

#include "app/item_editing.h"
#include "app/plugins.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace vorlisk {

namespace {

FileChooser PluginDialog(const char* title) {
  return {.Title = title, .Filter = "TXT file (*.TXT)|*.TXT", .DefaultExt = "txt"};
}

}  // namespace

std::string NoProgramToOpen(const std::string& what) {
  return "No program on this desktop opens " + what;
}

void OpenDocument(MainSession& s, const std::string& path) {
  const UiCallbacks& ui = s.Ui();
  if (!ui.OpenDocument) return;
  std::string error;
  if (!platform::FileExists(path))
    error = path + " does not exist";
  else if (!ui.OpenDocument(path))
    error = NoProgramToOpen(path);
  if (!error.empty() && ui.ShowError) ui.ShowError(error);
}

void ViewLog(MainSession& s) {
  const UiCallbacks& ui = s.Ui();
  if (!s.Settings().WriteToLog && ui.Inform) ui.Inform(kLogNotWritten);
  const std::string log = s.ProgramFolder() + "log.htm";
  if (platform::FileExists(log)) OpenDocument(s, log);
}

void DeleteLog(MainSession& s) {
  const UiCallbacks& ui = s.Ui();
  if (!(ui.Ask && ui.Ask("Do you want to delete log file?"))) return;
  if (platform::RemoveFile(s.ProgramFolder() + "log.htm") && ui.Inform)
    ui.Inform("Log file is cleaned successful!");
}

void OpenHelp(MainSession& s, int topic) {
  // The program folder's own pages (an installation's copies for its user), else those shipped
  // with the program: a program folder named by the user holds none.
  const std::string page = std::to_string(topic) + ".html";
  std::string path = s.ProgramFolder() + "help\\" + page;
  if (const std::string shipped = platform::ShippedHelpFolder();
      !platform::FileExists(path) && !shipped.empty() && platform::FileExists(shipped + page))
    path = shipped + page;
  OpenDocument(s, path);
}

void ImportPluginFile(MainSession& s) {
  if (!s.Ui().OpenFiles) return;
  // The import also takes cleaner definitions of other formats, which it recognises by content.
  // Every kind it takes is shown first: a folder of definitions never looks empty.
  FileChooser chooser = PluginDialog("Import Wash Items from PlugIn File");
  chooser.Filter =
      "Wash items and definitions (*.txt;*.ini;*.xml)|*.txt;*.ini;*.xml|TXT file (*.TXT)|*.TXT|"
      "INI-style definitions (*.ini)|*.ini|CleanerML definitions (*.xml)|*.xml|"
      "All files (*.*)|*.*";
  const auto files = s.Ui().OpenFiles(chooser);
  if (files.empty()) return;
  ImportReport report;
  const ImportResult result = ImportPlugin(s, files.front(), {}, &report);
  const bool converted = report.Format == formats::DefinitionFormat::IniDefinitions ||
                         report.Format == formats::DefinitionFormat::CleanerMl;
  if (!converted || result == ImportResult::Declined) return;
  // What a conversion made and left out, in one box.
  if (s.Ui().ShowReport)
    s.Ui().ShowReport(report.Summary(files.front()), report.Details());
  else if (s.Ui().Inform)
    s.Ui().Inform(report.Summary(files.front()));
}

void ExportPluginFile(MainSession& s) {
  if (!s.Ui().SaveFile) return;
  if (const auto file = s.Ui().SaveFile(PluginDialog("Save Wash Item selected to PlugIn file")))
    ExportPlugin(s, *file);
}

bool RunCommand(MainSession& s, Control control) {
  // Every command starts from the files as they are now, whoever changed them.
  s.RefreshFromDisk();
  if (!s.IsEnabled(control)) return true;
  const PublishOnExit publish(s);
  const UiCallbacks& ui = s.Ui();
  switch (control) {
    case Control::btnsetting:
    case Control::btnExclude:
    case Control::SpeedButton3:
    case Control::SpeedButton17:
      return false;
    case Control::btnViewLog:
      ViewLog(s);
      break;
    case Control::btnDeleteLog:
      DeleteLog(s);
      break;
    case Control::SpeedButton7:
      ImportPluginFile(s);
      break;
    case Control::btnSavePlugin:
      ExportPluginFile(s);
      break;
    case Control::SpeedButton2:
      OpenHelp(s);
      break;
    case Control::btnMainPreview:
      s.WashCheckedItems(true);
      break;
    case Control::btnWashAll:
      s.WashCheckedItems(false);
      break;
    case Control::btnPreviewCurrentItem:
      s.WashCurrentItem(true);
      break;
    case Control::btnWashSingle:
      s.btnWashSingleClick();
      break;
    case Control::SpNew:
      AddItem(s, ui.EditItem);
      break;
    case Control::SpEdit:
      EditItem(s, ui.EditItem);
      break;
    case Control::SpDelete:
      DeleteItem(s);
      break;
    case Control::btnUp:
      MoveItem(s, -1);
      break;
    case Control::btnDown:
      MoveItem(s, +1);
      break;
    case Control::btnSelectall:
      SetAllItemMarks(s, true);
      break;
    case Control::btnUnselectAll:
      SetAllItemMarks(s, false);
      break;
    case Control::btnPreviewCurrentFolder:
      s.WashFolderEntry(true);
      break;
    case Control::btnWashFolder:
      s.WashFolderEntry(false);
      break;
    case Control::btnaddfolder:
      AddFolderEntry(s, ui.EditFolderEntry);
      break;
    case Control::btnEditFolder:
      EditFolderEntry(s, ui.EditFolderEntry);
      break;
    case Control::btndeletefolder:
      DeleteFolderEntry(s);
      break;
    case Control::btnPreviewCurrentRegister:
      s.WashRegistryEntry(true);
      break;
    case Control::btnWashRegister:
      s.WashRegistryEntry(false);
      break;
    case Control::btnAddRegsiterChild:
      AddRegistryEntry(s, ui.EditRegistryEntry);
      break;
    case Control::btnEditRegsiterChild:
      EditRegistryEntry(s, ui.EditRegistryEntry);
      break;
    case Control::btndeleteregister:
      DeleteRegistryEntry(s);
      break;
  }
  return true;
}

}  // namespace vorlisk
