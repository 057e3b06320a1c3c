// vorlisk-cli list and entries: the wash items and their entries as the main window's lists show
// them.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::cli {

struct CatalogueCommandOptions {
  CLI::App *list = nullptr, *entries = nullptr;
  std::string item;
};

void AddCatalogueCommands(CLI::App& app, CatalogueCommandOptions& o);

// Runs the command that was parsed and returns its exit status; none when none of them was.
std::optional<int> RunCatalogueCommands(MainSession& session, const CatalogueCommandOptions& o);

}  // namespace vorlisk::cli
