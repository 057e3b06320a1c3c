// Global hot keys on Windows: always available, through RegisterHotKey.
#include "gui/support/global_hot_keys.h"
#include "gui/win32/win_hot_keys.h"

namespace vorlisk::window {

bool GlobalHotKeysAvailable() { return true; }

std::unique_ptr<GlobalHotKeys> MakeGlobalHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed) {
  return MakeWindowsHotKeys(window, std::move(pressed));
}

}  // namespace vorlisk::window
