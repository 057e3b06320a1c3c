#include "cli/wash_commands.h"

#include <iostream>

#include "cli/cli_support.h"
#include "engine/special_targets.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace vorlisk::cli {

namespace {

void SelectEntry(MainSession& session, bool registry, int32_t row) {
  const CheckList& list = registry ? session.ChListBoxRegister() : session.ChListBoxFolder();
  if (row < 0 || row >= list.Count())
    throw UsageError{std::string("Unknown ") + (registry ? "registry" : "folder") +
                     " entry: " + std::to_string(row)};
  if (registry)
    session.SelectRegistryEntry(row);
  else
    session.SelectFolderEntry(row);
}

// The command is refused where the window has its button disabled: a special item can be
// neither previewed nor washed entry by entry.
void RequireEnabled(const MainSession& session, Control control) {
  if (!session.IsEnabled(control))
    throw UsageError{std::string("Not available for the special item ") +
                     session.ChListBoxItem().Text(session.ChListBoxItem().Selected())};
}

// Runs the preview or wash command that the arguments name for one ITEM ("" for all checked).
void RunOne(MainSession& session, const WashCommandOptions& o, const std::string& item,
            bool previewOnly) {
  if ((o.folder || o.registry) && o.items.size() > 1)
    throw UsageError{"--folder and --registry name an entry of one ITEM"};
  if (item.empty()) {
    session.WashCheckedItems(previewOnly);
    return;
  }
  session.SelectItem(ItemRow(session, item));
  if (o.folder) {
    RequireEnabled(session,
                   previewOnly ? Control::btnPreviewCurrentFolder : Control::btnWashFolder);
    SelectEntry(session, false, *o.folder);
    session.WashFolderEntry(previewOnly);
  } else if (o.registry) {
    RequireEnabled(session,
                   previewOnly ? Control::btnPreviewCurrentRegister : Control::btnWashRegister);
    SelectEntry(session, true, *o.registry);
    session.WashRegistryEntry(previewOnly);
  } else if (previewOnly) {
    RequireEnabled(session, Control::btnPreviewCurrentItem);
    session.WashCurrentItem(true);
  } else {
    session.btnWashSingleClick();
  }
}

// What the wash of a special item did, as one line of output.
void PrintSpecialWash(const titem_property& item, const WashCounters& counters) {
  if (item.Name == kRecycleBinItem && counters.RecycleBin)
    std::cout << item.Name << "\temptied: "
              << counters.RecycleBin->Before.entries - counters.RecycleBin->After.entries << " of "
              << counters.RecycleBin->Before.entries << " entries removed\n";
  else if (item.Name == kUrlHistoryItem)
    std::cout << item.Name << "\tcleared (the desktop's list of recently used files)\n";
  else
    std::cout << item.Name << "\tnothing done (no special target has this name)\n";
}

int RunPreview(MainSession& session, const WashCommandOptions& o) {
  if (o.items.empty()) RunOne(session, o, "", true);
  for (const std::string& item : o.items)
    if (!platform::TerminationRequested()) RunOne(session, o, item, true);
  return Interrupted().value_or(kExitDone);
}

int RunWash(MainSession& session, const WashCommandOptions& o) {
  bool refused = false;
  auto ask = session.Ui().Ask;
  session.Ui().Ask = [&](const std::string& q) {
    const bool yes = ask(q);
    refused = refused || !yes;
    return yes;
  };
  bool failures = false;
  auto print = [&](const char* caption, const std::optional<WashCounts>& c) {
    if (!c) return;
    std::cout << caption << "\tSuccess: " << c->Success << "\tFails: " << c->Fails << '\n';
    failures = failures || c->Fails > 0;
    // The log keeps "File Locked"; here each failed line says why, on request.
    if (o.verbose) {
      for (const auto& [line, reason] : c->Failed) std::cerr << line << ": " << reason << '\n';
      if (c->Unnamable > 0)
        std::cerr << c->Unnamable << (c->Unnamable == 1 ? " file was" : " files were")
                  << " skipped: a name holding a control character or a \"\\\" cannot be a "
                     "Windows path, so no line names it.\n";
    }
  };
  const std::vector<std::string> items = o.items.empty() ? std::vector<std::string>{""} : o.items;
  for (const std::string& item : items) {
    if (platform::TerminationRequested()) break;
    session.ResetCounters();
    const auto specials =
        o.folder || o.registry
            ? std::vector<titem_property>{}
            : SpecialItemsWashed(
                  session, item.empty() ? std::nullopt : std::optional(ItemRow(session, item)));
    RunOne(session, o, item, false);
    if (refused) throw UsageError{"Nothing was washed."};
    for (const auto& special : specials) PrintSpecialWash(special, session.Counters());
    print("Clean Files", session.Counters().Files);
    print("Clean Registry", session.Counters().Registry);
    if (const auto& files = session.Counters().Files; files && files->FoldersRemoved > 0)
      std::cout << "Emptied folders removed\t" << files->FoldersRemoved << '\n';
    if (session.Counters().Files || session.Counters().RecycleBin)
      std::cout << "Freed\t" << session.Counters().FreedBytes() << " bytes\n";
  }
  return failures ? kExitFailures : kExitDone;
}

}  // namespace

void AddWashCommands(CLI::App& app, WashCommandOptions& o, TerminalOptions& terminal) {
  o.preview = app.add_subcommand(
      "preview", "Print what a wash would remove: list, mark, line (nothing is removed)");
  auto* previewItem =
      o.preview->add_option("ITEM", o.items, "Item indexes or names (default: all checked items)");
  AddEntryOptions(o.preview, previewItem, o.folder, o.registry);
  o.preview->add_flag("--sizes", terminal.sizes,
                      "Add each file line's size in bytes, and the total of the ticked file lines");
  o.wash = app.add_subcommand("wash", "Wash all checked items, one item, or one entry of an item");
  auto* washItem =
      o.wash->add_option("ITEM", o.items, "Item indexes or names (default: all checked items)");
  AddEntryOptions(o.wash, washItem, o.folder, o.registry);
  o.wash->add_flag("--yes,-y", terminal.yes, "Answer Yes to the question asked before washing");
  o.wash->add_flag("--verbose,-v", o.verbose,
                   "Print each line that could not be washed, with the system's reason, on "
                   "standard error");
}

bool WashCommandParsed(const WashCommandOptions& o) {
  return o.preview->parsed() || o.wash->parsed();
}

std::optional<int> RunWashCommands(MainSession& session, const WashCommandOptions& o) {
  if (o.preview->parsed()) return RunPreview(session, o);
  if (!o.wash->parsed()) return std::nullopt;
  // The closing steps of the window ("Delete Log On Exit"), also after a failed wash.
  int washed = kExitError;
  try {
    washed = RunWash(session, o);
  } catch (...) {
    session.Close();
    throw;
  }
  session.Close();
  return Interrupted().value_or(washed);
}

}  // namespace vorlisk::cli
