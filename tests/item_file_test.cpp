// The format code of item files, the order file and plug-in files: what it reads, written again,
// gives back the file byte for byte.
#include "model/formats/item_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::Crlf;
using test::ReadHostFile;
using test::TempDrive;
using test::WriteHostFile;

// An item file as the program writes it: every kind of folder entry and registry entry, a special
// item, an unticked one and one without entries, which carries a warning.
const std::string kItemFile = Crlf({
    "[Common]",
    "Total=3",
    "Item0=Browser caches",
    "Item1=Recycle Bin",
    "Item2=Nothing yet",
    "[Browser caches]",
    "IsActive=1",
    "IsSpecial=0",
    "tFolder.Total=3",
    "tFolder0.ChildItemName=Thumbnails",
    "tFolder0.isactive=1",
    "tFolder0.deletepath=",
    "tFolder0.RegisterName=HKEY_CURRENT_USER\\Software\\Vorlisk\\User Folders",
    "tFolder0.RegisterValueofName=Thumbnails",
    "tFolder0.deletefilename=",
    "tFolder0.bycategory=0",
    "tFolder0.IsIncludeSubfolder=1",
    "tFolder0.RemoveEmptiedFolders=1",
    "tFolder1.ChildItemName=Partial downloads",
    "tFolder1.isactive=0",
    "tFolder1.deletepath=C:\\home\\ana\\Downloads\\*.part",
    "tFolder1.RegisterName=",
    "tFolder1.RegisterValueofName=",
    "tFolder1.deletefilename=",
    "tFolder1.bycategory=1",
    "tFolder1.IsIncludeSubfolder=0",
    "tFolder2.ChildItemName=Python history",
    "tFolder2.isactive=1",
    "tFolder2.deletepath=",
    "tFolder2.RegisterName=",
    "tFolder2.RegisterValueofName=",
    "tFolder2.deletefilename=C:\\home\\ana\\.python_history",
    "tFolder2.bycategory=2",
    "tFolder2.IsIncludeSubfolder=0",
    "tRegister.Total=3",
    "tRegister0.ChildItemName=Whole key",
    "tRegister0.RegisterKeyName=HKEY_CURRENT_USER\\Software\\Demo\\Cache",
    "tRegister0.RegisterSingleValue=",
    "tRegister0.isactive=1",
    "tRegister0.CleanRegisterType=0",
    "tRegister1.ChildItemName=Recent list of my editor",
    "tRegister1.RegisterKeyName=HKEY_CURRENT_USER\\Software\\MyEditor\\Recent",
    "tRegister1.RegisterSingleValue=",
    "tRegister1.isactive=0",
    "tRegister1.CleanRegisterType=1",
    "tRegister2.ChildItemName=Last folder",
    "tRegister2.RegisterKeyName=HKEY_CURRENT_USER\\Software\\MyEditor",
    "tRegister2.RegisterSingleValue=LastFolder",
    "tRegister2.isactive=1",
    "tRegister2.CleanRegisterType=2",
    "[Recycle Bin]",
    "IsActive=0",
    "IsSpecial=1",
    "tFolder.Total=0",
    "tRegister.Total=0",
    "[Nothing yet]",
    "IsActive=1",
    "IsSpecial=0",
    "Warning=Signs you out of every site.",
    "tFolder.Total=0",
    "tRegister.Total=0",
});

class ItemFileTest : public ::testing::Test {
 protected:
  TempDrive drive;
};

// Catches a reader that loses or misreads a field, or a writer that changes a key's name, its
// place or its value's form: every item read and added to an empty file gives the same bytes.
TEST_F(ItemFileTest, AnItemFileReadAndWrittenAgainGivesTheSameBytes) {
  WriteHostFile(drive.Host("in.txt"), kItemFile);
  const std::string copy = drive.Win("copy.txt");
  const auto items = formats::ReadItemList(drive.Win("in.txt"));
  ASSERT_EQ(items.size(), 3u);
  for (const auto& listed : items) {
    tItemContent item = formats::ReadItem(listed.ItemFile, listed.Name);
    EXPECT_EQ(item.Item.IsActive, listed.IsActive) << listed.Name;
    EXPECT_EQ(item.Item.IsSpecial, listed.IsSpecial) << listed.Name;
    // Only the item imported with a warning has one; the others have no such key.
    EXPECT_EQ(item.Warning, listed.Name == "Nothing yet" ? "Signs you out of every site." : "");
    EXPECT_EQ(formats::ReadItemWarning(listed.ItemFile, listed.Name), item.Warning);
    item.Retarget(copy, item.Item.Name);
    formats::AddItem(item);
  }
  EXPECT_EQ(ReadHostFile(drive.Host("copy.txt")), kItemFile);
}

// Catches a writer that rewrites what it read in another form: each item written back over
// itself leaves the file as it was.
TEST_F(ItemFileTest, ItemsWrittenBackOverThemselvesLeaveTheFileAsItWas) {
  WriteHostFile(drive.Host("in.txt"), kItemFile);
  for (const auto& listed : formats::ReadItemList(drive.Win("in.txt"))) {
    const tItemContent item = formats::ReadItem(listed.ItemFile, listed.Name);
    formats::WriteItemBody(item);
    for (const auto& entry : item.Folders.Entries) formats::WriteEntry(entry);
    for (const auto& entry : item.Registers.Entries) formats::WriteEntry(entry);
  }
  EXPECT_EQ(ReadHostFile(drive.Host("in.txt")), kItemFile);
}

// Catches an order file read into other names, item files or marks, or written in another order.
TEST_F(ItemFileTest, AnOrderFileReadAndWrittenAgainGivesTheSameBytes) {
  const std::string order = Crlf({
      "[Common]",
      "Total=3",
      "Item0=Cache<|>C:\\p\\const\\user.txt",
      "Item1=Recycle Bin<|>C:\\p\\const\\system.txt",
      "Item2=Cache<|>C:\\p\\plugin\\more.txt",
      "[Cache<|>C:\\p\\const\\user.txt]",
      "txtfilename=C:\\p\\const\\user.txt",
      "IsActive=0",
      "IsSpecial=0",
      "[Recycle Bin<|>C:\\p\\const\\system.txt]",
      "txtfilename=C:\\p\\const\\system.txt",
      "IsActive=1",
      "IsSpecial=1",
      "[Cache<|>C:\\p\\plugin\\more.txt]",
      "txtfilename=C:\\p\\plugin\\more.txt",
      "IsActive=1",
      "IsSpecial=0",
  });
  WriteHostFile(drive.Host("order.ini"), order);
  const auto items = formats::ReadItemList(drive.Win("order.ini"));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].Name, "Cache");
  EXPECT_EQ(items[2].ItemFile, "C:\\p\\plugin\\more.txt");
  formats::WriteOrderFile(drive.Win("again.ini"), items);
  EXPECT_EQ(ReadHostFile(drive.Host("again.ini")), order);
}

// Catches a plug-in search that takes folders, hidden files, files of subfolders or other
// extensions, or that follows the folder's listing order instead of the names.
TEST_F(ItemFileTest, PluginFilesAreTheTxtFilesOfThePluginFolderSortedByName) {
  for (const char* name : {"c.txt", "a.TXT", "B.txt", ".hidden.txt", "notes.ini", "sub/deep.txt"})
    WriteHostFile(drive.Host(std::string("plugin/") + name), "[Common]\r\nTotal=0\r\n");
  std::filesystem::create_directories(drive.Host("plugin/folder.txt"));
  EXPECT_EQ(PluginFileNames(drive.Root()), (std::vector<std::string>{"a.TXT", "B.txt", "c.txt"}));

  TempDrive empty{'E'};
  EXPECT_TRUE(PluginFileNames(empty.Root()).empty());  // no plug-in folder at all
}

}  // namespace
}  // namespace vorlisk
