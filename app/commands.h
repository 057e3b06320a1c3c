// The commands of the main window's buttons, as a click runs them: each looks at whether its
// control is enabled, asks through the session's port what it needs (a question, a file, a draft
// in a dialog) and runs its workflow. The window connects every button to RunCommand.
#pragma once

#include "app/controls.h"
#include "app/main_session.h"

namespace vorlisk {

inline constexpr const char* kLogNotWritten =
    "Note: The latest operation is not be written to the log files.\rBecause Write Operation to "
    "Log in Setting isn't to be checked!";

// Runs the control's command when the control is enabled and returns true. The controls that open
// a dialog of the window's own (btnsetting, btnExclude, SpeedButton3 "About...") and
// SpeedButton17 "Exit" are the front end's: RunCommand returns false for them and does nothing.
bool RunCommand(MainSession& session, Control control);

// Opens a document with the desktop's handler; a document that does not exist, or that no
// program opens, is said in the error box.
void OpenDocument(MainSession& session, const std::string& path);
// The error when no program on the desktop opens `what` (a file, a web address, a mail address).
std::string NoProgramToOpen(const std::string& what);

// "View Log": the note when logging is off, then the log opened when it exists.
void ViewLog(MainSession& session);
// "Delete Log": asks, deletes the log and says so when it was deleted; a failure is silent.
void DeleteLog(MainSession& session);
// "Help": a topic of the help pages ("58.html", the main window's), opened by the desktop's
// handler: the program folder's "help\" when it has the page, else the pages shipped with the
// program (platform::ShippedHelpFolder).
inline constexpr int kMainWindowHelp = 58;
void OpenHelp(MainSession& session, int topic = kMainWindowHelp);
// Import and export of plug-in files through the port's file choosers.
void ImportPluginFile(MainSession& session);
void ExportPluginFile(MainSession& session);

}  // namespace vorlisk
