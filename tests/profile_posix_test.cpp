// Profile files between processes, and files the user may not read.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/profile.h"
#include "posix_support.h"
#include "profile_fixture.h"

namespace vorlisk {
namespace {

using platform::ProfileBatch;

// Catches writes of two processes that overwrite each other's: every change is made under the
// program folder's lock on the file as it is on disk then, and a batch's read-modify-write is one.
TEST_F(ProfileTest, TwoProcessesWritingOneFileLoseNothing) {
  platform::SetProgramFolderLock(drive.Root());
  constexpr int kEach = 25;
  const bool ok = test::RunInProcesses(2, [this](int child) {
    for (int i = 0; i < kEach; ++i) {
      file.WriteString("Keys", "c" + std::to_string(child) + "k" + std::to_string(i), "1");
      ProfileBatch batch(path);
      file.WriteInteger("Count", "n", file.ReadInteger("Count", "n", 0) + 1);
    }
    return true;
  });
  platform::SetProgramFolderLock("");
  ASSERT_TRUE(ok);
  platform::ClearProfileCache();
  EXPECT_EQ(file.ReadInteger("Count", "n", 0), 2 * kEach);
  EXPECT_EQ(file.ReadSectionKeys("Keys").size(), 2u * kEach);
}

// Catches a writer that hangs, or writes anyway, while another process keeps the lock; also when
// that process is another user's, who may only read the lock file (a shared program folder).
TEST_F(ProfileTest, AWriteWaitsForTheLockAndThenGivesUpWithAClearError) {
  platform::SetProgramFolderLock(drive.Root());
  platform::SetProgramFolderLockWaitForTesting(std::chrono::milliseconds(100));
  { const platform::ProgramFolderLock create; }  // the lock file, this user's, mode 0644
  ::chmod(drive.host().c_str(), 0755);
  for (const bool otherUser : {false, true}) {
    SCOPED_TRACE(otherUser);
    if (otherUser && ::geteuid() != 0) {
      std::cout << "only root can hold the lock as another user\n";
      continue;
    }
    drive.Put("a.ini", "[S]\r\nk=1\r\n");
    int release[2], held[2];
    ASSERT_EQ(::pipe(release), 0);
    ASSERT_EQ(::pipe(held), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
      ::close(release[1]);  // the read below ends when the test closes its end
      if (otherUser && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
      const platform::ProgramFolderLock lock;
      char byte = 1;
      if (::write(held[1], &byte, 1) != 1) ::_exit(1);
      while (::read(release[0], &byte, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
    ::close(release[0]);
    ::close(held[1]);
    char byte = 0;
    ASSERT_EQ(::read(held[0], &byte, 1), 1);
    try {
      file.WriteString("S", "k", "2");
      ADD_FAILURE() << "no error";
    } catch (const platform::ProgramFolderLockedError& e) {
      EXPECT_STREQ(e.what(), "The program folder is locked by another Vorlisk process");
    }
    EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=1\r\n");
    ::close(release[1]);  // the holder ends and its lock with it
    int status = 0;
    ::waitpid(holder, &status, 0);
    file.WriteString("S", "k", "2");
    EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=2\r\n");
    ::close(held[0]);
  }
  platform::SetProgramFolderLockWaitForTesting(std::chrono::milliseconds(0));
  platform::SetProgramFolderLock("");
}

TEST_F(ProfileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  drive.Put("a.ini", "[S]\r\nk=1\r\n");
  std::filesystem::permissions(drive.Host("a.ini"), std::filesystem::perms::none);
  EXPECT_EQ(file.ReadInteger("S", "k", 7), 7);
  EXPECT_THROW(file.WriteInteger("S", "m", 2), WriteError);
  std::filesystem::permissions(drive.Host("a.ini"), std::filesystem::perms::owner_all);
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=1\r\n");
}

}  // namespace
}  // namespace vorlisk
