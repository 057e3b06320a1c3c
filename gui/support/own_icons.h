// The window's icons: the desktop's icon theme where it has the name, else the program's own,
// drawn here, so the window looks complete on a bare desktop.
#pragma once

#include <QIcon>

namespace vorlisk::window {

enum class OwnGlyph {
  Settings,
  Exclude,
  Log,
  DeleteLog,
  Import,
  Export,
  About,
  Help,
  Preview,
  Wash,
  Exit,
  Add,
  Edit,
  Delete,
  Up,
  Down,
  CheckAll,
  UncheckAll,
  SelectAll,
  UnselectAll
};

QIcon OwnIcon(OwnGlyph glyph);
QIcon ThemedIcon(const char* themeName, OwnGlyph fallback);
// The program's icon (window, notification area).
QIcon AppIcon();

}  // namespace vorlisk::window
