// The session's port as the window answers it: message boxes with the icons and buttons of the
// program's conventions, the hourglass, Qt's file choosers (opening in the user's home; paths as
// Windows text through the
// drive mapping) and the desktop's handler for documents.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "app/main_session.h"

namespace vorlisk::window {

// A message's text as a box shows it: the line break written "\r" becomes a line break, and a
// word or line too long for the screen (a very long item name or path) is shortened in its middle
// with "…", so the box always fits.
QString MessageText(const std::string& text);

// The widest a word of a message or a menu entry is drawn, in pixels at the application's font.
inline constexpr int kLongestWord = 420;
// `text` shortened in its middle to at most `width` pixels at the application's font.
QString Elided(const QString& text, int width);

// The four boxes; `parent` may be null.
bool AskYesNo(QWidget* parent, const std::string& question);
void ShowNote(QWidget* parent, const std::string& note);
// A report: the summary, and its details in the box's scrolled "Show Details" part.
void ShowReport(QWidget* parent, const std::string& summary, const std::string& details);
void ShowRefusal(QWidget* parent, const std::string& message);
void ShowErrorBox(QWidget* parent, const std::string& message);

// The window's one error boundary: runs `action`; an error it throws goes to `report` (the standard
// error box, or where a dialog shows its errors) and false is returned, so no exception ever
// crosses Qt's event loop. Every handler of the main window and of the dialogs runs through it.
bool ShowingErrors(const std::function<void(const std::string&)>& report,
                   const std::function<void()>& action);
// The same, reporting through the session's port (the standard error box; tests answer it).
bool ShowingErrors(MainSession& session, const std::function<void()>& action);

// The boxes, the hourglass, the file choosers and documents, bound to `parent` (which must outlive
// the callbacks). The preview, editing and progress members are left to their owners.
UiCallbacks MakeQtPort(QWidget* parent);

// Qt's filter text ("TXT file (*.TXT)") of the program's ("TXT file (*.TXT)|*.TXT").
QString QtFilter(const std::string& filter);

}  // namespace vorlisk::window
