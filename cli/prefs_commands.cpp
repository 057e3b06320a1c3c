#include "cli/prefs_commands.h"

#include <functional>
#include <iostream>
#include <string_view>

#include "app/preferences.h"
#include "platform/text.h"

namespace vorlisk::cli {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitRefused = 2;

// A bad key or value: the message goes to standard error, exit status 2.
struct BadValue {
  std::string message;
};

constexpr std::pair<ScheduleOption, std::string_view> kScheduleWords[] = {
    {byStart, "start"}, {byShutdown, "shutdown"}, {byEveryHour, "every"}};

std::string ShowFlag(bool value) { return value ? "1" : "0"; }

bool ParseFlag(const std::string& key, const std::string& value) {
  if (value != "0" && value != "1") throw BadValue{key + " takes 0 or 1, not '" + value + "'"};
  return value == "1";
}

std::string ShowSchedule(ScheduleOptions schedule) {
  std::string text;
  for (const auto& [member, word] : kScheduleWords)
    if (schedule.Has(member)) text += (text.empty() ? "" : ",") + std::string(word);
  return text;
}

ScheduleOptions ParseSchedule(const std::string& value) {
  ScheduleOptions schedule;
  if (value.empty()) return schedule;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t comma = value.find(',', begin);
    const std::string word = Trim(std::string_view(value).substr(begin, comma - begin));
    bool known = false;
    for (const auto& [member, name] : kScheduleWords)
      if (word == name) {
        schedule.Include(member);
        known = true;
      }
    if (!known)
      throw BadValue{"schedule takes start, shutdown and every, comma-separated, not '" + word +
                     "'"};
    if (comma == std::string::npos) return schedule;
    begin = comma + 1;
  }
}

// "CTRL+ALT+F": the shown texts of both lists joined by "+"; a list without a selection shows "".
std::string ShowHotKey(HotKeyIndices key) {
  return std::string(ModifierText(key.Modifier)) + "+" + std::string(LetterText(key.Letter));
}

HotKeyIndices ParseHotKey(const std::string& key, const std::string& value) {
  const std::string upper = UpperAZ(value);
  const std::size_t plus = upper.rfind('+');
  HotKeyIndices indices{-1, -1};
  if (plus != std::string::npos) {
    const std::string_view modifier = std::string_view(upper).substr(0, plus);
    for (std::size_t i = 0; i < kModifierTexts.size(); ++i)
      if (kModifierTexts[i] == modifier) indices.Modifier = static_cast<int32_t>(i);
    const std::string_view letter = std::string_view(upper).substr(plus + 1);
    if (letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'Z')
      indices.Letter = letter[0] - 'A';
  }
  if (indices.Modifier < 0 || indices.Letter < 0)
    throw BadValue{key +
                   " takes a modifier (ALT, CTRL, SHIFT, CTRL+ALT, CTRL+SHIFT), \"+\" and a "
                   "letter, not '" +
                   value + "'"};
  return indices;
}

// One preference: its key, how it is shown and how a value changes it.
struct Preference {
  const char* key;
  std::function<std::string(const PreferenceValues&)> show;
  std::function<void(PreferenceValues&, const std::string& key, const std::string& value)> set;
};

Preference Flag(const char* key, bool PreferenceValues::*member) {
  return {key, [member](const PreferenceValues& p) { return ShowFlag(p.*member); },
          [member](PreferenceValues& p, const std::string& k, const std::string& v) {
            p.*member = ParseFlag(k, v);
          }};
}

Preference HotKey(const char* key, HotKeyIndices PreferenceValues::*member) {
  return {key, [member](const PreferenceValues& p) { return ShowHotKey(p.*member); },
          [member](PreferenceValues& p, const std::string& k, const std::string& v) {
            p.*member = ParseHotKey(k, v);
          }};
}

const std::vector<Preference>& Preferences() {
  static const std::vector<Preference> all = {
      Flag("auto-run", &PreferenceValues::AutoRun),
      Flag("minimized", &PreferenceValues::Minimized),
      Flag("secure", &PreferenceValues::SecureErase),
      {"schedule", [](const PreferenceValues& p) { return ShowSchedule(p.Schedule); },
       [](PreferenceValues& p, const std::string&, const std::string& v) {
         p.Schedule = ParseSchedule(v);
       }},
      {"minutes", [](const PreferenceValues& p) { return std::to_string(p.Minutes); },
       [](PreferenceValues& p, const std::string&, const std::string& v) {
         p.Minutes = MinutesFromText(v);
       }},
      Flag("prompt", &PreferenceValues::PromptBefore),
      Flag("log", &PreferenceValues::WriteToLog),
      Flag("delete-log", &PreferenceValues::DeleteLogOnExit),
      HotKey("hotkey1", &PreferenceValues::HotKey1),
      HotKey("hotkey2", &PreferenceValues::HotKey2)};
  return all;
}

int Set(MainSession& session, const std::string& key, const std::string& value) {
  for (const Preference& preference : Preferences()) {
    if (key != preference.key) continue;
    // Read and applied as one step, so that a change another process saved meanwhile stays.
    bool applied = false;
    EditProgramFiles(session, [&] {
      PreferenceValues p = ReadPreferences(session);
      preference.set(p, key, value);
      // No window runs here: there are no hot keys of this process to register again.
      applied = ApplyPreferences(session, p, nullptr);
    });
    return applied ? kExitDone : kExitRefused;
  }
  std::string keys;
  for (const Preference& preference : Preferences())
    keys += (keys.empty() ? "" : ", ") + std::string(preference.key);
  throw BadValue{"Unknown preference '" + key + "'; the keys are " + keys};
}

}  // namespace

void AddPrefsCommands(CLI::App& app, PrefsArguments& arguments) {
  arguments.command =
      app.add_subcommand("prefs", "Show the preferences (the default), or change one of them");
  arguments.command->require_subcommand(0, 1);
  arguments.command->add_subcommand("show", "Print each preference: key, value");
  arguments.set = arguments.command->add_subcommand(
      "set", "Change one preference and save the preferences as the Preferences dialog does");
  arguments.set
      ->add_option("KEY", arguments.key,
                   "auto-run, minimized, secure, schedule, "
                   "minutes, prompt, log, delete-log, hotkey1 or hotkey2")
      ->required();
  arguments.set
      ->add_option("VALUE", arguments.value,
                   "0 or 1; schedule: start,shutdown,every or \"\"; minutes: 2 to 1000; hot "
                   "keys: such as CTRL+ALT+F")
      ->required();
}

std::optional<int> RunPrefsCommands(MainSession& session, const PrefsArguments& arguments) {
  if (!arguments.command->parsed()) return std::nullopt;
  try {
    if (arguments.set->parsed()) return Set(session, arguments.key, arguments.value);
  } catch (const BadValue& e) {
    std::cerr << e.message << '\n';
    return kExitRefused;
  }
  const PreferenceValues p = ReadPreferences(session);
  for (const Preference& preference : Preferences())
    std::cout << preference.key << '\t' << preference.show(p) << '\n';
  return kExitDone;
}

}  // namespace vorlisk::cli
