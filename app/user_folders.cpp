#include "app/user_folders.h"

#include "platform/file_lock.h"
#include "platform/registry.h"
#include "platform/user_folders.h"

namespace vorlisk {

namespace {

// Sets the user's folders from the environment as it is now.
void SetUserFolders() {
  const auto folders = platform::UserFolders();
  platform::RegistryBatch batch;  // one save at most, under the program folder's lock
  platform::Registry registry;
  registry.SetRootKey(platform::RootKey::CurrentUser);
  const std::string key = "\\" + std::string(kUserFoldersKey);
  if (!registry.OpenKey(key, !folders.empty())) return;
  // Values that the environment no longer names (another HOME, a mistaken cache folder) go;
  // unchanged values are not written again, so a start like the last one saves nothing.
  for (const std::string& name : registry.GetValueNames()) {
    bool named = false;
    for (const auto& folder : folders) named = named || folder.first == name;
    if (!named) registry.DeleteValue(name);
  }
  for (const auto& [name, folder] : folders)
    if (!registry.ValueExists(name) || registry.ReadString(name) != folder)
      registry.WriteString(name, folder);
}

}  // namespace

void PrepareRegistry(const std::string& programFolder) {
  platform::SetProgramFolderLock(programFolder);
  // Where the system has a registry the program uses it; elsewhere the store in the program
  // folder stands for it.
  if (!platform::HasSystemRegistry()) platform::SetRegistryFile(programFolder + "registry.reg");
  try {
    SetUserFolders();
  } catch (const platform::RegistryStoreError&) {
    // A damaged store is left as it is: each command that reads the registry reports it.
  }
}

}  // namespace vorlisk
