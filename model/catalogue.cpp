#include "model/catalogue.h"

#include <algorithm>
#include <set>
#include <utility>

#include "model/formats/name_keys.h"
#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

std::string NameForComparison(const std::string& name) { return UpperAZ(Trim(name)); }

bool NameTakenExcept(const std::string& itemFile, const std::string& name, int32_t ownIndex) {
  const std::string wanted = NameForComparison(name);
  for (const auto& [n, value] : ReadNameKeys(itemFile))
    if (n != ownIndex && NameForComparison(value) == wanted) return true;
  return false;
}

}  // namespace

std::vector<std::string> PluginFileNames(const std::string& programFolder) {
  std::vector<std::string> names;
  platform::FindFiles(
      programFolder + std::string(kPluginFolder) + "*.txt",
      [&names](const platform::FindData& found) {
        // Files only (a folder, or a link to one, holds no items); a name beginning with "." is
        // passed over, as every search of the program passes it over.
        if ((found.attributes & platform::kAttrDirectory) == 0 && found.name[0] != '.')
          names.push_back(found.name);
        return true;
      },
      platform::FindDetail::KindOnly);
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return UpperAZ(a) < UpperAZ(b);
  });
  return names;
}

void LoadCatalogue(const std::string& programFolder, titem_list& list) {
  titem_list all;
  all.LoadFromFile(programFolder + std::string(kSystemItemFile));
  all.LoadFromFile(programFolder + std::string(kUserItemFile));
  for (const auto& name : PluginFileNames(programFolder))
    all.LoadFromFile(programFolder + std::string(kPluginFolder) + name);

  titem_list order;
  order.LoadFromFile(programFolder + std::string(kOrderFile));

  // Contains() compares name and item file byte for byte; sets give the same answer without
  // scanning the list for every item.
  using Key = std::pair<std::string, std::string>;
  std::set<Key> available;
  for (const auto& item : all.Items) available.emplace(item.Name, item.ItemFile);

  list = titem_list{};
  std::set<Key> listed;
  auto append = [&](const titem_property& item) {
    if (!listed.emplace(item.Name, item.ItemFile).second) return;
    list.AddCopy(item);
  };
  for (auto entry : order.Items) {
    // An entry written where the program folder lay before (moved, or on another drive letter)
    // names the same file of this one, relative to it.
    if (!available.count({entry.Name, entry.ItemFile}))
      entry.ItemFile = programFolder + ItemFileInProgramFolder(entry.ItemFile);
    if (available.count({entry.Name, entry.ItemFile})) append(entry);
  }
  for (const auto& item : all.Items) append(item);
}

std::string ItemFileInProgramFolder(const std::string& itemFile) {
  const std::size_t name = itemFile.rfind('\\');
  if (name == std::string::npos || name == 0) return {};
  const std::size_t folder = itemFile.rfind('\\', name - 1);
  if (folder == std::string::npos || folder == 0) return {};
  const std::string relative = itemFile.substr(folder + 1);
  const bool plugin = relative.starts_with(kPluginFolder) && relative.size() > kPluginFolder.size();
  if (plugin || relative == kSystemItemFile || relative == kUserItemFile) return relative;
  return {};
}

int32_t IndexInItemFile(const std::string& itemFile, const std::string& name) {
  return FindNameKey(itemFile, name).value_or(0);
}

bool NameTaken(const std::string& itemFile, const std::string& name) {
  return NameTakenExcept(itemFile, name, -1);
}

bool NameTakenByOther(const std::string& itemFile, const std::string& name, int32_t ownIndex) {
  return NameTakenExcept(itemFile, name, ownIndex);
}

}  // namespace vorlisk
