#include "cli/mark_commands.h"

#include "cli/cli_support.h"

namespace vorlisk::cli {

namespace {

int RunCheck(MainSession& session, const MarkCommandOptions& o, bool checked) {
  session.SelectItem(ItemRow(session, o.item));
  if (o.folder) {
    if (*o.folder < 0 || *o.folder >= session.ChListBoxFolder().Count())
      throw UsageError{"Unknown folder entry: " + std::to_string(*o.folder)};
    session.CheckFolderEntry(*o.folder, checked);
  } else if (o.registry) {
    if (*o.registry < 0 || *o.registry >= session.ChListBoxRegister().Count())
      throw UsageError{"Unknown registry entry: " + std::to_string(*o.registry)};
    session.CheckRegistryEntry(*o.registry, checked);
  } else {
    // The order file is written whole from the list: a mark another process stored since the
    // start is kept.
    EditProgramFiles(
        session, [&] { session.CheckItem(ItemRow(session, o.item), checked); },
        OrderFileStep::WrittenAfterChange);
  }
  return kExitDone;
}

}  // namespace

void AddMarkCommands(CLI::App& app, MarkCommandOptions& o) {
  o.check = app.add_subcommand("check", "Tick an item, or one of its entries");
  AddEntryOptions(o.check, o.check->add_option("ITEM", o.item, "Item index or name")->required(),
                  o.folder, o.registry);
  o.check->add_flag("--yes,-y", o.yes, "Tick an item that carries a warning without asking");
  o.uncheck = app.add_subcommand("uncheck", "Untick an item, or one of its entries");
  AddEntryOptions(o.uncheck,
                  o.uncheck->add_option("ITEM", o.item, "Item index or name")->required(), o.folder,
                  o.registry);
}

std::optional<int> RunMarkCommands(MainSession& session, const MarkCommandOptions& o) {
  if (o.check->parsed() && o.yes) session.Ui().Ask = [](const std::string&) { return true; };
  if (o.check->parsed()) return RunCheck(session, o, true);
  if (o.uncheck->parsed()) return RunCheck(session, o, false);
  return std::nullopt;
}

}  // namespace vorlisk::cli
