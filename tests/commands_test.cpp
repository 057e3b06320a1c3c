// The commands that hand a document to the desktop: what the user is told when it cannot be shown.
#include "app/commands.h"

#include <gtest/gtest.h>

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
      {"help page missing",
       false,
       true,
       Control::SpeedButton2,
       {"error: P:\\help\\58.html does not exist"}},
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

}  // namespace
}  // namespace vorlisk
