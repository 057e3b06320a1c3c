// The damage of an item file that loading passes over, told once at start.
#include "app/catalogue_check.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vorlisk {
namespace {

class CatalogueCheckTest : public ::testing::Test, public test::TestProgram {};

// Catches a "Total" beyond the listed names, a name without its section and an entry count beyond
// the entries held loading in silence, and a sound file reported as damaged.
TEST_F(CatalogueCheckTest, EachDamageOfAnItemFileIsNamed) {
  const std::string sound = test::ItemFileText(
      {{.Name = "Temp", .Folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*.tmp"}}}});
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> damage;
  } cases[] = {
      {"sound", sound, {}},
      {"no file", "", {}},
      {"Total beyond the names",
       "[Common]\r\nTotal=5\r\nItem0=Temp\r\n[Temp]\r\ntFolder.Total=0\r\n",
       {"\"Total\" counts 5 items, the file lists 1"}},
      {"a name without its section",
       "[Common]\r\nTotal=2\r\nItem0=Temp\r\nItem1=Gone\r\n[Temp]\r\n",
       {"the item 'Gone' (Item1) has no section"}},
      {"entry counts beyond the entries",
       "[Common]\r\nTotal=1\r\nItem0=Temp\r\n[Temp]\r\ntFolder.Total=3\r\n"
       "TFOLDER0.deletepath=D:\\a\r\ntFolder2.deletepath=D:\\b\r\ntRegister.Total=1\r\n",
       {"the item 'Temp': \"tFolder.Total\" counts 3 entries, its section holds 2",
        "the item 'Temp': \"tRegister.Total\" counts 1 entries, its section holds 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Program.Host("const/system.txt"));
    if (!c.text.empty()) test::WriteHostFile(Program.Host("const/system.txt"), c.text);
    platform::ClearProfileCache();
    EXPECT_EQ(ItemFileDamage("P:\\const\\system.txt"), c.damage);
  }
}

// Catches damage shown more than once, or not through the error box, and a message without the
// file's name.
TEST_F(CatalogueCheckTest, DamageIsReportedOnceInTheErrorBoxWithTheFileItIsIn) {
  test::WriteHostFile(Program.Host("const/system.txt"),
                      "[Common]\r\nTotal=3\r\nItem0=Temp\r\n[Temp]\r\n");
  WriteItems("const/user.txt", {{.Name = "Mine"}});
  std::vector<std::string> errors;
  MainSession session;
  session.Ui().ShowError = [&](const std::string& m) { errors.push_back(m); };
  session.Startup(Folder());
  ReportCatalogueDamage(session);
  EXPECT_EQ(errors, std::vector<std::string>{"The item file P:\\const\\system.txt is damaged:\r- "
                                             "\"Total\" counts 3 items, the file lists 1\rThe "
                                             "wash items it still holds are loaded."});
  EXPECT_EQ(session.Items().Count(), 2);

  errors.clear();
  WriteItems("const/system.txt", {{.Name = "Temp"}});
  platform::ClearProfileCache();
  ReportCatalogueDamage(session);
  EXPECT_TRUE(errors.empty());
}

// Catches a program folder without the shipped item file told nowhere but on the command line's
// error stream: the window's port hears the same note, and a folder that has it hears nothing.
TEST_F(CatalogueCheckTest, AFolderWithoutTheShippedItemFileIsToldThroughThePort) {
  std::vector<std::string> notes;
  MainSession session;
  session.Ui().Inform = [&](const std::string& m) { notes.push_back(m); };
  session.Startup(Folder());
  ReportMissingCatalogue(session);
#ifdef _WIN32
  const std::string shown = Folder();
#else
  const std::string shown = Program.Host();  // what the person who gave --home wrote
#endif
  EXPECT_EQ(notes, std::vector<std::string>{
                       "The program folder " + shown +
                       " holds no catalogue (const\\system.txt): the shipped items are missing. "
                       "Is --home the right folder?"});
  notes.clear();
  WriteItems("const/system.txt", {{.Name = "Temp"}});
  ReportMissingCatalogue(session);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(MissingCatalogueMessage(Folder()), "");
}

}  // namespace
}  // namespace vorlisk
