// The registry as the program uses it on start: where it lives, and the user's folders that the
// shipped items reach through it.
#pragma once

#include <string>
#include <string_view>

#include "platform/user_folders.h"

namespace vorlisk {

using platform::kUserFoldersKey;

// Binds the registry to the program folder + "registry.reg" and sets the user's folders under
// HKEY_CURRENT_USER\ + kUserFoldersKey from the environment as it is now (platform/user_folders.h),
// at every start: values that another HOME or drive mapping left there are replaced or removed.
void PrepareRegistry(const std::string& programFolder);

}  // namespace vorlisk
