#include "cli/cli_support.h"

#include <iostream>

#include "platform/filesystem.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vorlisk::cli {

namespace {
// A preview or wash cancelled by SIGINT or SIGTERM ends with 128 + the signal's number, as the
// shell reports a program the signal ended.
constexpr int kExitSignalBase = 128;
}  // namespace

std::string ProgramFolderArgument(const std::string& home) {
  std::string why;
  const std::string folder = home.empty() ? platform::DefaultProgramFolder(&why)
                                          : platform::ProgramFolderFromHost(home, &why);
  if (folder.empty() && home.empty()) throw UsageError{why + " (see --home)"};
  if (folder.empty()) throw UsageError{"The program folder " + home + " cannot be used: " + why};
  return folder;
}

bool AskOnTerminal(const std::string& question, bool yes) {
  if (yes) return true;
  if (!platform::StdinIsTerminal())
    throw UsageError{question + " (no terminal to answer on; use --yes)"};
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int32_t ItemRow(const MainSession& session, const std::string& item) {
  const titem_list& items = session.Items();
  const bool numeric = !item.empty() && item.find_first_not_of("0123456789") == std::string::npos;
  if (numeric && item.size() < 10) {
    const int32_t row = std::stoi(item);
    if (row < items.Count()) return row;
  }
  const std::string name = Trim(item);
  for (int32_t i = 0; i < items.Count(); ++i)
    if (SameTextAZ(Trim(items.Items[static_cast<std::size_t>(i)].Name), name)) return i;
  throw UsageError{"Unknown wash item: " + item};
}

std::string HostFileArgument(const std::string& hostPath) {
  // FILE is a host path, read as the host reads it: on Windows "\" separates its levels, on POSIX
  // it is a character of a name, which Windows text cannot carry.
  std::string why;
  const std::string windows = platform::WindowsPathFromHost(hostPath, &why);
  if (windows.empty())
    throw UsageError{"FILE " + hostPath + " (a host path) cannot be used: " + why};
  return windows;
}

void AddEntryOptions(CLI::App* cmd, CLI::Option* item, std::optional<int32_t>& folder,
                     std::optional<int32_t>& registry) {
  auto* f = cmd->add_option("--folder", folder, "Folder entry index, as 'entries' prints it");
  auto* r = cmd->add_option("--registry", registry, "Registry entry index, as 'entries' prints it");
  f->excludes(r)->needs(item);
  r->excludes(f)->needs(item);
}

std::optional<int> Interrupted() {
  if (!platform::TerminationRequested()) return std::nullopt;
  std::cerr << "Interrupted: stopped between two lines; what was washed is counted above and "
               "logged.\n";
  return kExitSignalBase + platform::TerminationSignal();
}

}  // namespace vorlisk::cli
