// The catalogue: the wash items of a program folder, from its item files (shipped, the user's and
// the plug-in files) in the order the order file keeps, and the tests of item names within one
// item file. The files are read by the format code (model/formats/item_file.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/item.h"

namespace vorlisk {

// Files of the catalogue, relative to the program folder (which ends in "\").
inline constexpr std::string_view kSystemItemFile = "const\\system.txt";
inline constexpr std::string_view kUserItemFile = "const\\user.txt";
inline constexpr std::string_view kPluginFolder = "plugin\\";
inline constexpr std::string_view kOrderFile = "order.ini";

// The plug-in files: the names of the files directly in the folder "plugin" that match "*.txt"
// (names beginning with "." left out), sorted ignoring the case of a to z, so the catalogue does
// not depend on the order of the folder's listing.
std::vector<std::string> PluginFileNames(const std::string& programFolder);

// Rebuilds `list` from the shipped, user and plug-in item files merged with the order file. The
// order file names each item file by its full path; an entry whose path names no file of the
// catalogue is taken for the file of this program folder with the same relative path
// (ItemFileInProgramFolder), as the order file of a program folder that was moved or is reached
// through another drive letter gives it.
void LoadCatalogue(const std::string& programFolder, titem_list& list);

// The path of an item file relative to the program folder it lies in, read from its full path
// alone: "const\system.txt", "const\user.txt" or "plugin\<name>", each after a folder; empty
// for any other path.
std::string ItemFileInProgramFolder(const std::string& itemFile);

// The number of the name key that lists the name byte for byte; 0 when none does.
int32_t IndexInItemFile(const std::string& itemFile, const std::string& name);
// Names compare with blanks around them ignored and a to z in either case.
bool NameTaken(const std::string& itemFile, const std::string& name);
bool NameTakenByOther(const std::string& itemFile, const std::string& name, int32_t ownIndex);

}  // namespace vorlisk
