#include "cli/registry_commands.h"

#include <iostream>

#include "app/main_session.h"
#include "cli/cli_support.h"
#include "platform/registry.h"

namespace vorlisk::cli {

void AddRegistryCommands(CLI::App& app, RegistryCommandOptions& o) {
  o.reg = app.add_subcommand("reg", "The registry");
  o.reg->require_subcommand(1);
  o.import = o.reg->add_subcommand("import", "Load a .reg file into the registry");
  o.import->add_option("FILE", o.file, ".reg file (host path)")->required();
  o.exportKey =
      o.reg->add_subcommand("export", "Print a key's subtree in .reg form (all by default)");
  o.exportKey->add_option("KEY", o.key, "Full key path such as HKEY_CURRENT_USER\\Software");
}

std::optional<int> RunRegistryCommands(const std::string& programFolder,
                                       const RegistryCommandOptions& o) {
  if (!o.reg->parsed()) return std::nullopt;
  RemoveStaleTemporaryFiles(programFolder);  // as the session's start-up does
  if (o.import->parsed())
    platform::ImportRegistryFile(HostFileArgument(o.file));
  else
    std::cout << platform::ExportRegistryText(o.key);
  return kExitDone;
}

}  // namespace vorlisk::cli
