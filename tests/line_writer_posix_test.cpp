// The line writer of the wash log between processes.
#include <gtest/gtest.h>

#include "platform/filesystem.h"
#include "posix_support.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using platform::LineWriter;

// Catches two processes washing at once whose log runs end up inside one another.
TEST(LineWriter, WritersOfTwoProcessesTakeTurns) {
  test::TempDrive drive;
  constexpr int kLines = 200;
  ASSERT_TRUE(test::RunInProcesses(2, [&](int child) {
    auto out = LineWriter::OpenAppend(drive.Win("log.htm"));
    for (int i = 0; i < kLines; ++i) out->WriteLine(std::to_string(child));
    out->Close();
    return true;
  }));
  const std::string log = drive.Read("log.htm");
  ASSERT_EQ(log.size(), 2u * kLines * 3);
  // One run after the other: the second child's lines never begin inside the first's.
  EXPECT_EQ(log.find(log[0] == '0' ? '1' : '0'), std::size_t{kLines * 3});
}

}  // namespace
}  // namespace vorlisk
