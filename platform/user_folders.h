// The user's own folders that shipped wash items reach through the registry.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vorlisk::platform {

// (value name, folder as Windows text) for the folders of the current user whose whole content is
// disposable (caches and thumbnails). On Windows the system's own keys serve instead: empty.
std::vector<std::pair<std::string, std::string>> DisposableUserFolders();

}  // namespace vorlisk::platform
