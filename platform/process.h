// The running program: where it lives.
#pragma once

#include <string>
#include <string_view>

namespace vorlisk::platform {

// The program folder as Windows text with a trailing "\", from a host folder (made absolute, links
// resolved). A folder outside every mapped drive gets a drive letter of its own (see drives.h).
// Empty text when the folder does not exist, or when its path holds what Windows text cannot
// carry (HostNameRefusal: a control character, on POSIX also a "\"); then `why`, when given,
// receives the reason, a clause to follow "cannot be used: " ("it does not exist", "its name
// holds a line break, ...").
std::string ProgramFolderFromHost(std::string_view hostFolder, std::string* why = nullptr);

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
// Empty text when the folder cannot be used (its name holds what Windows text cannot carry) or the
// user's folder cannot be made (no home, no right to write); then `why`, when given, receives the
// reason as a sentence. Windows keeps the executable's folder.
std::string DefaultProgramFolder(std::string* why = nullptr);
// The same for an executable in `hostExecutableFolder`.
std::string DefaultProgramFolderFor(std::string_view hostExecutableFolder,
                                    std::string* why = nullptr);

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
// not exist, its folder must) as Windows text. Empty text when it cannot be, and then `why`, when
// given, receives the reason, a clause to follow "cannot be used: ": its folder does not exist, or
// a name holds what Windows text cannot carry. On POSIX that is a "\" ("a\b.txt" is one host
// file, never "a" then "b.txt") or a control character; on Windows, where "\" and "/" both
// separate the levels of the host path, a control character, or a ":" in the file's name (a
// stream of a file, not a file).
std::string WindowsPathFromHost(std::string_view hostPath, std::string* why = nullptr);

// Why a host path cannot be Windows text, as a clause to follow "cannot be used: " ("its name
// holds a line break, ..."), or "" when it can. A control character (0x01-0x1F, 0x7F) would break
// the one line a path is shown, logged and stored on. With `backslashIsName` (POSIX, where "\" is
// a character of a name) a "\", which Windows text would read as a separator of two levels.
// Pure text (platform/host_path.cpp).
std::string HostNameRefusal(std::string_view hostPath, bool backslashIsName);
// The reason WindowsPathFromHost gives when ProgramFolderFromHost refused the file's folder with
// `folderWhy` (pure text).
std::string FolderRefusal(std::string_view hostFolder, std::string_view folderWhy);

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
