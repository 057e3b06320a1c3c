// Global hot keys on Windows: RegisterHotKey on the main window's handle, WM_HOTKEY carrying the
// identifier.
#pragma once

#include "gui/support/global_hot_keys.h"

namespace vorlisk::window {

std::unique_ptr<GlobalHotKeys> MakeWindowsHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed);

}  // namespace vorlisk::window
