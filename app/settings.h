// The settings file "wildcard.ini" in the program folder: preferences, hot keys, the wildcard list
// and the exclude list, and the settings state the main window keeps in memory.
//
// Every key is read with the profile-file rules (a missing file, section or key gives the key's
// default; booleans "1"/"0", any other number is true; text that is no number gives the default)
// and written at once. Which values are cached is the callers' business: LoadSettings reads the
// preferences once; "Auto Run", the hot keys and both lists are read again each time they are used.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/hot_keys.h"
#include "platform/profile.h"

namespace vorlisk {

// The automatic wash triggers, stored as words in "Schedule Option".
enum ScheduleOption : uint8_t { byStart, byShutdown, byEveryHour };

// A set of ScheduleOption members.
class ScheduleOptions {
 public:
  constexpr ScheduleOptions() = default;
  constexpr ScheduleOptions(std::initializer_list<ScheduleOption> members) {
    for (auto m : members) Include(m);
  }
  constexpr bool Has(ScheduleOption m) const { return (bits_ >> m) & 1u; }
  constexpr void Include(ScheduleOption m) { bits_ = static_cast<uint8_t>(bits_ | (1u << m)); }
  constexpr void Exclude(ScheduleOption m) { bits_ = static_cast<uint8_t>(bits_ & ~(1u << m)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const ScheduleOptions&) const = default;

 private:
  uint8_t bits_ = 0;
};

// "Schedule Option" text: each member's word followed by one blank, in the order byStart,
// byShutdown, byEveryHour ("" for none).
std::string ScheduleOptionText(ScheduleOptions options);
// Each word found anywhere in the text (substring test) adds its member.
ScheduleOptions ParseScheduleOption(std::string_view text);

// The settings state, read once at start-up and changed by the Preferences dialog.
struct SettingsState {
  bool StartMinimized = false;
  bool UseQuick = true;
  ScheduleOptions Schedule;
  int32_t Minutes = 2;
  bool PromptBefore = false;
  bool WriteToLog = true;
  bool DeleteLogOnExit = false;
  // Base from which the next timed wash is due; set to now whenever byEveryHour is switched on.
  std::chrono::system_clock::time_point LastScheduledWash{};
};

// The keys of "wildcard.ini". Writers throw WriteError when the file cannot be written.
class SettingsFile {
 public:
  // programFolder: Windows text ending in "\"; the file is programFolder + "wildcard.ini".
  explicit SettingsFile(std::string_view programFolder);
  const std::string& Path() const { return file_.Path(); }

  bool ReadAutoRun() const;  // "Run" / "Auto Run", default false
  void WriteAutoRun(bool value);
  bool ReadIsMinimized() const;  // "Run" / "Is Minimized", default false
  void WriteIsMinimized(bool value);
  bool ReadUseQuick() const;  // "Delete Option" / "Use Quick", default true
  void WriteUseQuick(bool value);
  bool ReadPromptBefore() const;  // "Delete Option" / "prompt Before", default false
  void WritePromptBefore(bool value);
  ScheduleOptions ReadScheduleOption() const;  // "Schedule" / "Schedule Option", default none
  void WriteScheduleOption(ScheduleOptions value);
  int32_t ReadMinutes() const;  // "Schedule" / "Minuts", default 2
  void WriteMinutes(int32_t value);
  bool ReadWriteToLog() const;  // "Log" / "Write to Log", default true
  void WriteWriteToLog(bool value);
  bool ReadDeleteLogOnExit() const;  // "Log" / "Delete Log On Exit", default false
  void WriteDeleteLogOnExit(bool value);

  // "Common" / "Wildcard Total" and "Wildcard" + i: entries used as stored, empty ones skipped.
  std::vector<std::string> ReadWildcardList() const;
  // "Exclude Files" / "Count" and "Record" + i: entries trimmed, empty ones skipped.
  std::vector<std::string> ReadExcludeList() const;
  // Store the count and each entry unchanged under its index, rewriting the file once. Keys at or
  // above the new count stay in the file and are never read.
  void WriteWildcardList(const std::vector<std::string>& entries);
  void WriteExcludeList(const std::vector<std::string>& entries);

  // "Hot Key" / the hot key's modifier and letter keys ("Control" and "Char", or "Control washer"
  // and "Char washer"), with the hot key's defaults. Both values are written in one rewrite.
  HotKeyIndices ReadHotKey(const HotKeyDefinition& key) const;
  void WriteHotKey(const HotKeyDefinition& key, HotKeyIndices indices);
  // "Hot Key" / "Browser Windows": the window classes hot key 1 minimizes (ParseBrowserWindows),
  // kDefaultBrowserWindows when the key is absent.
  std::vector<std::string> ReadBrowserWindows() const;

 private:
  platform::ProfileFile file_;
};

// Reads the settings state in the order the program always has: "Auto Run", then "Is Minimized"
// only when "Auto Run" is on (StartMinimized = both), "Use Quick", "Schedule Option" (with
// byEveryHour, LastScheduledWash = now), "Minuts", "prompt Before", "Write to Log",
// "Delete Log On Exit".
SettingsState LoadSettings(std::string_view programFolder);
SettingsState LoadSettings(std::string_view programFolder,
                           std::chrono::system_clock::time_point now);

}  // namespace vorlisk
