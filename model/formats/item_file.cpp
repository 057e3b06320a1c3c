#include "model/formats/item_file.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "model/formats/name_keys.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk::formats {

using platform::ProfileBatch;
using platform::ProfileFile;

namespace {

constexpr const char* kCommon = "Common";

// The key prefix and the total key of each kind of entry.
constexpr const char* PrefixOf(const tChildFolder*) { return "tFolder"; }
constexpr const char* PrefixOf(const tChildRegister*) { return "tRegister"; }
template <class Entry>
std::string TotalKey() {
  return std::string(PrefixOf(static_cast<const Entry*>(nullptr))) + ".Total";
}

// The keys of one entry: "<prefix><index>.<key>" in the entry's section of its item file.
constexpr const char* kRemoveEmptiedFolders = "RemoveEmptiedFolders";
constexpr const char* kWarning = "Warning";
constexpr const char* kExclude = "Exclude";

class EntryKeys {
 public:
  template <class Entry>
  explicit EntryKeys(const Entry& entry)
      : ini_(entry.ItemFile),
        section_(entry.Section),
        prefix_(PrefixOf(&entry) + std::to_string(entry.Index) + ".") {}

  std::string Text(const char* key) const { return ini_.ReadString(section_, prefix_ + key, ""); }
  bool Bool(const char* key, bool def) const { return ini_.ReadBool(section_, prefix_ + key, def); }
  // Kinds: 0, 1 and 2 set the field; any other stored number leaves it as it was.
  template <class Enum>
  void Kind(const char* key, Enum& field, int32_t def) const {
    const int32_t v = ini_.ReadInteger(section_, prefix_ + key, def);
    if (v >= 0 && v <= 2) field = static_cast<Enum>(v);
  }

  void WriteText(const char* key, const std::string& value) {
    ini_.WriteString(section_, prefix_ + key, value);
  }
  void WriteBool(const char* key, bool value) { ini_.WriteBool(section_, prefix_ + key, value); }
  // A key newer than the format: written only where its value is not the default `unset` or the
  // key was stored before, so the files of entries without it stay as they were.
  void WriteOptional(const char* key, const std::string& value, const char* unset) {
    if (value != unset || !Text(key).empty()) WriteText(key, value);
  }
  template <class Enum>
  void WriteKind(const char* key, Enum value) {
    ini_.WriteInteger(section_, prefix_ + key, static_cast<int32_t>(value));
  }

 private:
  ProfileFile ini_;
  const std::string& section_;
  std::string prefix_;
};

template <class Entry>
void ReadContainer(EntryContainer<Entry>& container) {
  container.Entries.clear();
  const int32_t count =
      std::min(ProfileFile(container.ItemFile).ReadInteger(container.Section, TotalKey<Entry>(), 0),
               kMostEntries);
  if (count <= 0) return;
  container.Entries.resize(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    Entry& entry = container.Entries[static_cast<std::size_t>(i)];
    entry.ItemFile = container.ItemFile;
    entry.Index = i;
    entry.Section = container.Section;
    ReadEntry(entry);
  }
}

template <class Entry>
void WriteContainer(const EntryContainer<Entry>& container) {
  ProfileBatch batch(container.ItemFile, ProfileBatch::DiscardWrites);
  ProfileFile(container.ItemFile)
      .WriteInteger(container.Section, TotalKey<Entry>(), container.Count());
  for (const auto& e : container.Entries) WriteEntry(e);
  batch.Commit();
}

// The name key that lists the item: `index` when it does, else the first that does; -1 when none.
int32_t NameKeyOf(const std::string& itemFile, const std::string& itemName, int32_t index) {
  if (NameKeyValue(itemFile, index) == std::optional<std::string>(itemName)) return index;
  if (auto found = FindNameKey(itemFile, itemName)) return *found;
  return -1;
}

std::string NameKey(int32_t n) { return "Item" + std::to_string(n); }

// How many entries of kind `prefix` ("tfolder", lower case) the section holds keys for, below
// `total`. Key names compare without regard to case.
int32_t EntriesHeld(const std::vector<std::string>& keys, std::string_view prefix, int32_t total) {
  std::set<int32_t> held;
  for (std::string key : keys) {
    for (char& c : key)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t dot = key.find('.', prefix.size());
    if (dot == std::string::npos || dot == prefix.size()) continue;
    const std::string digits = key.substr(prefix.size(), dot - prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const int32_t n = std::stoi(digits);
    if (n < total) held.insert(n);
  }
  return static_cast<int32_t>(held.size());
}

}  // namespace

// ---- entries ---------------------------------------------------------------------------------

void ReadEntry(tChildFolder& entry) {
  const ProfileBatch reading(entry.ItemFile);
  const EntryKeys keys(entry);
  entry.Name = keys.Text("ChildItemName");
  entry.IsActive = keys.Bool("isactive", false);
  entry.DeletePath = keys.Text("deletepath");
  entry.RegisterName = keys.Text("RegisterName");
  entry.RegisterValueofName = keys.Text("RegisterValueofName");
  entry.DeleteFileName = keys.Text("deletefilename");
  keys.Kind("bycategory", entry.Kind, 1);
  entry.IncludeSubfolders = keys.Bool("IsIncludeSubfolder", false);
  entry.RemoveEmptiedFolders = keys.Bool(kRemoveEmptiedFolders, false);
  entry.Exclude = keys.Text(kExclude);
}

void ReadEntry(tChildRegister& entry) {
  const ProfileBatch reading(entry.ItemFile);
  const EntryKeys keys(entry);
  entry.Name = keys.Text("ChildItemName");
  entry.RegisterKeyName = keys.Text("RegisterKeyName");
  entry.RegisterSingleValue = keys.Text("RegisterSingleValue");
  entry.IsActive = keys.Bool("isactive", false);
  keys.Kind("CleanRegisterType", entry.CleanType, 0);
}

void WriteEntry(const tChildFolder& entry) {
  ProfileBatch batch(entry.ItemFile, ProfileBatch::DiscardWrites);
  EntryKeys keys(entry);
  keys.WriteText("ChildItemName", entry.Name);
  keys.WriteBool("isactive", entry.IsActive);
  keys.WriteText("deletepath", entry.DeletePath);
  keys.WriteText("RegisterName", entry.RegisterName);
  keys.WriteText("RegisterValueofName", entry.RegisterValueofName);
  keys.WriteText("deletefilename", entry.DeleteFileName);
  keys.WriteKind("bycategory", entry.Kind);
  keys.WriteBool("IsIncludeSubfolder", entry.IncludeSubfolders);
  keys.WriteOptional(kRemoveEmptiedFolders, entry.RemoveEmptiedFolders ? "1" : "0", "0");
  keys.WriteOptional(kExclude, entry.Exclude, "");
  batch.Commit();
}

void WriteEntry(const tChildRegister& entry) {
  ProfileBatch batch(entry.ItemFile, ProfileBatch::DiscardWrites);
  EntryKeys keys(entry);
  keys.WriteText("ChildItemName", entry.Name);
  keys.WriteText("RegisterKeyName", entry.RegisterKeyName);
  keys.WriteText("RegisterSingleValue", entry.RegisterSingleValue);
  keys.WriteBool("isactive", entry.IsActive);
  keys.WriteKind("CleanRegisterType", entry.CleanType);
  batch.Commit();
}

void ReadEntries(tFolder& folders) { ReadContainer(folders); }
void ReadEntries(tRegister& registers) { ReadContainer(registers); }
void WriteEntries(const tFolder& folders) { WriteContainer(folders); }
void WriteEntries(const tRegister& registers) { WriteContainer(registers); }

// ---- items -----------------------------------------------------------------------------------

tItemContent ReadItem(const std::string& itemFile, const std::string& itemName) {
  const ProfileBatch reading(itemFile);  // one look at the disk for every key of every entry
  const ProfileFile ini(itemFile);
  tItemContent item;
  item.Item.Name = itemName;
  item.Item.ItemFile = itemFile;
  item.Item.IsActive = ini.ReadBool(itemName, "IsActive", true);
  item.Item.IsSpecial = ini.ReadBool(itemName, "IsSpecial", false);
  item.Warning = ini.ReadString(itemName, kWarning, "");
  item.Folders.ItemFile = item.Registers.ItemFile = itemFile;
  item.Folders.Section = item.Registers.Section = itemName;
  ReadEntries(item.Folders);
  ReadEntries(item.Registers);
  return item;
}

void WriteItemBody(const tItemContent& item) {
  ProfileBatch batch(item.Item.ItemFile, ProfileBatch::DiscardWrites);
  ProfileFile ini(item.Item.ItemFile);
  ini.WriteBool(item.Item.Name, "IsActive", item.Item.IsActive);
  ini.WriteBool(item.Item.Name, "IsSpecial", item.Item.IsSpecial);
  // A key newer than the format: the sections of items without a warning stay as they were.
  if (!item.Warning.empty() || ini.ValueExists(item.Item.Name, kWarning))
    ini.WriteString(item.Item.Name, kWarning, item.Warning);
  WriteEntries(item.Folders);
  WriteEntries(item.Registers);
  batch.Commit();
}

void AddItem(const tItemContent& item) {
  // The name key, the flags and every entry reach the file in one replacement: never a name
  // without its section.
  ProfileBatch batch(item.Item.ItemFile, ProfileBatch::DiscardWrites);
  AppendNameKey(item.Item.ItemFile, item.Item.Name);
  WriteItemBody(item);
  batch.Commit();
}

void ReplaceItem(const tItemContent& item, const std::string& oldName, int32_t index) {
  const std::string& file = item.Item.ItemFile;
  // The old section goes and the new one comes in one replacement of the file: never an item
  // without its entries.
  ProfileBatch batch(file, ProfileBatch::DiscardWrites);
  ProfileFile ini(file);
  // When the file no longer lists the old name at the index given (changed by another program
  // since it was loaded), the key is looked up again.
  const int32_t slot = NameKeyOf(file, oldName, index);
  ini.EraseSection(oldName);
  if (slot >= 0)
    ini.WriteString(kCommon, NameKey(slot), item.Item.Name);
  else
    AppendNameKey(file, item.Item.Name);
  WriteItemBody(item);
  batch.Commit();
}

void RemoveItem(const std::string& itemFile, const std::string& itemName, int32_t index) {
  ProfileBatch batch(itemFile, ProfileBatch::DiscardWrites);
  ProfileFile ini(itemFile);
  ini.EraseSection(itemName);
  const int32_t slot = NameKeyOf(itemFile, itemName, index);
  // Only a name key that lists this item is removed; the keys after it move up by one.
  const int32_t total = ini.ReadInteger(kCommon, "Total", 0);
  if (slot >= 0 && slot < total) {
    for (int32_t n = slot; n <= total - 2; ++n)
      ini.WriteString(kCommon, NameKey(n), ini.ReadString(kCommon, NameKey(n + 1), ""));
    ini.DeleteKey(kCommon, NameKey(total - 1));
    ini.WriteInteger(kCommon, "Total", total - 1);
  }
  batch.Commit();
}

std::string ReadItemWarning(const std::string& itemFile, const std::string& itemName) {
  return ProfileFile(itemFile).ReadString(itemName, kWarning, "");
}

// ---- item lists ------------------------------------------------------------------------------

std::vector<titem_property> ReadItemList(const std::string& path) {
  const ProfileBatch reading(path);  // one look at the disk for all the reads below
  const ProfileFile ini(path);
  std::vector<titem_property> items;
  for (const auto& [n, value] : ReadNameKeys(path)) {
    (void)n;
    if (Trim(value).empty()) continue;
    titem_property item;
    const auto marker = value.find(kOrderMarker);
    if (marker != std::string::npos) {
      item.Name = value.substr(0, marker);
      item.ItemFile = ini.ReadString(value, "txtfilename", "");
    } else {
      item.Name = value;
      item.ItemFile = path;
    }
    item.IsActive = ini.ReadBool(value, "IsActive", true);
    item.IsSpecial = ini.ReadBool(value, "IsSpecial", false);
    items.push_back(std::move(item));
  }
  return items;
}

void WriteOrderFile(const std::string& path, const std::vector<titem_property>& items) {
  ProfileBatch batch(path);
  ProfileFile ini(path);
  ini.WriteInteger(kCommon, "Total", static_cast<int32_t>(items.size()));
  for (std::size_t n = 0; n < items.size(); ++n) {
    const auto& item = items[n];
    const std::string line = item.Name + std::string(kOrderMarker) + item.ItemFile;
    ini.WriteString(kCommon, NameKey(static_cast<int32_t>(n)), line);
    ini.WriteString(line, "txtfilename", item.ItemFile);
    ini.WriteBool(line, "IsActive", item.IsActive);
    ini.WriteBool(line, "IsSpecial", item.IsSpecial);
  }
  batch.Commit();
}

// ---- damage ----------------------------------------------------------------------------------

std::vector<std::string> ItemFileDamage(const std::string& itemFile) {
  std::vector<std::string> damage;
  const platform::ProfileBatch reading(itemFile);
  const platform::ProfileFile ini(itemFile);
  if (!ini.SectionExists("Common")) return damage;
  const int32_t total = ini.ReadInteger("Common", "Total", 0);
  const auto names = ReadNameKeys(itemFile);
  if (total > static_cast<int32_t>(names.size()))
    damage.push_back("\"Total\" counts " + std::to_string(total) + " items, the file lists " +
                     std::to_string(names.size()));
  for (const auto& [n, name] : names) {
    if (Trim(name).empty()) continue;
    if (!ini.SectionExists(name)) {
      damage.push_back("the item '" + name + "' (Item" + std::to_string(n) + ") has no section");
      continue;
    }
    const auto keys = ini.ReadSectionKeys(name);
    for (const char* kind : {"tFolder", "tRegister"}) {
      const std::string totalKey = std::string(kind) + ".Total";
      const int32_t entries = ini.ReadInteger(name, totalKey, 0);
      const int32_t held =
          EntriesHeld(keys, std::string_view(kind)[1] == 'F' ? "tfolder" : "tregister", entries);
      if (entries > held)
        damage.push_back("the item '" + name + "': \"" + totalKey + "\" counts " +
                         std::to_string(entries) + " entries, its section holds " +
                         std::to_string(held));
    }
  }
  return damage;
}

}  // namespace vorlisk::formats
