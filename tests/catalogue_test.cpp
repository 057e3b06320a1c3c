#include <gtest/gtest.h>

#include <filesystem>

#include "model/catalogue.h"
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

  void WriteItems(const std::string& rel, std::initializer_list<std::pair<const char*, bool>> items) {
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
  std::filesystem::remove(drive.Host("plugin/p.txt"));           // a plug-in removed
  titem_list again = Load();
  EXPECT_EQ(Names(again), "S2+ S1- U1+ U2- ");

  // Written anew at the end of a session, the order file forgets the vanished item.
  std::filesystem::remove(drive.Host("order.ini"));
  again.SaveOrder(folder + "order.ini");
  EXPECT_EQ(ReadHostFile(drive.Host("order.ini")).find("P1"), std::string::npos);
}

TEST_F(CatalogueTest, OrderFileLayoutAndForeignFolderFallsBackToFileOrder) {
  WriteItems("const/system.txt", {{"S1", false}});
  titem_list list = Load();
  list.Items[0].IsActive = true;
  list.SaveOrder(folder + "order.ini");
  const std::string line = "S1<|>" + System();
  EXPECT_EQ(ReadHostFile(drive.Host("order.ini")),
            "[Common]\r\nTotal=1\r\nItem0=" + line + "\r\n[" + line + "]\r\ntxtfilename=" +
                System() + "\r\nIsActive=1\r\nIsSpecial=0\r\n");
  EXPECT_EQ(Names(Load()), "S1+ ");

  // The same order file read by a program standing in another folder matches nothing.
  TempDrive other{'Q'};
  WriteItems("const/system.txt", {{"S1", false}});
  std::filesystem::create_directories(other.Host("const"));
  std::filesystem::copy_file(drive.Host("const/system.txt"), other.Host("const/system.txt"));
  std::filesystem::copy_file(drive.Host("order.ini"), other.Host("order.ini"));
  titem_list moved;
  LoadCatalogue("Q:\\", moved);
  ASSERT_EQ(moved.Count(), 1);
  EXPECT_FALSE(moved.Items[0].IsActive);
  EXPECT_EQ(moved.Items[0].ItemFile, "Q:\\const\\system.txt");
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
