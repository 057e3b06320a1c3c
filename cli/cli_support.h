// What the command groups of vorlisk-cli share: exit statuses, usage errors, the terminal's
// questions, and the arguments that name an item, an entry or a host file.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailures = 3;

// Bad usage, an unknown item or entry, or a question refused: exit status 2.
struct UsageError {
  std::string message;
};

// The program folder that --home names, or the default one (the executable's).
std::string ProgramFolderArgument(const std::string& home);

// A question on the terminal; `yes` answers Yes; without a terminal it is refused (UsageError).
bool AskOnTerminal(const std::string& question, bool yes);

// The row of a wash item named by index or by name (names compared as the system compares them:
// blanks around them trimmed, a to z without regard to case). UsageError for an unknown one.
int32_t ItemRow(const MainSession& session, const std::string& item);

// FILE given as a host path (Windows text on Windows), as Windows text. UsageError saying why for
// one that Windows text cannot hold or whose folder does not exist.
std::string HostFileArgument(const std::string& hostPath);

// --folder and --registry name an entry of ITEM: one or the other, and never without ITEM.
void AddEntryOptions(CLI::App* cmd, CLI::Option* item, std::optional<int32_t>& folder,
                     std::optional<int32_t>& registry);

// After a preview or wash: when a signal cancelled it, says so and gives the exit status.
std::optional<int> Interrupted();

}  // namespace vorlisk::cli
