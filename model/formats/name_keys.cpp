#include "model/formats/name_keys.h"

#include <algorithm>

#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

constexpr const char* kCommon = "Common";

// "Item<n>" with n written as the program writes it (decimal, no sign, no leading zeros).
std::optional<int32_t> NameKeyNumber(const std::string& key) {
  if (key.size() < 5 || !SameTextAZ(key.substr(0, 4), "Item")) return std::nullopt;
  const std::string digits = key.substr(4);
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  int32_t n = 0;
  if (!ParseInt32(digits, n)) return std::nullopt;
  return n;
}

}  // namespace

std::vector<std::pair<int32_t, std::string>> ReadNameKeys(const std::string& itemFile) {
  platform::ProfileFile ini(itemFile);
  const int32_t total = ini.ReadInteger(kCommon, "Total", 0);
  std::vector<std::pair<int32_t, std::string>> out;
  if (total <= 0) return out;
  std::vector<int32_t> numbers;
  for (const auto& key : ini.ReadSectionKeys(kCommon)) {
    const auto n = NameKeyNumber(Trim(key));
    if (n && *n < total) numbers.push_back(*n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  out.reserve(numbers.size());
  for (int32_t n : numbers)
    out.emplace_back(n, ini.ReadString(kCommon, "Item" + std::to_string(n), ""));
  return out;
}

std::optional<std::string> NameKeyValue(const std::string& itemFile, int32_t n) {
  platform::ProfileFile ini(itemFile);
  const std::string key = "Item" + std::to_string(n);
  if (n < 0 || n >= ini.ReadInteger(kCommon, "Total", 0) || !ini.ValueExists(kCommon, key))
    return std::nullopt;
  return ini.ReadString(kCommon, key, "");
}

std::optional<int32_t> FindNameKey(const std::string& itemFile, const std::string& name) {
  for (const auto& [n, value] : ReadNameKeys(itemFile))
    if (value == name) return n;
  return std::nullopt;
}

void AppendNameKey(const std::string& itemFile, const std::string& name) {
  platform::ProfileBatch batch(itemFile);
  platform::ProfileFile ini(itemFile);
  const int32_t total = std::max<int32_t>(0, ini.ReadInteger(kCommon, "Total", 0));
  ini.WriteInteger(kCommon, "Total", total + 1);
  ini.WriteString(kCommon, "Item" + std::to_string(total), name);
  batch.Commit();
}

}  // namespace vorlisk
