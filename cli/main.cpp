// vorlisk-cli: the command-line front end. It drives the same core objects as the window: a
// MainSession with the terminal standing in for message boxes and preview dialogs. Each command
// group registers its subcommands and runs them from its own file; this file only parses and
// hands over.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "app/catalogue_check.h"
#include "app/main_session.h"
#include "app/user_folders.h"
#include "cli/catalogue_commands.h"
#include "cli/cli_support.h"
#include "cli/item_commands.h"
#include "cli/list_commands.h"
#include "cli/mark_commands.h"
#include "cli/plugin_commands.h"
#include "cli/prefs_commands.h"
#include "cli/registry_commands.h"
#include "cli/terminal.h"
#include "cli/wash_commands.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace {

using namespace vorlisk;
using namespace vorlisk::cli;

// Every group's arguments, filled by the parser.
struct Commands {
  std::string home;
  TerminalOptions terminal;
  CatalogueCommandOptions catalogue;
  WashCommandOptions wash;
  MarkCommandOptions marks;
  PluginCommandOptions plugins;
  RegistryCommandOptions registry;
  ListCommandOptions lists;
  PrefsArguments prefs;
  ItemCommandOptions items;
};

// The subcommands in the order help lists them.
void AddCommands(CLI::App& app, Commands& c) {
  app.add_option("--home", c.home,
                 "Program folder holding the item files, settings, registry and log (host path; "
                 "default: the folder of the executable)");
  AddCatalogueCommands(app, c.catalogue);
  AddWashCommands(app, c.wash, c.terminal);
  AddMarkCommands(app, c.marks);
  AddPluginCommands(app, c.plugins, c.terminal);
  AddRegistryCommands(app, c.registry);
  AddListCommands(app, c.lists);
  AddPrefsCommands(app, c.prefs);
  AddItemCommands(app, c.items);
}

int Run(Commands& c) {
  // An unusable drive mapping ends every command before anything is searched or washed.
  if (const std::string bad = platform::DriveMappingError(); !bad.empty()) throw Error(bad);
  const std::string programFolder = ProgramFolderArgument(c.home);
  PrepareRegistry(programFolder);
  if (const auto done = RunRegistryCommands(programFolder, c.registry)) return *done;

  ProgressBar bar;
  if (WashCommandParsed(c.wash)) platform::WatchTerminationRequests();
  MainSession session(TerminalPort(c.terminal, bar));
  session.Startup(programFolder);
  if (const std::string missing = MissingCatalogueMessage(programFolder); !missing.empty())
    std::cerr << missing << '\n';

  if (const auto done = RunCatalogueCommands(session, c.catalogue)) return *done;
  if (const auto done = RunWashCommands(session, c.wash)) return *done;
  if (const auto done = RunMarkCommands(session, c.marks)) return *done;
  if (const auto done = RunPluginCommands(session, c.plugins, c.terminal)) return *done;
  if (const auto done = RunListCommands(session, c.lists)) return *done;
  if (const auto done = RunPrefsCommands(session, c.prefs)) return *done;
  if (const auto done = RunItemCommands(session, c.items, ItemRow)) return *done;
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Vorlisk: preview and wash the traces applications leave behind.\n"
      "Paths inside wash items are Windows text; VORLISK_DRIVES maps drive letters to "
      "host folders (default C: is /)."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "vorlisk-cli 1.00");
  Commands commands;
  AddCommands(app, commands);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitDone : kExitUsage;
  }

  int status = kExitUsage;
  try {
    status = Run(commands);
  } catch (const UsageError& e) {
    std::cerr << e.message << '\n';
    status = kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    status = kExitError;
  }
  // Output that could not be written (a full disk, a closed pipe) is an error, not a success.
  if (!std::cout.flush()) {
    std::cerr << "The output could not be written.\n";
    return kExitError;
  }
  return status;
}
