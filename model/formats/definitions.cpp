#include "model/formats/definitions.h"

#include <pugixml.hpp>
#include <unordered_map>
#include <unordered_set>

#include "model/formats/item_file.h"
#include "platform/ini_document.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk::formats {

namespace {

// "FileKey12", "RegKey3", "ExcludeKey1": a name followed by digits only.
bool NumberedKey(std::string_view key, std::string_view name) {
  if (key.size() <= name.size() || !SameTextAZ(key.substr(0, name.size()), name)) return false;
  return key.substr(name.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

bool HoldsControl(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9f)
      return true;
  }
  return false;
}

DefinitionFormat DetectDefinitionFormat(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string_view::npos && text[first] == '<') {
    pugi::xml_document doc;
    if (doc.load_buffer(text.data(), text.size()) && doc.document_element() &&
        std::string_view(doc.document_element().name()) == "cleaner")
      return DefinitionFormat::CleanerMl;
    return DefinitionFormat::Unknown;
  }
  bool utf16 = false;
  const auto document = platform::IniDocument::Parse(platform::DecodeProfileText(text, utf16));
  bool common = false;
  for (const auto& section : document.AllSections()) {
    for (const auto& key : section.keys) {
      if (NumberedKey(key.name, "FileKey") || NumberedKey(key.name, "RegKey") ||
          NumberedKey(key.name, "ExcludeKey") || SameTextAZ(key.name, "DetectFile") ||
          SameTextAZ(key.name, "Detect") || NumberedKey(key.name, "Detect") ||
          NumberedKey(key.name, "DetectFile"))
        return DefinitionFormat::IniDefinitions;
      common = common || (SameTextAZ(section.name, "Common") && SameTextAZ(key.name, "Total"));
    }
  }
  return common ? DefinitionFormat::ItemFile : DefinitionFormat::Unknown;
}

void FitToItemFile(ConvertedItem& item, std::vector<ImportNote>& notes) {
  const auto tooLong = [&](const std::string& value, const std::string& what) {
    if (value.size() <= platform::kProfileValueMax) return false;
    notes.push_back({item.Line, item.Name + ": " + what.substr(0, 160),
                     "left out: longer than the " + std::to_string(platform::kProfileValueMax) +
                         " characters an item file keeps of a value"});
    return true;
  };
  std::erase_if(item.Folders, [&](const tChildFolder& e) {
    const std::string& path = e.Kind == FolderKind::SingleFile ? e.DeleteFileName : e.DeletePath;
    return tooLong(path, path) || tooLong(e.Exclude, path + " (its exclusions)");
  });
  std::erase_if(item.Registers, [&](const tChildRegister& e) {
    return tooLong(e.RegisterKeyName, e.RegisterKeyName) ||
           tooLong(e.RegisterSingleValue, e.RegisterKeyName + " (" + e.RegisterSingleValue + ")");
  });
  const auto cut = [&](auto& entries, const char* kind) {
    const auto most = static_cast<std::size_t>(kMostEntries);
    if (entries.size() <= most) return;
    notes.push_back({item.Line, item.Name,
                     "the first " + std::to_string(most) + " " + kind + " entries are kept, " +
                         std::to_string(entries.size() - most) +
                         " left out: an item holds at most " + std::to_string(most)});
    entries.resize(most);
  };
  cut(item.Folders, "folder");
  cut(item.Registers, "registry");
}

void WriteConvertedItems(const std::string& itemFile, const std::vector<ConvertedItem>& items) {
  platform::ProfileBatch batch(itemFile, platform::ProfileBatch::DiscardWrites);
  platform::ProfileFile(itemFile).Clear();
  std::unordered_set<std::string> taken = {"COMMON"};
  // The number each name tries next when it is taken: the numbers below it are taken already.
  std::unordered_map<std::string, int> next;
  for (const auto& converted : items) {
    // A name is one line of text; one used already, or the list's own section, gets a number.
    std::string base;
    for (const char c : converted.Name) base += (c == '\r' || c == '\n') ? ' ' : c;
    base = platform::TrimProfileBlanks(base);
    if (base.empty()) base = "Imported item";
    std::string name = base;
    for (int& n = next.try_emplace(UpperAZ(base), 2).first->second;
         !taken.insert(UpperAZ(name)).second; ++n)
      name = base + " (" + std::to_string(n) + ")";

    tItemContent item;
    item.Item.Name = name;
    item.Item.IsActive = converted.Active;
    // The warning is one value of the item file: one line, as long as a value may be.
    item.Warning = converted.Warning;
    for (char& c : item.Warning)
      if (c == '\r' || c == '\n') c = ' ';
    if (item.Warning.size() > platform::kProfileValueMax)
      item.Warning = item.Warning.substr(0, platform::kProfileValueMax - 3) + "...";
    item.Item.ItemFile = itemFile;
    item.Folders.ItemFile = item.Registers.ItemFile = itemFile;
    item.Folders.Section = item.Registers.Section = name;
    for (const auto& entry : converted.Folders) item.Folders.Add(entry);
    for (const auto& entry : converted.Registers) item.Registers.Add(entry);
    for (int32_t i = 0; i < item.Folders.Count(); ++i) {
      auto& e = item.Folders.Entries[static_cast<std::size_t>(i)];
      e.ItemFile = itemFile;
      e.Section = name;
      e.Index = i;
    }
    for (int32_t i = 0; i < item.Registers.Count(); ++i) {
      auto& e = item.Registers.Entries[static_cast<std::size_t>(i)];
      e.ItemFile = itemFile;
      e.Section = name;
      e.Index = i;
    }
    AddItem(item);
  }
  batch.Commit();
}

}  // namespace vorlisk::formats
