// Damage in an item file that loading passes over: a "Total" that counts more names than the file
// lists, a listed name without its section, and an entry count beyond the entries an item holds.
// The catalogue still loads what the file holds; the damage is told to the user once, at start.
#pragma once

#include <string>
#include <vector>

#include "app/main_session.h"

namespace vorlisk {

// One line per damage found in the item file; none for a sound (or missing) file.
std::vector<std::string> ItemFileDamage(const std::string& itemFile);

// The damage of the shipped and the user item file as one message; empty when there is none.
std::string CatalogueDamageMessage(const std::string& programFolder);

// Shows CatalogueDamageMessage in the session's error box when there is damage.
void ReportCatalogueDamage(MainSession& session);

// The note for a program folder without the shipped item file (a folder named by mistake, say
// with --home): the shipped items are missing. Empty when the folder has it.
std::string MissingCatalogueMessage(const std::string& programFolder);

// Shows MissingCatalogueMessage as a note when the shipped item file is missing.
void ReportMissingCatalogue(MainSession& session);

}  // namespace vorlisk
