// The specific-file list of the special targets, read from the registry.
#include "engine/special_targets.h"

#include <filesystem>

#include "platform/error.h"
#include "platform/shell.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::WriteHostFile;

TEST(SpecialTargets, SpecificFilesComeFromShellFoldersAndAreFoundIgnoringCase) {
  const std::string key =
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]";
  struct Case {
    const char* fault;
    std::string reg;
    SpecificFileList list;
  } cases[] = {
      {"wrong paths or order",
       key + "\r\n\"Cookies\"=\"C:\\\\Profile\\\\Cookies\"\r\n\"Cache\"=\"C:"
             "\\\\Profile\\\\Cache\\\\\"",
       {"C:\\Profile\\Cookies\\index.dat", "C:\\Profile\\Cache\\Content.IE5\\index.dat"}},
      {"a list without the key", "[HKEY_CURRENT_USER\\Software\\Microsoft]", {}},
      {"a value that is not text stopping the start",
       key + "\r\n\"Cookies\"=dword:00000001\r\n\"Cache\"=\"C:\\\\C\"",
       {"\\index.dat", "C:\\C\\Content.IE5\\index.dat"}},
  };
  test::TempDrive drive('R');
  for (const auto& c : cases) {
    test::ScopedRegistryStore store(drive.Win("registry.reg"), "REGEDIT4\r\n" + c.reg + "\r\n");
    SpecificFileList list;
    LoadSpecificFiles(list);
    EXPECT_EQ(list, c.list) << c.fault;
    fs::remove(drive.Host("registry.reg"));
  }
  const SpecificFileList list = cases[0].list;
  EXPECT_EQ(IndexOfSpecificFile(list, "c:\\profile\\cookies\\INDEX.DAT"), 0);
  EXPECT_EQ(IndexOfSpecificFile(list, "C:\\PROFILE\\CACHE\\content.ie5\\index.dat"), 1);
  EXPECT_EQ(IndexOfSpecificFile(list, "C:\\Profile\\Cookies\\index.dat.bak"), -1);
  EXPECT_EQ(IndexOfSpecificFile({}, "C:\\Profile\\Cookies\\index.dat"), -1);
}

}  // namespace
}  // namespace vorlisk
