#include <gtest/gtest.h>

#include "model/catalogue.h"
#include "model/item.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::Crlf;
using test::ReadHostFile;
using test::TempDrive;
using test::WriteHostFile;

class ItemModelTest : public ::testing::Test {
 protected:
  TempDrive drive;
  std::string file = drive.Win("items.txt");
  std::string host = drive.Host("items.txt");
};

TEST_F(ItemModelTest, MissingKeysGiveDefaultsAndOutOfRangeKindsKeepPreviousValue) {
  WriteHostFile(host, Crlf({"[A]", "tFolder.Total=3", "tFolder0.ChildItemName=zero",
                            "tFolder0.bycategory=7", "tFolder2.bycategory=2",
                            "tRegister.Total=1", "tRegister0.CleanRegisterType=5", "[Empty]"}));
  tItemContent item;
  item.Create(file, "A");
  ASSERT_EQ(item.Folders.Count(), 3);
  // A stored kind out of range leaves a new entry's kind at RegistryFolder.
  EXPECT_EQ(item.Folders.Entries[0].Kind, FolderKind::RegistryFolder);
  // An entry without keys: empty name, unticked, FolderMask, no subfolders.
  const auto& second = item.Folders.Entries[1];
  EXPECT_EQ(second.Name, "");
  EXPECT_FALSE(second.IsActive);
  EXPECT_EQ(second.Kind, FolderKind::FolderMask);
  EXPECT_FALSE(second.IncludeSubfolders);
  EXPECT_EQ(second.Index, 1);
  EXPECT_EQ(item.Folders.Entries[2].Kind, FolderKind::SingleFile);
  EXPECT_EQ(item.Registers.Entries[0].CleanType, CleanRegisterType::WholeKey);
  EXPECT_TRUE(item.Item.IsActive);

  tItemContent empty;
  empty.Create(file, "Empty");
  EXPECT_EQ(empty.Folders.Count(), 0);
  EXPECT_EQ(empty.Registers.Count(), 0);

  tItemContent unknown;
  unknown.Create(drive.Win("missing.txt"), "Nothing");
  EXPECT_TRUE(unknown.Item.IsActive);
  EXPECT_FALSE(unknown.Item.IsSpecial);
  EXPECT_EQ(unknown.Folders.Count(), 0);
}

TEST_F(ItemModelTest, SaveAsNewWritesTheItemFileLayoutInKeyOrder) {
  tItemContent item;
  item.Create(file, "A");
  tChildFolder f;
  f.ItemFile = file;
  f.Section = "A";
  f.Index = 0;
  f.Name = "Temp files";
  f.IsActive = true;
  f.Kind = FolderKind::FolderMask;
  f.DeletePath = "C:\\Temp\\*.tmp";
  item.Folders.Add(f);
  tChildRegister r;
  r.ItemFile = file;
  r.Section = "A";
  r.Name = "MRU";
  r.RegisterKeyName = "HKEY_CURRENT_USER\\Software\\Demo";
  r.IsActive = true;
  r.CleanType = CleanRegisterType::AllValues;
  item.Registers.Add(r);
  item.SaveAsNew(file, "A", true);

  EXPECT_EQ(ReadHostFile(host),
            Crlf({"[Common]", "Total=1", "Item0=A", "[A]", "IsActive=1", "IsSpecial=0",
                  "tFolder.Total=1", "tFolder0.ChildItemName=Temp files", "tFolder0.isactive=1",
                  "tFolder0.deletepath=C:\\Temp\\*.tmp", "tFolder0.RegisterName=",
                  "tFolder0.RegisterValueofName=", "tFolder0.deletefilename=",
                  "tFolder0.bycategory=1", "tFolder0.IsIncludeSubfolder=0", "tRegister.Total=1",
                  "tRegister0.ChildItemName=MRU",
                  "tRegister0.RegisterKeyName=HKEY_CURRENT_USER\\Software\\Demo",
                  "tRegister0.RegisterSingleValue=", "tRegister0.isactive=1",
                  "tRegister0.CleanRegisterType=1"}));

  // A second item goes under the next name key; a reload gives back what was stored.
  item.SaveAsNew(file, "B", false);
  tItemContent back;
  back.Create(file, "B");
  EXPECT_FALSE(back.Item.IsActive);
  ASSERT_EQ(back.Folders.Count(), 1);
  EXPECT_EQ(back.Folders.Entries[0].DeletePath, "C:\\Temp\\*.tmp");
  EXPECT_EQ(back.Folders.Entries[0].Section, "B");
  EXPECT_EQ(back.Registers.Entries[0].CleanType, CleanRegisterType::AllValues);
  EXPECT_EQ(IndexInItemFile(file, "B"), 1);
}

TEST_F(ItemModelTest, DeleteAndSaveShiftEntriesAndLeaveStaleKeysUnread) {
  WriteHostFile(host, Crlf({"[Common]", "Total=1", "Item0=A", "[A]", "tFolder.Total=3",
                            "tFolder0.ChildItemName=e0", "tFolder1.ChildItemName=e1",
                            "tFolder2.ChildItemName=e2"}));
  tItemContent item;
  item.Create(file, "A");
  item.Folders.Delete(1);
  EXPECT_EQ(item.Folders.Entries[1].Index, 1);
  item.Folders.Save();

  const std::string bytes = ReadHostFile(host);
  EXPECT_NE(bytes.find("tFolder.Total=2\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("tFolder1.ChildItemName=e2\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("tFolder2.ChildItemName=e2\r\n"), std::string::npos);  // stale, kept

  tItemContent back;
  back.Create(file, "A");
  ASSERT_EQ(back.Folders.Count(), 2);
  EXPECT_EQ(back.Folders.Entries[0].Name, "e0");
  EXPECT_EQ(back.Folders.Entries[1].Name, "e2");
}

TEST_F(ItemModelTest, OutOfRangeIndicesChangeNothing) {
  titem_list list;
  for (const char* n : {"a", "b", "c"}) list.AddCopy({n, true, false, file});
  list.AddCopy({"", true, false, file});  // an empty name is not added
  list.MoveUp(0);
  list.MoveDown(2);
  list.MoveUp(3);
  list.MoveDown(-1);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items[0].Name, "a");
  EXPECT_EQ(list.Items[2].Name, "c");
  list.MoveDown(0);
  EXPECT_EQ(list.Items[0].Name, "b");
  list.MoveUp(2);
  EXPECT_EQ(list.Items[1].Name, "c");

  tFolder folders;
  tChildFolder e;
  e.Name = "x";
  folders.Add(e);
  tChildFolder other;
  other.Name = "y";
  for (int32_t bad : {-1, 1, 5}) {
    folders.Replace(other, bad);
    folders.Delete(bad);
  }
  ASSERT_EQ(folders.Count(), 1);
  EXPECT_EQ(folders.Entries[0].Name, "x");
}

TEST_F(ItemModelTest, ContainsComparesNameAndFileCaseSensitively) {
  titem_list list;
  list.AddCopy({"Cache", true, false, "C:\\p\\const\\system.txt"});
  EXPECT_TRUE(list.Contains({"Cache", false, true, "C:\\p\\const\\system.txt"}));
  EXPECT_FALSE(list.Contains({"cache", true, false, "C:\\p\\const\\system.txt"}));
  EXPECT_FALSE(list.Contains({"Cache", true, false, "C:\\p\\const\\user.txt"}));
}

TEST_F(ItemModelTest, RenameRewritesInPlaceAndNeverLosesAnotherName) {
  tItemContent a;
  a.Create(file, "A");
  a.SaveAsNew(file, "A", true);
  tItemContent b;
  b.Create(file, "B");
  b.SaveAsNew(file, "B", true);

  // Renaming to the same name keeps the list and rewrites the section.
  b.Rename("B", false, IndexInItemFile(file, "B"));
  titem_list list;
  list.LoadFromFile(file);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items[1].Name, "B");
  EXPECT_FALSE(list.Items[1].IsActive);

  // A stale index (0 holds "A") must not overwrite A's name key.
  b.Rename("C", true, 0);
  titem_list after;
  after.LoadFromFile(file);
  ASSERT_EQ(after.Count(), 2);
  EXPECT_EQ(after.Items[0].Name, "A");
  EXPECT_EQ(after.Items[1].Name, "C");

  // An item the file does not list at all is appended rather than replacing item 0.
  tItemContent ghost;
  ghost.Create(file, "Ghost");
  ghost.Rename("Ghost2", true, 0);
  titem_list third;
  third.LoadFromFile(file);
  ASSERT_EQ(third.Count(), 3);
  EXPECT_EQ(third.Items[0].Name, "A");
  EXPECT_EQ(third.Items[2].Name, "Ghost2");
}

TEST_F(ItemModelTest, RemoveFromFileShiftsNamesAndNeverGoesBelowZero) {
  WriteHostFile(host, Crlf({"[Common]", "Total=3", "Item0=A", "Item1=B", "Item2=C", "[B]",
                            "IsActive=1"}));
  tItemContent item;
  item.RemoveFromFile(file, "B", 1);
  EXPECT_EQ(ReadHostFile(host), Crlf({"[Common]", "Total=2", "Item0=A", "Item1=C"}));

  // Not listed: no name key is touched.
  item.RemoveFromFile(file, "Zed", 0);
  EXPECT_EQ(ReadHostFile(host), Crlf({"[Common]", "Total=2", "Item0=A", "Item1=C"}));

  const std::string empty = drive.Win("empty.txt");
  WriteHostFile(drive.Host("empty.txt"), Crlf({"[Common]", "Total=0", "[X]", "IsActive=1"}));
  item.RemoveFromFile(empty, "X", 0);
  EXPECT_EQ(ReadHostFile(drive.Host("empty.txt")), Crlf({"[Common]", "Total=0"}));
}

TEST_F(ItemModelTest, TogglingOneEntryWritesOnlyItsKeysAndFailedWritesRaise) {
  WriteHostFile(host, Crlf({"[A]", "tFolder.Total=2", "tFolder0.isactive=0", "tFolder1.isactive=0"}));
  tItemContent item;
  item.Create(file, "A");
  item.Folders.Entries[1].IsActive = true;
  item.Folders.Entries[1].Persist(PersistDirection::Write);
  const std::string bytes = ReadHostFile(host);
  EXPECT_NE(bytes.find("tFolder0.isactive=0\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("tFolder1.isactive=1\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("tFolder0.ChildItemName"), std::string::npos);

  tItemContent lost;
  lost.Create(drive.Win("no-such-folder\\user.txt"), "A");
  try {
    lost.SaveAsNew(drive.Win("no-such-folder\\user.txt"), "A", true);
    FAIL() << "expected a write error";
  } catch (const WriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + drive.Win("no-such-folder\\user.txt"));
  }
}

}  // namespace
}  // namespace vorlisk
