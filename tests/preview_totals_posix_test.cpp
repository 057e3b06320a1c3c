// The preview's totals and the wash's counters of the Recycle Bin (the freedesktop Trash of a
// test home; no volume's trash is looked at).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "app/preview.h"
#include "test_support.h"

namespace vorlisk {
namespace {

uint64_t OnDisk(const std::string& host) {
  struct stat st {};
  EXPECT_EQ(::stat(host.c_str(), &st), 0) << host;
  return std::min<uint64_t>(static_cast<uint64_t>(st.st_size),
                            static_cast<uint64_t>(st.st_blocks) * 512);
}

// Catches a total that leaves the Trash out although its line is ticked (or counts it unticked),
// and a "freed" figure that leaves out what emptying the Trash freed.
TEST(PreviewTotals, ATickedRecycleBinAddsWhatTheTrashHoldsAndItsWashCountsItFreed) {
  test::TestProgram program;
  const std::string trash = program.Home / "data/Trash";
  test::WriteHostFile(trash + "/files/video.mkv", std::string(50000, 'v'));
  test::WriteHostFile(trash + "/files/folder/note.txt", "note");
  test::WriteHostFile(trash + "/info/video.mkv.trashinfo", "[Trash Info]\n");
  test::WriteHostFile(trash + "/info/folder.trashinfo", "[Trash Info]\n");
  const uint64_t binBytes =
      OnDisk(trash + "/files/video.mkv") + OnDisk(trash + "/files/folder/note.txt");
  test::WriteHostFile(program.Data.Host("a.tmp"), "1234");

  WashCounters counters;
  WashContext context;
  context.ProgramFolder = test::TestProgram::Folder();
  context.WriteToLog = false;
  context.Counters = &counters;
  PreviewDialog dialog(PreviewKind::All, context);
  dialog.Special().Add(std::string(kRecycleBinItem), false);
  dialog.Files().Add(program.Data.Win("a.tmp"), true);
  EXPECT_FALSE(dialog.TickedFileTotals().RecycleBin.has_value());
  dialog.Special().SetAll(true);
  const auto totals = dialog.TickedFileTotals();
  ASSERT_TRUE(totals.RecycleBin.has_value());
  EXPECT_EQ(*totals.RecycleBin, (platform::RecycleBinContents{2, binBytes}));

  dialog.Wash();
  ASSERT_TRUE(counters.RecycleBin.has_value());
  EXPECT_EQ(counters.RecycleBin->Before, (platform::RecycleBinContents{2, binBytes}));
  EXPECT_EQ(counters.RecycleBin->After, platform::RecycleBinContents{});
  ASSERT_TRUE(counters.Files.has_value());
  EXPECT_EQ(counters.FreedBytes(), counters.Files->FreedBytes + binBytes);
  EXPECT_GT(counters.Files->FreedBytes, 0u);
}

}  // namespace
}  // namespace vorlisk
