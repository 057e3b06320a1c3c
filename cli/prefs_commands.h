// vorlisk-cli prefs: shows the preferences and changes one of them as the Preferences dialog's
// Apply does.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::cli {

struct PrefsArguments {
  CLI::App* command = nullptr;  // "prefs"
  CLI::App* set = nullptr;      // "prefs set"
  std::string key;
  std::string value;
};

// Adds "prefs [show]" and "prefs set KEY VALUE".
void AddPrefsCommands(CLI::App& app, PrefsArguments& arguments);

// Runs the prefs command given: its exit status (2 for a refusal or a bad key or value, with the
// message on standard error); none when "prefs" was not given. Errors of writing are thrown.
std::optional<int> RunPrefsCommands(MainSession& session, const PrefsArguments& arguments);

}  // namespace vorlisk::cli
