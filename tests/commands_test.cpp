// The commands that hand a document to the desktop: what the user is told when it cannot be shown.
#include "app/commands.h"

#include <gtest/gtest.h>

#include "platform/drives.h"
#include "platform/process.h"
#include "test_support.h"

namespace vorlisk {
namespace {

class OpenDocumentTest : public ::testing::Test, public test::TestProgram {};

// Catches "Help" and "View Log" doing nothing when no program opens the page, or when the help
// page is missing, and an error shown although the desktop opened it.
TEST_F(OpenDocumentTest, AMissingDocumentOrOneNoProgramOpensIsShownInTheErrorBox) {
  struct Case {
    const char* what;
    bool present;
    bool opened;
    Control control;
    std::vector<std::string> seen;
  } cases[] = {
      {"help opened", true, true, Control::SpeedButton2, {"open P:\\help\\58.html"}},
      {"help with no program",
       true,
       false,
       Control::SpeedButton2,
       {"open P:\\help\\58.html", "error: No program on this desktop opens P:\\help\\58.html"}},
      // A program folder named with --home holds no pages: those shipped with the program open.
      {"help page only shipped",
       false,
       true,
       Control::SpeedButton2,
       {"open " + platform::ShippedHelpFolder() + "58.html"}},
      {"log with no program",
       true,
       false,
       Control::btnViewLog,
       {"open P:\\log.htm", "error: No program on this desktop opens P:\\log.htm"}},
      {"no log", false, true, Control::btnViewLog, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(Program.Host("help"));
    std::filesystem::remove(Program.Host("log.htm"));
    if (c.present) {
      test::WriteHostFile(Program.Host("help/58.html"), "<html>");
      test::WriteHostFile(Program.Host("log.htm"), "<html>");
    }
    std::vector<std::string> seen;
    MainSession session;
    session.Ui().OpenDocument = [&](const std::string& path) {
      seen.push_back("open " + path);
      return c.opened;
    };
    session.Ui().ShowError = [&](const std::string& m) { seen.push_back("error: " + m); };
    session.Startup(Folder());
    RunCommand(session, c.control);
    EXPECT_EQ(seen, c.seen);
  }
}

// Catches help that never opens when the program folder holds no help pages (a folder named with
// --home): the page shipped with the program is handed over, the same page as in the sources.
TEST_F(OpenDocumentTest, HelpOpensThePagesShippedWithTheProgramWhenTheProgramFolderHasNone) {
  const std::string shipped = platform::ShippedHelpFolder();
  ASSERT_FALSE(shipped.empty()) << "no help pages beside the test program";
  std::vector<std::string> opened, errors;
  MainSession session;
  session.Ui().OpenDocument = [&](const std::string& path) {
    opened.push_back(path);
    return true;
  };
  session.Ui().ShowError = [&](const std::string& m) { errors.push_back(m); };
  session.Startup(Folder());
  OpenHelp(session, 102);
  ASSERT_EQ(opened, std::vector<std::string>{shipped + "102.html"});
  EXPECT_EQ(test::ReadHostFile(*platform::ToHostPath(opened[0])),
            test::ReadHostFile(std::string(VORLISK_SOURCE_DIR) + "/docs/help/102.html"));
  // The program folder's own copy comes first; a topic no page has is told by its own path.
  test::WriteHostFile(Program.Host("help/102.html"), "own copy");
  OpenHelp(session, 102);
  OpenHelp(session, 9999);
  EXPECT_EQ(opened, (std::vector<std::string>{shipped + "102.html", "P:\\help\\102.html"}));
  EXPECT_EQ(errors, std::vector<std::string>{"P:\\help\\9999.html does not exist"});
}

}  // namespace
}  // namespace vorlisk
