// An entry's mark is written to its item file at once; one that cannot be written is not shown.
#include <gtest/gtest.h>

#include "app/main_session.h"
#include "platform/error.h"
#include "test_support.h"

namespace vorlisk {
namespace {

class EntryMarksTest : public ::testing::Test, public test::TestProgram {};

// Catches a tick shown (and held in memory) as written when its read-only item file refused it,
// and an error that does not name the file.
TEST_F(EntryMarksTest, AMarkThatCannotBeWrittenShowsWhatItsFileHolds) {
  WriteItems("const/system.txt", {{.Name = "Temp",
                                   .Folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*"}},
                                   .Registers = {{.Name = "key", .Active = false, .Key = "X"}}}});
  MainSession session;
  session.Startup(Folder());
  test::MakeReadOnly(Program.Host("const/system.txt"));
  const std::string before = Program.Read("const/system.txt");
  struct Case {
    const char* what;
    const CheckList& list;
    std::function<void()> tick;
    std::function<bool()> held;
    bool stored;
  } cases[] = {
      {"folder entry", session.ChListBoxFolder(), [&] { session.CheckFolderEntry(0, false); },
       [&] { return session.Current()->Folders.Entries[0].IsActive; }, true},
      {"registry entry", session.ChListBoxRegister(), [&] { session.CheckRegistryEntry(0, true); },
       [&] { return session.Current()->Registers.Entries[0].IsActive; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.tick();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to P:\\const\\system.txt");
    }
    EXPECT_EQ(c.list.Checked(0), c.stored);
    EXPECT_EQ(c.held(), c.stored);
  }
  EXPECT_EQ(Program.Read("const/system.txt"), before);
}

}  // namespace
}  // namespace vorlisk
