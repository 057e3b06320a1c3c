// A folder for the program's run-time names (the single instance's socket) in which no other user
// can create, replace or remove a name, so that no other user can keep the window from starting or
// pass for a running instance.
#pragma once

#include <string>
#include <vector>

namespace vorlisk::platform {

// The host path of that folder:
// - $XDG_RUNTIME_DIR when it is set: it must be an absolute path to a folder (not a link) of this
//   user that nobody else may write to;
// - otherwise "vorlisk-<user id>" in $TMPDIR (or /tmp), made with mode 0700 when missing, and
//   then checked the same way, and that nobody else may even read;
// - when that one cannot be used (another user made it first, it is a link, it is open to
//   others), the user's own fallback folder "vorlisk/run" in $XDG_STATE_HOME (absolute) or
//   ~/.local/state, made with mode 0700 (parents made for the owner only), checked as the one in
//   $TMPDIR. Another user can make a name in /tmp, never in the user's home.
// Throws Error saying why no folder can be used (naming each one tried).
std::string PrivateRuntimeFolder();

// Where a running instance of this user may have taken its names, PrivateRuntimeFolder() first:
// when that is the folder in $TMPDIR, the fallback folder follows it when it exists and is sound,
// for an instance that started while the folder in $TMPDIR was not usable (another user had made
// it, then removed it). A second start looks in each before it takes the first. Throws as
// PrivateRuntimeFolder().
std::vector<std::string> PrivateRuntimeFolders();

}  // namespace vorlisk::platform
