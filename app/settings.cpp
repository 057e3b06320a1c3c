#include "app/settings.h"

#include <cstdint>
#include <map>
#include <optional>

#include "platform/text.h"

namespace vorlisk {

namespace {

constexpr const char* kScheduleWords[] = {"byStart", "byShutdown", "byEveryHour"};
constexpr ScheduleOption kScheduleMembers[] = {byStart, byShutdown, byEveryHour};

// An indexed list: a count key and entries named prefix + index, in one section.
struct ListKeys {
  const char* section;
  const char* countKey;
  const char* entryPrefix;
  bool trimEntries;
};
constexpr ListKeys kWildcardList{"Common", "Wildcard Total", "Wildcard", false};
constexpr ListKeys kExcludeList{"Exclude Files", "Count", "Record", true};

// The index of an entry key: prefix (any case) followed by an index in plain decimal, as the
// writer forms it ("Record7"; not "Record07").
std::optional<int32_t> EntryIndex(std::string_view key, std::string_view prefix) {
  if (key.size() <= prefix.size() || !SameTextAZ(key.substr(0, prefix.size()), prefix))
    return std::nullopt;
  const std::string_view digits = key.substr(prefix.size());
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  int32_t index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || index > (INT32_MAX - 9) / 10) return std::nullopt;
    index = index * 10 + (c - '0');
  }
  return index;
}

// Entries 0 to count - 1 in index order. Only keys present in the section are visited, so a
// huge stored count costs nothing.
std::vector<std::string> ReadList(const platform::ProfileFile& file, const ListKeys& keys) {
  const int32_t count = file.ReadInteger(keys.section, keys.countKey, 0);
  std::map<int32_t, std::string> byIndex;
  for (const auto& key : file.ReadSectionKeys(keys.section)) {
    const auto index = EntryIndex(key, keys.entryPrefix);
    if (!index || *index >= count) continue;
    std::string value = file.ReadString(keys.section, key, "");
    if (keys.trimEntries) value = Trim(value);
    if (!value.empty()) byIndex.emplace(*index, std::move(value));
  }
  std::vector<std::string> entries;
  entries.reserve(byIndex.size());
  for (auto& [index, value] : byIndex) entries.push_back(std::move(value));
  return entries;
}

void WriteList(platform::ProfileFile& file, const ListKeys& keys,
               const std::vector<std::string>& entries) {
  platform::ProfileBatch batch(file.Path());
  file.WriteInteger(keys.section, keys.countKey, static_cast<int32_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i)
    file.WriteString(keys.section, keys.entryPrefix + std::to_string(i), entries[i]);
  batch.Commit();
}

}  // namespace

std::string ScheduleOptionText(ScheduleOptions options) {
  std::string text;
  for (std::size_t i = 0; i < std::size(kScheduleMembers); ++i)
    if (options.Has(kScheduleMembers[i])) text += std::string(kScheduleWords[i]) + " ";
  return text;
}

ScheduleOptions ParseScheduleOption(std::string_view text) {
  ScheduleOptions options;
  for (std::size_t i = 0; i < std::size(kScheduleMembers); ++i)
    if (text.find(kScheduleWords[i]) != std::string_view::npos)
      options.Include(kScheduleMembers[i]);
  return options;
}

SettingsFile::SettingsFile(std::string_view programFolder)
    : file_(std::string(programFolder) + "wildcard.ini") {}

bool SettingsFile::ReadAutoRun() const { return file_.ReadBool("Run", "Auto Run", false); }
void SettingsFile::WriteAutoRun(bool value) { file_.WriteBool("Run", "Auto Run", value); }

bool SettingsFile::ReadIsMinimized() const { return file_.ReadBool("Run", "Is Minimized", false); }
void SettingsFile::WriteIsMinimized(bool value) { file_.WriteBool("Run", "Is Minimized", value); }

bool SettingsFile::ReadUseQuick() const {
  return file_.ReadBool("Delete Option", "Use Quick", true);
}
void SettingsFile::WriteUseQuick(bool value) {
  file_.WriteBool("Delete Option", "Use Quick", value);
}

bool SettingsFile::ReadPromptBefore() const {
  return file_.ReadBool("Delete Option", "prompt Before", false);
}
void SettingsFile::WritePromptBefore(bool value) {
  file_.WriteBool("Delete Option", "prompt Before", value);
}

ScheduleOptions SettingsFile::ReadScheduleOption() const {
  return ParseScheduleOption(file_.ReadString("Schedule", "Schedule Option", ""));
}
void SettingsFile::WriteScheduleOption(ScheduleOptions value) {
  file_.WriteString("Schedule", "Schedule Option", ScheduleOptionText(value));
}

int32_t SettingsFile::ReadMinutes() const { return file_.ReadInteger("Schedule", "Minuts", 2); }
void SettingsFile::WriteMinutes(int32_t value) { file_.WriteInteger("Schedule", "Minuts", value); }

bool SettingsFile::ReadWriteToLog() const { return file_.ReadBool("Log", "Write to Log", true); }
void SettingsFile::WriteWriteToLog(bool value) { file_.WriteBool("Log", "Write to Log", value); }

bool SettingsFile::ReadDeleteLogOnExit() const {
  return file_.ReadBool("Log", "Delete Log On Exit", false);
}
void SettingsFile::WriteDeleteLogOnExit(bool value) {
  file_.WriteBool("Log", "Delete Log On Exit", value);
}

std::vector<std::string> SettingsFile::ReadWildcardList() const {
  return ReadList(file_, kWildcardList);
}
std::vector<std::string> SettingsFile::ReadExcludeList() const {
  return ReadList(file_, kExcludeList);
}
void SettingsFile::WriteWildcardList(const std::vector<std::string>& entries) {
  WriteList(file_, kWildcardList, entries);
}
void SettingsFile::WriteExcludeList(const std::vector<std::string>& entries) {
  WriteList(file_, kExcludeList, entries);
}

HotKeyIndices SettingsFile::ReadHotKey(const HotKeyDefinition& key) const {
  return {file_.ReadInteger("Hot Key", key.ModifierKey, key.DefaultModifier),
          file_.ReadInteger("Hot Key", key.LetterKey, key.DefaultLetter)};
}

std::vector<std::string> SettingsFile::ReadBrowserWindows() const {
  return ParseBrowserWindows(
      file_.ReadString("Hot Key", "Browser Windows", kDefaultBrowserWindows));
}

void SettingsFile::WriteHotKey(const HotKeyDefinition& key, HotKeyIndices indices) {
  platform::ProfileBatch batch(file_.Path());
  file_.WriteInteger("Hot Key", key.ModifierKey, indices.Modifier);
  file_.WriteInteger("Hot Key", key.LetterKey, indices.Letter);
  batch.Commit();
}

SettingsState LoadSettings(std::string_view programFolder) {
  return LoadSettings(programFolder, std::chrono::system_clock::now());
}

SettingsState LoadSettings(std::string_view programFolder,
                           std::chrono::system_clock::time_point now) {
  const SettingsFile file(programFolder);
  SettingsState s;
  if (file.ReadAutoRun()) s.StartMinimized = file.ReadIsMinimized();
  s.UseQuick = file.ReadUseQuick();
  s.Schedule = file.ReadScheduleOption();
  if (s.Schedule.Has(byEveryHour)) s.LastScheduledWash = now;
  s.Minutes = file.ReadMinutes();
  s.PromptBefore = file.ReadPromptBefore();
  s.WriteToLog = file.ReadWriteToLog();
  s.DeleteLogOnExit = file.ReadDeleteLogOnExit();
  return s;
}

}  // namespace vorlisk
