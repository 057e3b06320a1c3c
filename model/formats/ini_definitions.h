// INI-style cleaner definitions (one section per application, "FileKey<n>" and "RegKey<n>" keys),
// converted to wash items. The text is read by the profile-file parser (platform/ini_document.h):
// such files are Windows profile files, read by the rules of the Windows profile API.
//
// A section "[Name *]" gives the item "Name":
// - "FileKey<n>=path|mask[;mask...][|RECURSE|REMOVESELF]": one folder entry per mask, the path as
//   it is written (a leading %Variable% is a user folder, "*" in a level a wildcard level);
//   RECURSE includes the subfolders; REMOVESELF also removes the folders the wash empties (the
//   folder itself stays, which the report says).
// - "RegKey<n>=key" (the whole key) or "RegKey<n>=key|value" (one value).
// - "ExcludeKey<n>=FILE|folder|mask[;mask...]" and "PATH|folder[|masks]": the item's own
//   exclusions, set on each of its folder entries (a PATH with masks excludes the whole folder:
//   more is kept, never less). "REG|key[|value]": the registry entries it touches are left out.
// - "Detect<n>" (a registry key), "DetectFile<n>" (a file or folder), "DetectOS" (this is
//   Windows): unless every section is asked for, a section is converted only when one of its
//   detections holds, or it has none.
// - "Default=True" ticks the item unless it has a "Warning"; otherwise it arrives unticked.
// Every other key, flag or form is reported with its line and not converted.
#pragma once

#include <string_view>

#include "model/formats/definitions.h"

namespace vorlisk::formats {

ConvertedDefinitions ReadIniDefinitions(std::string_view text, const DefinitionMachine& machine);

}  // namespace vorlisk::formats
