// Progress and cancel of expansions and washes: a cancel stops between two lines, and what was
// done is counted, logged and closed properly.
#include "engine/progress.h"

#include <gtest/gtest.h>

#include "app/main_session.h"
#include "engine/folder_entries.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::TestItem;
using test::WriteHostFile;

constexpr int kFiles = 300;

class ProgressTest : public ::testing::Test, public test::TestProgram {
 protected:
  ProgressTest() {
    WriteItems("const/system.txt",
               {{.Name = "Many", .Folders = {{.Name = "all", .DeletePath = "D:\\many\\*.tmp"}}}});
    for (int i = 0; i < kFiles; ++i)
      WriteHostFile(Data.Host("many/f" + std::to_string(i) + ".tmp"), "x");
    WriteHostFile(Program.Host("wildcard.ini"), "[Log]\r\nWrite to Log=1\r\n");
    ui.ShowPreview = [this](PreviewDialog& d) { shownLines = d.Files().Count(); };
    ui.Progress = [this](const ProgressInfo& info) {
      reports.push_back(info);
      if (cancelIf && cancelIf(info)) session->CancelRun();
    };
    session.emplace(ui);
    session->SetProgressInterval(std::chrono::milliseconds(0));
    session->Startup(Folder());
  }
  int Remaining() const {
    int n = 0;
    for (int i = 0; i < kFiles; ++i) n += Data.Exists("many/f" + std::to_string(i) + ".tmp");
    return n;
  }

  UiCallbacks ui;
  std::optional<MainSession> session;
  std::vector<ProgressInfo> reports;
  std::function<bool(const ProgressInfo&)> cancelIf;
  int shownLines = -1;
};

// Catches a progress that never reports, or reports a count that is not what was done.
TEST_F(ProgressTest, AWashReportsItsExpansionThenItsLines) {
  session->WashCheckedItems(false);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().Done, kFiles);
  EXPECT_EQ(reports.back().Total, kFiles);
  EXPECT_EQ(Remaining(), 0);
  EXPECT_TRUE(session->IsEnabled(Control::btnWashAll));
}

// Catches a cancel that is ignored, that washes after cancelling the expansion, or a cancelled
// wash whose counters, log rows or log run disagree with what it did.
TEST_F(ProgressTest, ACancelStopsBetweenTwoLinesKeepingWhatWasDone) {
  ProgressTracker progress(
      [&](ProgressTracker& p, const ProgressInfo& info) {
        if (info.Done >= 100) p.Cancel();
      },
      std::chrono::milliseconds(0));
  FileLines found;
  tChildFolder entry;
  entry.Kind = FolderKind::FolderMask;
  entry.DeletePath = "D:\\many\\*.tmp";
  ExpandFolderEntry(entry, {}, found, {}, &progress);
  EXPECT_LT(found.Count(), static_cast<std::size_t>(kFiles));  // the search ended early
  EXPECT_GE(found.Count(), 100u);

  // During the expansion: nothing is shown or washed.
  cancelIf = [](const ProgressInfo& info) { return info.Total < 0 && info.Done >= 100; };
  session->WashCheckedItems(true);
  EXPECT_EQ(shownLines, -1);
  session->WashCheckedItems(false);
  EXPECT_EQ(Remaining(), kFiles);
  EXPECT_FALSE(session->Counters().Files);
  EXPECT_TRUE(session->Counters().Cancelled);

  // During the wash: the expansion finds every file, the wash stops part of the way.
  cancelIf = [](const ProgressInfo& info) { return info.Total >= 0 && info.Done >= 100; };
  session->WashCheckedItems(false);
  ASSERT_TRUE(session->Counters().Files);
  const int washed = session->Counters().Files->Success;
  EXPECT_GT(washed, 0);
  EXPECT_LT(washed, kFiles);
  EXPECT_EQ(Remaining(), kFiles - washed);
  const std::string log = Program.Read("log.htm");
  EXPECT_EQ(test::LogRows(log).size(), static_cast<std::size_t>(washed));
  EXPECT_EQ(log.substr(log.size() - 10), "</table>\r\n");
  EXPECT_TRUE(session->IsEnabled(Control::btnWashAll));
  EXPECT_TRUE(session->Counters().Cancelled);

  // A run to its end is no longer marked cancelled.
  cancelIf = nullptr;
  session->WashCheckedItems(false);
  EXPECT_FALSE(session->Counters().Cancelled);
  EXPECT_EQ(Remaining(), 0);
}

}  // namespace
}  // namespace vorlisk
