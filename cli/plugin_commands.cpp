#include "cli/plugin_commands.h"

#include <iostream>

#include "app/plugins.h"
#include "cli/cli_support.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace vorlisk::cli {

namespace {

// What the import of one file came to.
enum class FileImport { Imported, NothingImported, Declined };

FileImport ImportOne(MainSession& session, const std::string& file, bool all) {
  const std::string source = HostFileArgument(file);
  ImportReport report;
  const ImportResult result = ImportPlugin(session, source, {.All = all}, &report);
  if (result == ImportResult::Declined) return FileImport::Declined;
  if (report.Format == formats::DefinitionFormat::IniDefinitions ||
      report.Format == formats::DefinitionFormat::CleanerMl) {
    std::cout << report.Summary(file) << '\n' << report.Details();
    return result == ImportResult::Imported ? FileImport::Imported : FileImport::NothingImported;
  }
  if (!ImportAddedItems(session, source))
    std::cerr << "Warning: " << file
              << " holds no wash item; it was copied into the plug-in folder but adds nothing to "
                 "the catalogue.\n";
  return FileImport::Imported;
}

// Each file in turn. The status: a usage refusal when an overwrite was declined; else done when
// any file imported items (a file of which nothing could be converted is reported, and the batch
// still succeeds); else an error.
int RunImport(MainSession& session, const PluginCommandOptions& o) {
  bool imported = false, declined = false, nothing = false;
  for (const std::string& file : o.files) {
    if (platform::TerminationRequested()) break;
    switch (ImportOne(session, file, o.all)) {
      case FileImport::Imported:
        imported = true;
        break;
      case FileImport::NothingImported:
        nothing = true;
        break;
      case FileImport::Declined:
        declined = true;
        break;
    }
  }
  if (declined) return kExitUsage;
  if (imported) return kExitDone;
  return nothing ? kExitError : kExitDone;
}

int RunExport(MainSession& session, const PluginCommandOptions& o,
              const TerminalOptions& terminal) {
  // As the save dialog does, an existing file is replaced only when the user agrees.
  const std::string target = HostFileArgument(o.file);
  if (platform::FileAttributesOf(target) &&
      !AskOnTerminal("The file '" + target + "' already exists. Do you want to replace it?",
                     terminal.yes))
    return kExitUsage;
  const int n = ExportPlugin(session, target);
  std::cerr << n << " wash item(s) exported\n";
  return kExitDone;
}

}  // namespace

void AddPluginCommands(CLI::App& app, PluginCommandOptions& o, TerminalOptions& terminal) {
  o.import = app.add_subcommand("import", "Import a plug-in file into the catalogue");
  o.import
      ->add_option("FILE", o.files,
                   "Plug-in files, or files of cleaner definitions (host paths), imported in turn")
      ->required();
  o.import->add_flag("--yes,-y", terminal.yes, "Answer Yes to the overwrite question");
  o.import->add_flag("--all", o.all,
                     "Cleaner definitions: convert every section or option, also those whose "
                     "detection does not hold on this machine");
  o.exportTo =
      app.add_subcommand("export", "Export the checked items that did not ship with the program");
  o.exportTo->add_option("FILE", o.file, "Plug-in file to write (host path)")->required();
  o.exportTo->add_flag("--yes,-y", terminal.yes, "Answer Yes to the overwrite question");
}

std::optional<int> RunPluginCommands(MainSession& session, const PluginCommandOptions& o,
                                     const TerminalOptions& terminal) {
  if (o.import->parsed()) return RunImport(session, o);
  if (o.exportTo->parsed()) return RunExport(session, o, terminal);
  return std::nullopt;
}

}  // namespace vorlisk::cli
