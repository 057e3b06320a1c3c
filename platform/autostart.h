// Starting the window program when the user logs in.
//
// On Windows it is the string value "Vorlisk" under HKEY_LOCAL_MACHINE, key
// "Software\Microsoft\Windows\CurrentVersion\Run": a command line holding the full path of the
// window program "vorlisk.exe" beside the running executable, in double quotes when it holds a
// blank, with "--home" and the program folder when that is not the folder the program takes by
// itself. It is written through the registry accessor (registry.h): into the emulated store while
// one is set.
// On POSIX it is the freedesktop.org autostart entry "vorlisk.desktop" in
// $XDG_CONFIG_HOME/autostart
// ($HOME/.config/autostart when XDG_CONFIG_HOME is unset or not absolute): a Desktop Entry whose
// Exec line starts the window program "vorlisk" beside the running executable, with "--home" and
// the program folder when that is not the folder the program takes by itself; through "env" when
// the program's path holds a "%" (GLib looks for the program as the line writes it, "%%"). A
// program folder whose path holds what Windows text cannot carry (a control character, a "\")
// is no program folder at all: the program refuses it at start with the reason
// (ProgramFolderFromHost in process.h). Its text is UTF-8,
// as desktops read it: a path that is not UTF-8 is refused. The entry is replaced atomically
// through a temporary file renamed over it, so a link found in its place is replaced, never
// written through; removing it removes a link as a link.
#pragma once

#include <string>
#include <string_view>

namespace vorlisk::platform {

// The name of the Run value and of the autostart entry.
inline constexpr const char* kAutostartName = "Vorlisk";

// Registers the program to start at logon with the program folder it takes by itself. Throws
// Error "Failed to set data for 'Vorlisk'" when the value or the entry cannot be written, with the
// reason after a colon when the path is one the entry cannot hold.
void EnableAutostart();
// The same for the program folder `programFolder` (Windows text, as the session holds it).
void EnableAutostartFor(std::string_view programFolder);

// Removes the registration; a failure (nothing to remove included) is silent.
void DisableAutostart();

// One argument of a Desktop Entry's Exec line: in double quotes when it holds a reserved character
// (with '"', '`', '$' and '\' escaped by a backslash), every '%' doubled, then written with the
// escapes of a string value ("\\", "\n", "\t", "\r").
std::string DesktopExecArgument(std::string_view argument);

}  // namespace vorlisk::platform
