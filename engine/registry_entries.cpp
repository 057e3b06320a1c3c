#include "engine/registry_entries.h"

#include "engine/wash_log.h"
#include "platform/reg_text.h"
#include "platform/text.h"

namespace vorlisk {

using platform::Registry;
using platform::RootKey;

namespace {

// A subkey path that names the root itself.
bool NamesRoot(std::string_view subkey) {
  return subkey.find_first_not_of('\\') == std::string_view::npos;
}

// A subkey path that names the root or a key right below it (HKEY_CURRENT_USER\Software),
// however its separators are written: no application's key, never deleted as a whole.
bool NamesRootOrFirstLevel(std::string_view subkey) {
  return platform::NormalizedRegistryPath(subkey).find('\\') == std::string::npos;
}

// Deletes a key after its subkeys, the last subkey first, depth first. `path` is absolute to the
// accessor's root. The result is whether the key itself went.
bool DeleteKeyTree(Registry& registry, const std::string& path) {
  if (registry.OpenKey(path)) {
    const auto names = registry.GetKeyNames();
    registry.CloseKey();
    for (auto it = names.rbegin(); it != names.rend(); ++it)
      DeleteKeyTree(registry, path + "\\" + *it);
  }
  return registry.DeleteKey(path);
}

}  // namespace

std::string ResolveRootKey(Registry& registry, std::string_view path) {
  const std::string trimmed = Trim(path);
  const auto slash = trimmed.find('\\');
  // The root names of the registry's own table; any other name stands for HKEY_CURRENT_USER.
  registry.SetRootKey(
      platform::RootKeyFromName(trimmed.substr(0, slash)).value_or(RootKey::CurrentUser));
  return slash == std::string::npos ? std::string() : trimmed.substr(slash);
}

void ExpandRegistryEntry(tChildRegister& entry, std::vector<std::string>& lines) {
  if (!entry.RegisterKeyName.empty() && entry.RegisterKeyName.back() != '\\')
    entry.RegisterKeyName += '\\';
  Registry registry;
  const std::string subkey = ResolveRootKey(registry, entry.RegisterKeyName);
  if (NamesRoot(subkey) ||
      (entry.CleanType == CleanRegisterType::WholeKey && NamesRootOrFirstLevel(subkey)) ||
      !registry.OpenKey(subkey))
    return;

  const std::string& p = entry.RegisterKeyName;
  switch (entry.CleanType) {
    case CleanRegisterType::WholeKey:
      for (const auto& name : registry.GetKeyNames())
        lines.push_back(p + name + std::string(kDeleteKeyMarker));
      lines.push_back(p + std::string(kDeleteKeyMarker));
      break;
    case CleanRegisterType::AllValues:
      for (const auto& name : registry.GetValueNames())
        lines.push_back(p + std::string(kDeleteValueMarker) + name);
      break;
    case CleanRegisterType::SingleValue:
      if (registry.ValueExists(entry.RegisterSingleValue))
        lines.push_back(p + std::string(kDeleteValueMarker) + entry.RegisterSingleValue);
      break;
  }
  registry.CloseKey();
}

ParsedRegistryLine ParseRegistryLine(std::string_view line) {
  ParsedRegistryLine parsed;
  if (const auto at = line.find(kDeleteKeyMarker); at != std::string_view::npos) {
    parsed.IsKey = true;
    parsed.KeyPath =
        std::string(line.substr(0, at)) + std::string(line.substr(at + kDeleteKeyMarker.size()));
    return parsed;
  }
  const auto at = line.find(kDeleteValueMarker);
  parsed.KeyPath = std::string(line.substr(0, at));
  if (at != std::string_view::npos)
    parsed.ValueName = std::string(line.substr(at + kDeleteValueMarker.size()));
  return parsed;
}

bool DeleteRegistryLine(Registry& registry, std::string_view keyPath, std::string_view valueName,
                        bool isKey) {
  std::string subkey = ResolveRootKey(registry, keyPath);
  if (!registry.OpenKey(subkey)) return false;
  bool deleted = false;
  if (isKey) {
    registry.CloseKey();
    while (subkey.size() > 1 && subkey.back() == '\\') subkey.pop_back();
    // A root key and the keys right below it are never deleted.
    if (!NamesRootOrFirstLevel(subkey)) deleted = DeleteKeyTree(registry, subkey);
  } else {
    deleted = registry.DeleteValue(valueName);
  }
  registry.CloseKey();
  return deleted;
}

WashCounts WashRegistryLines(const MarkedLines& lines, WashLog* log, ProgressTracker* progress) {
  WashCounts counts;
  platform::RegistryBatch batch;  // the store is saved once, after the last line
  Registry registry;
  std::vector<std::pair<bool, std::string>> rows;  // logged once the store is saved
  for (const auto& line : lines) {
    if (!line.Checked) continue;
    if (Cancelled(progress)) break;
    Step(progress, line.Text);
    const auto parsed = ParseRegistryLine(line.Text);
    const bool ok = DeleteRegistryLine(registry, parsed.KeyPath, parsed.ValueName, parsed.IsKey);
    ++(ok ? counts.Success : counts.Fails);
    rows.emplace_back(ok, parsed.IsKey ? parsed.KeyPath : parsed.KeyPath + parsed.ValueName);
  }
  // Deletions that never reach the store file are not successes: a failed save ends the wash with
  // its error, as an unwritable settings file does, and the log shows every line as failed.
  const auto writeRows = [&](bool saved) {
    if (log)
      for (const auto& [ok, text] : rows) log->WriteLogRow(false, false, ok && saved, text, "");
  };
  try {
    batch.Commit();
  } catch (...) {
    writeRows(false);
    throw;
  }
  writeRows(true);
  return counts;
}

std::string ReadRegistryLineValue(std::string_view line) {
  try {
    const auto parsed = ParseRegistryLine(line);
    Registry registry;
    if (!registry.OpenKey(ResolveRootKey(registry, parsed.KeyPath))) return {};
    const auto type = registry.GetDataType(parsed.ValueName);
    if (!type || (*type != platform::kRegSz && *type != platform::kRegExpandSz)) return {};
    return registry.ReadString(parsed.ValueName);
  } catch (...) {
    return {};
  }
}

}  // namespace vorlisk
