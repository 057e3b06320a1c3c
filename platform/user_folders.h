// The user's own folders that wash items reach through the registry.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vorlisk::platform {

// (value name, folder as Windows text) for the current user's folders, read from the environment
// as it is now: the caches, whose whole content is disposable ("Cache", "Thumbnails",
// "Firefox Cache", "Chromium Cache", "Chrome Cache", "Brave Cache", "Vivaldi Cache",
// "Opera Cache", "Edge Cache"; "Firefox Snap Cache", "Firefox Flatpak Cache" and "Chromium Snap
// Cache" of the browsers installed as packages, in the home), then the folders of the desktop's
// user-dirs file ("Desktop", "Downloads", "Documents", "Music", "Pictures", "Videos", "Templates",
// "Public"), which only an item of the user's own names. A folder that no mapped drive holds gets a
// free drive letter of its own (see ToWindowsPathMappingIfNeeded). On Windows the system's own keys
// serve instead: empty.
std::vector<std::pair<std::string, std::string>> UserFolders();

}  // namespace vorlisk::platform
