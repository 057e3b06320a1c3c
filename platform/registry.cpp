// The accessor's state, the same on every system: the root and the open key's path.
#include "platform/registry.h"

namespace vorlisk::platform {

void Registry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

void Registry::CloseKey() {
  open_ = false;
  openPath_.clear();
}

bool Registry::HasOpenKey() const { return open_; }

std::string Registry::CurrentPath() const { return openPath_; }

}  // namespace vorlisk::platform
