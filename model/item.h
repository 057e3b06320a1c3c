// The wash item model: the item list and the working copy of one wash item with its entries.
//
// Every object is bound to an item file (Windows path text) and a section in it. The objects hold
// values and do not read or write files themselves: the operations below that load or store
// (Create, Persist, Save, SaveAsNew, Rename, RemoveFromFile, LoadFromFile, SaveOrder) call the
// format code, model/formats/item_file.h. Nothing is written implicitly. Where a catalogue's files
// lie and how they are merged: model/catalogue.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlisk {

enum class PersistDirection { Read, Write };

// The most entries each of an item's two lists holds: a stored total beyond it reads as this many
// (a corrupted total must not make the program allocate billions of entries), and an import keeps
// no more.
inline constexpr int32_t kMostEntries = 100000;

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
  // After a wash, the folders below the folder the entry names that the wash emptied are removed
  // (never that folder itself, never a folder holding anything else).
  bool RemoveEmptiedFolders = false;
  // Files this entry never lists, as the exclude list's lines ("C:\Keep\*.log"), separated by
  // "|"; a pattern ending in "\" names a folder with everything below it.
  std::string Exclude;
  std::string ItemFile;
  std::string Section;
  int32_t Index = 0;
  std::vector<std::string> FoundFiles;  // used only while the entry is expanded

  // Binds the entry to (itemFile, section, index) and reads it.
  void Create(std::string itemFile, int32_t index, std::string section);
  // Reads or writes the entry at its binding (formats::ReadEntry, formats::WriteEntry); writing
  // throws WriteError.
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
class EntryContainer {
 public:
  std::vector<Entry> Entries;  // stored order; entry i has Index i
  std::string ItemFile;
  std::string Section;

  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }

  // Stores both, reads the total and creates and reads the entries (formats::ReadEntries).
  void Create(std::string itemFile, std::string section);
  // Copies every field but FoundFiles.
  static void AssignEntry(Entry& target, const Entry& source);
  void Add(const Entry& entry);
  void Replace(const Entry& entry, int32_t index);
  void Delete(int32_t index);
  // Writes the total, then every entry, in one rewrite of the item file (formats::WriteEntries).
  void Save() const;
};

using tFolder = EntryContainer<tChildFolder>;
using tRegister = EntryContainer<tChildRegister>;

// The working copy of one wash item.
class tItemContent {
 public:
  titem_property Item;
  tFolder Folders;
  tRegister Registers;
  // What the definitions the item was imported from warn of ("Warning" in its section; "" for
  // none): shown before the item is ticked, and before it is washed by hand while unticked.
  std::string Warning;

  // Reads the item of that name from the item file (formats::ReadItem).
  void Create(std::string itemFile, std::string itemName);
  // Binds the item and every entry to another file and section; writes nothing.
  void Retarget(std::string itemFile, std::string itemName);
  // Binds the copy to (itemFile, itemName), sets its mark and adds it to that file under a new
  // name key (formats::AddItem).
  void SaveAsNew(std::string itemFile, std::string itemName, bool active);
  // Renames the item in its file, reusing the name key at `index` when it lists the item
  // (formats::ReplaceItem).
  void Rename(std::string newName, bool active, int32_t index);
  // Deletes an item (section and name key) from an item file; the working copy is left as it was.
  void RemoveFromFile(const std::string& itemFile, const std::string& itemName, int32_t index);
};

// The item list, in display order.
class titem_list {
 public:
  std::vector<titem_property> Items;

  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  // Appends the items an item file or the order file lists (formats::ReadItemList).
  void LoadFromFile(const std::string& path);
  // Writes the list as the order file (formats::WriteOrderFile).
  void SaveOrder(const std::string& path) const;
  bool Contains(const titem_property& item) const;
  static void AssignItem(titem_property& target, const titem_property& source);
  void AddCopy(const titem_property& item);
  void MoveUp(int32_t index);
  void MoveDown(int32_t index);
};

}  // namespace vorlisk
