// MinimizeBrowserWindows on Windows: the shell's window collection (IShellWindows) and each
// IWebBrowser2's Stop and Visible = false belong here; until they are written the hot key says so.
#include "gui/support/browser_windows.h"
#include "platform/error.h"

namespace vorlisk::window {

int MinimizeBrowserWindows(const std::vector<std::string>&) {
  throw Error("The shell's browser windows cannot be reached in this version");
}

}  // namespace vorlisk::window
