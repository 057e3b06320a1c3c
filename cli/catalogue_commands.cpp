#include "cli/catalogue_commands.h"

#include <iostream>

#include "cli/cli_support.h"

namespace vorlisk::cli {

namespace {

int RunList(const MainSession& session) {
  const titem_list& items = session.Items();
  for (int32_t i = 0; i < items.Count(); ++i) {
    const auto& item = items.Items[static_cast<std::size_t>(i)];
    std::cout << i << '\t' << (item.IsActive ? 1 : 0) << '\t' << (item.IsSpecial ? 1 : 0) << '\t'
              << item.Name << '\t' << item.ItemFile << '\n';
  }
  return kExitDone;
}

int RunEntries(MainSession& session, const CatalogueCommandOptions& o) {
  session.SelectItem(ItemRow(session, o.item));
  int32_t i = 0;
  for (const auto& e : session.Current()->Folders.Entries)
    std::cout << "folder\t" << i++ << '\t' << (e.IsActive ? 1 : 0) << '\t'
              << static_cast<int>(e.Kind) << '\t' << e.Name << '\t' << e.RegisterName << '\t'
              << e.RegisterValueofName << '\t' << e.DeletePath << '\t' << e.DeleteFileName << '\t'
              << (e.IncludeSubfolders ? 1 : 0) << '\t' << (e.RemoveEmptiedFolders ? 1 : 0) << '\n';
  i = 0;
  for (const auto& e : session.Current()->Registers.Entries)
    std::cout << "registry\t" << i++ << '\t' << (e.IsActive ? 1 : 0) << '\t'
              << static_cast<int>(e.CleanType) << '\t' << e.Name << '\t' << e.RegisterKeyName
              << '\t' << e.RegisterSingleValue << '\n';
  return kExitDone;
}

}  // namespace

void AddCatalogueCommands(CLI::App& app, CatalogueCommandOptions& o) {
  o.list =
      app.add_subcommand("list", "Print the wash items: index, mark, special, name, item file");
  o.entries = app.add_subcommand("entries", "Print the entries of a wash item");
  o.entries->add_option("ITEM", o.item, "Item index or name")->required();
}

std::optional<int> RunCatalogueCommands(MainSession& session, const CatalogueCommandOptions& o) {
  if (o.list->parsed()) return RunList(session);
  if (o.entries->parsed()) return RunEntries(session, o);
  return std::nullopt;
}

}  // namespace vorlisk::cli
