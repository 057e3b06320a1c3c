// Hot key 1's action: the web browsers' windows leave the screen. They are minimized, never closed
// nor ended, so nothing the user had open is lost.
#pragma once

#include <string>
#include <vector>

namespace vorlisk::window {

// Minimizes every top-level window the window manager lists whose window class is a browser's
// (IsBrowserWindow with `names`). Returns how many windows were minimized. Throws Error when the
// window system cannot be reached.
int MinimizeBrowserWindows(const std::vector<std::string>& names);

}  // namespace vorlisk::window
