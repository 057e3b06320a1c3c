#include "app/catalogue_check.h"

#include <set>
#include <string_view>

#include "model/item.h"
#include "model/name_keys.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

// How many entries of kind `prefix` ("tfolder", lower case) the section holds keys for, below
// `total`. Key names compare without regard to case.
int32_t EntriesHeld(const std::vector<std::string>& keys, std::string_view prefix, int32_t total) {
  std::set<int32_t> held;
  for (std::string key : keys) {
    for (char& c : key)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t dot = key.find('.', prefix.size());
    if (dot == std::string::npos || dot == prefix.size()) continue;
    const std::string digits = key.substr(prefix.size(), dot - prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const int32_t n = std::stoi(digits);
    if (n < total) held.insert(n);
  }
  return static_cast<int32_t>(held.size());
}

}  // namespace

std::vector<std::string> ItemFileDamage(const std::string& itemFile) {
  std::vector<std::string> damage;
  const platform::ProfileBatch reading(itemFile);
  const platform::ProfileFile ini(itemFile);
  if (!ini.SectionExists("Common")) return damage;
  const int32_t total = ini.ReadInteger("Common", "Total", 0);
  const auto names = ReadNameKeys(itemFile);
  if (total > static_cast<int32_t>(names.size()))
    damage.push_back("\"Total\" counts " + std::to_string(total) + " items, the file lists " +
                     std::to_string(names.size()));
  for (const auto& [n, name] : names) {
    if (Trim(name).empty()) continue;
    if (!ini.SectionExists(name)) {
      damage.push_back("the item '" + name + "' (Item" + std::to_string(n) + ") has no section");
      continue;
    }
    const auto keys = ini.ReadSectionKeys(name);
    for (const char* kind : {"tFolder", "tRegister"}) {
      const std::string totalKey = std::string(kind) + ".Total";
      const int32_t entries = ini.ReadInteger(name, totalKey, 0);
      const int32_t held =
          EntriesHeld(keys, std::string_view(kind)[1] == 'F' ? "tfolder" : "tregister", entries);
      if (entries > held)
        damage.push_back("the item '" + name + "': \"" + totalKey + "\" counts " +
                         std::to_string(entries) + " entries, its section holds " +
                         std::to_string(held));
    }
  }
  return damage;
}

std::string CatalogueDamageMessage(const std::string& programFolder) {
  std::string message;
  for (const std::string_view file : {kSystemItemFile, kUserItemFile}) {
    const std::string path = programFolder + std::string(file);
    const auto damage = ItemFileDamage(path);
    if (damage.empty()) continue;
    if (!message.empty()) message += "\r";
    message += "The item file " + path + " is damaged:";
    for (const std::string& line : damage) message += "\r- " + line;
  }
  if (!message.empty()) message += "\rThe wash items it still holds are loaded.";
  return message;
}

void ReportCatalogueDamage(MainSession& session) {
  if (const std::string message = CatalogueDamageMessage(session.ProgramFolder());
      !message.empty() && session.Ui().ShowError)
    session.Ui().ShowError(message);
}

}  // namespace vorlisk
