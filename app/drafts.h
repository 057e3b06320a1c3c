// What the item and entry dialogs show and give back, as plain data: a front end's editor fills
// its dialog from a draft and writes the user's changes into it.
#pragma once

#include <functional>
#include <string>

#include "model/item.h"

namespace vorlisk {

// The item dialog: the name as typed (never trimmed), "Active" and the item file it is stored in.
struct ItemDraft {
  std::string Caption;
  std::string Name;
  bool Active = true;
  std::string StoredIn;
};

// The folder entry dialog's fields.
struct FolderEntryDraft {
  std::string Caption;
  std::string Name;
  bool Active = false;
  FolderKind Kind = FolderKind::RegistryFolder;
  std::string RegisterName;
  std::string RegisterValueofName;
  std::string DeletePath;
  std::string DeleteFileName;
  bool IncludeSubfolders = false;
  bool RemoveEmptiedFolders = false;
};

// The registry entry dialog's fields.
struct RegistryEntryDraft {
  std::string Caption;
  std::string Name;
  bool Active = false;
  CleanRegisterType CleanType = CleanRegisterType::WholeKey;
  std::string RegisterKeyName;
  std::string RegisterSingleValue;
};

// An editor shows the draft, lets the user change it and returns true when the user saved.
using ItemEditor = std::function<bool(ItemDraft&)>;
using FolderEntryEditor = std::function<bool(FolderEntryDraft&)>;
using RegistryEntryEditor = std::function<bool(RegistryEntryDraft&)>;

}  // namespace vorlisk
