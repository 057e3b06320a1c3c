// Plug-in import on POSIX: entries whose text reaches the home or a user folder by another
// spelling than the folder's own, refused by the identity of the folders the walk would open.
#include <gtest/gtest.h>

#include <string>

#include "app/plugins.h"
#include "app/user_folders.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::WriteHostFile;

class PluginGuardTest : public ::testing::Test, public test::TestProgram {
 protected:
  PluginGuardTest() {
    WriteItems("const/system.txt", {{.Name = "Shipped"}});
    session.Startup(Folder());
  }
  MainSession session;
};

// Catches an import that takes the home or Documents whole when the text spells them in another
// case or with a trailing ".", reaches them through a wildcard level, or names a folder holding
// the home: each is refused with the folder and what it is, as the wash would refuse it (and an
// imported walk whose wildcard levels start in the home is refused too, and so is a broad mask
// below a wildcard level of a drive's root, whose matches hold the home).
TEST_F(PluginGuardTest, SpellingsOfTheHomeOrAUserFolderAreRefused) {
  WriteHostFile(Data.Host("home/me/Documents/thesis.odt"), "precious");
  WriteHostFile(Data.Host("home/me/app/cache/c.bin"), "cache");
  test::ScopedEnv home("HOME", Data.Host("home/me"));
  test::ScopedEnv config("XDG_CONFIG_HOME", Data.Host("home/me/.config"));
  WriteHostFile(Data.Host("in/spelled.ini"),
                "[Spelled *]\r\n"
                "FileKey1=D:\\HOME\\ME|*.*|RECURSE\r\n"
                "FileKey2=D:\\home\\me\\DOCUMENTS|*.*|RECURSE\r\n"
                "FileKey3=D:\\HOME.|*.*|RECURSE\r\n"
                "FileKey4=D:\\home\\*|*.*|RECURSE\r\n"
                "FileKey5=D:\\home\\m*|*.*|RECURSE\r\n"
                "FileKey6=D:\\home\\*\\Documents|*.*|RECURSE\r\n"
                "FileKey7=D:\\home|*.*|RECURSE\r\n"
                "FileKey8=D:\\HOME\\ME\\DOCUMENTS|*.odt\r\n"
                "FileKey9=D:\\home\\me\\*\\cache|*.*|RECURSE\r\n"
                "FileKey10=D:\\home\\me\\app\\*|*.*|RECURSE\r\n"
                "FileKey11=D:\\*|*.*\r\n");
  ImportReport report;
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\spelled.ini", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.FolderEntries, 1) << report.Details();
  const std::string details = report.Details();
  for (const std::string refusal :
       {"D:\\HOME\\ME\\*.*: refused: it would reach every file of your home folder "
        "(D:\\HOME\\ME\\)",
        "D:\\home\\me\\DOCUMENTS\\*.*: refused: it would reach every file of your Documents "
        "folder (D:\\home\\me\\DOCUMENTS\\)",
        "D:\\HOME.\\*.*: refused: it would reach every file of a folder holding your home folder "
        "(D:\\HOME\\)",
        "D:\\home\\*\\*.*: refused: it would reach every file of a folder holding your home "
        "folder (D:\\home\\)",
        "D:\\home\\m*\\*.*: refused: it would reach every file of a folder holding your home "
        "folder (D:\\home\\)",
        "D:\\home\\*\\Documents\\*.*: refused: it would reach every file of your Documents folder "
        "(D:\\home\\me\\Documents\\)",
        "D:\\home\\*.*: refused: it would reach every file of a folder holding your home folder "
        "(D:\\home\\)",
        "D:\\HOME\\ME\\DOCUMENTS\\*.odt: refused: its mask *.odt could reach your own files in "
        "your Documents folder (D:\\HOME\\ME\\DOCUMENTS\\)",
        "D:\\home\\me\\*\\cache\\*.*: refused: its wildcard levels would reach the folders of "
        "your home folder (D:\\home\\me\\)",
        "D:\\*\\*.*: refused: it would reach the drive's root D:\\"})
    EXPECT_NE(details.find(refusal), std::string::npos) << refusal << "\n" << details;
  EXPECT_EQ(details.find("app"), std::string::npos) << "a folder inside the home: kept";
}

}  // namespace
}  // namespace vorlisk
