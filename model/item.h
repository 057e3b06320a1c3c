// The wash item model: the item list and the working copy of one wash item with its entries.
//
// Every object is bound to an item file (Windows path text) and a section in it and reads and
// writes its own keys there through one transfer operation with a direction flag. Nothing is
// written implicitly. Key names, key order and defaults are those of the item-file layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlisk {

enum class PersistDirection { Read, Write };

// Folder-entry kinds, stored as "bycategory".
enum class FolderKind : uint8_t { RegistryFolder = 0, FolderMask = 1, SingleFile = 2 };
// Registry-entry kinds, stored as "CleanRegisterType".
enum class CleanRegisterType : uint8_t { WholeKey = 0, AllValues = 1, SingleValue = 2 };

// One wash item in the item list.
struct titem_property {
  std::string Name;
  bool IsActive = true;
  bool IsSpecial = false;
  std::string ItemFile;  // full path of the item file that holds the item
};

// One folder entry (files to delete).
class tChildFolder {
 public:
  std::string Name;
  bool IsActive = false;
  FolderKind Kind = FolderKind::RegistryFolder;
  std::string RegisterName;
  std::string RegisterValueofName;
  std::string DeletePath;
  std::string DeleteFileName;
  bool IncludeSubfolders = false;
  std::string ItemFile;
  std::string Section;
  int32_t Index = 0;
  std::vector<std::string> FoundFiles;  // used only while the entry is expanded

  // Binds the entry to (itemFile, section, index) and reads it.
  void Create(std::string itemFile, int32_t index, std::string section);
  // Reads or writes the entry's eight keys "tFolder<Index>.<key>"; writing throws WriteError.
  void Persist(PersistDirection direction);
};

// One registry entry.
class tChildRegister {
 public:
  std::string Name;
  std::string RegisterKeyName;
  std::string RegisterSingleValue;
  CleanRegisterType CleanType = CleanRegisterType::WholeKey;
  bool IsActive = false;
  std::string ItemFile;
  std::string Section;
  int32_t Index = 0;

  void Create(std::string itemFile, int32_t index, std::string section);
  void Persist(PersistDirection direction);
};

// The two entry containers of a working copy; Entry is tChildFolder or tChildRegister.
template <class Entry>
class tEntryContainer {
 public:
  std::vector<Entry> Entries;  // stored order; entry i has Index i
  std::string ItemFile;
  std::string Section;

  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }

  // Stores both, reads the total and creates the entries.
  void Create(std::string itemFile, std::string section);
  void CreateEntries(int32_t count);
  // Reads or writes the total key; reading returns the stored total.
  int32_t PersistTotal(PersistDirection direction);
  // Copies every field but FoundFiles.
  static void AssignEntry(Entry& target, const Entry& source);
  void Add(const Entry& entry);
  void Replace(const Entry& entry, int32_t index);
  void Delete(int32_t index);
  // Writes the total, then every entry, in one rewrite of the item file.
  void Save();

  static const char* TotalKey();
};

using tFolder = tEntryContainer<tChildFolder>;
using tRegister = tEntryContainer<tChildRegister>;

// The working copy of one wash item.
class tItemContent {
 public:
  titem_property Item;
  tFolder Folders;
  tRegister Registers;

  void Create(std::string itemFile, std::string itemName);
  void PersistFlags(PersistDirection direction);
  void Retarget(std::string itemFile, std::string itemName);
  void SaveAsNew(std::string itemFile, std::string itemName, bool active);
  void Rename(std::string newName, bool active, int32_t index);
  // Deletes an item (section and name key) from an item file; the working copy is left as it was.
  void RemoveFromFile(const std::string& itemFile, const std::string& itemName, int32_t index);
};

// The item list, in display order.
class titem_list {
 public:
  std::vector<titem_property> Items;

  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  void LoadFromFile(const std::string& path);
  void SaveOrder(const std::string& path) const;
  bool Contains(const titem_property& item) const;
  static void AssignItem(titem_property& target, const titem_property& source);
  void AddCopy(const titem_property& item);
  void MoveUp(int32_t index);
  void MoveDown(int32_t index);
};

// Files of the catalogue, relative to the program folder (which ends in "\").
inline constexpr std::string_view kSystemItemFile = "const\\system.txt";
inline constexpr std::string_view kUserItemFile = "const\\user.txt";
inline constexpr std::string_view kPluginFolder = "plugin\\";
inline constexpr std::string_view kOrderFile = "order.ini";
inline constexpr std::string_view kOrderMarker = "<|>";

// Rebuilds `list` from the shipped, user and plug-in item files merged with the order file.
void LoadCatalogue(const std::string& programFolder, titem_list& list);

int32_t IndexInItemFile(const std::string& itemFile, const std::string& name);
bool NameTaken(const std::string& itemFile, const std::string& name);
bool NameTakenByOther(const std::string& itemFile, const std::string& name, int32_t ownIndex);

}  // namespace vorlisk
