// Plug-in files: importing a file into the folder "plugin" and exporting the checked items that
// did not come with the program.
#pragma once

#include <string>

#include "app/main_session.h"

namespace vorlisk {

enum class ImportResult { Imported, Declined };

// Copies `source` (Windows text) to the program folder + "plugin\" + its name, asking
// "The file '...' already exists! OverWrite?" first when that file exists; then reloads the
// catalogue and selects the first item. The folder "plugin" is created when missing; a copy that
// fails raises Error after the reload.
ImportResult ImportPlugin(MainSession& session, const std::string& source);

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
