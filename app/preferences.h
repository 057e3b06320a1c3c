// The preferences as their dialog shows and applies them, without a window: filled from the
// settings file and the settings state, applied in a fixed order that writes the file, the
// autostart registration, the settings state, the timed wash and the hot-key registrations.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "app/hot_keys.h"
#include "app/main_session.h"

namespace vorlisk {

// What the dialog shows. A hot-key index of -1 is a list without a selection.
struct PreferenceValues {
  bool AutoRun = false;      // "Load at Windows startup"
  bool Minimized = false;    // "Run Minimized"
  bool SecureErase = false;  // not UseQuick
  ScheduleOptions Schedule;
  int32_t Minutes = 2;  // 2 to 1000
  bool PromptBefore = false;
  bool WriteToLog = true;
  bool DeleteLogOnExit = false;
  // "Close all Interner Explorer windows" and "Clean all the checked wash items".
  HotKeyIndices HotKey1{kHotKeyCloseBrowsers.DefaultModifier, kHotKeyCloseBrowsers.DefaultLetter};
  HotKeyIndices HotKey2{kHotKeyWashChecked.DefaultModifier, kHotKeyWashChecked.DefaultLetter};
};

inline constexpr int32_t kMinutesMin = 2;
inline constexpr int32_t kMinutesMax = 1000;
inline constexpr const char* kHotKeyConflict = "HotKey conflict,please setup again!";

// The interval box's reading of typed text: a whole number brought to the nearer bound of 2 to
// 1000; text that is no number reads as 2.
int32_t MinutesFromText(std::string_view text);

// The shown text of a letter index ("A" to "Z"), empty outside 0 to 25.
std::string_view LetterText(int32_t index);

// Whether the two hot keys show the same modifier text and the same letter text (two lists
// without a selection show the same empty text).
bool HotKeysConflict(HotKeyIndices a, HotKeyIndices b);

// Fills the preferences from the program's "wildcard.ini" ("Auto Run", "Is Minimized" and the hot
// keys) and from the settings state (the rest, Minutes brought into 2 to 1000). A stored hot-key
// index above its list's last index shows the key's default; a negative one shows no selection.
PreferenceValues ReadPreferences(const MainSession& session);

// Re-registers both global hot keys: unregisters 0xABBB and 0xCDDD, then registers those given
// (nullopt registers nothing). The window implements it with its hot-key registration.
using SetHotKeysPort =
    std::function<void(const std::array<std::optional<HotKeyBinding>, 2>& registrations)>;

// Apply. With conflicting hot keys, refuses with kHotKeyConflict (UiCallbacks::Refuse, else
// ShowError), writes nothing and returns false. Otherwise saves in this order and returns true:
// "Auto Run" and the autostart registration (its failure throws Error "Failed to set data for
// 'Vorlisk'" with nothing later saved; a failed removal is silent), "Is Minimized", "Use Quick",
// the schedule ("Schedule Option", "Minuts"; with the timed wash on, LastScheduledWash = now(),
// which restarts its count), "prompt Before", "Write to Log" and "Delete Log On Exit", then hot key
// 1 and hot key 2, each followed by the re-registration of both as the file then holds them.
// StartMinimized is left alone.
bool ApplyPreferences(MainSession& session, const PreferenceValues& preferences,
                      const SetHotKeysPort& setHotKeys,
                      const std::function<std::chrono::system_clock::time_point()>& now =
                          std::chrono::system_clock::now);

}  // namespace vorlisk
