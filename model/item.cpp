#include "model/item.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include "model/formats/item_file.h"

namespace vorlisk {

// ---- entries ---------------------------------------------------------------------------------

namespace {

template <class Entry>
void BindAndRead(Entry& entry, std::string itemFile, int32_t index, std::string section) {
  entry.ItemFile = std::move(itemFile);
  entry.Index = index;
  entry.Section = std::move(section);
  formats::ReadEntry(entry);
}

template <class Entry>
void Transfer(Entry& entry, PersistDirection direction) {
  if (direction == PersistDirection::Read)
    formats::ReadEntry(entry);
  else
    formats::WriteEntry(entry);
}

}  // namespace

void tChildFolder::Create(std::string itemFile, int32_t index, std::string section) {
  BindAndRead(*this, std::move(itemFile), index, std::move(section));
}

void tChildFolder::Persist(PersistDirection direction) { Transfer(*this, direction); }

void tChildRegister::Create(std::string itemFile, int32_t index, std::string section) {
  BindAndRead(*this, std::move(itemFile), index, std::move(section));
}

void tChildRegister::Persist(PersistDirection direction) { Transfer(*this, direction); }

// ---- containers ------------------------------------------------------------------------------

template <class Entry>
void EntryContainer<Entry>::Create(std::string itemFile, std::string section) {
  ItemFile = std::move(itemFile);
  Section = std::move(section);
  formats::ReadEntries(*this);
}

template <class Entry>
void EntryContainer<Entry>::AssignEntry(Entry& target, const Entry& source) {
  if constexpr (std::is_same_v<Entry, tChildFolder>) {
    auto found = std::move(target.FoundFiles);
    target = source;
    target.FoundFiles = std::move(found);
  } else {
    target = source;
  }
}

template <class Entry>
void EntryContainer<Entry>::Add(const Entry& entry) {
  Entries.emplace_back();
  AssignEntry(Entries.back(), entry);
}

template <class Entry>
void EntryContainer<Entry>::Replace(const Entry& entry, int32_t index) {
  if (index < 0 || index >= Count()) return;
  AssignEntry(Entries[static_cast<std::size_t>(index)], entry);
}

template <class Entry>
void EntryContainer<Entry>::Delete(int32_t index) {
  if (index < 0 || index >= Count()) return;
  Entries.erase(Entries.begin() + index);
  for (int32_t i = 0; i < Count(); ++i) Entries[static_cast<std::size_t>(i)].Index = i;
}

template <class Entry>
void EntryContainer<Entry>::Save() const {
  formats::WriteEntries(*this);
}

template class EntryContainer<tChildFolder>;
template class EntryContainer<tChildRegister>;

// ---- working copy ----------------------------------------------------------------------------

void tItemContent::Create(std::string itemFile, std::string itemName) {
  *this = formats::ReadItem(itemFile, itemName);
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

void tItemContent::SaveAsNew(std::string itemFile, std::string itemName, bool active) {
  Retarget(std::move(itemFile), std::move(itemName));
  Item.IsActive = active;
  formats::AddItem(*this);
}

void tItemContent::Rename(std::string newName, bool active, int32_t index) {
  const std::string oldName = Item.Name;
  Retarget(Item.ItemFile, std::move(newName));
  Item.IsActive = active;
  formats::ReplaceItem(*this, oldName, index);
}

void tItemContent::RemoveFromFile(const std::string& itemFile, const std::string& itemName,
                                  int32_t index) {
  formats::RemoveItem(itemFile, itemName, index);
}

// ---- item list -------------------------------------------------------------------------------

void titem_list::LoadFromFile(const std::string& path) {
  for (auto& item : formats::ReadItemList(path)) Items.push_back(std::move(item));
}

void titem_list::SaveOrder(const std::string& path) const { formats::WriteOrderFile(path, Items); }

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
