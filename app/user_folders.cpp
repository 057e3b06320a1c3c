#include "app/user_folders.h"

#include "platform/file_lock.h"
#include "platform/registry.h"
#include "platform/user_folders.h"

namespace vorlisk {

void PrepareRegistry(const std::string& programFolder) {
  platform::SetProgramFolderLock(programFolder);
  platform::SetRegistryFile(programFolder + "registry.reg");
  if (platform::RegistryFileExists()) return;
  const auto folders = platform::DisposableUserFolders();
  if (folders.empty()) return;
  platform::RegistryBatch batch;
  platform::Registry registry;
  registry.SetRootKey(platform::RootKey::CurrentUser);
  if (!registry.OpenKey(std::string(kUserFoldersKey), true)) return;
  for (const auto& [name, folder] : folders) registry.WriteString(name, folder);
}

}  // namespace vorlisk
