#include "app/preferences.h"

#include <algorithm>

#include "platform/autostart.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int32_t kLastModifier = static_cast<int32_t>(kModifierTexts.size()) - 1;
constexpr int32_t kLastLetter = static_cast<int32_t>(kLetters.size()) - 1;

// The selection a stored index gives a list: above the last index the default, negative none.
int32_t ShownIndex(int32_t stored, int32_t last, int32_t defaultIndex) {
  if (stored < 0) return -1;
  return stored > last ? defaultIndex : stored;
}

HotKeyIndices ShownHotKey(const SettingsFile& file, const HotKeyDefinition& key) {
  const HotKeyIndices stored = file.ReadHotKey(key);
  return {ShownIndex(stored.Modifier, kLastModifier, key.DefaultModifier),
          ShownIndex(stored.Letter, kLastLetter, key.DefaultLetter)};
}

// What a list stores: its selected index, -1 without a selection.
HotKeyIndices StoredHotKey(HotKeyIndices shown) {
  return {ModifierText(shown.Modifier).empty() ? -1 : shown.Modifier,
          LetterText(shown.Letter).empty() ? -1 : shown.Letter};
}

void Refuse(MainSession& session, const std::string& message) {
  const UiCallbacks& ui = session.Ui();
  if (ui.Refuse)
    ui.Refuse(message);
  else if (ui.ShowError)
    ui.ShowError(message);
}

}  // namespace

int32_t MinutesFromText(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::string_view digits = trimmed;
  const bool negative = !digits.empty() && digits[0] == '-';
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return kMinutesMin;
  if (negative) return kMinutesMin;
  int64_t value = 0;
  for (char c : digits) value = std::min<int64_t>(value * 10 + (c - '0'), kMinutesMax + 1);
  return static_cast<int32_t>(std::clamp<int64_t>(value, kMinutesMin, kMinutesMax));
}

std::string_view LetterText(int32_t index) {
  if (index < 0 || index > kLastLetter) return {};
  return kLetters.substr(static_cast<std::size_t>(index), 1);
}

bool HotKeysConflict(HotKeyIndices a, HotKeyIndices b) {
  return ModifierText(a.Modifier) == ModifierText(b.Modifier) &&
         LetterText(a.Letter) == LetterText(b.Letter);
}

PreferenceValues ReadPreferences(const MainSession& session) {
  const SettingsFile file(session.ProgramFolder());
  const SettingsState& s = session.Settings();
  PreferenceValues p;
  p.AutoRun = file.ReadAutoRun();
  p.Minimized = file.ReadIsMinimized();
  p.SecureErase = !s.UseQuick;
  p.Schedule = s.Schedule;
  p.Minutes = std::clamp(s.Minutes, kMinutesMin, kMinutesMax);
  p.PromptBefore = s.PromptBefore;
  p.WriteToLog = s.WriteToLog;
  p.DeleteLogOnExit = s.DeleteLogOnExit;
  p.HotKey1 = ShownHotKey(file, kHotKeyCloseBrowsers);
  p.HotKey2 = ShownHotKey(file, kHotKeyWashChecked);
  return p;
}

bool ApplyPreferences(MainSession& session, const PreferenceValues& p,
                      const SetHotKeysPort& setHotKeys,
                      const std::function<std::chrono::system_clock::time_point()>& now) {
  if (HotKeysConflict(p.HotKey1, p.HotKey2)) {
    Refuse(session, kHotKeyConflict);
    return false;
  }
  // No question is asked from here on, so the whole save is one step for other processes.
  EditProgramFiles(session, [&] {
    SettingsFile file(session.ProgramFolder());
    // The settings state takes what was applied, also when a write breaks the save off.
    SettingsState s = session.Settings();
    struct TakeOver {
      MainSession& session;
      const SettingsState& settings;
      ~TakeOver() { session.SetSettings(settings); }
    } takeOver{session, s};
    file.WriteAutoRun(p.AutoRun);
    if (p.AutoRun)
      platform::EnableAutostartFor(session.ProgramFolder());
    else
      platform::DisableAutostart();
    file.WriteIsMinimized(p.Minimized);
    s.UseQuick = !p.SecureErase;
    file.WriteUseQuick(s.UseQuick);
    s.Schedule = p.Schedule;
    // The timer runs while byEveryHour is in the schedule; its count starts again from now.
    if (s.Schedule.Has(byEveryHour)) s.LastScheduledWash = now();
    s.Minutes = std::clamp(p.Minutes, kMinutesMin, kMinutesMax);
    file.WriteScheduleOption(s.Schedule);
    file.WriteMinutes(s.Minutes);
    s.PromptBefore = p.PromptBefore;
    file.WritePromptBefore(s.PromptBefore);
    s.WriteToLog = p.WriteToLog;
    s.DeleteLogOnExit = p.DeleteLogOnExit;
    file.WriteWriteToLog(s.WriteToLog);
    file.WriteDeleteLogOnExit(s.DeleteLogOnExit);
    for (const auto& [key, shown] :
         {std::pair{kHotKeyCloseBrowsers, p.HotKey1}, std::pair{kHotKeyWashChecked, p.HotKey2}}) {
      file.WriteHotKey(key, StoredHotKey(shown));
      if (setHotKeys) setHotKeys(ReadHotKeyRegistrations(session.ProgramFolder()));
    }
  });
  return true;
}

}  // namespace vorlisk
