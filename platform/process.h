// The running program: where it lives.
#pragma once

#include <string>
#include <string_view>

namespace vorlisk::platform {

// The program folder as Windows text with a trailing "\", from a host folder (made absolute, links
// resolved). A folder outside every mapped drive gets a drive letter of its own (see drives.h).
// Empty text when the folder does not exist, or when its path holds a "\" or a control character,
// which Windows text cannot carry.
std::string ProgramFolderFromHost(std::string_view hostFolder);

// The folder of the running executable, as ProgramFolderFromHost gives it.
std::string ExecutableProgramFolder();

// The program folder to use when the user names none, as ProgramFolderFromHost gives it:
// - the executable's folder when it holds the shipped catalogue "const/system.txt" (a build
//   folder, an unpacked copy);
// - for an installed program (no catalogue beside the executable, but one in
//   "../share/vorlisk/const/system.txt" from it) the user's own folder, "$XDG_DATA_HOME/vorlisk"
//   or "~/.local/share/vorlisk", made on first use with the installation's catalogue; the
//   installation's help pages are copied there whenever they differ from the copies. A catalogue
//   already in the user's folder is the user's (edited) one and is never replaced;
// - otherwise the executable's folder.
// Empty text when the user's folder cannot be made (no home, no right to write). Windows keeps
// the executable's folder.
std::string DefaultProgramFolder();
// The same for an executable in `hostExecutableFolder`.
std::string DefaultProgramFolderFor(std::string_view hostExecutableFolder);

// The folder of the help pages shipped with the program, as ProgramFolderFromHost gives it: "help"
// beside the executable (a build folder, an unpacked copy, Windows), else an installation's
// "../share/vorlisk/help" from it (POSIX). Empty when neither is a folder. The program folder's
// own "help" (the user's copy of an installation's pages) is the caller's to look at first.
std::string ShippedHelpFolder();
// The same for an executable in `hostExecutableFolder`.
std::string ShippedHelpFolderFor(std::string_view hostExecutableFolder);

// Whether `programFolder` (as ProgramFolderFromHost gives it) is the folder DefaultProgramFolder
// gives, found without making anything.
bool IsDefaultProgramFolder(std::string_view programFolder);

// The running executable as Windows text on the drive that holds it; empty when no drive holds it
// (then no entry can name it). Maps no drive letter of its own.
std::string ExecutableFile();

// A host path given by the user (absolute or relative to the working folder; the file itself need
// not exist, its folder must) as Windows text. Empty text when its folder does not exist, or when
// the path holds a "\" or a control character: "a\b.txt" is one host file, never "a" then "b.txt".
std::string WindowsPathFromHost(std::string_view hostPath);

// Whether the standard input is a terminal a question can be asked on.
bool StdinIsTerminal();
// Whether the standard error is a terminal a progress bar can be drawn on.
bool StderrIsTerminal();

// From now on a request to end the program (SIGTERM, SIGINT, SIGHUP on POSIX; a console close on
// Windows) is only noted, for the program to end in its own orderly way when it next looks.
// A request cancels every run in progress between two lines, as its Cancel does (ProgressTracker).
void WatchTerminationRequests();
bool TerminationRequested();
// The signal of the first request (POSIX); 0 without one.
int TerminationSignal();

}  // namespace vorlisk::platform
