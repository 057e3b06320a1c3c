// File lines: the folder each line shares, the texts they give back, and the wash of lines that
// name one file twice or fill a log a folder at a time.
#include "engine/file_lines.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/folder_entries.h"
#include "engine/wash_log.h"
#include "folder_entries_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;

// Catches a line given the folder of the line before when its folder or listing differs, a folder
// text left without its "\\" or given two, and a text cut at the wrong "\\".
TEST(FileLines, LinesShareTheirFolderOnlyWhenItIsTheSameListing) {
  const platform::ListedIn first{3, {1, 2}, 3}, second{3, {1, 5}, 3};
  FileLines lines;
  lines.Add("C:\\a\\", "x.tmp", true, &first);
  lines.Add("C:\\a", "y.tmp", false, &first);  // the same folder, written without its "\\"
  lines.Add("C:\\a\\", "z.tmp", false, &second);
  lines.Add("C:\\a\\", "w.tmp", false);  // no listing
  lines.Add("C:\\a\\b\\v.tmp", true);
  lines.Add("bare", false);
  ASSERT_EQ(lines.Count(), 6u);
  const char* texts[] = {"C:\\a\\x.tmp", "C:\\a\\y.tmp",    "C:\\a\\z.tmp",
                         "C:\\a\\w.tmp", "C:\\a\\b\\v.tmp", "bare"};
  for (std::size_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Text(i), texts[i]) << i;
  EXPECT_EQ(lines.FolderIndex(0), lines.FolderIndex(1));
  for (std::size_t i = 2; i < lines.Count(); ++i)
    EXPECT_NE(lines.FolderIndex(i), lines.FolderIndex(i - 1)) << i;
  EXPECT_EQ(lines.FolderOf(2).Listed, second);
  EXPECT_FALSE(lines.FolderOf(3).Listed);
  EXPECT_EQ(lines.FolderOf(4).Text, "C:\\a\\b\\");
  EXPECT_EQ(lines.FolderOf(5).Text, "");
  EXPECT_EQ(lines.Name(4), "v.tmp");
  const bool marks[] = {true, false, false, false, true, false};
  for (std::size_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Checked(i), marks[i]) << i;

  // Sorting keeps each line's folder, listing and mark with its name.
  lines.Sort();
  const char* sorted[] = {"bare",         "C:\\a\\b\\v.tmp", "C:\\a\\w.tmp",
                          "C:\\a\\x.tmp", "C:\\a\\y.tmp",    "C:\\a\\z.tmp"};
  for (std::size_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Text(i), sorted[i]) << i;
  EXPECT_TRUE(lines.Checked(1));
  EXPECT_TRUE(lines.Checked(3));
  EXPECT_EQ(lines.FolderOf(5).Listed, second);
}

// Catches a repeat missed when a line differing in case only lies between the two (they sort
// together, in the order added), or a line taken for a repeat of one that differs in case.
TEST(FileLines, SortedRepeatsAreFoundAmongLinesThatDifferInCaseOnly) {
  FileLines lines;
  for (const char* text :
       {"C:\\t\\a.tmp", "C:\\T\\a.tmp", "C:\\t\\A.tmp", "C:\\t\\b.tmp", "C:\\t\\a.tmp"})
    lines.Add(text, true);
  lines.Sort();
  std::vector<std::string> texts;
  std::vector<bool> repeats;
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    texts.push_back(lines.Text(i));
    repeats.push_back(lines.EarlierSame(i, [](std::size_t) { return true; }));
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"C:\\t\\a.tmp", "C:\\T\\a.tmp", "C:\\t\\A.tmp",
                                             "C:\\t\\a.tmp", "C:\\t\\b.tmp"}));
  EXPECT_EQ(repeats, (std::vector<bool>{false, false, false, true, false}));
  // Only earlier lines the predicate takes count.
  EXPECT_FALSE(lines.EarlierSame(3, [](std::size_t j) { return j != 0; }));
}

class FileLinesWashTest : public FolderEntriesTest {};

// Catches a file that two entries name counted twice, or its second line taken for a failure:
// the second finds the file gone, and the first alone is counted and logged.
TEST_F(FileLinesWashTest, AFileThatTwoEntriesNameIsErasedAndCountedOnce) {
  FileLines lines;
  for (const char* target : {"T:\\Temp\\*.tmp", "T:\\Temp\\a.*"}) {
    tChildFolder entry = Entry(FolderKind::FolderMask, target, false);
    ExpandFolderEntry(entry, {}, lines);
  }
  EXPECT_TRUE(lines.MayRepeat());
  ASSERT_EQ(lines.Count(), 3u);  // a.tmp, b.tmp, then a.tmp again
  lines.SetAll(true);
  lines.Sort();
  WashLog log(drive_.Root());
  log.BeginLogRun({2004, 3, 7, 13, 5, 9});
  const WashCounts counts = WashFileLines(lines, true, &log, {});
  log.EndLogRun();
  EXPECT_EQ(counts.Success, 2);
  EXPECT_EQ(counts.Fails, 0);
  EXPECT_EQ(test::LogRows(drive_.Read("log.htm")),
            (std::vector<std::string>{"Quick|Success|T:\\Temp\\a.tmp|&nbsp;",
                                      "Quick|Success|T:\\Temp\\b.tmp|&nbsp;"}));
  EXPECT_FALSE(drive_.Exists("Temp/a.tmp"));

  // One entry alone lists each file once.
  FileLines one;
  tChildFolder entry = Entry(FolderKind::FolderMask, "T:\\Temp\\*.*", true);
  ExpandFolderEntry(entry, {}, one);
  EXPECT_FALSE(one.MayRepeat());
}

// Catches log rows held back past their folder (lost to a crash of the wash that follows) or
// written before the files they tell of were washed.
TEST_F(FileLinesWashTest, TheLogHoldsTheRowsOfEachFolderBeforeTheNextIsWashed) {
  tChildFolder entry = Entry(FolderKind::FolderMask, "T:\\Temp\\*.tmp", true);
  FileLines lines;
  ExpandFolderEntry(entry, {}, lines);
  lines.SetAll(true);
  lines.Sort();  // Temp\a.tmp, Temp\b.tmp, Temp\Sub\Deep\f.tmp, Temp\Sub\e.tmp
  ASSERT_EQ(lines.Count(), 4u);
  std::vector<std::pair<std::string, std::size_t>> seen;  // file, log rows written before it
  SetSecureEraseHookForTesting([this, &seen](std::string_view path) {
    seen.emplace_back(path, test::LogRows(drive_.Read("log.htm")).size());
  });
  WashLog log(drive_.Root());
  log.BeginLogRun({2004, 3, 7, 13, 5, 9});
  const WashCounts counts = WashFileLines(lines, false, &log, {});
  SetSecureEraseHookForTesting(nullptr);
  EXPECT_EQ(counts.Success, 4);
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"T:\\Temp\\a.tmp", 0},
      {"T:\\Temp\\b.tmp", 0},
      {"T:\\Temp\\Sub\\Deep\\f.tmp", 2},
      {"T:\\Temp\\Sub\\e.tmp", 3}};
  EXPECT_EQ(seen, expected);
  // All rows are in the file once the wash returns, before the run ends.
  EXPECT_EQ(test::LogRows(drive_.Read("log.htm")).size(), 4u);
  log.EndLogRun();
}

// A quick wash of many lines looks at each file ahead of its erasure (on a second thread where
// there is one). Catches a look that lags or runs ahead of its line (bytes counted for the wrong
// file), and a file changed between its look and its erasure taken for what it was: one gone is
// not counted, a folder in its place stays and counts as a failure, a read-only file is still
// removed.
TEST_F(FileLinesWashTest, AQuickWashOfManyFilesCountsEachFileByItsOwnLook) {
  constexpr int kFiles = 1200;
  uint64_t expectedBytes = 0;
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "Many/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".tmp";
    test::WriteHostFile(drive_.Host(name), std::string(static_cast<std::size_t>(i % 97), 'x'));
  }
  const auto host = [this](int i) {
    return drive_.Host("Many/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".tmp");
  };
  FileLines lines;
  tChildFolder entry = Entry(FolderKind::FolderMask, "T:\\Many\\*.tmp", true);
  ExpandFolderEntry(entry, {}, lines);
  ASSERT_EQ(lines.Count(), static_cast<std::size_t>(kFiles));
  lines.SetAll(true);
  lines.Sort();
  for (std::size_t i = 0; i < lines.Count(); i += 2) lines.SetChecked(i, false);
  // Changed after the preview, among the ticked files: one gone, one replaced by a folder, one
  // given a second name (which keeps its data: nothing freed), one made read-only.
  int ticked = 0, gone = -1, folder = -1, linked = -1, readOnly = -1;
  for (std::size_t i = 1; i < lines.Count(); i += 2) {
    const int n = std::stoi(std::string(lines.Name(i)).substr(1));
    if (gone < 0) {
      gone = n;
      fs::remove(host(n));
    } else if (folder < 0) {
      folder = n;
      fs::remove(host(n));
      fs::create_directory(host(n));
    } else {
      ++ticked;
      if (linked < 0) {
        linked = n;
        fs::create_hard_link(host(n), drive_.Host("Many/other-name"));
        continue;
      }
      if (readOnly < 0) {
        readOnly = n;
        fs::permissions(host(n), fs::perms::owner_read);
      }
      expectedBytes += static_cast<uint64_t>(n % 97);
    }
  }
  const WashCounts counts = WashFileLines(lines, true, nullptr, {});
  EXPECT_EQ(counts.Success, ticked);
  EXPECT_EQ(counts.Fails, 1) << "the folder in a listed file's place";
  ASSERT_EQ(counts.Failed.size(), 1u);
  EXPECT_EQ(counts.Failed[0].second, "Not a File: a folder took its place");
  EXPECT_EQ(counts.FreedBytes, expectedBytes);
  EXPECT_TRUE(fs::is_directory(host(folder)));
  int left = 0;
  for (int i = 0; i < kFiles; ++i) left += fs::is_regular_file(host(i)) ? 1 : 0;
  EXPECT_EQ(left, kFiles / 2) << "the unticked files stay, and they alone";
  EXPECT_EQ(test::ReadHostFile(drive_.Host("Many/other-name")),
            std::string(static_cast<std::size_t>(linked % 97), 'x'));
}

}  // namespace
}  // namespace vorlisk
