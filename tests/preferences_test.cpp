// The preferences without a window: filling, Apply's order and refusals, the autostart entry.
#include "app/preferences.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/process.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using Clock = std::chrono::system_clock;
using Registrations = std::array<std::optional<HotKeyBinding>, 2>;
const Clock::time_point kNow = Clock::time_point(std::chrono::seconds(1'080'000'000));

class PreferencesTest : public ::testing::Test {
 protected:
  PreferencesTest() {
    session.StateForTesting().ProgramFolder = drive.Root();
    session.Ui().Refuse = [this](const std::string& m) { refusals.push_back(m); };
  }
  bool Apply(const PreferenceValues& p) {
    return ApplyPreferences(
        session, p, [this](const Registrations& r) { registered.push_back(r); },
        [] { return kNow; });
  }
  std::string Entry() const { return test::ReadHostFile(Autostart()); }
  std::string Autostart() const { return config / "autostart/vorlisk.desktop"; }

  test::TempDrive drive;
  test::TempFolder home, config;
  test::ScopedEnv homeEnv{"HOME", home.Path()};
  test::ScopedEnv configEnv{"XDG_CONFIG_HOME", config.Path()};
  MainSession session;
  std::vector<std::string> refusals;
  std::vector<Registrations> registered;
};

// Catches a stored index shown as stored when out of range, or a negative one shown as selected.
TEST_F(PreferencesTest, FillingShowsTheDefaultAboveTheListAndNoneBelowIt) {
  struct Case {
    std::vector<const char*> hotKeys;
    HotKeyIndices one, two;
  };
  for (const Case& c : std::vector<Case>{
           {{}, {3, 5}, {1, 3}},
           {{"Control=9", "Char=40", "Control washer=5", "Char washer=26"}, {3, 5}, {1, 3}},
           {{"Control=-1", "Char=-3", "Control washer=4", "Char washer=25"}, {-1, -1}, {4, 25}},
           {{"Control=0", "Char=0"}, {0, 0}, {1, 3}}}) {
    std::string text = "[Hot Key]\r\n";
    for (const char* line : c.hotKeys) text += std::string(line) + "\r\n";
    drive.Put("wildcard.ini", text);
    const PreferenceValues p = ReadPreferences(session);
    EXPECT_EQ(p.HotKey1, c.one) << text;
    EXPECT_EQ(p.HotKey2, c.two) << text;
  }
  // "Auto Run" and "Is Minimized" come from the file, the rest from the state.
  drive.Put("wildcard.ini", test::Crlf({"[Run]", "Auto Run=1", "Is Minimized=1", "[Delete Option]",
                                        "Use Quick=1", "[Schedule]", "Minuts=7"}));
  for (const auto& [minutes, shown] : {std::pair{0, 2}, {5000, 1000}, {7, 7}}) {
    session.StateForTesting().Settings.UseQuick = false;
    session.StateForTesting().Settings.Minutes = minutes;
    const PreferenceValues p = ReadPreferences(session);
    EXPECT_TRUE(p.AutoRun && p.Minimized && p.SecureErase);
    EXPECT_EQ(p.Minutes, shown);
  }
}

// Catches a conflict missed, a different modifier refused, or anything written on refusal.
TEST_F(PreferencesTest, ConflictingHotKeysAreRefusedAndNothingIsWritten) {
  struct Case {
    HotKeyIndices one, two;
    bool refused;
  };
  for (const Case& c :
       {Case{{3, 5}, {3, 5}, true}, Case{{-1, -1}, {-1, -1}, true}, Case{{-1, 5}, {-1, 5}, true},
        Case{{3, 5}, {1, 5}, false}, Case{{2, -1}, {2, 4}, false}}) {
    drive.Put("wildcard.ini", "");
    refusals.clear();
    registered.clear();
    PreferenceValues p;
    p.AutoRun = true;
    p.Schedule = {byEveryHour};
    p.HotKey1 = c.one;
    p.HotKey2 = c.two;
    EXPECT_EQ(Apply(p), !c.refused);
    EXPECT_EQ(refusals, c.refused ? std::vector<std::string>{"HotKey conflict,please setup again!"}
                                  : std::vector<std::string>{});
    EXPECT_EQ(drive.Read("wildcard.ini").empty(), c.refused);
    EXPECT_EQ(std::filesystem::exists(Autostart()), !c.refused);
    EXPECT_EQ(registered.size(), c.refused ? 0u : 2u);
    EXPECT_EQ(session.Settings().Schedule.Has(byEveryHour), !c.refused);
    std::filesystem::remove(Autostart());
    session.SetSettings({});
  }
  // Without a refusal box the error box shows it.
  std::string error;
  session.Ui().Refuse = nullptr;
  session.Ui().ShowError = [&](const std::string& m) { error = m; };
  PreferenceValues same;
  same.HotKey2 = same.HotKey1;
  EXPECT_FALSE(Apply(same));
  EXPECT_EQ(error, kHotKeyConflict);
}

// Catches a step left out or done in another order, a stale registration, a timer count that
// does not restart, or an autostart entry left behind.
TEST_F(PreferencesTest, ApplySavesInOrderAndRegistersTheHotKeysAfterEachPair) {
  drive.Put("wildcard.ini", test::Crlf({"[Hot Key]", "Control washer=4", "Char washer=2"}));
  session.StateForTesting().Settings.StartMinimized = true;
  PreferenceValues p;
  p.AutoRun = true;
  p.Minimized = true;
  p.SecureErase = true;
  p.Schedule = {byStart, byEveryHour};
  p.Minutes = 5000;
  p.PromptBefore = true;
  p.WriteToLog = false;
  p.DeleteLogOnExit = true;
  p.HotKey1 = {2, 0};   // SHIFT+A
  p.HotKey2 = {-1, 3};  // no modifier selected
  ASSERT_TRUE(Apply(p));
  EXPECT_EQ(drive.Read("wildcard.ini"),
            test::Crlf({"[Hot Key]", "Control washer=-1", "Char washer=3", "Control=2", "Char=0",
                        "[Run]", "Auto Run=1", "Is Minimized=1", "[Delete Option]", "Use Quick=0",
                        "prompt Before=1", "[Schedule]", "Schedule Option=byStart byEveryHour ",
                        "Minuts=1000", "[Log]", "Write to Log=0", "Delete Log On Exit=1"}));
  const HotKeyBinding one{0xABBB, kModShift, 'A'};
  EXPECT_EQ(registered,
            (std::vector<Registrations>{{one, HotKeyBinding{0xCDDD, kModControl | kModShift, 'C'}},
                                        {one, {}}}));
  const SettingsState& s = session.Settings();
  EXPECT_TRUE(s.StartMinimized);
  EXPECT_FALSE(s.UseQuick);
  EXPECT_EQ(s.Schedule, (ScheduleOptions{byStart, byEveryHour}));
  EXPECT_EQ(s.Minutes, 1000);
  EXPECT_TRUE(s.PromptBefore && !s.WriteToLog && s.DeleteLogOnExit);
  EXPECT_EQ(s.LastScheduledWash, kNow);
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  // The session's program folder is not the program's own: the entry names it.
  EXPECT_EQ(Entry(), "[Desktop Entry]\nType=Application\nName=Vorlisk\nExec=" +
                         platform::DesktopExecArgument((exe.parent_path() / "vorlisk").string()) +
                         " --home " + platform::DesktopExecArgument(drive.host()) +
                         "\nTerminal=false\n");

  // Off again: the entry goes, the timer base stays where it was.
  p.AutoRun = false;
  p.Schedule = {};
  session.StateForTesting().Settings.LastScheduledWash = {};
  ASSERT_TRUE(Apply(p));
  EXPECT_FALSE(std::filesystem::exists(Autostart()));
  EXPECT_EQ(s.LastScheduledWash, Clock::time_point{});
}

// Catches an autostart failure that is silent, or one after which later settings are saved.
TEST_F(PreferencesTest, AnAutostartEntryThatCannotBeWrittenStopsApplyAfterAutoRun) {
  test::WriteHostFile(config / "autostart", "not a folder");
  PreferenceValues p;
  p.AutoRun = true;
  p.SecureErase = true;
  p.HotKey1 = {3, 5};
  try {
    Apply(p);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Vorlisk'");
  }
  EXPECT_EQ(drive.Read("wildcard.ini"), test::Crlf({"[Run]", "Auto Run=1"}));
  EXPECT_TRUE(session.Settings().UseQuick);
  EXPECT_TRUE(registered.empty());
  // Switching it off where nothing can be removed is silent.
  p.AutoRun = false;
  EXPECT_TRUE(Apply(p));
}

// Catches an entry written through a link in its place, or a relative XDG_CONFIG_HOME used.
TEST_F(PreferencesTest, TheAutostartEntryReplacesALinkAndIgnoresARelativeConfigHome) {
  const test::ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  const std::string entry = home / ".config/autostart/vorlisk.desktop";
  const std::string target = home / "target.txt";
  test::WriteHostFile(target, "keep");
  std::filesystem::create_directories(home / ".config/autostart");
  std::filesystem::create_symlink(target, entry);
  platform::EnableAutostart();
  EXPECT_EQ(test::ReadHostFile(target), "keep");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(entry)));
  EXPECT_NE(test::ReadHostFile(entry).find("Name=Vorlisk\n"), std::string::npos);
  std::filesystem::remove(entry);
  std::filesystem::create_symlink(target, entry);
  platform::DisableAutostart();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(entry)));
  EXPECT_EQ(test::ReadHostFile(target), "keep");
}

// Catches an entry that drops the program folder the program runs with, one that names the
// folder the program takes by itself, and a path that is not UTF-8 written into the entry (which
// desktops cannot read) instead of refused.
TEST_F(PreferencesTest, TheAutostartEntryKeepsTheProgramFolderAndRefusesTextThatIsNotUtf8) {
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  const std::string program =
      platform::DesktopExecArgument((exe.parent_path() / "vorlisk").string());
  std::filesystem::create_directories(drive.Host("my 100% folder"));
  std::filesystem::create_directories(drive.Host("bad\xff"));
  struct Case {
    std::string programFolder;
    std::string exec;  // empty: refused
  };
  for (const Case& c :
       std::vector<Case>{{platform::ExecutableProgramFolder(), program},
                         {drive.Root(), program + " --home " + drive.host()},
                         {drive.Win("my 100% folder\\"),
                          program + " --home \"" + drive.Host("my 100%% folder") + "\""},
                         {drive.Win("bad\xff\\"), ""}}) {
    SCOPED_TRACE(c.programFolder);
    test::WriteHostFile(Autostart(), "[Desktop Entry]\nExec=old\n");
    session.StateForTesting().ProgramFolder = c.programFolder;
    PreferenceValues p;
    p.AutoRun = true;
    if (c.exec.empty()) {
      try {
        Apply(p);
        ADD_FAILURE() << "no error";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("is not UTF-8 text"), std::string::npos) << e.what();
      }
      EXPECT_EQ(Entry(), "[Desktop Entry]\nExec=old\n");
      continue;
    }
    ASSERT_TRUE(Apply(p));
    EXPECT_NE(Entry().find("\nExec=" + c.exec + "\n"), std::string::npos) << Entry();
  }
}

// Catches an Exec argument that a desktop splits, expands or reads as a field code.
TEST(DesktopExecArgument, QuotesReservedCharactersAndEscapesForTheStringValue) {
  for (const auto& [path, exec] : std::vector<std::pair<std::string, std::string>>{
           {"/opt/vorlisk/vorlisk", "/opt/vorlisk/vorlisk"},
           {"/opt/my apps/vorlisk", "\"/opt/my apps/vorlisk\""},
           {"/opt/100%/vorlisk", "/opt/100%%/vorlisk"},
           {"/opt/a$b/v", "\"/opt/a\\\\$b/v\""},
           {"/opt/a\"b`c/v", "\"/opt/a\\\\\"b\\\\`c/v\""},
           {"/opt/a\\b/v", "\"/opt/a\\\\\\\\b/v\""},
           {"/opt/a\nb/v", "\"/opt/a\\nb/v\""},
           {"/opt/~x;y/v", "\"/opt/~x;y/v\""}})
    EXPECT_EQ(platform::DesktopExecArgument(path), exec) << path;
}

// Catches typed minutes kept outside the box's range, or non-numbers not read as 2.
TEST(MinutesFromText, BringsTypedTextIntoTheBoxRange) {
  for (const auto& [text, minutes] :
       std::vector<std::pair<const char*, int32_t>>{{"10", 10},
                                                    {" 30 ", 30},
                                                    {"1", 2},
                                                    {"-5", 2},
                                                    {"1001", 1000},
                                                    {"99999999999999", 1000},
                                                    {"", 2},
                                                    {"abc", 2},
                                                    {"12x", 2},
                                                    {"+7", 7}})
    EXPECT_EQ(MinutesFromText(text), minutes) << text;
}

}  // namespace
}  // namespace vorlisk
