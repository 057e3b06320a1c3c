// vorlisk-cli exclude ... and vorlisk-cli wildcard ...: the exclude list and the wildcard list
// edited as their dialogs edit them, and written at once.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace vorlisk {
class MainSession;
}

namespace vorlisk::cli {

// The parsed commands and their arguments.
struct ListCommandOptions {
  CLI::App* exclude = nullptr;
  CLI::App* wildcard = nullptr;
  std::vector<std::string> paths;  // exclude add: host paths
  std::string folder;              // exclude add-mask: host folder
  std::string mask;                // exclude add-mask, wildcard add
  int32_t index = -1;              // remove, move
  std::string direction;           // move: "up" or "down"
};

// Adds "exclude" and "wildcard" with their subcommands list, add, remove, move and clear (and
// add-mask for exclude).
void AddListCommands(CLI::App& app, ListCommandOptions& options);

// Runs the list command that was parsed and returns its exit status (0 done, 2 refused, with the
// reason on standard error); nullopt when neither was parsed. A write that fails throws.
std::optional<int> RunListCommands(MainSession& session, const ListCommandOptions& options);

}  // namespace vorlisk::cli
