// The exclude-files and wildcard dialogs without a window: adding, moving, deleting, and what is
// written on confirm and on cancel.
#include "app/list_editing.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vorlisk {
namespace {

using Rows = std::vector<std::string>;

class ListEditingTest : public ::testing::Test {
 protected:
  ListEditingTest() {
    session.StateForTesting().ProgramFolder = drive.Root();
    session.Ui().Inform = [this](const std::string& note) { notes.push_back(note); };
  }
  test::TempDrive drive;
  MainSession session;
  Rows notes;
};

// Catches a second backslash before the mask, or an untrimmed mask.
TEST(FolderAndMask, OneBackslashAndTheMaskTrimmed) {
  const struct {
    const char *folder, *mask, *entry;
  } cases[] = {{"C:\\", " *.log ", "C:\\*.log"},
               {"C:\\tmp", "*.*", "C:\\tmp\\*.*"},
               {"C:\\tmp\\", "a?.txt", "C:\\tmp\\a?.txt"}};
  for (const auto& c : cases) EXPECT_EQ(FolderAndMask(c.folder, c.mask), c.entry) << c.folder;
}

// Catches moves past the ends, a selection that stays behind, and deletes without a selection.
TEST(TextListEdit, MovesAndDeletesTheSelectedRow) {
  enum Op { Up, Down, Delete };
  const struct {
    int32_t selected;
    Op op;
    bool done;
    Rows rows;
    int32_t selectedAfter;
  } cases[] = {{0, Up, false, {"a", "b", "c"}, 0},       {1, Up, true, {"b", "a", "c"}, 0},
               {2, Down, false, {"a", "b", "c"}, 2},     {0, Down, true, {"b", "a", "c"}, 1},
               {-1, Down, false, {"a", "b", "c"}, -1},   {-1, Up, false, {"a", "b", "c"}, -1},
               {-1, Delete, false, {"a", "b", "c"}, -1}, {1, Delete, true, {"a", "c"}, -1}};
  for (const auto& c : cases) {
    TextListEdit list({"a", "b", "c"});
    list.Select(c.selected);
    const bool done = c.op == Up     ? list.MoveUp()
                      : c.op == Down ? list.MoveDown()
                                     : list.DeleteSelected();
    EXPECT_EQ(done, c.done) << c.selected << ' ' << c.op;
    EXPECT_EQ(list.Rows(), c.rows) << c.selected << ' ' << c.op;
    EXPECT_EQ(list.Selected(), c.selectedAfter) << c.selected << ' ' << c.op;
  }
}

// Catches a duplicate that differs only in case, a lost order, and a write on cancel.
TEST_F(ListEditingTest, ExcludeAddsInOrderOnceAndWritesOnlyOnApply) {
  const std::string stored =
      "[Exclude Files]\nCount=2\nRecord0=C:\\a.txt\nRecord1=C:\\Tmp\\*.*\nRecord2=C:\\old\n";
  drive.Put("wildcard.ini", stored);
  {
    ExcludeFilesDialog dialog(session);
    EXPECT_EQ(dialog.AddByFileNames({"C:\\c", "c:\\A.TXT", "C:\\b", "C:\\C"}),
              (Rows{"c:\\A.TXT", "C:\\C"}));
    EXPECT_FALSE(dialog.AddByWildcard("c:\\tmp", " *.* "));
    EXPECT_TRUE(dialog.AddByWildcard("D:\\", "*.log"));
    EXPECT_EQ(dialog.List.Rows(),
              (Rows{"C:\\a.txt", "C:\\Tmp\\*.*", "C:\\c", "C:\\b", "D:\\*.log"}));
    dialog.List.Clear();
  }  // cancelled
  EXPECT_EQ(drive.Read("wildcard.ini"), stored);

  ExcludeFilesDialog dialog(session);
  dialog.List.Clear();
  dialog.Apply();
  EXPECT_TRUE(SettingsFile(session.ProgramFolder()).ReadExcludeList().empty());
  EXPECT_NE(drive.Read("wildcard.ini").find("Record0=C:\\a.txt"), std::string::npos);
}

// An entry is matched by its text: "C:\a\..\b.txt" would keep nothing it seems to name. Such a
// path is refused whole, nothing of it added.
TEST_F(ListEditingTest, ExcludePathsWithDotLevelsAreRefusedNotStored) {
  ExcludeFilesDialog dialog(session);
  EXPECT_THROW(dialog.AddByFileNames({"C:\\keep.txt", "C:\\a\\..\\b.txt"}), Error);
  EXPECT_THROW(dialog.AddByFileNames({"C:/a/./b.txt"}), Error);
  EXPECT_THROW(dialog.AddByWildcard("C:\\a\\..", "*.*"), Error);
  EXPECT_TRUE(dialog.List.Rows().empty());
  EXPECT_EQ(dialog.AddByFileNames({"C:\\a\\...\\b.txt", "C:\\a..\\b"}), Rows{});
}

// Catches an untrimmed or duplicate mask, a field left filled, a delete without its note, and a
// write before OK.
TEST_F(ListEditingTest, WildcardAddsTrimmedOnceAndWritesOnlyOnOk) {
  drive.Put("wildcard.ini", "[Common]\nWildcard Total=1\nWildcard0=*.tmp\n");
  WildcardDialog dialog(session);
  const struct {
    const char* typed;
    bool added;
    const char* fieldAfter;
  } cases[] = {{"  *.log  ", true, ""}, {"   ", false, "   "}, {"*.LOG", false, ""}};
  for (const auto& c : cases) {
    dialog.Edit1 = c.typed;
    EXPECT_EQ(dialog.SpNewClick(), c.added) << c.typed;
    EXPECT_EQ(dialog.Edit1, c.fieldAfter) << c.typed;
  }
  EXPECT_FALSE(dialog.DeleteClick());
  EXPECT_EQ(notes, Rows{kSelectAItem});
  dialog.List.Select(1);
  EXPECT_TRUE(dialog.List.MoveUp());
  EXPECT_EQ(SettingsFile(session.ProgramFolder()).ReadWildcardList(), Rows{"*.tmp"});
  dialog.OkClick();
  EXPECT_EQ(SettingsFile(session.ProgramFolder()).ReadWildcardList(), (Rows{"*.log", "*.tmp"}));
}

}  // namespace
}  // namespace vorlisk
