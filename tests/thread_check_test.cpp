// Process-wide state from two threads: the mutex-guarded state stays consistent, and a one-thread
// test seam used from a second thread stops the program where thread checks are on.
#include "platform/thread_check.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

// Catches a seam setter without its check, or a check that a reset does not hand on.
TEST(ThreadCheckDeathTest, AOneThreadStateUsedFromASecondThreadStops) {
  if (!kThreadChecks) GTEST_SKIP() << "thread checks are off in builds with NDEBUG";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        SetMountTableForTesting("");
        std::thread([] { SetMountTableForTesting(""); }).join();
      },
      "second thread");
  OneThreadCheck check;
  check.Use();
  check.Reset();
  std::thread([&check] { check.Use(); }).join();  // the new owner
  EXPECT_DEATH(check.Use(), "second thread");
}

// Catches the drive map, the profile cache or the temporary names of atomic writes shared
// between threads without a guard (torn or lost values, a crash, a write that fails).
TEST(ThreadSafeState, TwoThreadsMapDrivesAndWriteFilesConsistently) {
  test::TempDrive drive;
  const std::string folders[2] = {drive.Host(std::string(100, 'a')),
                                  drive.Host(std::string(100, 'b'))};
  const ScopedDriveMapping restore('Q', folders[0]);
  std::string mapped[2];  // each folder as the drive table keeps it ("\" separators on Windows)
  for (int i : {0, 1}) {
    MapDrive('Q', folders[i]);
    mapped[i] = DriveMapping('Q').value_or("");
  }
  std::atomic<int> faults{0};
  const auto work = [&](int me) {
    const std::string key = "key" + std::to_string(me);
    ProfileFile shared(drive.Win("shared.ini"));
    for (int i = 0; i < 20000; ++i) {
      MapDrive('Q', folders[me]);
      const auto now = DriveMapping('Q');
      if (!now || (*now != mapped[0] && *now != mapped[1])) ++faults;
      if (i % 400 != 0) continue;
      try {
        shared.WriteInteger("Threads", key, i);
        if (shared.ReadInteger("Threads", key, -1) != i) ++faults;
      } catch (const Error&) {
        ++faults;
      }
    }
  };
  std::thread other(work, 1);
  work(0);
  other.join();
  EXPECT_EQ(faults.load(), 0);
  // Neither thread's last write was lost.
  ClearProfileCache();
  const ProfileFile reread(drive.Win("shared.ini"));
  EXPECT_EQ(reread.ReadInteger("Threads", "key0", -1), 19600);
  EXPECT_EQ(reread.ReadInteger("Threads", "key1", -1), 19600);
}

}  // namespace
}  // namespace vorlisk::platform
