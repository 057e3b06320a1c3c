// The user's own folders that wash items reach through the registry.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/filesystem.h"

namespace vorlisk::platform {

// (value name, folder as Windows text) for the current user's folders, read from the environment
// as it is now: the caches, whose whole content is disposable ("Cache", "Thumbnails",
// "Firefox Cache", "Chromium Cache", "Chrome Cache", "Brave Cache", "Vivaldi Cache",
// "Opera Cache", "Edge Cache"; "Firefox Snap Cache", "Firefox Flatpak Cache" and "Chromium Snap
// Cache" of the browsers installed as packages, in the home), the base folders ("Home", "Config",
// "Data", "State", "Runtime"), which entries name as %NAME% to reach a file or folder below them,
// then the folders of the desktop's user-dirs file ("Desktop", "Downloads", "Documents", "Music",
// "Pictures", "Videos", "Templates", "Public"), which only an item of the user's own names. A
// folder that no mapped drive holds gets a free drive letter of its own (see
// ToWindowsPathMappingIfNeeded).
// On Windows they come from the shell's known folders, whether they exist or not, without a
// trailing "\" (but a root's): the same caches below the local application data, "Cache" being
// the Internet cache and "Thumbnails" Explorer's caches; the base folders "Home" and
// "UserProfile" (the profile), "AppData", "LocalAppData", "LocalLowAppData", "Temp",
// "CommonAppData", "ProgramFiles", "CommonProgramFiles", "WinDir", "SystemDrive"; and the user's
// folders as above, with "Recent". A folder on no drive (a share) is left out.
std::vector<std::pair<std::string, std::string>> UserFolders();

// The program's own key under HKEY_CURRENT_USER holding the user's folders as Windows text, set at
// every start. Windows items never name it, so they can never widen into a host's home folder.
inline constexpr std::string_view kUserFoldersKey = "Software\\Vorlisk\\User Folders";

// What `folder` (Windows text) is when a walk of all its subfolders would reach files no wash item
// can mean: "the root of the system" (the host's root, which `rm --preserve-root` guards too),
// "your home folder", or "your Documents folder" and the like for the top-level user folders
// (Desktop, Documents, Downloads, Music, Pictures, Videos, Public, Templates: those of the
// user-dirs file, or of those names in the home). On Windows any drive or share root ("the root
// of the system" for the drive of Windows, "the root of D:"), the profile, the user's known
// folders and those names in the profile, and the Windows, Program Files and profiles folders.
// Compared by identity, whatever text or links lead there. "" for any other folder, and for one
// that does not exist.
std::string GuardedFolderName(std::string_view folder);

// The folders GuardedFolderName names, and every folder that holds one of them, by identity, as
// the system finds them when Now() is called: what a walk of all subfolders must never take whole,
// however the text that led it there was spelled (another case, a trailing ".", a wildcard level).
class GuardedFolders {
 public:
  static GuardedFolders Now();
  // What the open folder is: GuardedFolderName's words ("your home folder"), or, for a folder
  // above one of those, "a folder holding your home folder"; also "the root of a drive" for any
  // root the set does not name (a folder with no folder above it). "" for any other folder, and
  // for a folder that only holds one when `holders` is false.
  std::string NameOf(const FolderHandle& folder, bool holders = true) const;
  // Adds a folder of that name and the folders above it (`above`, nearest first), which hold
  // it; a folder already named keeps its name.
  void Add(const FileIdentity& folder, const std::vector<FileIdentity>& above,
           const std::string& name);

 private:
  struct Named {
    std::string name;
    bool holder = false;
  };
  std::map<FileIdentity, Named> names_;
};

}  // namespace vorlisk::platform
