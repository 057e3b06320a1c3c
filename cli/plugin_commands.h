// vorlisk-cli import and export: plug-in files brought into the catalogue and written from it, as
// the main window's import and export buttons do.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/main_session.h"
#include "cli/terminal.h"

namespace vorlisk::cli {

struct PluginCommandOptions {
  CLI::App *import = nullptr, *exportTo = nullptr;
  std::string file;                // export: host path
  std::vector<std::string> files;  // import: host paths
  bool all = false;                // import: every section or option, detected here or not
};

// --yes goes to the terminal's options.
void AddPluginCommands(CLI::App& app, PluginCommandOptions& o, TerminalOptions& terminal);

// Runs the command that was parsed and returns its exit status; none when neither was.
std::optional<int> RunPluginCommands(MainSession& session, const PluginCommandOptions& o,
                                     const TerminalOptions& terminal);

}  // namespace vorlisk::cli
