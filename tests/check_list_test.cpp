#include "app/check_list.h"

#include <gtest/gtest.h>

#include "app/preview.h"
#include "app/scheduler.h"
#include "platform/text.h"
#include "test_support.h"

namespace vorlisk {
namespace {

TEST(SortedCheckList, SortsIgnoringCaseKeepsDuplicatesAndInsertsLaterLinesInOrder) {
  FileCheckList list(true);
  for (const char* t : {"C:\\b.tmp", "C:\\A.tmp", "c:\\a.TMP", "C:\\b.tmp"}) list.Add(t, false);
  list.SetAll(true);
  list.Add("C:\\0.tmp", false);  // a line added later goes to its sorted place
  ASSERT_EQ(list.Count(), 5);
  const char* expected[] = {"C:\\0.tmp", "C:\\A.tmp", "c:\\a.TMP", "C:\\b.tmp", "C:\\b.tmp"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.Text(i), expected[i]) << i;
  EXPECT_FALSE(list.Checked(0));
  EXPECT_TRUE(list.Checked(1));
}

// Catches an order that differs from the texts compared with A to Z folded, equal texts kept in
// the order added: files beside subfolders whose names begin alike ("ab", "ab.txt", "ab_c",
// "ab\\x"), folders differing in case only, shorter names, lines without a folder.
TEST(SortedCheckList, OrdersAsTheWholeTextsCompareIgnoringCase) {
  const std::vector<std::string> parts = {"a", "A", "ab", "aB",  "ab.txt",   "ab_c",
                                          "b", "_", "Z",  "a b", "\xc3\xa9", "~"};
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fff;
  };
  for (int round = 0; round < 20; ++round) {
    FileLines list;
    std::vector<std::string> added;
    for (int i = 0; i < 300; ++i) {
      std::string text = next() % 2 ? "C:" : "c:";
      for (int level = static_cast<int>(next() % 4); level >= 0; --level)
        text += "\\" + parts[next() % parts.size()];
      if (next() % 17 == 0) text = parts[next() % parts.size()];  // no folder at all
      added.push_back(text);
      // Every other line's number rides along where the search would put its listing (a folder
      // record of its own); the others share their folder with the line before when they can.
      if (i % 2) {
        const platform::ListedIn listed{static_cast<std::size_t>(i), {}, 0};
        const std::size_t cut = text.rfind('\\');
        if (cut == std::string::npos)
          list.Add("", text, false, &listed);
        else
          list.Add(text.substr(0, cut + 1), text.substr(cut + 1), false, &listed);
      } else {
        list.Add(text, false);
      }
    }
    list.Sort();
    // The reference: a stable sort of the folded texts.
    std::vector<std::size_t> reference(added.size());
    for (std::size_t i = 0; i < reference.size(); ++i) reference[i] = i;
    const auto folded = [](std::string t) {
      for (char& c : t) c = LowerAZ(c);
      return t;
    };
    std::stable_sort(reference.begin(), reference.end(), [&](std::size_t a, std::size_t b) {
      return folded(added[a]) < folded(added[b]);
    });
    ASSERT_EQ(list.Count(), reference.size());
    for (std::size_t i = 0; i < reference.size(); ++i) {
      ASSERT_EQ(list.Text(i), added[reference[i]]) << "round " << round << ", row " << i;
      const auto& listed = list.FolderOf(i).Listed;
      ASSERT_EQ(listed.has_value(), reference[i] % 2 == 1) << "round " << round << ", row " << i;
      if (listed) {
        ASSERT_EQ(listed->anchorLength, reference[i]) << "round " << round << ", row " << i;
      }
    }
  }
}

TEST(SortedCheckList, HundredThousandLinesSortOnce) {
  FileCheckList list(true);
  for (int i = 100000; i > 0; --i) list.Add("C:\\dir\\f" + std::to_string(i) + ".tmp", true);
  EXPECT_EQ(list.Text(0), "C:\\dir\\f1.tmp");
  EXPECT_EQ(list.Count(), 100000);
}

// A file that two entries name is two lines but one file: the wash erases it once, so the total of
// what a wash would free counts it once. Unticked lines and missing files count nothing.
TEST(PreviewTotals, EachFileCountsOnceHoweverManyLinesNameIt) {
  test::TempDrive drive;
  test::WriteHostFile(drive.Host("a.tmp"), "1234");
  test::WriteHostFile(drive.Host("b.tmp"), "12345678");
  PreviewDialog dialog(PreviewKind::All, {});
  for (const char* line : {"a.tmp", "a.tmp", "b.tmp", "gone.tmp"})
    dialog.Files().Add(drive.Win(line), true);
  dialog.Files().Add(drive.Win("b.tmp"), false);
  const auto totals = dialog.TickedFileTotals();
  EXPECT_EQ(totals.Files, 2);
  EXPECT_EQ(totals.Bytes, 12u);
}

TEST(CheckList, SelectionStaysWithinRows) {
  CheckList list;
  EXPECT_EQ(list.Selected(), -1);
  list.Add("a", true);
  list.Select(3);
  EXPECT_EQ(list.Selected(), -1);
  list.Select(0);
  EXPECT_EQ(list.Selected(), 0);
  list.Clear();
  EXPECT_EQ(list.Selected(), -1);
}

TEST(TimedWash, IntervalIsMinutesAsATimeOfDay) {
  const auto start = Clock::time_point{} + std::chrono::hours(1000);
  struct Case {
    int32_t minutes;
    std::chrono::seconds after;
    bool due;
  } cases[] = {
      {10, std::chrono::minutes(9) + std::chrono::seconds(59), false},
      {10, std::chrono::minutes(10), true},
      {0, std::chrono::seconds(0), true},  // 0 washes at every tick
      {1439, std::chrono::minutes(1439), true},
      {1440, std::chrono::hours(1000), false},  // no valid time of day: never
      {-1, std::chrono::hours(1000), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimedWashDue(c.minutes, start, start + c.after), c.due) << c.minutes;
}

}  // namespace
}  // namespace vorlisk
