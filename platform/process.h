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
void WatchTerminationRequests();
bool TerminationRequested();

}  // namespace vorlisk::platform
