// The list of item names that an item file (or the order file) keeps in its "Common" section:
// "Total" and the name keys "Item0" .. "Item<Total-1>".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorlisk {

// The name keys present in the file with a number below "Total", in rising order, with their
// values. Reads only the keys that exist, so a corrupted huge "Total" costs nothing.
std::vector<std::pair<int32_t, std::string>> ReadNameKeys(const std::string& itemFile);

// The value of "Item<n>" when 0 <= n < "Total" and the key exists.
std::optional<std::string> NameKeyValue(const std::string& itemFile, int32_t n);

// The number of the first name key whose value equals the name byte for byte.
std::optional<int32_t> FindNameKey(const std::string& itemFile, const std::string& name);

// Raises "Total" by one and stores the name under the new last name key. A negative "Total"
// counts as 0, so the new name is always listed.
void AppendNameKey(const std::string& itemFile, const std::string& name);

}  // namespace vorlisk
