// The settings file: defaults, the settings state, schedule words, both lists and the hot keys.
#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/hot_keys.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using Clock = std::chrono::system_clock;
const Clock::time_point kNow = Clock::time_point(std::chrono::seconds(1'080'000'000));

class SettingsTest : public ::testing::Test {
 protected:
  test::TempDrive drive;
  std::string folder = drive.Root();
  SettingsFile file{folder};
};

TEST_F(SettingsTest, AbsentOrEmptyFileGivesEveryDefault) {
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) drive.Put("wildcard.ini", "");
    const SettingsState s = LoadSettings(folder, kNow);
    EXPECT_FALSE(s.StartMinimized);
    EXPECT_TRUE(s.UseQuick);
    EXPECT_TRUE(s.Schedule.Empty());
    EXPECT_EQ(s.Minutes, 2);
    EXPECT_FALSE(s.PromptBefore);
    EXPECT_TRUE(s.WriteToLog);
    EXPECT_FALSE(s.DeleteLogOnExit);
    EXPECT_EQ(s.LastScheduledWash, Clock::time_point{});
    EXPECT_FALSE(file.ReadAutoRun());
    EXPECT_TRUE(file.ReadWildcardList().empty());
    EXPECT_TRUE(file.ReadExcludeList().empty());
    const auto keys = ReadHotKeyRegistrations(folder);
    EXPECT_EQ(keys[0], (HotKeyBinding{0xABBB, kModControl | kModAlt, 'F'}));  // CTRL+ALT+F
    EXPECT_EQ(keys[1], (HotKeyBinding{0xCDDD, kModControl, 'D'}));            // CTRL+D
  }
  EXPECT_EQ(drive.Read("wildcard.ini"), "");  // reading never writes
}

TEST_F(SettingsTest, LoadSettingsReadsTheStoredState) {
  struct Case {
    const char* what;
    const char* text;
    bool startMinimized;
    ScheduleOptions schedule;
    int32_t minutes;
  } cases[] = {
      {"Is Minimized without Auto Run", "[Run]\r\nIs Minimized=1\r\n", false, {}, 2},
      {"Is Minimized with Auto Run", "[Run]\r\nAuto Run=1\r\nIs Minimized=1\r\n", true, {}, 2},
      {"byEveryHour alone",
       "[Schedule]\r\nSchedule Option=byEveryHour\r\nMinuts=10\r\n",
       false,
       {byEveryHour},
       10},
      {"embedded word", "[Schedule]\r\nSchedule Option=xxbyStartyy\r\n", false, {byStart}, 2},
      {"any order",
       "[Schedule]\r\nSchedule Option=byShutdown,byStart\r\nMinuts=x\r\n",
       false,
       {byStart, byShutdown},
       2},
  };
  for (const auto& c : cases) {
    drive.Put("wildcard.ini", c.text);
    const SettingsState s = LoadSettings(folder, kNow);
    EXPECT_EQ(s.StartMinimized, c.startMinimized) << c.what;
    EXPECT_EQ(s.Schedule, c.schedule) << c.what;
    EXPECT_EQ(s.Minutes, c.minutes) << c.what;
    EXPECT_EQ(s.LastScheduledWash, c.schedule.Has(byEveryHour) ? kNow : Clock::time_point{})
        << c.what;
  }
  drive.Put("wildcard.ini",
            "[Delete Option]\r\nUse Quick=0\r\nprompt Before=1\r\n"
            "[Log]\r\nWrite to Log=0\r\nDelete Log On Exit=5\r\n");
  const SettingsState s = LoadSettings(folder, kNow);
  EXPECT_FALSE(s.UseQuick);
  EXPECT_TRUE(s.PromptBefore);
  EXPECT_FALSE(s.WriteToLog);
  EXPECT_TRUE(s.DeleteLogOnExit);
}

TEST(ScheduleOption, WriterFormAndReaderSubstringTest) {
  struct Case {
    ScheduleOptions options;
    const char* text;
  } cases[] = {{{}, ""},
               {{byEveryHour}, "byEveryHour "},
               {{byEveryHour, byStart}, "byStart byEveryHour "},
               {{byStart, byShutdown, byEveryHour}, "byStart byShutdown byEveryHour "}};
  for (const auto& c : cases) {
    EXPECT_EQ(ScheduleOptionText(c.options), c.text);
    EXPECT_EQ(ParseScheduleOption(c.text), c.options) << c.text;
  }
}

TEST_F(SettingsTest, WritersStoreTheKeysWithTheirEncodings) {
  file.WriteAutoRun(true);
  file.WriteIsMinimized(false);
  file.WriteUseQuick(false);
  file.WritePromptBefore(true);
  file.WriteScheduleOption({byShutdown, byStart});
  file.WriteMinutes(-5);
  file.WriteWriteToLog(true);
  file.WriteDeleteLogOnExit(false);
  file.WriteHotKey(kHotKeyCloseBrowsers, {-1, 40});
  file.WriteHotKey(kHotKeyWashChecked, {4, 0});
  EXPECT_EQ(drive.Read("wildcard.ini"),
            "[Run]\r\nAuto Run=1\r\nIs Minimized=0\r\n"
            "[Delete Option]\r\nUse Quick=0\r\nprompt Before=1\r\n"
            "[Schedule]\r\nSchedule Option=byStart byShutdown \r\nMinuts=-5\r\n"
            "[Log]\r\nWrite to Log=1\r\nDelete Log On Exit=0\r\n"
            "[Hot Key]\r\nControl=-1\r\nChar=40\r\nControl washer=4\r\nChar washer=0\r\n");
  EXPECT_EQ(file.ReadScheduleOption(), (ScheduleOptions{byStart, byShutdown}));
  EXPECT_EQ(file.ReadMinutes(), -5);
  EXPECT_EQ(file.ReadHotKey(kHotKeyCloseBrowsers), (HotKeyIndices{-1, 40}));
}

TEST_F(SettingsTest, ListsSkipEmptyEntriesAndOnlyTheExcludeListTrims) {
  drive.Put("wildcard.ini",
            "[Common]\r\nWildcard Total=3\r\nWildcard0=*.tmp\r\nWildcard1=\r\n"
            "Wildcard2=\" *.log \"\r\nWildcard3=beyond.total\r\n"
            "[Exclude Files]\r\nCount=2\r\nRecord0=   \r\nRecord1=\"  C:\\keep.txt \"\r\n");
  EXPECT_EQ(file.ReadWildcardList(), (std::vector<std::string>{"*.tmp", " *.log "}));
  EXPECT_EQ(file.ReadExcludeList(), (std::vector<std::string>{"C:\\keep.txt"}));

  // Entries are read by index, whatever the order of the keys; a huge count costs nothing.
  drive.Put("wildcard.ini",
            "[Exclude Files]\r\nCount=2000000000\r\nRecord10=b\r\nRecord01=x\r\nrecord2=a\r\n");
  EXPECT_EQ(file.ReadExcludeList(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SettingsTest, ShrinkingAListLeavesStaleKeysThatAreNotRead) {
  file.WriteExcludeList({"C:\\a", "C:\\b", "C:\\c", "C:\\d", "C:\\e"});
  file.WriteExcludeList({"C:\\x", "C:\\y"});
  EXPECT_EQ(drive.Read("wildcard.ini"),
            "[Exclude Files]\r\nCount=2\r\nRecord0=C:\\x\r\nRecord1=C:\\y\r\n"
            "Record2=C:\\c\r\nRecord3=C:\\d\r\nRecord4=C:\\e\r\n");
  EXPECT_EQ(file.ReadExcludeList(), (std::vector<std::string>{"C:\\x", "C:\\y"}));

  file.WriteWildcardList({"*.tmp", "*.bak"});
  file.WriteWildcardList({});
  EXPECT_TRUE(file.ReadWildcardList().empty());
  EXPECT_EQ(platform::ProfileFile(file.Path()).ReadString("Common", "Wildcard1", ""), "*.bak");
}

TEST_F(SettingsTest, AFailedListWriteChangesNothing) {
  file.WriteExcludeList({"C:\\a"});
  const std::string before = drive.Read("wildcard.ini");
  platform::SetWriteFaultForTesting("write");
  EXPECT_THROW(file.WriteExcludeList({"C:\\x", "C:\\y"}), WriteError);
  platform::SetWriteFaultForTesting("");
  EXPECT_EQ(drive.Read("wildcard.ini"), before);
  EXPECT_EQ(file.ReadExcludeList(), (std::vector<std::string>{"C:\\a"}));
}

TEST(HotKeys, StoredIndicesToRegistrations) {
  struct Case {
    HotKeyIndices stored;
    std::optional<HotKeyBinding> registered;
  } cases[] = {
      {{3, 5}, HotKeyBinding{0xABBB, 3, 'F'}},
      {{0, 0}, HotKeyBinding{0xABBB, 1, 'A'}},
      {{1, 25}, HotKeyBinding{0xABBB, 2, 'Z'}},
      {{2, 3}, HotKeyBinding{0xABBB, 4, 'D'}},
      {{4, 3}, HotKeyBinding{0xABBB, 6, 'D'}},
      {{9, 3}, HotKeyBinding{0xABBB, 6, 'D'}},   // "Control" 9 -> CTRL+SHIFT
      {{3, 40}, HotKeyBinding{0xABBB, 3, 'Z'}},  // "Char" 40 -> Z
      {{3, -1}, HotKeyBinding{0xABBB, 3, 64}},   // below A, unchanged
      {{-1, 5}, std::nullopt},                   // "Control" -1 -> none
  };
  for (const auto& c : cases)
    EXPECT_EQ(HotKeyRegistration(kHotKeyCloseBrowsers, c.stored), c.registered)
        << c.stored.Modifier << "," << c.stored.Letter;

  const char* shown[] = {"ALT", "CTRL", "SHIFT", "CTRL+ALT", "CTRL+SHIFT"};
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(ModifierText(i), shown[i]);
  EXPECT_EQ(ModifierText(5), "");
  EXPECT_EQ(ModifierText(-1), "");
}

TEST_F(SettingsTest, HotKeyRegistrationsAreReadFromTheFile) {
  drive.Put("wildcard.ini", "[Hot Key]\r\nControl=-1\r\nChar=40\r\nControl washer=9\r\n");
  const auto keys = ReadHotKeyRegistrations(folder);
  EXPECT_FALSE(keys[0].has_value());
  EXPECT_EQ(keys[1], (HotKeyBinding{0xCDDD, kModControl | kModShift, 'D'}));
}

// Catches a default that misses the common browsers, a stored list that is not trimmed or split,
// a present but empty key taken as absent, and a match that minds letter case or only one part.
TEST_F(SettingsTest, BrowserWindowsDefaultToTheCommonBrowsersAndMatchEitherClassPart) {
  const std::vector<std::string> defaults = file.ReadBrowserWindows();
  struct Case {
    const char* instance;
    const char* windowClass;
    bool browser;
  };
  for (const Case& c : std::initializer_list<Case>{{"Navigator", "firefox", true},
                                                   {"chromium", "Chromium", true},
                                                   {"google-chrome", "Google-chrome", true},
                                                   {"brave-browser", "Brave-browser", true},
                                                   {"microsoft-edge", "Microsoft-edge", true},
                                                   {"opera", "Opera", true},
                                                   {"vivaldi-stable", "Vivaldi-stable", true},
                                                   {"epiphany", "Epiphany", true},
                                                   {"falkon", "Falkon", true},
                                                   {"konqueror", "konqueror", true},
                                                   {"Navigator", "Tor Browser", true},
                                                   {"xterm", "XTerm", false},
                                                   {"Navigator", "Thunderbird", false},
                                                   {"", "", false}})
    EXPECT_EQ(IsBrowserWindow(c.instance, c.windowClass, defaults), c.browser) << c.windowClass;

  drive.Put("wildcard.ini", "[Hot Key]\r\nBrowser Windows= Links ,, Dillo,\r\n");
  EXPECT_EQ(file.ReadBrowserWindows(), (std::vector<std::string>{"Links", "Dillo"}));
  EXPECT_TRUE(IsBrowserWindow("dillo", "x", file.ReadBrowserWindows()));
  EXPECT_FALSE(IsBrowserWindow("Navigator", "firefox", file.ReadBrowserWindows()));
  drive.Put("wildcard.ini", "[Hot Key]\r\nBrowser Windows=\r\n");
  EXPECT_TRUE(file.ReadBrowserWindows().empty());
}

}  // namespace
}  // namespace vorlisk
