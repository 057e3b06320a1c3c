// The line writer of the wash log: appends CRLF lines, creates the file, never writes through a
// link, and reports failures with the file error text.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using platform::LineWriter;

TEST(LineWriter, CreatesThenAppendsLinesEndedByCrLf) {
  test::TempDrive drive;
  for (const char* line : {"first", "second"}) {
    auto out = LineWriter::OpenAppend(drive.Win("log.htm"));
    out->WriteLine(line);
    out->WriteLine("");
    out->Close();
  }
  EXPECT_EQ(drive.Read("log.htm"), "first\r\n\r\nsecond\r\n\r\n");
}

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

TEST(LineWriter, RefusesWhatIsNoPlainFileWithTheFileErrorText) {
  test::TempDrive drive;
  drive.Put("canary", "precious");
  drive.Put("ro.htm", "old run\r\n");
  ::chmod(drive.Host("ro.htm").c_str(), 0444);  // refused even as root
  std::filesystem::create_symlink(drive.Host("canary"), drive.Host("link.htm"));
  std::filesystem::create_directory(drive.Host("dir.htm"));
  std::filesystem::create_hard_link(drive.Host("canary"), drive.Host("hard.htm"));
  struct Case {
    const char* name;
    const char* error;
  } cases[] = {{"link.htm", "File access denied"},
               {"ro.htm", "File access denied"},
               {"hard.htm", "File access denied"},
               {"dir.htm", "File access denied"},
               {"missing\\log.htm", "File not found"}};
  for (const auto& c : cases) {
    try {
      LineWriter::OpenAppend(drive.Win(c.name));
      ADD_FAILURE() << c.name << " opened";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.error) << c.name;
    }
  }
  EXPECT_EQ(drive.Read("canary"), "precious");
  EXPECT_EQ(drive.Read("ro.htm"), "old run\r\n");
}

}  // namespace
}  // namespace vorlisk
