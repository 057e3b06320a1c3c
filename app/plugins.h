// Plug-in files: importing a file into the folder "plugin" and exporting the checked items that
// did not come with the program.
#pragma once

#include <string>

#include "app/main_session.h"
#include "model/formats/definitions.h"

namespace vorlisk {

// NothingConverted: a file of cleaner definitions of which no item could be made (the report
// says why); nothing was written.
enum class ImportResult { Imported, Declined, NothingConverted };

// What an import made of its file.
struct ImportReport {
  formats::DefinitionFormat Format = formats::DefinitionFormat::Unknown;
  std::string Target;  // the plug-in file written or copied
  int32_t Items = 0, FolderEntries = 0, RegistryEntries = 0;
  // Constructs not converted, sections or options left out, and entries refused for safety,
  // in source order.
  std::vector<formats::ImportNote> Notes;
  // For the user: what was made of `source`, in a sentence or two; and one line per note
  // ("line N: construct: reason").
  std::string Summary(const std::string& source) const;
  std::string Details() const;
};

struct ImportOptions {
  bool All = false;  // convert every section or option, detected on this machine or not
};

// Imports `source` (Windows text) into the plug-in folder, which is created when missing. The file
// is recognised by its content (formats::DetectDefinitionFormat):
// - an item file of this program (or any file not recognised) is copied as it is, to the program
//   folder + "plugin\" + its name;
// - INI-style definitions and CleanerML are converted (ini_definitions.h, cleanerml.h) and their
//   items written as the plug-in file "plugin\" + the source's name with ".txt" for its extension.
//   Entries that would reach a drive's root, the home, a top-level user folder or a level "..",
//   and registry entries of a whole root or its first level, are refused and reported.
// When the target exists, "The file '...' already exists! OverWrite?" is asked first; then the
// catalogue is reloaded and the first item selected. A copy that fails raises Error after the
// reload. `report`, when given, receives what was made.
ImportResult ImportPlugin(MainSession& session, const std::string& source,
                          const ImportOptions& options = {}, ImportReport* report = nullptr);

// After an import of `source`: whether the catalogue holds an item of its copy in the plug-in
// folder. False for a plug-in file that holds no wash item: it was copied but adds nothing.
bool ImportAddedItems(const MainSession& session, const std::string& source);

// Shows the note, deletes `target` and stores every checked item that is not a shipped item in
// it, in list order. A target that exists and cannot be deleted (a read-only file, a folder)
// raises WriteError and nothing is written. Refuses (Error) a target that is one of the catalogue's
// own files or another file of the program (settings, log, registry store). Two items of the same
// name are kept apart: the later one gets a suffix " (2)", " (3)", ... Returns the number of items
// exported.
int ExportPlugin(MainSession& session, const std::string& target);

}  // namespace vorlisk
