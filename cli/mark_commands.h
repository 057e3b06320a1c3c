// vorlisk-cli check and uncheck: the mark of a wash item, or of one of its entries, set as a click
// in the main window's lists sets it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::cli {

struct MarkCommandOptions {
  CLI::App *check = nullptr, *uncheck = nullptr;
  std::string item;
  std::optional<int32_t> folder, registry;
  bool yes = false;  // an item's warning accepted without asking
};

void AddMarkCommands(CLI::App& app, MarkCommandOptions& o);

// Runs the command that was parsed and returns its exit status; none when neither was.
std::optional<int> RunMarkCommands(MainSession& session, const MarkCommandOptions& o);

}  // namespace vorlisk::cli
