// Special targets on a temporary home and mount table, and the specific-file list.
#include "engine/special_targets.h"

#include <filesystem>

#include "platform/error.h"
#include "platform/shell.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::WriteHostFile;

class SpecialTargetsTest : public ::testing::Test {
 protected:
  SpecialTargetsTest() {
    WriteHostFile(tmp_ / "mounts", "");
    platform::SetMountTableForTesting(tmp_ / "mounts");
  }
  ~SpecialTargetsTest() override { platform::SetMountTableForTesting(""); }

  void Fill() {
    WriteHostFile(tmp_ / "data/Trash/files/old.txt", "trashed");
    WriteHostFile(tmp_ / "data/recently-used.xbel", "<xbel><bookmark href=\"file:///x\"/></xbel>");
  }
  bool TrashEmptied() const { return fs::is_empty(tmp_ / "data/Trash/files"); }
  bool HistoryCleared() const {
    return test::ReadHostFile(tmp_ / "data/recently-used.xbel").find("bookmark href") ==
           std::string::npos;
  }

  test::TempFolder tmp_;
  test::ScopedEnv home_{"HOME", tmp_ / "home"};
  test::ScopedEnv data_{"XDG_DATA_HOME", tmp_ / "data"};
  std::string cursor_;
  CursorCallback cursor = [this](bool busy) { cursor_ += busy ? '+' : '-'; };
};

TEST_F(SpecialTargetsTest, NamesAreComparedExactlyAndTheCursorAlwaysComesBack) {
  struct Case {
    const char* name;
    bool trash, history;
  } cases[] = {{"Recycle Bin", true, false},
               {"recycle bin", false, false},
               {"Recycle Bin ", false, false},
               {"The history of Internet Explorer", false, true},
               {"Other item", false, false}};
  for (const auto& c : cases) {
    Fill();
    cursor_.clear();
    WashSpecialItem(c.name, cursor);
    EXPECT_EQ(TrashEmptied(), c.trash) << c.name;
    EXPECT_EQ(HistoryCleared(), c.history) << c.name;
    EXPECT_EQ(cursor_, "+-") << c.name;
  }
  // A history store that cannot be written breaks the wash off with the platform's text.
  WriteHostFile(tmp_ / "plain-file", "x");
  test::ScopedEnv broken("XDG_DATA_HOME", tmp_ / "plain-file");
  cursor_.clear();
  EXPECT_THROW(WashSpecialItem("The history of Internet Explorer", cursor), Error);
  EXPECT_EQ(cursor_, "+-") << "the hourglass left on after an error";
}

TEST_F(SpecialTargetsTest, SpecificFilesComeFromShellFoldersAndAreFoundIgnoringCase) {
  const std::string key =
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]";
  struct Case {
    const char* fault;
    std::string reg;
    SpecificFileList list;
  } cases[] = {
      {"wrong paths or order",
       key + "\r\n\"Cookies\"=\"C:\\\\Profile\\\\Cookies\"\r\n\"Cache\"=\"C:"
             "\\\\Profile\\\\Cache\\\\\"",
       {"C:\\Profile\\Cookies\\index.dat", "C:\\Profile\\Cache\\Content.IE5\\index.dat"}},
      {"a list without the key", "[HKEY_CURRENT_USER\\Software\\Microsoft]", {}},
      {"a value that is not text stopping the start",
       key + "\r\n\"Cookies\"=dword:00000001\r\n\"Cache\"=\"C:\\\\C\"",
       {"\\index.dat", "C:\\C\\Content.IE5\\index.dat"}},
  };
  test::TempDrive drive('R');
  for (const auto& c : cases) {
    test::ScopedRegistryStore store(drive.Win("registry.reg"), "REGEDIT4\r\n" + c.reg + "\r\n");
    SpecificFileList list;
    LoadSpecificFiles(list);
    EXPECT_EQ(list, c.list) << c.fault;
    fs::remove(drive.Host("registry.reg"));
  }
  const SpecificFileList list = cases[0].list;
  EXPECT_EQ(IndexOfSpecificFile(list, "c:\\profile\\cookies\\INDEX.DAT"), 0);
  EXPECT_EQ(IndexOfSpecificFile(list, "C:\\PROFILE\\CACHE\\content.ie5\\index.dat"), 1);
  EXPECT_EQ(IndexOfSpecificFile(list, "C:\\Profile\\Cookies\\index.dat.bak"), -1);
  EXPECT_EQ(IndexOfSpecificFile({}, "C:\\Profile\\Cookies\\index.dat"), -1);
}

}  // namespace
}  // namespace vorlisk
