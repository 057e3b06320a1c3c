// The folders no walk of all subfolders may take whole, by identity: the portable half. Each
// backend's GuardedFolders::Now() finds the folders and the folders above them.
#include <memory>

#include "platform/user_folders.h"

namespace vorlisk::platform {

void GuardedFolders::Add(const FileIdentity& folder, const std::vector<FileIdentity>& above,
                         const std::string& name) {
  names_.try_emplace(folder, Named{name, false});
  for (const auto& holder : above)
    names_.try_emplace(holder, Named{"a folder holding " + name, true});
}

std::string GuardedFolders::NameOf(const FolderHandle& folder, bool holders) const {
  const auto found = names_.find(folder.Identity());
  if (found != names_.end()) return holders || !found->second.holder ? found->second.name : "";
  // A root holds every folder of its drive, whichever they are: it is its own parent (POSIX),
  // or has none (Windows, where a parent that cannot be opened is taken for none: the walk is
  // refused rather than a root taken whole).
  const auto parent = folder.Parent();
#ifdef _WIN32
  if (!parent) return "the root of a drive";
#endif
  if (parent && parent->Identity() == folder.Identity()) return "the root of a drive";
  return {};
}

}  // namespace vorlisk::platform
