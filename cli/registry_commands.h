// vorlisk-cli reg import and reg export: the registry store loaded from and printed as .reg text.
// They run without a session: no catalogue is read.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

namespace vorlisk::cli {

struct RegistryCommandOptions {
  CLI::App *reg = nullptr, *import = nullptr, *exportKey = nullptr;
  std::string file;  // import: host path
  std::string key;   // export: full key path, "" for all
};

void AddRegistryCommands(CLI::App& app, RegistryCommandOptions& o);

// Runs the command that was parsed on the program folder's registry and returns its exit status;
// none when "reg" was not parsed.
std::optional<int> RunRegistryCommands(const std::string& programFolder,
                                       const RegistryCommandOptions& o);

}  // namespace vorlisk::cli
