// The registry store between processes.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_lock.h"
#include "platform/registry.h"
#include "posix_support.h"
#include "registry_fixture.h"

namespace vorlisk::platform {
namespace {

// Catches changes of two processes that overwrite each other's: each is made under the program
// folder's lock on the store as it is on disk then.
TEST_F(RegistryTest, TwoProcessesChangingTheStoreLoseNothing) {
  SetProgramFolderLock("R:\\");
  constexpr int kEach = 25;
  const bool ok = test::RunInProcesses(2, [](int child) {
    for (int i = 0; i < kEach; ++i) {
      const std::string key = "C" + std::to_string(child) + "\\K" + std::to_string(i);
      if (child == 0) {
        ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\" + key + "]\r\n\"v\"=\"1\"\r\n"));
      } else {
        RegistryBatch batch;  // a batch too takes the lock and reads the disk again
        Registry reg;
        if (!reg.OpenKey("\\" + key, true)) return false;
        reg.WriteString("v", "1");
      }
    }
    return true;
  });
  SetProgramFolderLock("");
  ASSERT_TRUE(ok);
  for (int child = 0; child < 2; ++child)
    for (int i = 0; i < kEach; ++i) {
      const std::string key = "\\C" + std::to_string(child) + "\\K" + std::to_string(i);
      ASSERT_TRUE(reg_.OpenKey(key)) << key;
      EXPECT_EQ(reg_.ReadString("v"), "1") << key;
    }
}

}  // namespace
}  // namespace vorlisk::platform
