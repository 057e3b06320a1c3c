// The preferences without a window: filling, Apply's order and refusals, the autostart entry.
#include "app/preferences.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/process.h"
#include "preferences_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

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
    EXPECT_EQ(AutostartSet(), !c.refused);
    EXPECT_EQ(registered.size(), c.refused ? 0u : 2u);
    EXPECT_EQ(session.Settings().Schedule.Has(byEveryHour), !c.refused);
    platform::DisableAutostart();
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
  // The session's program folder is not the program's own: the entry names it.
#ifdef _WIN32
  EXPECT_NE(RunValue().find("vorlisk.exe"), std::string::npos) << RunValue();
  EXPECT_NE(RunValue().find(" --home "), std::string::npos) << RunValue();
#else
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(Entry(), "[Desktop Entry]\nType=Application\nName=Vorlisk\nExec=" +
                         platform::DesktopExecArgument((exe.parent_path() / "vorlisk").string()) +
                         " --home " + platform::DesktopExecArgument(drive.host()) +
                         "\nTerminal=false\n");
#endif

  // Off again: the entry goes, the timer base stays where it was.
  p.AutoRun = false;
  p.Schedule = {};
  session.StateForTesting().Settings.LastScheduledWash = {};
  ASSERT_TRUE(Apply(p));
  EXPECT_FALSE(AutostartSet());
  EXPECT_EQ(s.LastScheduledWash, Clock::time_point{});
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
