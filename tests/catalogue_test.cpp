#include "model/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace vorlisk {
namespace {

using test::Crlf;
using test::ReadHostFile;
using test::TempDrive;
using test::WriteHostFile;

// A program folder P:\ with its item files; each item file lists the names it is given, each item
// with its own "IsActive".
class CatalogueTest : public ::testing::Test {
 protected:
  TempDrive drive{'P'};
  const std::string folder = "P:\\";

  void WriteItems(const std::string& rel,
                  std::initializer_list<std::pair<const char*, bool>> items) {
    std::string text = "[Common]\r\nTotal=" + std::to_string(items.size()) + "\r\n";
    int n = 0;
    for (const auto& [name, active] : items)
      text += "Item" + std::to_string(n++) + "=" + name + "\r\n";
    for (const auto& [name, active] : items)
      text += std::string("[") + name + "]\r\nIsActive=" + (active ? "1" : "0") + "\r\n";
    WriteHostFile(drive.Host(rel), text);
  }

  titem_list Load() {
    titem_list list;
    LoadCatalogue(folder, list);
    return list;
  }

  static std::string Names(const titem_list& list) {
    std::string out;
    for (const auto& i : list.Items) out += i.Name + (i.IsActive ? "+" : "-") + " ";
    return out;
  }

  std::string System() const { return folder + "const\\system.txt"; }
  std::string User() const { return folder + "const\\user.txt"; }
};

TEST_F(CatalogueTest, WithoutOrderFileItemsComeShippedThenUserThenPlugins) {
  WriteItems("const/system.txt", {{"S1", true}, {"S2", false}});
  WriteItems("const/user.txt", {{"U1", true}});
  WriteItems("plugin/b.txt", {{"B1", true}});
  WriteItems("plugin/a.TXT", {{"A1", false}});
  WriteItems("plugin/readme.ini", {{"Ignored", true}});  // not a .txt file
  WriteItems("plugin/sub/deep.txt", {{"Deep", true}});   // subfolders contribute nothing
  WriteHostFile(drive.Host("plugin/broken.txt"), "no sections at all\r\n");
  EXPECT_EQ(Names(Load()), "S1+ S2- U1+ A1- B1+ ");
}

TEST_F(CatalogueTest, OrderFileKeepsPositionAndMarksAndDropsVanishedItems) {
  WriteItems("const/system.txt", {{"S1", true}, {"S2", true}});
  WriteItems("const/user.txt", {{"U1", true}});
  WriteItems("plugin/p.txt", {{"P1", true}});
  titem_list list = Load();
  list.Items[0].IsActive = false;  // S1 unticked although its section says 1
  list.MoveDown(0);
  list.MoveUp(3);  // P1 before U1
  list.SaveOrder(folder + "order.ini");

  WriteItems("const/user.txt", {{"U1", true}, {"U2", false}});  // a new user item
  std::filesystem::remove(drive.Host("plugin/p.txt"));          // a plug-in removed
  titem_list again = Load();
  EXPECT_EQ(Names(again), "S2+ S1- U1+ U2- ");

  // Written anew at the end of a session, the order file forgets the vanished item.
  std::filesystem::remove(drive.Host("order.ini"));
  again.SaveOrder(folder + "order.ini");
  EXPECT_EQ(ReadHostFile(drive.Host("order.ini")).find("P1"), std::string::npos);
}

TEST_F(CatalogueTest, OrderFileLayoutAndReadInAnotherFolder) {
  WriteItems("const/system.txt", {{"S1", false}});
  titem_list list = Load();
  list.Items[0].IsActive = true;
  list.SaveOrder(folder + "order.ini");
  const std::string line = "S1<|>" + System();
  EXPECT_EQ(ReadHostFile(drive.Host("order.ini")),
            "[Common]\r\nTotal=1\r\nItem0=" + line + "\r\n[" + line +
                "]\r\ntxtfilename=" + System() + "\r\nIsActive=1\r\nIsSpecial=0\r\n");
  EXPECT_EQ(Names(Load()), "S1+ ");

  // The same order file read by the program folder copied elsewhere names the same item file,
  // relative to the folder: the mark stored there is kept.
  TempDrive other{'Q'};
  WriteItems("const/system.txt", {{"S1", false}});
  std::filesystem::create_directories(other.Host("const"));
  std::filesystem::copy_file(drive.Host("const/system.txt"), other.Host("const/system.txt"));
  std::filesystem::copy_file(drive.Host("order.ini"), other.Host("order.ini"));
  titem_list moved;
  LoadCatalogue("Q:\\", moved);
  ASSERT_EQ(moved.Count(), 1);
  EXPECT_TRUE(moved.Items[0].IsActive);
  EXPECT_EQ(moved.Items[0].ItemFile, "Q:\\const\\system.txt");
}

// Catches an order file that a moved program folder (another folder, another drive letter) reads
// as naming no item file: every mark went back to the item files' own and the order was lost. The
// relative path decides alone: a plug-in file of another name, or a file in another folder of the
// old place, is never taken for one of this folder.
TEST_F(CatalogueTest, AnOrderFileWrittenBeforeTheProgramFolderMovedKeepsOrderAndMarks) {
  WriteItems("const/system.txt", {{"S1", true}, {"S2", true}});
  WriteItems("const/user.txt", {{"U1", true}});
  WriteItems("plugin/a.txt", {{"A1", true}});
  WriteItems("plugin/b.txt", {{"A1", true}, {"B1", true}});
  // As the old folder wrote it: unticked, and moved to the top.
  const std::string old = "E:\\Old Place\\Vorlisk\\";
  std::vector<titem_property> stored;
  for (const auto& [name, rel] :
       std::vector<std::pair<const char*, const char*>>{{"B1", "plugin\\b.txt"},
                                                        {"U1", "const\\user.txt"},
                                                        {"S2", "const\\system.txt"},
                                                        {"A1", "plugin\\a.txt"}})
    stored.push_back({.Name = name, .IsActive = false, .ItemFile = old + rel});
  // Never this folder's: another plug-in name, a deeper folder, a folder other than "const".
  for (const char* path :
       {"E:\\Old\\plugin\\c.txt", "E:\\Old\\plugin\\sub\\b.txt", "E:\\Old\\data\\system.txt",
        "system.txt", "\\const\\system.txt", "E:\\Old\\plugin\\"})
    stored.push_back({.Name = "S1", .IsActive = false, .ItemFile = path});
  // An entry of this folder itself after one of the old place: the first one decides, once.
  stored.push_back({.Name = "U1", .IsActive = true, .ItemFile = User()});
  titem_list order;
  order.Items = stored;
  order.SaveOrder(folder + "order.ini");

  const titem_list list = Load();
  EXPECT_EQ(Names(list), "B1- U1- S2- A1- S1+ A1+ ");
  // The items are bound to this folder's files, the plug-in items each to its own.
  const std::vector<std::string> files = {
      folder + "plugin\\b.txt", User(),   System(),
      folder + "plugin\\a.txt", System(), folder + "plugin\\b.txt"};
  ASSERT_EQ(list.Items.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(list.Items[i].ItemFile, files[i]) << i;

  EXPECT_EQ(ItemFileInProgramFolder("F:\\const\\user.txt"), "const\\user.txt");
  EXPECT_EQ(ItemFileInProgramFolder("\\\\server\\share\\v\\plugin\\x.txt"), "plugin\\x.txt");
  EXPECT_EQ(ItemFileInProgramFolder("F:\\CONST\\user.txt"), "");
  EXPECT_EQ(ItemFileInProgramFolder("F:\\v\\const\\other.txt"), "");
}

TEST_F(CatalogueTest, NameKeysSkipBlanksAndMarkerNamesReadLikeOrderEntries) {
  WriteHostFile(drive.Host("const/user.txt"),
                Crlf({"[Common]", "Total=4", "Item0=A", "Item1=   ", "Item2=B", "Item3=A",
                      "Item9=Beyond", "Item3b=odd", "Item2=shadowed", "[B]", "IsSpecial=1",
                      "[X<|>elsewhere]", "txtfilename=P:\\const\\other.txt"}));
  titem_list list = Load();
  EXPECT_EQ(Names(list), "A+ B+ ");  // blank and beyond Total skipped; "A" twice gives one item
  EXPECT_TRUE(list.Items[1].IsSpecial);
  EXPECT_EQ(IndexInItemFile(User(), "B"), 2);
  EXPECT_EQ(IndexInItemFile(User(), "Missing"), 0);
  EXPECT_EQ(IndexInItemFile(User(), "b"), 0);  // exact comparison

  titem_list raw;
  WriteHostFile(drive.Host("marker.txt"),
                Crlf({"[Common]", "Total=1", "Item0=X<|>elsewhere", "[X<|>elsewhere]",
                      "txtfilename=P:\\const\\other.txt", "IsActive=0"}));
  raw.LoadFromFile("P:\\marker.txt");
  ASSERT_EQ(raw.Count(), 1);
  EXPECT_EQ(raw.Items[0].Name, "X");
  EXPECT_EQ(raw.Items[0].ItemFile, "P:\\const\\other.txt");
  EXPECT_FALSE(raw.Items[0].IsActive);
}

TEST_F(CatalogueTest, SameNameInTwoFilesGivesTwoItems) {
  WriteItems("const/system.txt", {{"Cache", true}});
  WriteItems("const/user.txt", {{"Cache", false}});
  const titem_list list = Load();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items[0].ItemFile, System());
  EXPECT_EQ(list.Items[1].ItemFile, User());
}

TEST_F(CatalogueTest, NameTestsFoldCaseAndBlanksWithinOneFileOnly) {
  WriteItems("const/system.txt", {{"Shipped", true}});
  WriteItems("const/user.txt", {{"Mine", true}, {"Other", true}});
  struct Case {
    const char* name;
    bool taken;
  } cases[] = {{"Mine", true}, {"  mINE\t", true}, {"Min e", false}, {"Shipped", false}};
  for (const auto& c : cases) EXPECT_EQ(NameTaken(User(), c.name), c.taken) << c.name;
  EXPECT_FALSE(NameTakenByOther(User(), "MINE", 0));  // renaming to its own name, other case
  EXPECT_TRUE(NameTakenByOther(User(), "other ", 0));
}

}  // namespace
}  // namespace vorlisk
