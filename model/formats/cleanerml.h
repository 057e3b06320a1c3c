// CleanerML definitions (an XML document with one <cleaner>) converted to wash items.
//
// Each <option> of the cleaner gives one item, "<cleaner label>: <option label>", never ticked:
// CleanerML marks nothing as default. Its actions become entries, each ticked and named after the
// path or key it reaches:
//
//   delete search="file"         one SingleFile; with "*" or "?" in a level, a FolderMask
//   delete search="glob"         FolderMask "folder\mask"; "*" and "?" in folders: wildcard levels
//   delete search="walk.files"   FolderMask "folder\*.*" with its subfolders
//   delete search="walk.all"     the same, removing the folders the wash empties (not with
//          or "walk.top"         type="f", which takes files only)
//   delete with regex=           one entry per mask the regex reduces to, in place of "*.*"
//                                (of a walk) or "*" (the last level of a glob)
//   winreg path= [name=]         a registry entry: the whole key, or the single value
//
// Paths become Windows text: "~" and $HOME give %Home%; "~/.cache", "~/.config", "~/.local/share",
// "~/.local/state" and the XDG variables give %Cache%, %Config%, %Data%, %State% (and
// $XDG_RUNTIME_DIR %Runtime%); the Windows folder variables ($APPDATA, %LocalAppData%, ...) give
// %AppData%, %LocalAppData%, %UserProfile%, %Temp%, %CommonAppData%, %ProgramFiles%, %WinDir%;
// other absolute host paths go through DefinitionMachine::HostToWindows. A path naming a <var>
// as $$name$$ gives one entry for each of its values; the paths variables give the actions of one
// option are at most 1,000 (the first ones, the last variable's values changing fastest), and an
// item keeps at most kMostEntries entries. An option's <warning> stays with its item. A registry
// key is stored without a trailing "\", blanks around it or empty levels. A regex reduces to masks
// only where they take no name it does not: a mask takes letters in either case, so the regex must
// too (a leading "(?i)", or "[lL]" for each letter).
//
// Left out, each with a note at its line: what is for another system (os= on the cleaner, an
// option, an action or a <value>); every command other than delete and winreg (truncation,
// in-file edits, package-manager commands, ...); a delete of folders (type="d"); exclusions
// (nregex=, nwholeregex=), regexes on the whole path, and regexes that no "*" and "?" masks
// express; glob syntax masks cannot hold ("[abc]", "**", "{a,b}"); unknown variables, relative
// paths, host paths no user folder or fixed drive holds, an action, a <value>, a label or an id
// holding a control character once its entities are decoded ("&#0;" included), and paths with a "."
// or ".." level; a delete or winreg action with an attribute of unknown meaning or holding
// elements; <var> paths beyond the option's 1,000. Notes also tell what a conversion changes or
// passes over: a walk here leaves names beginning with "." (the source takes them), a walk.top
// keeps the folder itself, a <running> check is not made, <localizations> and descriptions are not
// kept (the first <description> stands for all), elements the reader does not know. An option that
// gives no entry is left out with a note of its own.
#pragma once

#include <string_view>

#include "model/formats/definitions.h"

namespace vorlisk::formats {

// Converts a CleanerML document for `machine` (its Os filters; its HostToWindows places host
// paths). Text that is not well-formed XML gives no item and one note: the parser's reason, at its
// line.
ConvertedDefinitions ReadCleanerMl(std::string_view xml, const DefinitionMachine& machine);

}  // namespace vorlisk::formats
