// Special targets on POSIX: the trash and the history of a temporary home and mount table.
#include <filesystem>

#include "engine/special_targets.h"
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

}  // namespace
}  // namespace vorlisk
