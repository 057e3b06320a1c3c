// Help for the dialogs: the window decides how a topic is shown (the help file beside the program)
// and tells the dialogs once; a dialog with a topic of its own answers F1 with it.
#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace vorlisk::dialogs {

using HelpHandler = std::function<void(int topic)>;

// Replaces the handler; an empty one makes F1 do nothing.
void SetHelpHandler(HelpHandler handler);

// Shows `topic` through the handler (a dialog's "&Help" button); nothing without a handler.
void ShowHelpTopic(int topic);

// F1 anywhere in `widget` shows `topic` through the handler set at the time of the key press.
void InstallHelpKey(QWidget* widget, int topic);

// The frame every dialog here shares: modal, a title bar with only a close box, centred on the
// screen. `fixed` freezes the dialog at its current size.
void SetUpDialogFrame(QDialog& dialog, bool fixed);

}  // namespace vorlisk::dialogs
