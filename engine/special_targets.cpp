#include "engine/special_targets.h"

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace vorlisk {

void WashSpecialItem(std::string_view name, const CursorCallback& cursor) {
  const Hourglass hourglass(cursor);
  if (name == kRecycleBinItem) EmptyRecycleBin();
  if (name == kUrlHistoryItem) ClearUrlHistory();
}

void EmptyRecycleBin() { platform::EmptyRecycleBins(); }

void ClearUrlHistory() { platform::ClearUrlHistoryStore(); }

void LoadSpecificFiles(SpecificFileList& list) {
  platform::Registry registry;
  registry.SetRootKey(platform::RootKey::CurrentUser);
  // A damaged registry store is reported by the commands that read registry entries; it must not
  // keep the program from starting.
  try {
    if (!registry.OpenKey(
            "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
      return;
  } catch (const platform::RegistryStoreError&) {
    return;
  }
  // A value that is not text is read as missing: the list is built at start-up, and one odd value
  // must not keep the program from starting.
  auto read = [&registry](const char* name) {
    try {
      return registry.ReadString(name);
    } catch (const platform::RegistryError&) {
      return std::string();
    }
  };
  auto withBackslash = [](std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
  };
  list.push_back(withBackslash(read("Cookies")) + "index.dat");
  list.push_back(withBackslash(read("Cache")) + "Content.IE5" + "\\index.dat");
}

int IndexOfSpecificFile(const SpecificFileList& list, std::string_view path) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (SameTextAZ(list[i], path)) return static_cast<int>(i);
  return -1;
}

}  // namespace vorlisk
