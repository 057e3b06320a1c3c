// Temporary files that a write killed midway leaves behind are removed at the next start, and
// nothing else is.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/main_session.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::WriteHostFile;

class StaleTempTest : public ::testing::Test, public test::TestProgram {
 protected:
  StaleTempTest() { platform::SetStaleTempAgeForTesting(0); }
  ~StaleTempTest() override { platform::SetStaleTempAgeForTesting(-1); }
};

// Catches a start that leaves a dead writer's temporary file, or removes anything else.
TEST_F(StaleTempTest, StartRemovesOnlyTheTemporaryFilesOfDeadWriters) {
  namespace fs = std::filesystem;
  WriteItems("const/system.txt", {{.Name = "Shipped"}});
  struct Case {
    const char* name;
    bool removed;
  } cases[] = {
      {".order.ini.tmp123456789", true},
      {"const/.user.txt.tmp42", true},
      {"plugin/.p.txt.tmp7", true},
      {".registry.reg.tmp0", true},
      {"order.ini.tmp1", false},            // not hidden
      {".order.ini.tmp", false},            // no digits
      {".order.ini.tmp12x", false},         // not only digits
      {".order.ini.tmp1234567890", false},  // more digits than the writer makes
      {".tmp5", false},                     // no file name
      {"sub/.deep.txt.tmp3", false},        // not a folder of the program's files
      {".notes.txt.tmp12", false},          // a file the program never replaces there
      {"plugin/.notes.ini.tmp12", true},    // the plug-in folder is the program's alone
      {".locked.ini.tmp9", false},          // its writer is alive (see below)
      {".hard.ini.tmp8", false},            // a second name of another file
  };
  for (const auto& c : cases) WriteHostFile(Program.Host(c.name), "partial");
  WriteHostFile(Data.Host("precious.txt"), "precious");
  fs::create_symlink(Data.Host("precious.txt"), Program.Host(".link.ini.tmp5"));
  fs::create_directory(Program.Host(".dir.ini.tmp6"));
  fs::create_hard_link(Program.Host(".hard.ini.tmp8"), Data.Host("second-name.txt"));
  const int writer = ::open(Program.Host(".locked.ini.tmp9").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);

  MainSession session;
  session.Startup(Folder());
  ::close(writer);

  for (const auto& c : cases) EXPECT_EQ(Program.Exists(c.name), !c.removed) << c.name;
  EXPECT_TRUE(fs::is_symlink(Program.Host(".link.ini.tmp5")));
  EXPECT_TRUE(fs::is_directory(Program.Host(".dir.ini.tmp6")));
  EXPECT_EQ(test::ReadHostFile(Data.Host("precious.txt")), "precious");

  // A temporary file touched within the last minute may belong to a writer between two steps.
  platform::SetStaleTempAgeForTesting(-1);
  WriteHostFile(Program.Host(".order.ini.tmp55"), "partial");
  session.Startup(Folder());
  EXPECT_TRUE(Program.Exists(".order.ini.tmp55"));
}

}  // namespace
}  // namespace vorlisk
