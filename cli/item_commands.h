// The "item" and "entry" commands of vorlisk-cli: editing the catalogue as the main window's item
// and entry buttons do, with the dialogs' fields given as arguments.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::cli {

struct ItemCommandOptions {
  std::string item, name, kind, direction;
  std::optional<int32_t> folder, registry;
  // The entry dialog's fields; those not given keep what the dialog would show.
  std::optional<std::string> entryName, folderKind, registryType, path, file, key, value;
  bool active = false, inactive = false, subfolders = false, noSubfolders = false,
       removeEmptied = false, keepEmptied = false, yes = false;
  CLI::App *itemAdd = nullptr, *itemRename = nullptr, *itemDelete = nullptr, *itemMove = nullptr,
           *checkAll = nullptr, *uncheckAll = nullptr, *entryAdd = nullptr, *entryEdit = nullptr,
           *entryDelete = nullptr;
};

void AddItemCommands(CLI::App& app, ItemCommandOptions& o);

// Finds the row of a wash item named by index or name (throws for an unknown one).
using ItemRowLookup = std::function<int32_t(MainSession&, const std::string&)>;

// Runs the item or entry command given and returns its exit status; none when neither was given.
// Exit 2 for a refusal, a question answered No, or an edit the dialog would not accept.
std::optional<int> RunItemCommands(MainSession& session, const ItemCommandOptions& o,
                                   const ItemRowLookup& itemRow);

}  // namespace vorlisk::cli
