#include "app/hot_keys.h"

#include <algorithm>
#include <cctype>

#include "app/settings.h"

namespace vorlisk {

namespace {
constexpr uint32_t kModifierFlags[] = {kModAlt, kModControl, kModShift, kModControl | kModAlt,
                                       kModControl | kModShift};
}  // namespace

std::string_view ModifierText(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(kModifierTexts.size())) return {};
  return kModifierTexts[static_cast<std::size_t>(index)];
}

std::optional<HotKeyBinding> HotKeyRegistration(const HotKeyDefinition& key,
                                                HotKeyIndices indices) {
  if (indices.Modifier < 0) return std::nullopt;
  HotKeyBinding r;
  r.Id = key.Id;
  r.Modifiers = kModifierFlags[std::min(indices.Modifier, 4)];
  r.KeyCode = 65 + std::min(indices.Letter, 25);  // a negative index stays below 65
  return r;
}

std::array<std::optional<HotKeyBinding>, 2> ReadHotKeyRegistrations(
    std::string_view programFolder) {
  const SettingsFile file(programFolder);
  return {HotKeyRegistration(kHotKeyCloseBrowsers, file.ReadHotKey(kHotKeyCloseBrowsers)),
          HotKeyRegistration(kHotKeyWashChecked, file.ReadHotKey(kHotKeyWashChecked))};
}

std::vector<std::string> ParseBrowserWindows(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view name = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (!name.empty()) names.emplace_back(name);
  }
  return names;
}

bool IsBrowserWindow(std::string_view instance, std::string_view windowClass,
                     const std::vector<std::string>& names) {
  const auto same = [](std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) ==
                    std::tolower(static_cast<unsigned char>(y));
           });
  };
  return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
    return same(name, instance) || same(name, windowClass);
  });
}

}  // namespace vorlisk
