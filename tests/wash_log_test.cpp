// The wash log: exact bytes of runs and rows, appending, the date rule, escaping and failures.
#include "engine/wash_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/error.h"
#include "test_support.h"

namespace vorlisk {
namespace {

const platform::LocalDateTime kMarch7{2004, 3, 7, 13, 5, 9};

std::string RunHead(const std::string& when) {
  return "<p align=\"center\"><font size=\"4\"><b>" + when +
         "</b></font></p>\r\n"
         "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\r\n"
         "<tr>\r\n"
         "<td width=\"14%\">\r\n<div align=\"center\"><b>Type</b></div>\r\n</td>\r\n"
         "<td width=\"5%\">\r\n<div align=\"center\"><b>Mode</b></div>\r\n</td>\r\n"
         "<td width=\"8%\">\r\n<div align=\"center\"><b>Status</b></div>\r\n</td>\r\n"
         "<td width=\"61%\">\r\n<div align=\"center\"><b>Items</b></div>\r\n</td>\r\n"
         "<td width=\"12%\">\r\n<div align=\"center\"><b>Note</b></div>\r\n</td>\r\n"
         "</tr>\r\n";
}

std::string Row(const char* colour, const char* type, const char* mode, const char* status,
                const char* item, const char* note) {
  std::string out = "<tr>\r\n";
  const char* widths[] = {"14%", "5%", "8%", "61%", "12%"};
  const char* texts[] = {type, mode, status, item, note};
  for (int i = 0; i < 5; ++i)
    out += std::string("<td width=\"") + widths[i] + "\"><font size=\"2\" color=\"" + colour +
           "\">" + texts[i] + "</font></td>\r\n";
  return out + "</tr>\r\n";
}

TEST(WashLog, RunsAreWrittenLineForLineAndAppended) {
  test::TempDrive drive;
  WashLog log(drive.Root());
  EXPECT_EQ(log.Path(), drive.Win("log.htm"));
  log.BeginLogRun(kMarch7);
  log.WriteLogRow(true, true, true, "C:\\Temp\\a.tmp", "");
  log.WriteLogRow(false, true, true, "HKEY_CURRENT_USER\\Software\\X", "");
  log.EndLogRun();
  EXPECT_FALSE(log.IsOpen());
  const std::string first =
      RunHead("2004-03-07 13:05:09") +
      Row("#000000", "Folder/File", "Quick", "Success", "C:\\Temp\\a.tmp", "&nbsp;") +
      Row("#000040", "Registry Entry", "&nbsp;", "Success", "HKEY_CURRENT_USER\\Software\\X",
          "&nbsp;") +
      "</table>\r\n";
  EXPECT_EQ(drive.Read("log.htm"), first);

  // A run without rows still has its heading, header row and end; it follows the first run.
  log.BeginLogRun({2004, 3, 8, 0, 0, 0});
  log.EndLogRun();
  EXPECT_EQ(drive.Read("log.htm"), first + RunHead("2004-03-08") + "</table>\r\n");
}

TEST(WashLog, RowColoursModesAndNotes) {
  struct Case {
    bool isFile, quick, success;
    const char* note;
    std::string expected;
  } cases[] = {
      {true, false, true, "Specific File",
       Row("#000000", "Folder/File", "Secure", "Success", "x", "Specific File")},
      {true, true, false, "File Locked",
       Row("#FF0000", "Folder/File", "Quick", "Fail", "x", "File Locked")},
      {false, false, false, "", Row("#FF0000", "Registry Entry", "&nbsp;", "Fail", "x", "&nbsp;")},
      {false, true, true, "", Row("#000040", "Registry Entry", "&nbsp;", "Success", "x", "&nbsp;")},
  };
  for (const auto& c : cases) {
    test::TempDrive drive;
    WashLog log(drive.Root());
    log.BeginLogRun(kMarch7);
    log.WriteLogRow(c.isFile, c.quick, c.success, "x", c.note);
    log.EndLogRun();
    EXPECT_EQ(drive.Read("log.htm"), RunHead("2004-03-07 13:05:09") + c.expected + "</table>\r\n")
        << c.note;
  }
}

TEST(WashLog, DateTimeTextDropsOnlyAnExactMidnight) {
  struct Case {
    platform::LocalDateTime t;
    const char* text;
  } cases[] = {{{2004, 3, 7, 13, 5, 9}, "2004-03-07 13:05:09"},
               {{2004, 12, 31, 0, 0, 0}, "2004-12-31"},
               {{2004, 1, 1, 0, 0, 1}, "2004-01-01 00:00:01"},
               {{2004, 1, 1, 0, 1, 0}, "2004-01-01 00:01:00"}};
  for (const auto& c : cases) EXPECT_EQ(FormatLogDateTime(c.t), c.text);
}

TEST(WashLog, ItemTextIsEscapedSoMarkupCannotReachThePage) {
  test::TempDrive drive;
  WashLog log(drive.Root());
  log.BeginLogRun(kMarch7);
  log.WriteLogRow(true, true, true, "C:\\a&b\\<script>alert(1)</script>.txt", "");
  log.WriteLogRow(true, true, true, "", "");
  log.EndLogRun();
  EXPECT_EQ(drive.Read("log.htm"),
            RunHead("2004-03-07 13:05:09") +
                Row("#000000", "Folder/File", "Quick", "Success",
                    "C:\\a&amp;b\\&lt;script&gt;alert(1)&lt;/script&gt;.txt", "&nbsp;") +
                Row("#000000", "Folder/File", "Quick", "Success", "", "&nbsp;") + "</table>\r\n");
}

// Catches rows lost when a run is left without its end (an error ended the wash), or written
// before they are flushed.
TEST(WashLog, RowsAreHeldUntilFlushedAndWrittenWhenTheRunIsLeft) {
  test::TempDrive drive;
  {
    WashLog log(drive.Root());
    log.BeginLogRun(kMarch7);
    log.WriteLogRow(true, true, true, "C:\\Temp\\a.tmp", "");
    EXPECT_EQ(drive.Read("log.htm"), RunHead("2004-03-07 13:05:09"));
    log.Flush();
    log.WriteLogRow(true, true, false, "C:\\Temp\\b.tmp", "File Locked");
  }
  EXPECT_EQ(drive.Read("log.htm"),
            RunHead("2004-03-07 13:05:09") +
                Row("#000000", "Folder/File", "Quick", "Success", "C:\\Temp\\a.tmp", "&nbsp;") +
                Row("#FF0000", "Folder/File", "Quick", "Fail", "C:\\Temp\\b.tmp", "File Locked"));
}

TEST(WashLog, UnwritableLogRaisesTheFileErrorAndLeavesNoRunOpen) {
  test::TempDrive drive;
  std::filesystem::create_directory(drive.Host("log.htm"));
  struct Case {
    std::string folder;
    const char* error;
  } cases[] = {{drive.Root(), "File access denied"}, {drive.Win("missing\\"), "File not found"}};
  for (const auto& c : cases) {
    WashLog log(c.folder);
    try {
      log.BeginLogRun(kMarch7);
      ADD_FAILURE() << c.folder << ": no error";
    } catch (const Error& e) {
      // The message names the log: "File access denied" alone names nothing.
      EXPECT_EQ(std::string(e.what()), c.folder + "log.htm: " + c.error) << c.folder;
    }
    EXPECT_FALSE(log.IsOpen());
    EXPECT_THROW(log.WriteLogRow(true, true, true, "x", ""), Error);
  }
  EXPECT_FALSE(drive.Exists("missing"));
}

}  // namespace
}  // namespace vorlisk
