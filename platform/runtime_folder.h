// A folder for the program's run-time names (the single instance's socket) in which no other user
// can create, replace or remove a name, so that no other user can keep the window from starting or
// pass for a running instance.
#pragma once

#include <string>

namespace vorlisk::platform {

// The host path of that folder:
// - $XDG_RUNTIME_DIR when it is set: it must be an absolute path to a folder (not a link) of this
//   user that nobody else may write to;
// - otherwise "vorlisk-<user id>" in $TMPDIR (or /tmp), made with mode 0700 when missing, and
//   then checked the same way, and that nobody else may even read.
// Throws Error saying why the folder cannot be used (naming it).
std::string PrivateRuntimeFolder();

}  // namespace vorlisk::platform
