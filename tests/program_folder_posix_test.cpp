// The program folder chosen when the user names none: beside the executable in a build folder,
// the user's own data folder for an installed program. Temporary installations and homes only.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/process.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteHostFile;

class ProgramFolderTest : public ::testing::Test {
 protected:
  ProgramFolderTest()
      : home_("HOME", tmp_ / "home"),
        data_("XDG_DATA_HOME", std::nullopt),
        bin_(tmp_ / "inst/bin") {
    fs::create_directories(tmp_ / "home");
    fs::create_directories(bin_);
  }

  // An installation under tmp/inst: the executable's folder bin/, the shipped files in
  // share/vorlisk/.
  void Install() {
    WriteHostFile(tmp_ / "inst/share/vorlisk/const/system.txt", "shipped catalogue");
    WriteHostFile(tmp_ / "inst/share/vorlisk/help/58.html", "main window help");
    WriteHostFile(tmp_ / "inst/share/vorlisk/help/help.css", "body {}");
  }

  TempFolder tmp_;
  ScopedEnv home_;
  ScopedEnv data_;
  std::string bin_;
};

TEST_F(ProgramFolderTest, ABuildFolderOrAnUninstalledCopyKeepsTheExecutablesFolder) {
  // Without any installation: the executable's folder, as before.
  EXPECT_EQ(DefaultProgramFolderFor(bin_), ProgramFolderFromHost(bin_));
  // A catalogue beside the executable wins over an installation's.
  Install();
  WriteHostFile(bin_ + "/const/system.txt", "build catalogue");
  EXPECT_EQ(DefaultProgramFolderFor(bin_), ProgramFolderFromHost(bin_));
  EXPECT_FALSE(fs::exists(tmp_ / "home/.local/share/vorlisk"));
}

// Catches help looked for in the program folder alone: the pages the program ships are found
// beside the executable (a build folder, an unpacked copy) or in the installation's share folder.
TEST_F(ProgramFolderTest, TheShippedHelpPagesAreFoundBesideTheExecutableOrInTheInstallation) {
  EXPECT_EQ(ShippedHelpFolderFor(bin_), "");
  WriteHostFile(bin_ + "/help", "a file, no folder");
  EXPECT_EQ(ShippedHelpFolderFor(bin_), "");
  Install();
  EXPECT_EQ(ShippedHelpFolderFor(bin_), ProgramFolderFromHost(tmp_ / "inst/share/vorlisk/help"));
  fs::remove(bin_ + "/help");
  WriteHostFile(bin_ + "/help/58.html", "build help");
  EXPECT_EQ(ShippedHelpFolderFor(bin_), ProgramFolderFromHost(bin_ + "/help"));
  EXPECT_FALSE(fs::exists(tmp_ / "home/.local/share/vorlisk"));
}

TEST_F(ProgramFolderTest, AnInstalledProgramUsesTheUsersDataFolder) {
  Install();
  struct Case {
    const char* name;
    std::optional<std::string> xdgDataHome;
    std::string expected;  // below tmp
  };
  const Case cases[] = {
      {"XDG_DATA_HOME unset", std::nullopt, "home/.local/share/vorlisk"},
      {"XDG_DATA_HOME empty", "", "home/.local/share/vorlisk"},
      {"XDG_DATA_HOME relative", "rel/data", "home/.local/share/vorlisk"},
      {"XDG_DATA_HOME absolute", tmp_ / "data", "data/vorlisk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedEnv data("XDG_DATA_HOME", c.xdgDataHome);
    const std::string folder = DefaultProgramFolderFor(bin_);
    const std::string user = tmp_ / c.expected;
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder, ProgramFolderFromHost(user));
    EXPECT_EQ(ReadHostFile(user + "/const/system.txt"), "shipped catalogue");
    EXPECT_EQ(ReadHostFile(user + "/help/58.html"), "main window help");
    EXPECT_EQ(ReadHostFile(user + "/help/help.css"), "body {}");
    fs::remove_all(user);
  }
  EXPECT_FALSE(fs::exists(bin_ + "/const"));  // nothing is written beside the executable
}

TEST_F(ProgramFolderTest, TheUsersCatalogueIsKeptWhileHelpFollowsTheInstallation) {
  Install();
  const std::string user = tmp_ / "home/.local/share/vorlisk";
  ASSERT_FALSE(DefaultProgramFolderFor(bin_).empty());
  WriteHostFile(user + "/const/system.txt", "edited by the user");
  WriteHostFile(tmp_ / "inst/share/vorlisk/help/58.html", "updated help");
  WriteHostFile(tmp_ / "inst/share/vorlisk/const/system.txt", "updated catalogue");

  ASSERT_FALSE(DefaultProgramFolderFor(bin_).empty());
  EXPECT_EQ(ReadHostFile(user + "/const/system.txt"), "edited by the user");
  EXPECT_EQ(ReadHostFile(user + "/help/58.html"), "updated help");
}

TEST_F(ProgramFolderTest, ALinkInTheUsersFolderIsReplacedNeverWrittenThrough) {
  Install();
  const std::string user = tmp_ / "home/.local/share/vorlisk";
  WriteHostFile(tmp_ / "canary.txt", "precious");
  fs::create_directories(user + "/help");
  fs::create_symlink(tmp_ / "canary.txt", user + "/help/58.html");

  ASSERT_FALSE(DefaultProgramFolderFor(bin_).empty());
  EXPECT_EQ(ReadHostFile(tmp_ / "canary.txt"), "precious");
  EXPECT_FALSE(fs::is_symlink(user + "/help/58.html"));
  EXPECT_EQ(ReadHostFile(user + "/help/58.html"), "main window help");
}

TEST_F(ProgramFolderTest, NoHomeOrAnUnwritableOneGivesNoFolder) {
  Install();
  {
    const ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(DefaultProgramFolderFor(bin_), "");
  }
  WriteHostFile(tmp_ / "blocked", "a file where a folder should be");
  const ScopedEnv data("XDG_DATA_HOME", tmp_ / "blocked");
  EXPECT_EQ(DefaultProgramFolderFor(bin_), "");
}

}  // namespace
}  // namespace vorlisk::platform
