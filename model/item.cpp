#include "model/item.h"

#include <algorithm>
#include <string>
#include <type_traits>

#include "model/name_keys.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk {

using platform::ProfileBatch;
using platform::ProfileFile;

namespace {

constexpr const char* kCommon = "Common";

// A corrupted total must not make the program allocate billions of entries; no real item comes
// anywhere near this many.
constexpr int32_t kMaxEntries = 100000;

std::string EntryKey(const char* prefix, int32_t index, const char* key) {
  return std::string(prefix) + std::to_string(index) + "." + key;
}

// Reads, or writes, one key of an entry. Each overload transfers one field kind.
class Transfer {
 public:
  Transfer(const std::string& file, const std::string& section, const char* prefix, int32_t index,
           PersistDirection direction)
      : ini_(file), section_(section), prefix_(prefix), index_(index), direction_(direction) {}

  void Text(const char* key, std::string& field) {
    if (direction_ == PersistDirection::Read)
      field = ini_.ReadString(section_, Key(key), "");
    else
      ini_.WriteString(section_, Key(key), field);
  }
  void Bool(const char* key, bool& field, bool def) {
    if (direction_ == PersistDirection::Read)
      field = ini_.ReadBool(section_, Key(key), def);
    else
      ini_.WriteBool(section_, Key(key), field);
  }
  // Enumerations: 0, 1 and 2 set the field; any other stored number leaves it as it was.
  template <class Enum>
  void Enumeration(const char* key, Enum& field, int32_t def) {
    if (direction_ == PersistDirection::Read) {
      const int32_t v = ini_.ReadInteger(section_, Key(key), def);
      if (v >= 0 && v <= 2) field = static_cast<Enum>(v);
    } else {
      ini_.WriteInteger(section_, Key(key), static_cast<int32_t>(field));
    }
  }

 private:
  std::string Key(const char* key) const { return EntryKey(prefix_, index_, key); }

  ProfileFile ini_;
  const std::string& section_;
  const char* prefix_;
  int32_t index_;
  PersistDirection direction_;
};

// Binds an entry to (itemFile, section, index) and reads it.
template <class Entry>
void BindAndRead(Entry& entry, std::string itemFile, int32_t index, std::string section) {
  entry.ItemFile = std::move(itemFile);
  entry.Index = index;
  entry.Section = std::move(section);
  entry.Persist(PersistDirection::Read);
}

}  // namespace

// ---- entries ---------------------------------------------------------------------------------

void tChildFolder::Create(std::string itemFile, int32_t index, std::string section) {
  BindAndRead(*this, std::move(itemFile), index, std::move(section));
}

void tChildFolder::Persist(PersistDirection direction) {
  ProfileBatch batch(ItemFile, ProfileBatch::DiscardWrites);
  Transfer t(ItemFile, Section, "tFolder", Index, direction);
  t.Text("ChildItemName", Name);
  t.Bool("isactive", IsActive, false);
  t.Text("deletepath", DeletePath);
  t.Text("RegisterName", RegisterName);
  t.Text("RegisterValueofName", RegisterValueofName);
  t.Text("deletefilename", DeleteFileName);
  t.Enumeration("bycategory", Kind, 1);
  t.Bool("IsIncludeSubfolder", IncludeSubfolders, false);
  batch.Commit();
}

void tChildRegister::Create(std::string itemFile, int32_t index, std::string section) {
  BindAndRead(*this, std::move(itemFile), index, std::move(section));
}

void tChildRegister::Persist(PersistDirection direction) {
  ProfileBatch batch(ItemFile, ProfileBatch::DiscardWrites);
  Transfer t(ItemFile, Section, "tRegister", Index, direction);
  t.Text("ChildItemName", Name);
  t.Text("RegisterKeyName", RegisterKeyName);
  t.Text("RegisterSingleValue", RegisterSingleValue);
  t.Bool("isactive", IsActive, false);
  t.Enumeration("CleanRegisterType", CleanType, 0);
  batch.Commit();
}

// ---- containers ------------------------------------------------------------------------------

template <>
const char* tEntryContainer<tChildFolder>::TotalKey() {
  return "tFolder.Total";
}
template <>
const char* tEntryContainer<tChildRegister>::TotalKey() {
  return "tRegister.Total";
}

template <class Entry>
void tEntryContainer<Entry>::Create(std::string itemFile, std::string section) {
  ItemFile = std::move(itemFile);
  Section = std::move(section);
  CreateEntries(PersistTotal(PersistDirection::Read));
}

template <class Entry>
void tEntryContainer<Entry>::CreateEntries(int32_t count) {
  Entries.clear();
  count = std::min(count, kMaxEntries);
  if (count <= 0) return;
  Entries.resize(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    Entries[static_cast<std::size_t>(i)].Create(ItemFile, i, Section);
}

template <class Entry>
int32_t tEntryContainer<Entry>::PersistTotal(PersistDirection direction) {
  ProfileFile ini(ItemFile);
  if (direction == PersistDirection::Read) return ini.ReadInteger(Section, TotalKey(), 0);
  ini.WriteInteger(Section, TotalKey(), Count());
  return Count();
}

template <class Entry>
void tEntryContainer<Entry>::AssignEntry(Entry& target, const Entry& source) {
  if constexpr (std::is_same_v<Entry, tChildFolder>) {
    auto found = std::move(target.FoundFiles);
    target = source;
    target.FoundFiles = std::move(found);
  } else {
    target = source;
  }
}

template <class Entry>
void tEntryContainer<Entry>::Add(const Entry& entry) {
  Entries.emplace_back();
  AssignEntry(Entries.back(), entry);
}

template <class Entry>
void tEntryContainer<Entry>::Replace(const Entry& entry, int32_t index) {
  if (index < 0 || index >= Count()) return;
  AssignEntry(Entries[static_cast<std::size_t>(index)], entry);
}

template <class Entry>
void tEntryContainer<Entry>::Delete(int32_t index) {
  if (index < 0 || index >= Count()) return;
  Entries.erase(Entries.begin() + index);
  for (int32_t i = 0; i < Count(); ++i) Entries[static_cast<std::size_t>(i)].Index = i;
}

template <class Entry>
void tEntryContainer<Entry>::Save() {
  ProfileBatch batch(ItemFile, ProfileBatch::DiscardWrites);
  PersistTotal(PersistDirection::Write);
  for (auto& e : Entries) e.Persist(PersistDirection::Write);
  batch.Commit();
}

template class tEntryContainer<tChildFolder>;
template class tEntryContainer<tChildRegister>;

// ---- working copy ----------------------------------------------------------------------------

void tItemContent::Create(std::string itemFile, std::string itemName) {
  ProfileBatch reading(itemFile);  // one look at the disk for every key of every entry
  Item = titem_property{};
  Item.Name = std::move(itemName);
  Item.ItemFile = std::move(itemFile);
  PersistFlags(PersistDirection::Read);
  Folders.Create(Item.ItemFile, Item.Name);
  Registers.Create(Item.ItemFile, Item.Name);
}

void tItemContent::PersistFlags(PersistDirection direction) {
  ProfileFile ini(Item.ItemFile);
  if (direction == PersistDirection::Read) {
    Item.IsActive = ini.ReadBool(Item.Name, "IsActive", true);
    Item.IsSpecial = ini.ReadBool(Item.Name, "IsSpecial", false);
  } else {
    ProfileBatch batch(Item.ItemFile, ProfileBatch::DiscardWrites);
    ini.WriteBool(Item.Name, "IsActive", Item.IsActive);
    ini.WriteBool(Item.Name, "IsSpecial", Item.IsSpecial);
    batch.Commit();
  }
}

void tItemContent::Retarget(std::string itemFile, std::string itemName) {
  Item.ItemFile = std::move(itemFile);
  Item.Name = std::move(itemName);
  auto retarget = [this](auto& container) {
    container.ItemFile = Item.ItemFile;
    container.Section = Item.Name;
    for (auto& e : container.Entries) {
      e.ItemFile = Item.ItemFile;
      e.Section = Item.Name;
    }
  };
  retarget(Folders);
  retarget(Registers);
}

namespace {
void WriteItemBody(tItemContent& item) {
  item.PersistFlags(PersistDirection::Write);
  item.Folders.Save();
  item.Registers.Save();
}
}  // namespace

void tItemContent::SaveAsNew(std::string itemFile, std::string itemName, bool active) {
  Retarget(std::move(itemFile), std::move(itemName));
  Item.IsActive = active;
  // The name key, the flags and every entry reach the file in one replacement: never a name
  // without its section.
  ProfileBatch batch(Item.ItemFile, ProfileBatch::DiscardWrites);
  AppendNameKey(Item.ItemFile, Item.Name);
  WriteItemBody(*this);
  batch.Commit();
}

void tItemContent::Rename(std::string newName, bool active, int32_t index) {
  const std::string oldName = Item.Name;
  // The old section goes and the new one comes in one replacement of the file: never an item
  // without its entries.
  ProfileBatch batch(Item.ItemFile, ProfileBatch::DiscardWrites);
  ProfileFile ini(Item.ItemFile);
  // The name key to reuse is the one that lists the old name. When the file no longer lists it
  // at the index given (changed by another program since it was loaded), the key is looked up
  // again, and when the name is not listed at all a new key is appended: another item's name key
  // is never overwritten.
  int32_t slot = -1;
  if (NameKeyValue(Item.ItemFile, index) == std::optional<std::string>(oldName)) {
    slot = index;
  } else if (auto found = FindNameKey(Item.ItemFile, oldName)) {
    slot = *found;
  }
  ini.EraseSection(oldName);
  Retarget(Item.ItemFile, std::move(newName));
  if (slot >= 0)
    ini.WriteString(kCommon, "Item" + std::to_string(slot), Item.Name);
  else
    AppendNameKey(Item.ItemFile, Item.Name);
  Item.IsActive = active;
  WriteItemBody(*this);
  batch.Commit();
}

void tItemContent::RemoveFromFile(const std::string& itemFile, const std::string& itemName,
                                  int32_t index) {
  ProfileBatch batch(itemFile, ProfileBatch::DiscardWrites);
  ProfileFile ini(itemFile);
  ini.EraseSection(itemName);
  int32_t slot = -1;
  if (NameKeyValue(itemFile, index) == std::optional<std::string>(itemName)) {
    slot = index;
  } else if (auto found = FindNameKey(itemFile, itemName)) {
    slot = *found;
  }
  // Only a name key that lists this item is removed; the keys after it move up by one.
  const int32_t total = ini.ReadInteger(kCommon, "Total", 0);
  if (slot >= 0 && slot < total) {
    for (int32_t n = slot; n <= total - 2; ++n) {
      ini.WriteString(kCommon, "Item" + std::to_string(n),
                      ini.ReadString(kCommon, "Item" + std::to_string(n + 1), ""));
    }
    ini.DeleteKey(kCommon, "Item" + std::to_string(total - 1));
    ini.WriteInteger(kCommon, "Total", total - 1);
  }
  batch.Commit();
}

// ---- item list -------------------------------------------------------------------------------

void titem_list::LoadFromFile(const std::string& path) {
  ProfileBatch reading(path);  // one look at the disk for all the reads below
  ProfileFile ini(path);
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
    Items.push_back(std::move(item));
  }
}

void titem_list::SaveOrder(const std::string& path) const {
  ProfileBatch batch(path);
  ProfileFile ini(path);
  ini.WriteInteger(kCommon, "Total", Count());
  for (int32_t n = 0; n < Count(); ++n) {
    const auto& item = Items[static_cast<std::size_t>(n)];
    const std::string line = item.Name + std::string(kOrderMarker) + item.ItemFile;
    ini.WriteString(kCommon, "Item" + std::to_string(n), line);
    ini.WriteString(line, "txtfilename", item.ItemFile);
    ini.WriteBool(line, "IsActive", item.IsActive);
    ini.WriteBool(line, "IsSpecial", item.IsSpecial);
  }
  batch.Commit();
}

bool titem_list::Contains(const titem_property& item) const {
  return std::any_of(Items.begin(), Items.end(), [&](const titem_property& i) {
    return i.Name == item.Name && i.ItemFile == item.ItemFile;
  });
}

void titem_list::AssignItem(titem_property& target, const titem_property& source) {
  target = source;
}

void titem_list::AddCopy(const titem_property& item) {
  if (item.Name.empty()) return;
  Items.push_back(item);
}

void titem_list::MoveUp(int32_t index) {
  if (index < 1 || index > Count() - 1) return;
  std::swap(Items[static_cast<std::size_t>(index - 1)], Items[static_cast<std::size_t>(index)]);
}

void titem_list::MoveDown(int32_t index) {
  if (index < 0 || index > Count() - 2) return;
  std::swap(Items[static_cast<std::size_t>(index)], Items[static_cast<std::size_t>(index + 1)]);
}

}  // namespace vorlisk
