// vorlisk-cli preview and wash: all checked items, some items, or one entry of an item, previewed
// (printed, nothing removed) or washed as the main window's wash buttons do.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/main_session.h"
#include "cli/terminal.h"

namespace vorlisk::cli {

struct WashCommandOptions {
  CLI::App *preview = nullptr, *wash = nullptr;
  std::vector<std::string> items;  // none: all checked items
  std::optional<int32_t> folder, registry;
  bool verbose = false;
};

// --yes and --sizes go to the terminal's options.
void AddWashCommands(CLI::App& app, WashCommandOptions& o, TerminalOptions& terminal);

// Whether preview or wash was parsed: a signal then cancels the run between two lines.
bool WashCommandParsed(const WashCommandOptions& o);

// Runs the command that was parsed and returns its exit status (3 when lines failed, 128 + the
// signal's number when a signal cancelled it); none when neither was.
std::optional<int> RunWashCommands(MainSession& session, const WashCommandOptions& o);

}  // namespace vorlisk::cli
