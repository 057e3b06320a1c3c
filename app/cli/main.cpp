// vorlisk-cli: the command-line front end. It drives the same core objects as the window: a
// MainSession with the terminal standing in for message boxes and preview dialogs.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/item_commands.h"
#include "app/cli/list_commands.h"
#include "app/cli/prefs_commands.h"
#include "app/main_session.h"
#include "app/plugins.h"
#include "app/user_folders.h"
#include "engine/folder_entries.h"
#include "engine/special_targets.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

using vorlisk::MainSession;

constexpr int kExitDone = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFailures = 3;
// A preview or wash cancelled by SIGINT or SIGTERM ends with 128 + the signal's number, as the
// shell reports a program the signal ended.
constexpr int kExitSignalBase = 128;

// After a preview or wash: when a signal cancelled it, says so and gives the exit status.
std::optional<int> Interrupted() {
  if (!vorlisk::platform::TerminationRequested()) return std::nullopt;
  std::cerr << "Interrupted: stopped between two lines; what was washed is counted above and "
               "logged.\n";
  return kExitSignalBase + vorlisk::platform::TerminationSignal();
}

// Bad usage, an unknown item or entry, or a question refused: exit status 2.
struct UsageError {
  std::string message;
};

struct Options {
  std::string home;
  std::string item;
  std::vector<std::string> items;  // of preview and wash
  bool verbose = false;
  std::optional<int32_t> folder;
  std::optional<int32_t> registry;
  bool yes = false;
  bool sizes = false;
  std::string file;
  std::string key;
};

std::string ProgramFolder(const Options& options) {
  const std::string folder = options.home.empty()
                                 ? vorlisk::platform::DefaultProgramFolder()
                                 : vorlisk::platform::ProgramFolderFromHost(options.home);
  if (folder.empty() && options.home.empty())
    throw UsageError{"The user's program folder could not be made (see --home)"};
  if (folder.empty()) throw UsageError{"The program folder " + options.home + " does not exist"};
  return folder;
}

// A question on the terminal; --yes answers Yes; without a terminal it is refused.
bool AskOnTerminal(const std::string& question, bool yes) {
  if (yes) return true;
  if (!vorlisk::platform::StdinIsTerminal())
    throw UsageError{question + " (no terminal to answer on; use --yes)"};
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int32_t ItemRow(MainSession& session, const std::string& item) {
  const bool numeric = !item.empty() && item.find_first_not_of("0123456789") == std::string::npos;
  if (numeric && item.size() < 10) {
    const int32_t row = std::stoi(item);
    if (row < session.Items.Count()) return row;
  }
  // As the system compares names: blanks around them trimmed, a to z without regard to case.
  const std::string name = vorlisk::Trim(item);
  for (int32_t i = 0; i < session.Items.Count(); ++i)
    if (vorlisk::SameTextAZ(vorlisk::Trim(session.Items.Items[static_cast<std::size_t>(i)].Name),
                            name))
      return i;
  throw UsageError{"Unknown wash item: " + item};
}

void SelectEntry(vorlisk::CheckList& list, int32_t row, const char* kind) {
  if (row < 0 || row >= list.Count())
    throw UsageError{std::string("Unknown ") + kind + " entry: " + std::to_string(row)};
  list.Select(row);
}

// The command is refused where the window has its button disabled: a special item can be
// neither previewed nor washed entry by entry.
void RequireEnabled(MainSession& session, vorlisk::Control control) {
  if (!session.IsEnabled(control))
    throw UsageError{std::string("Not available for the special item ") +
                     session.ChListBoxItem.Text(session.ChListBoxItem.Selected())};
}

// The progress of a long preview or wash, drawn over itself on standard error (a terminal only).
class ProgressBar {
 public:
  void Show(const vorlisk::ProgressInfo& info) {
    std::string text;
    if (info.Total < 0) {
      text = "Searching: " + std::to_string(info.Done) + " files";
    } else {
      const int64_t total = std::max<int64_t>(info.Total, 1);
      const auto filled = static_cast<std::size_t>(std::min<int64_t>(info.Done * 30 / total, 30));
      text = "Washing [" + std::string(filled, '#') + std::string(30 - filled, '.') + "] " +
             std::to_string(info.Done) + "/" + std::to_string(info.Total);
    }
    // The current file's end, so that the line fits a terminal of 80 columns.
    const std::size_t room = text.size() + 2 < 79 ? 79 - text.size() - 2 : 0;
    std::string current = info.Current;
    if (current.size() > room) current = "..." + current.substr(current.size() - room + 3);
    std::cerr << "\r\033[K" << text << "  " << current << std::flush;
    shown_ = true;
  }
  ~ProgressBar() {
    if (shown_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  bool shown_ = false;
};

// One line per preview line; with sizes, a file line's size as a fourth column and the totals of
// the ticked file lines at the end.
void PrintPreview(vorlisk::PreviewDialog& dialog, bool sizes) {
  auto print = [](const char* kind, vorlisk::CheckList& list, bool withSize) {
    for (const auto& row : list.Rows()) {
      std::cout << kind << '\t' << (row.Checked ? 1 : 0) << '\t' << row.Text;
      if (withSize) std::cout << '\t' << vorlisk::FileLineSize(row.Text).value_or(0);
      std::cout << '\n';
    }
  };
  if (dialog.HasSpecialList()) print("special", dialog.Special(), false);
  if (dialog.HasFileList()) print("file", dialog.Files(), sizes);
  if (dialog.HasRegistryList()) print("registry", dialog.Registry(), false);
  if (sizes) {
    const auto totals = dialog.TickedFileTotals();
    std::cout << "total\t" << totals.Files << " files\t" << totals.Bytes << " bytes\n";
  }
}

int RunList(MainSession& session) {
  for (int32_t i = 0; i < session.Items.Count(); ++i) {
    const auto& item = session.Items.Items[static_cast<std::size_t>(i)];
    std::cout << i << '\t' << (item.IsActive ? 1 : 0) << '\t' << (item.IsSpecial ? 1 : 0) << '\t'
              << item.Name << '\t' << item.ItemFile << '\n';
  }
  return kExitDone;
}

int RunEntries(MainSession& session, const Options& o) {
  session.SelectItem(ItemRow(session, o.item));
  int32_t i = 0;
  for (const auto& e : session.Current->Folders.Entries)
    std::cout << "folder\t" << i++ << '\t' << (e.IsActive ? 1 : 0) << '\t'
              << static_cast<int>(e.Kind) << '\t' << e.Name << '\t' << e.RegisterName << '\t'
              << e.RegisterValueofName << '\t' << e.DeletePath << '\t' << e.DeleteFileName << '\t'
              << (e.IncludeSubfolders ? 1 : 0) << '\n';
  i = 0;
  for (const auto& e : session.Current->Registers.Entries)
    std::cout << "registry\t" << i++ << '\t' << (e.IsActive ? 1 : 0) << '\t'
              << static_cast<int>(e.CleanType) << '\t' << e.Name << '\t' << e.RegisterKeyName
              << '\t' << e.RegisterSingleValue << '\n';
  return kExitDone;
}

// Runs the preview or wash command that the arguments name for one ITEM ("" for all checked).
void RunCommand(MainSession& session, const Options& o, const std::string& item, bool previewOnly) {
  if ((o.folder || o.registry) && o.items.size() > 1)
    throw UsageError{"--folder and --registry name an entry of one ITEM"};
  if (item.empty()) {
    session.WashCheckedItems(previewOnly);
    return;
  }
  session.SelectItem(ItemRow(session, item));
  if (o.folder) {
    RequireEnabled(session, previewOnly ? vorlisk::Control::btnPreviewCurrentFolder
                                        : vorlisk::Control::btnWashFolder);
    SelectEntry(session.ChListBoxFolder, *o.folder, "folder");
    session.WashFolderEntry(previewOnly);
  } else if (o.registry) {
    RequireEnabled(session, previewOnly ? vorlisk::Control::btnPreviewCurrentRegister
                                        : vorlisk::Control::btnWashRegister);
    SelectEntry(session.ChListBoxRegister, *o.registry, "registry");
    session.WashRegistryEntry(previewOnly);
  } else if (previewOnly) {
    RequireEnabled(session, vorlisk::Control::btnPreviewCurrentItem);
    session.WashCurrentItem(true);
  } else {
    session.btnWashSingleClick();
  }
}

// What the wash of a special item did, as one line of output; `binEntries`, the entries of the
// Recycle Bins before the wash.
void PrintSpecialWash(const vorlisk::titem_property& item, int binEntries) {
  if (item.Name == vorlisk::kRecycleBinItem)
    std::cout << item.Name
              << "\temptied: " << binEntries - vorlisk::platform::RecycleBinEntryCount() << " of "
              << binEntries << " entries removed\n";
  else if (item.Name == vorlisk::kUrlHistoryItem)
    std::cout << item.Name << "\tcleared (the desktop's list of recently used files)\n";
  else
    std::cout << item.Name << "\tnothing done (no special target has this name)\n";
}

// The special items a wash of ITEM ("" for all checked items) ran.
std::vector<const vorlisk::titem_property*> SpecialItemsOf(MainSession& session,
                                                           const std::string& item) {
  std::vector<const vorlisk::titem_property*> out;
  if (!item.empty()) {
    const auto& washed = session.Items.Items[static_cast<std::size_t>(ItemRow(session, item))];
    if (washed.IsSpecial) out.push_back(&washed);
    return out;
  }
  for (const auto& checked : session.Items.Items)
    if (checked.IsSpecial && checked.IsActive) out.push_back(&checked);
  return out;
}

int RunWash(MainSession& session, const Options& o) {
  bool refused = false;
  auto ask = session.Ui().Ask;
  session.Ui().Ask = [&](const std::string& q) {
    const bool yes = ask(q);
    refused = refused || !yes;
    return yes;
  };
  bool failures = false;
  auto print = [&](const char* caption, const std::optional<vorlisk::WashCounts>& c) {
    if (!c) return;
    std::cout << caption << "\tSuccess: " << c->Success << "\tFails: " << c->Fails << '\n';
    failures = failures || c->Fails > 0;
    // The log keeps "File Locked"; here each failed line says why, on request.
    if (o.verbose) {
      for (const auto& [line, reason] : c->Failed) std::cerr << line << ": " << reason << '\n';
      if (c->Unnamable > 0)
        std::cerr << c->Unnamable << (c->Unnamable == 1 ? " file was" : " files were")
                  << " skipped: a name holding a control character or a \"\\\" cannot be a "
                     "Windows path, so no line names it.\n";
    }
  };
  const std::vector<std::string> items = o.items.empty() ? std::vector<std::string>{""} : o.items;
  for (const std::string& item : items) {
    if (vorlisk::platform::TerminationRequested()) break;
    session.Counters = {};
    const auto specials = o.folder || o.registry ? std::vector<const vorlisk::titem_property*>{}
                                                 : SpecialItemsOf(session, item);
    const int binEntries = specials.empty() ? 0 : vorlisk::platform::RecycleBinEntryCount();
    RunCommand(session, o, item, false);
    if (refused) throw UsageError{"Nothing was washed."};
    for (const auto* special : specials) PrintSpecialWash(*special, binEntries);
    print("Clean Files", session.Counters.Files);
    print("Clean Registry", session.Counters.Registry);
    if (session.Counters.Files)
      std::cout << "Freed\t" << session.Counters.Files->FreedBytes << " bytes\n";
  }
  return failures ? kExitFailures : kExitDone;
}

int RunCheck(MainSession& session, const Options& o, bool checked) {
  const int32_t row = ItemRow(session, o.item);
  session.SelectItem(row);
  if (o.folder) {
    if (*o.folder < 0 || *o.folder >= session.ChListBoxFolder.Count())
      throw UsageError{"Unknown folder entry: " + std::to_string(*o.folder)};
    session.CheckFolderEntry(*o.folder, checked);
  } else if (o.registry) {
    if (*o.registry < 0 || *o.registry >= session.ChListBoxRegister.Count())
      throw UsageError{"Unknown registry entry: " + std::to_string(*o.registry)};
    session.CheckRegistryEntry(*o.registry, checked);
  } else {
    // The order file is written whole from the list: the list is read again under the lock, so
    // that a mark another process stored since the start is kept.
    const vorlisk::platform::ProgramFolderLock lock;
    session.ReloadCatalogue();
    session.CheckItem(ItemRow(session, o.item), checked);
    session.Destroy();
  }
  return kExitDone;
}

std::string HostFileArgument(const std::string& hostPath) {
  // FILE is a host path: a "\" in it is part of a name, which Windows text cannot carry.
  if (hostPath.find_first_of("\\") != std::string::npos)
    throw UsageError{"FILE is a host path, and a host name holding \"\\\" cannot be used: " +
                     hostPath};
  const std::string windows = vorlisk::platform::WindowsPathFromHost(hostPath);
  if (windows.empty()) throw UsageError{"No such folder for " + hostPath};
  return windows;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Vorlisk: preview and wash the traces applications leave behind.\n"
      "Paths inside wash items are Windows text; VORLISK_DRIVES maps drive letters to "
      "host folders (default C: is /)."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "vorlisk-cli 1.00");
  Options o;
  app.add_option("--home", o.home,
                 "Program folder holding the item files, settings, registry and log (host path; "
                 "default: the folder of the executable)");

  // --folder and --registry name an entry of ITEM: one or the other, and never without ITEM.
  auto addEntryOptions = [&o](CLI::App* cmd, CLI::Option* item) {
    auto* f = cmd->add_option("--folder", o.folder, "Folder entry index, as 'entries' prints it");
    auto* r =
        cmd->add_option("--registry", o.registry, "Registry entry index, as 'entries' prints it");
    f->excludes(r)->needs(item);
    r->excludes(f)->needs(item);
  };

  auto* list =
      app.add_subcommand("list", "Print the wash items: index, mark, special, name, item file");
  auto* entries = app.add_subcommand("entries", "Print the entries of a wash item");
  entries->add_option("ITEM", o.item, "Item index or name")->required();
  auto* preview = app.add_subcommand(
      "preview", "Print what a wash would remove: list, mark, line (nothing is removed)");
  auto* previewItem =
      preview->add_option("ITEM", o.items, "Item indexes or names (default: all checked items)");
  addEntryOptions(preview, previewItem);
  preview->add_flag("--sizes", o.sizes,
                    "Add each file line's size in bytes, and the total of the ticked file lines");
  auto* wash =
      app.add_subcommand("wash", "Wash all checked items, one item, or one entry of an item");
  auto* washItem =
      wash->add_option("ITEM", o.items, "Item indexes or names (default: all checked items)");
  addEntryOptions(wash, washItem);
  wash->add_flag("--yes,-y", o.yes, "Answer Yes to the question asked before washing");
  wash->add_flag("--verbose,-v", o.verbose,
                 "Print each line that could not be washed, with the system's reason, on "
                 "standard error");
  auto* check = app.add_subcommand("check", "Tick an item, or one of its entries");
  addEntryOptions(check, check->add_option("ITEM", o.item, "Item index or name")->required());
  auto* uncheck = app.add_subcommand("uncheck", "Untick an item, or one of its entries");
  addEntryOptions(uncheck, uncheck->add_option("ITEM", o.item, "Item index or name")->required());
  auto* import = app.add_subcommand("import", "Import a plug-in file into the catalogue");
  import->add_option("FILE", o.file, "Plug-in file (host path)")->required();
  import->add_flag("--yes,-y", o.yes, "Answer Yes to the overwrite question");
  auto* exportCmd =
      app.add_subcommand("export", "Export the checked items that did not ship with the program");
  exportCmd->add_option("FILE", o.file, "Plug-in file to write (host path)")->required();
  exportCmd->add_flag("--yes,-y", o.yes, "Answer Yes to the overwrite question");
  auto* reg = app.add_subcommand("reg", "The registry");
  reg->require_subcommand(1);
  auto* regImport = reg->add_subcommand("import", "Load a .reg file into the registry");
  regImport->add_option("FILE", o.file, ".reg file (host path)")->required();
  auto* regExport =
      reg->add_subcommand("export", "Print a key's subtree in .reg form (all by default)");
  regExport->add_option("KEY", o.key, "Full key path such as HKEY_CURRENT_USER\\Software");
  vorlisk::cli::ListCommandOptions listOptions;
  vorlisk::cli::AddListCommands(app, listOptions);
  vorlisk::cli::PrefsArguments prefs;
  vorlisk::cli::AddPrefsCommands(app, prefs);
  vorlisk::cli::ItemCommandOptions itemOptions;
  vorlisk::cli::AddItemCommands(app, itemOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitDone : kExitUsage;
  }

  const int status = [&]() -> int {
    try {
      // An unusable drive mapping ends every command before anything is searched or washed.
      if (const std::string bad = vorlisk::platform::DriveMappingError(); !bad.empty())
        throw vorlisk::Error(bad);
      const std::string programFolder = ProgramFolder(o);
      vorlisk::PrepareRegistry(programFolder);
      if (reg->parsed()) {
        vorlisk::RemoveStaleTemporaryFiles(programFolder);  // as the session's start-up does
        if (regImport->parsed()) {
          vorlisk::platform::ImportRegistryFile(HostFileArgument(o.file));
        } else {
          std::cout << vorlisk::platform::ExportRegistryText(o.key);
        }
        return kExitDone;
      }

      vorlisk::UiCallbacks ui;
      ui.Ask = [&o](const std::string& q) { return AskOnTerminal(q, o.yes); };
      ui.Inform = [](const std::string& note) { std::cerr << note << '\n'; };
      ui.ShowPreview = [&o](vorlisk::PreviewDialog& dialog) { PrintPreview(dialog, o.sizes); };
      ui.ShowError = [](const std::string& message) { std::cerr << message << '\n'; };
      ProgressBar bar;
      // Every run has a progress, so that Ctrl-C and SIGTERM cancel it between two lines as the
      // window's Cancel does (drawn only on a terminal).
      const bool drawProgress = vorlisk::platform::StderrIsTerminal();
      ui.Progress = [&bar, drawProgress](const vorlisk::ProgressInfo& info) {
        if (drawProgress) bar.Show(info);
      };
      if (preview->parsed() || wash->parsed()) vorlisk::platform::WatchTerminationRequests();
      MainSession session(ui);
      session.Startup(programFolder);
      if (!vorlisk::platform::FileExists(programFolder + std::string(vorlisk::kSystemItemFile)))
        std::cerr << "The program folder " << programFolder << " holds no catalogue ("
                  << vorlisk::kSystemItemFile
                  << "): the shipped items are missing. Is --home the right folder?\n";

      if (list->parsed()) return RunList(session);
      if (entries->parsed()) return RunEntries(session, o);
      if (preview->parsed()) {
        if (o.items.empty()) RunCommand(session, o, "", true);
        for (const std::string& item : o.items)
          if (!vorlisk::platform::TerminationRequested()) RunCommand(session, o, item, true);
        return Interrupted().value_or(kExitDone);
      }
      if (wash->parsed()) {
        // The closing steps of the window ("Delete Log On Exit"), also after a failed wash.
        int washed = kExitError;
        try {
          washed = RunWash(session, o);
        } catch (...) {
          session.Close();
          throw;
        }
        session.Close();
        return Interrupted().value_or(washed);
      }
      if (check->parsed()) return RunCheck(session, o, true);
      if (uncheck->parsed()) return RunCheck(session, o, false);
      if (import->parsed()) {
        const std::string source = HostFileArgument(o.file);
        const auto result = vorlisk::ImportPlugin(session, source);
        if (result != vorlisk::ImportResult::Imported) return kExitUsage;
        const std::string copy = std::string(vorlisk::kPluginFolder) +
                                 vorlisk::ExtractFileName(vorlisk::platform::FullPathName(source));
        const bool adds = std::any_of(
            session.Items.Items.begin(), session.Items.Items.end(), [&](const auto& item) {
              return item.ItemFile.size() >= copy.size() &&
                     vorlisk::SameTextAZ(item.ItemFile.substr(item.ItemFile.size() - copy.size()),
                                         copy);
            });
        if (!adds)
          std::cerr << "Warning: " << o.file
                    << " holds no wash item; it was copied into the plug-in folder but adds "
                       "nothing to the catalogue.\n";
        return kExitDone;
      }
      if (exportCmd->parsed()) {
        // As the save dialog does, an existing file is replaced only when the user agrees.
        const std::string target = HostFileArgument(o.file);
        if (vorlisk::platform::FileAttributesOf(target) &&
            !AskOnTerminal("The file '" + target + "' already exists. Do you want to replace it?",
                           o.yes))
          return kExitUsage;
        const int n = vorlisk::ExportPlugin(session, target);
        std::cerr << n << " wash item(s) exported\n";
        return kExitDone;
      }
      if (const auto listed = vorlisk::cli::RunListCommands(session, listOptions)) return *listed;
      if (prefs.command->parsed()) return vorlisk::cli::RunPrefsCommand(session, prefs);
      if (auto edited = vorlisk::cli::RunItemCommands(session, itemOptions, ItemRow))
        return *edited;
    } catch (const UsageError& e) {
      std::cerr << e.message << '\n';
      return kExitUsage;
    } catch (const std::exception& e) {
      std::cerr << e.what() << '\n';
      return kExitError;
    }
    return kExitUsage;
  }();
  // Output that could not be written (a full disk, a closed pipe) is an error, not a success.
  if (!std::cout.flush()) {
    std::cerr << "The output could not be written.\n";
    return kExitError;
  }
  return status;
}
