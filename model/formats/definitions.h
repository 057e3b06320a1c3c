// Cleaner definitions of other formats, converted to wash items: what a reader gives back, and the
// one writer that stores converted items as a plug-in item file.
//
// A reader of another format (INI-style definitions, ini_definitions.h; CleanerML, cleanerml.h) is
// pure text: what it must know of the machine (does a file or key exist, which system is this,
// what is a host path in Windows text) it asks through DefinitionMachine. It converts what it can
// into items and entries of the item model and reports every construct it could not convert, with
// its line and the reason, so that nothing is dropped in silence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/item.h"

namespace vorlisk::formats {

enum class DefinitionFormat { ItemFile, IniDefinitions, CleanerMl, Unknown };
// What a file's text is, by its content: an XML document whose root element is <cleaner>
// (CleanerML); INI text with a section holding a "FileKey<n>", "RegKey<n>" or "Detect*" key
// (INI-style definitions); INI text with a "[Common]" section holding "Total" (Vorlisk's own item
// file); else Unknown.
DefinitionFormat DetectDefinitionFormat(std::string_view text);

// A construct left out, with where it stands in the source and why.
struct ImportNote {
  int32_t Line = 0;    // 1-based line of the source; 0 when it has none
  std::string What;    // the construct as written (shortened to one line)
  std::string Reason;  // why it was not converted, or why it was refused
};

// One item made from a section or option. Entries are unbound values (no item file yet): folder
// entries of kind FolderMask or SingleFile (paths in Windows text, user folders as %NAME%),
// registry entries with a key and, for one value, its name.
struct ConvertedItem {
  std::string Name;
  bool Active = false;  // ticked: only when the source marks it default and gives no warning
  int32_t Line = 0;     // where the section or option begins
  // The source's warning about what the item erases, on one line; "" when it gives none. Stored
  // with the item, which shows it before the item is ticked or washed.
  std::string Warning;
  std::vector<tChildFolder> Folders;
  std::vector<tChildRegister> Registers;
};

struct ConvertedDefinitions {
  std::vector<ConvertedItem> Items;
  // Every construct not converted, in source order; and every section or option left out (its
  // detection did not hold, it is for another system, or nothing of it could be converted).
  std::vector<ImportNote> Notes;
};

// What a reader may ask of the machine it imports on.
struct DefinitionMachine {
  // Import every section or option, whether its detection holds here or not.
  bool All = false;
  // "windows" or "linux": the system whose definitions apply (os= filters, DetectOS).
  std::string Os = "linux";
  // Does a file or folder exist at this Windows text (user folders as %NAME%, "*" and "?" in its
  // last level allowed)? Absent: nothing exists.
  std::function<bool(const std::string& path)> PathExists;
  // Does this registry key exist ("HKEY_CURRENT_USER\Software\X", or abbreviated "HKCU\...")?
  std::function<bool(const std::string& key)> KeyExists;
  // A host path ("/var/tmp") in Windows text that names it in every later run too: below a user
  // folder ("%Config%\x") or on a fixed drive ("C:\var\tmp"); "" when neither holds it.
  std::function<std::string(const std::string& hostPath)> HostToWindows;
};

// Does the text hold a control character: C0 (0x00-0x1F), DEL, or C1 (U+0080-U+009F in UTF-8)?
// No field of a definition may: a NUL would end a path early (naming the folder above what the
// source names), a line break would split an item file line.
bool HoldsControl(std::string_view text);

// What an item file can hold of a converted item, each cut with a note: an entry with a path,
// key, value or exclusion longer than a stored value may be (which would read back cut, taking
// other files or keeping fewer) is left out; each list keeps its first kMostEntries entries.
void FitToItemFile(ConvertedItem& item, std::vector<ImportNote>& notes);

// Writes the items into a new item file at `itemFile` (Windows text), replacing any file there,
// in one replacement: "Common" lists them, each in a section of its name with its entries. Names
// that repeat get " (2)", " (3)", ... Throws WriteError when the file cannot be written.
void WriteConvertedItems(const std::string& itemFile, const std::vector<ConvertedItem>& items);

}  // namespace vorlisk::formats
