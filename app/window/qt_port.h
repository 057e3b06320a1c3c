// The session's port as the window answers it: message boxes with the icons and buttons of the
// program's conventions, the hourglass, Qt's file choosers (paths as Windows text through the
// drive mapping) and the desktop's handler for documents.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "app/main_session.h"

namespace vorlisk::window {

// A message's text as a box shows it: the line break written "\r" becomes a line break.
QString MessageText(const std::string& text);

// The four boxes; `parent` may be null.
bool AskYesNo(QWidget* parent, const std::string& question);
void ShowNote(QWidget* parent, const std::string& note);
void ShowRefusal(QWidget* parent, const std::string& message);
void ShowErrorBox(QWidget* parent, const std::string& message);

// The boxes, the hourglass, the file choosers and documents, bound to `parent` (which must outlive
// the callbacks). The preview, editing and progress members are left to their owners.
UiCallbacks MakeQtPort(QWidget* parent);

// Qt's filter text ("TXT file (*.TXT)") of the program's ("TXT file (*.TXT)|*.TXT").
QString QtFilter(const std::string& filter);

}  // namespace vorlisk::window
