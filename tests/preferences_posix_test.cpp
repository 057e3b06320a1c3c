// The preferences on POSIX: the freedesktop.org autostart entry that Apply writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/preferences.h"
#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/process.h"
#include "preferences_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

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

}  // namespace
}  // namespace vorlisk
