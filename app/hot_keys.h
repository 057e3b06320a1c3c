// The two global hot keys: their identifiers, their keys in "wildcard.ini" and how the stored
// indices become registrations (modifier flags and a key code).
//
// Modifier index: 0 "ALT", 1 "CTRL", 2 "SHIFT", 3 "CTRL+ALT", 4 "CTRL+SHIFT"; above 4 registers as
// 4; a negative index registers nothing. Letter index: 0 is A, 25 is Z; above 25 registers as Z;
// a negative index gives a key code below 65, registered unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlisk {

// The modifier flags of RegisterHotKey (MOD_ALT, MOD_CONTROL, MOD_SHIFT).
inline constexpr uint32_t kModAlt = 1;
inline constexpr uint32_t kModControl = 2;
inline constexpr uint32_t kModShift = 4;

// One hot key: its identifier and its keys in section "Hot Key" with their defaults.
struct HotKeyDefinition {
  uint32_t Id;
  const char* ModifierKey;
  const char* LetterKey;
  int32_t DefaultModifier;
  int32_t DefaultLetter;
};
// Hot key 1: stops and hides the browser windows (default CTRL+ALT+F).
inline constexpr HotKeyDefinition kHotKeyCloseBrowsers{0xABBB, "Control", "Char", 3, 5};
// Hot key 2: washes all checked items (default CTRL+D).
inline constexpr HotKeyDefinition kHotKeyWashChecked{0xCDDD, "Control washer", "Char washer", 1, 3};

// The stored indices of one hot key.
struct HotKeyIndices {
  int32_t Modifier = 0;
  int32_t Letter = 0;
  bool operator==(const HotKeyIndices&) const = default;
};

// What RegisterHotKey is given.
struct HotKeyBinding {
  uint32_t Id = 0;
  uint32_t Modifiers = 0;  // MOD_* flags
  int32_t KeyCode = 0;     // 65 + letter index
  bool operator==(const HotKeyBinding&) const = default;
};

// The five shown texts in index order.
inline constexpr std::array<std::string_view, 5> kModifierTexts = {"ALT", "CTRL", "SHIFT",
                                                                   "CTRL+ALT", "CTRL+SHIFT"};
// The shown text of a modifier index, empty outside 0 to 4.
std::string_view ModifierText(int32_t index);

// The registration of stored indices; nullopt when the modifier index is negative.
std::optional<HotKeyBinding> HotKeyRegistration(const HotKeyDefinition& key, HotKeyIndices indices);

// Both hot keys as they are to be registered, read from "wildcard.ini" of the program folder:
// hot key 1, then hot key 2.
std::array<std::optional<HotKeyBinding>, 2> ReadHotKeyRegistrations(std::string_view programFolder);

// The windows hot key 1 minimizes where there is no shell window collection: the top-level
// windows whose window class names a web browser. Stored in "Hot Key" / "Browser Windows" as names
// separated by ","; the default when the key is absent.
inline constexpr const char* kDefaultBrowserWindows =
    "firefox,firefox-esr,librewolf,waterfox,seamonkey,tor browser,chromium,chromium-browser,"
    "google-chrome,google-chrome-beta,google-chrome-unstable,brave-browser,microsoft-edge,"
    "microsoft-edge-beta,opera,vivaldi-stable,vivaldi-snapshot,epiphany,org.gnome.epiphany,"
    "falkon,konqueror,midori,qutebrowser,yandex-browser-stable";

// The names of "Browser Windows": entries trimmed of blanks, empty ones skipped.
std::vector<std::string> ParseBrowserWindows(std::string_view text);

// Whether a window whose WM_CLASS is `instance` and `windowClass` is a browser's: either part
// equals one of the names, letter case ignored.
bool IsBrowserWindow(std::string_view instance, std::string_view windowClass,
                     const std::vector<std::string>& names);

}  // namespace vorlisk
