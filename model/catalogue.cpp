#include <algorithm>
#include <set>
#include <utility>

#include "engine/find_file.h"
#include "model/item.h"
#include "model/name_keys.h"
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

// The plug-in files: every file directly in the folder "plugin" whose name matches "*.txt",
// sorted by name (ignoring a to z case) so the catalogue does not depend on directory order.
std::vector<std::string> PluginFileNames(const std::string& programFolder) {
  std::vector<std::string> names;
  TFindFile search;
  search.IncludeFiles.push_back(programFolder + std::string(kPluginFolder) + "*.txt");
  search.Subfolders = false;
  search.OnFound = [&names](TFindFile&, const std::string&, const TSearchRec& rec) {
    names.push_back(rec.Name);
  };
  search.StartSearch();
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return UpperAZ(a) < UpperAZ(b);
  });
  return names;
}

}  // namespace

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
    list.AddCopy(item);
    listed.emplace(item.Name, item.ItemFile);
  };
  for (const auto& entry : order.Items)
    if (available.count({entry.Name, entry.ItemFile})) append(entry);
  for (const auto& item : all.Items)
    if (!listed.count({item.Name, item.ItemFile})) append(item);
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
