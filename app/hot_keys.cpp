#include "app/hot_keys.h"

#include <algorithm>

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

std::optional<THotKeyRegistration> HotKeyRegistration(const THotKeyDefinition& key,
                                                      THotKeyIndices indices) {
  if (indices.Modifier < 0) return std::nullopt;
  THotKeyRegistration r;
  r.Id = key.Id;
  r.Modifiers = kModifierFlags[std::min(indices.Modifier, 4)];
  r.KeyCode = 65 + std::min(indices.Letter, 25);  // a negative index stays below 65
  return r;
}

std::array<std::optional<THotKeyRegistration>, 2> ReadHotKeyRegistrations(
    std::string_view programFolder) {
  const TSettingsFile file(programFolder);
  return {HotKeyRegistration(kHotKeyCloseBrowsers, file.ReadHotKey(kHotKeyCloseBrowsers)),
          HotKeyRegistration(kHotKeyWashChecked, file.ReadHotKey(kHotKeyWashChecked))};
}

}  // namespace vorlisk
