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

}  // namespace vorlisk
