// The main session's fixture: a catalogue of four items on temporary drives, with a registry
// store, and callbacks that record what the window would show.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_session.h"
#include "test_support.h"

namespace vorlisk {

using test::TestItem;
using test::WriteHostFile;

inline const std::string kKeys = "HKEY_CURRENT_USER\\Software\\Test\\Keys\\";
inline const std::string kVals = "HKEY_CURRENT_USER\\Software\\Test\\Vals\\";

// Row 0 "Temp files" (checked; entry 1 unticked; entries 0 and 2 both reach a.tmp), row 1 the
// special "Recycle Bin" (checked), row 2 "Unchecked", row 3 "Log files" (checked).
inline const std::vector<TestItem> kCatalogue = {
    {.Name = "Temp files",
     .Folders = {{.Name = "tmp files", .DeletePath = "D:\\tmp\\*.tmp"},
                 {.Name = "one log", .Active = false, .Kind = 2, .DeleteFileName = "D:\\one.log"},
                 {.Name = "a files", .DeletePath = "D:\\tmp\\a*.tmp"}},
     .Registers = {{.Name = "keys", .Key = kKeys},
                   {.Name = "value", .Type = 2, .Key = kVals, .Value = "v1"}}},
    {.Name = "Recycle Bin", .Special = true},
    {.Name = "Unchecked",
     .Active = false,
     .Folders = {{.Name = "un", .DeletePath = "D:\\un\\*.*"}}},
    {.Name = "Log files", .Folders = {{.Name = "logs", .DeletePath = "D:\\logs\\*.log"}}},
};

inline const std::vector<std::string> kTempFiles = {"D:\\tmp\\a.tmp", "D:\\tmp\\a.tmp",
                                                    "D:\\tmp\\B.tmp", "D:\\tmp\\c.tmp"};
inline const std::vector<std::string> kTempRegistry = {
    kKeys + "Sub<|>DeleteKey", kKeys + "<|>DeleteKey", kVals + "<|>DeleteValue<|>v1"};

inline std::vector<std::string> Texts(const CheckRows& list) {
  std::vector<std::string> out;
  for (int32_t row = 0; row < list.Count(); ++row) out.push_back(list.Text(row));
  return out;
}
inline std::vector<bool> Marks(const CheckRows& list) {
  std::vector<bool> out;
  for (int32_t row = 0; row < list.Count(); ++row) out.push_back(list.Checked(row));
  return out;
}

class SessionTest : public ::testing::Test, public test::TestProgram {
 protected:
  SessionTest() {
    WriteItems("const/system.txt", kCatalogue);
    for (const char* f :
         {"tmp/a.tmp", "tmp/B.tmp", "tmp/c.tmp", "tmp/x.txt", "one.log", "un/u.dat", "logs/z.log"})
      WriteHostFile(Data.Host(f), "data");
    platform::ImportRegistryText(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test\\Keys\\Sub]\r\n\"k\"=\"1\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Vals]\r\n\"v1\"=\"one\"\r\n\"v2\"=\"two\"\r\n");
    ui.Ask = [this](const std::string& q) {
      questions.push_back(q);
      return answer;
    };
    ui.Cursor = [this](bool busy) { cursor.push_back(busy); };
    ui.ShowPreview = [this](PreviewDialog& d) {
      ++shown;
      if (onPreview) onPreview(d);
    };
    ui.ShowError = [this](const std::string& m) { errors.push_back(m); };
    session.emplace(ui);
  }
  // A new session, as at the next start of the program.
  void Restart() { session.emplace(ui); }
  void Start(bool promptBefore = false, bool log = false) {
    WriteHostFile(Program.Host("wildcard.ini"),
                  std::string("[Delete Option]\r\nprompt Before=") + (promptBefore ? "1" : "0") +
                      "\r\n[Log]\r\nWrite to Log=" + (log ? "1" : "0") + "\r\n");
    session->Startup(Folder());
  }
  bool DataExists(const char* rel) const { return Data.Exists(rel); }
  bool AllWashControls(bool enabled) const {
    bool all = true;
    for (Control c : kWashControls) all = all && session->IsEnabled(c) == enabled;
    for (const auto& e : session->MenuWash()) all = all && e.Enabled == enabled;
    return all;
  }

  UiCallbacks ui;
  std::optional<MainSession> session;
  bool answer = true;
  std::vector<std::string> questions, errors;
  std::vector<bool> cursor;
  int shown = 0;
  std::function<void(PreviewDialog&)> onPreview;
};

}  // namespace vorlisk
