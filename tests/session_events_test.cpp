// What a window hears from the session after each operation, and the buttons' commands answered
// through a scripted port.
#include "app/session_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "app/commands.h"
#include "app/item_editing.h"
#include "app/main_session.h"
#include "test_support.h"

namespace vorlisk {
namespace {

MarkedLines Rows(std::initializer_list<const char*> texts, std::vector<bool> marks = {}) {
  MarkedLines rows;
  for (const char* t : texts) rows.push_back({t, rows.size() < marks.size() && marks[rows.size()]});
  return rows;
}

// Catches a change told as a reset (the view would lose its scroll and selection), a wrong range,
// and a swap told as two changed rows.
TEST(SessionEvents, TheSmallestChangeIsTold) {
  using R = RowChange;
  struct Case {
    MarkedLines before, after;
    RowChange want;
  };
  for (const Case& c : std::vector<Case>{
           {Rows({"a", "b"}), Rows({"a", "b"}), {}},
           {Rows({"a", "b", "c"}), Rows({"a", "B", "c"}), {R::Changed, 1, 1}},
           {Rows({"a", "b", "c"}), Rows({"a", "b", "c"}, {1, 0, 1}), {R::Changed, 0, 2}},
           {Rows({"a", "b"}), Rows({"a", "b", "c"}), {R::Inserted, 2, 2}},
           {Rows({}), Rows({"a", "b"}), {R::Inserted, 0, 1}},
           {Rows({"a", "b", "b", "c"}), Rows({"a", "b", "c"}), {R::Removed, 2, 2}},
           {Rows({"a", "b", "c", "d"}), Rows({"a", "c", "b", "d"}), {R::Moved, 2, 1}},
           {Rows({"a", "b", "c"}), Rows({"x", "y"}), {R::Reset}},
           {Rows({"a", "b", "c"}), Rows({"b", "c", "d", "e"}), {R::Reset}},
       }) {
    const RowChange got = DiffRows(c.before, c.after);
    EXPECT_EQ(got.What, c.want.What);
    EXPECT_EQ(got.First, c.want.First);
    EXPECT_EQ(got.Last, c.want.Last);
  }
}

// Records every notification as a line of text.
struct Recorder : SessionObserver {
  static std::string Name(SessionList l) {
    return l == SessionList::Items ? "items" : l == SessionList::Folders ? "folders" : "registry";
  }
  static std::string Range(int32_t a, int32_t b) {
    return " " + std::to_string(a) + "-" + std::to_string(b);
  }
  void RowsReset(SessionList l) override { Add("reset " + Name(l)); }
  void RowsChanged(SessionList l, int32_t a, int32_t b) override {
    Add("changed " + Name(l) + Range(a, b));
  }
  void RowsInserted(SessionList l, int32_t a, int32_t b) override {
    Add("inserted " + Name(l) + Range(a, b));
  }
  void RowsRemoved(SessionList l, int32_t a, int32_t b) override {
    Add("removed " + Name(l) + Range(a, b));
  }
  void RowMoved(SessionList l, int32_t a, int32_t b) override {
    Add("moved " + Name(l) + Range(a, b));
  }
  void SelectionChanged(SessionList l, int32_t row) override {
    Add("select " + Name(l) + " " + std::to_string(row));
  }
  void EnabledChanged(Control c, bool on) override {
    Add(std::string(ControlName(c)) + (on ? " on" : " off"));
  }
  void CountersChanged() override { Add("counters"); }
  void TrayMenuChanged() override { Add("tray"); }
  void Add(std::string line) { heard.push_back(std::move(line)); }
  std::vector<std::string> Take() { return std::exchange(heard, {}); }
  std::vector<std::string> heard;
};

// A port that answers from a script and records what it was asked.
struct ScriptedPort {
  UiCallbacks Callbacks() {
    UiCallbacks ui;
    ui.Ask = [this](const std::string& q) {
      asked.push_back(q);
      return Next();
    };
    ui.Inform = [this](const std::string& m) { asked.push_back("note: " + m); };
    ui.Refuse = [this](const std::string& m) { asked.push_back("refused: " + m); };
    ui.OpenDocument = [this](const std::string& p) {
      asked.push_back("open " + p);
      return true;
    };
    ui.OpenFiles = [this](const FileChooser& chooser) {
      asked.push_back("open dialog: " + chooser.Title + " | " + chooser.Filter + " | " +
                      chooser.DefaultExt);
      return Next() ? files : std::vector<std::string>{};
    };
    ui.SaveFile = [this](const FileChooser& chooser) -> std::optional<std::string> {
      asked.push_back("save dialog: " + chooser.Title + " | " + chooser.DefaultExt);
      if (!Next()) return std::nullopt;
      return files.front();
    };
    ui.EditItem = [this](ItemDraft& d) {
      asked.push_back("item dialog: " + d.Caption + " / " + d.Name);
      d.Name = typed;
      return Next();
    };
    ui.EditFolderEntry = [this](FolderEntryDraft& d) {
      asked.push_back("folder dialog: " + d.Caption);
      d.Name = typed;
      d.DeletePath = "D:\\x\\*.x";
      return Next();
    };
    ui.EditRegistryEntry = [this](RegistryEntryDraft& d) {
      asked.push_back("registry dialog: " + d.Caption);
      d.Name = typed;
      d.RegisterKeyName = "HKEY_CURRENT_USER\\B";
      return Next();
    };
    return ui;
  }
  bool Next() {
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<bool> answers;
  std::vector<std::string> asked, files;
  std::string typed;
};

// Rows "Shipped" (two folder entries), "Bin" (special), "Mine" (one registry entry).
class Notified : public ::testing::Test, public test::TestProgram {
 protected:
  Notified() {
    WriteItems("const/system.txt",
               {{.Name = "Shipped",
                 .Folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*.tmp"}, {.Name = "log"}}},
                {.Name = "Bin", .Special = true}});
    WriteItems("const/user.txt",
               {{.Name = "Mine", .Registers = {{.Name = "key", .Key = "HKEY_CURRENT_USER\\A"}}}});
    test::WriteHostFile(Data.Host("t/a.tmp"), "data");
    session.emplace(port.Callbacks());
    session->AddObserver(&heard);
    session->Startup(Folder());
  }
  ScriptedPort port;
  std::optional<MainSession> session;
  Recorder heard;
};

using Lines = std::vector<std::string>;

// Catches an operation that sends nothing (the window would show stale rows), a whole-list reset
// where one row changed, and a selection the window would have to guess.
TEST_F(Notified, EachOperationTellsWhatItChanged) {
  const std::vector<std::string> twelveOff = [] {
    Lines l;
    for (Control c : kItemButtons) l.push_back(std::string(ControlName(c)) + " off");
    std::sort(l.begin(), l.end());
    return l;
  }();
  const Lines startup = heard.Take();
  EXPECT_EQ(startup.front(), "reset items");
  EXPECT_NE(std::find(startup.begin(), startup.end(), "select items 0"), startup.end());
  EXPECT_NE(std::find(startup.begin(), startup.end(), "reset folders"), startup.end());

  session->CheckItem(2, false);
  EXPECT_EQ(heard.Take(), (Lines{"changed items 2-2", "tray"}));

  session->SelectItem(1);  // the special item: no entries, twelve buttons off
  Lines got = heard.Take();
  EXPECT_EQ(Lines(got.begin(), got.begin() + 5),
            (Lines{"select items 1", "reset folders", "select folders -1", "reset registry",
                   "select registry -1"}));
  Lines buttons(got.begin() + 5, got.end());
  std::sort(buttons.begin(), buttons.end());
  EXPECT_EQ(buttons, twelveOff);

  MoveItem(*session, -1);
  got = heard.Take();
  EXPECT_EQ(got.front(), "moved items 1-0");
  EXPECT_NE(std::find(got.begin(), got.end(), "select items 0"), got.end());

  SetAllItemMarks(*session, false);
  EXPECT_EQ(heard.Take(), (Lines{"changed items 0-1", "tray"}));  // row 2 was already unticked

  session->SelectItem(2);
  heard.Take();
  port.typed = "New key";
  port.answers = {true};
  ASSERT_EQ(AddRegistryEntry(*session, port.Callbacks().EditRegistryEntry), EditOutcome::Done);
  EXPECT_EQ(heard.Take(), (Lines{"inserted registry 1-1", "select registry 1"}));

  // As before every command of the window: the session reads again what was written since (here
  // its own entry), so that the delete alone is heard next.
  session->RefreshFromDisk();
  heard.Take();
  port.answers = {true};
  ASSERT_EQ(DeleteRegistryEntry(*session), EditOutcome::Done);
  EXPECT_EQ(heard.Take(), (Lines{"removed registry 1-1", "select registry 0"}));

  // A refusal changes nothing and tells nothing.
  port.typed = "key";
  port.answers = {true};
  EXPECT_EQ(AddRegistryEntry(*session, port.Callbacks().EditRegistryEntry), EditOutcome::Refused);
  EXPECT_EQ(heard.Take(), Lines{});
}

// Catches a window left with its buttons disabled or counters stale after a run, and a preview
// shown while the buttons still look enabled.
TEST_F(Notified, ARunDisablesItsControlsWhileItLastsAndEndsWithTheCounters) {
  heard.Take();
  Lines whileShown;
  session->Ui().ShowPreview = [&](PreviewDialog&) { whileShown = heard.Take(); };
  session->WashFolderEntry(true);
  EXPECT_NE(std::find(whileShown.begin(), whileShown.end(), "btnWashAll off"), whileShown.end());
  Lines after = heard.Take();
  EXPECT_NE(std::find(after.begin(), after.end(), "btnWashAll on"), after.end());
  EXPECT_EQ(std::find(after.begin(), after.end(), "counters"), after.end());

  session->WashFolderEntry(false);
  after = heard.Take();
  EXPECT_NE(std::find(after.begin(), after.end(), "counters"), after.end());
  EXPECT_FALSE(Data.Exists("t/a.tmp"));
}

// Catches a command run while its button is disabled, a question not asked, a file chooser with
// the wrong title, filter or extension, and a declined question that still writes.
TEST_F(Notified, ButtonsRunTheirCommandsThroughThePort) {
  // Disabled: a special item's entry buttons do nothing.
  session->SelectItem(1);
  port.asked.clear();
  EXPECT_TRUE(RunCommand(*session, Control::btnaddfolder));
  EXPECT_EQ(port.asked, Lines{});
  EXPECT_FALSE(RunCommand(*session, Control::btnsetting));

  // Add an item: the dialog starts from "New Item".
  port.typed = "Added";
  port.answers = {true};
  RunCommand(*session, Control::SpNew);
  EXPECT_EQ(port.asked, (Lines{"item dialog: Add Wash Item / New Item"}));
  EXPECT_EQ(session->ChListBoxItem().Text(session->ChListBoxItem().Selected()), "Added");

  // Delete answered No: the item stays.
  port.asked.clear();
  port.answers = {false};
  RunCommand(*session, Control::SpDelete);
  EXPECT_EQ(port.asked, (Lines{"Do you want to delete 'Added'?"}));
  EXPECT_EQ(session->ChListBoxItem().Count(), 4);

  // Export to a file, then import it back as a plug-in file.
  const std::string exported = "D:\\export.txt";
  port.files = {exported};
  port.asked.clear();
  port.answers = {true};
  RunCommand(*session, Control::btnSavePlugin);
  EXPECT_EQ(port.asked,
            (Lines{"save dialog: Save Wash Item selected to PlugIn file | txt",
                   "note: Note: The Wash Items created by software author will not be include "
                   "when export!"}));
  EXPECT_TRUE(Data.Exists("export.txt"));
  port.asked.clear();
  port.answers = {true};
  RunCommand(*session, Control::SpeedButton7);
  // Every kind the import takes comes first, then each kind, then every file.
  EXPECT_EQ(port.asked,
            (Lines{"open dialog: Import Wash Items from PlugIn File | Wash items and definitions "
                   "(*.txt;*.ini;*.xml)|*.txt;*.ini;*.xml|TXT file (*.TXT)|*.TXT|INI-style "
                   "definitions (*.ini)|*.ini|CleanerML definitions (*.xml)|*.xml|All files "
                   "(*.*)|*.* | txt"}));
  EXPECT_TRUE(Program.Exists("plugin/export.txt"));

  // The log: the note when logging is off, the log opened; deleting it asks and tells.
  test::WriteHostFile(Program.Host("log.htm"), "<html>");
  session->StateForTesting().Settings.WriteToLog = false;
  port.asked.clear();
  RunCommand(*session, Control::btnViewLog);
  EXPECT_EQ(port.asked, (Lines{"note: " + std::string(kLogNotWritten), "open P:\\log.htm"}));
  port.asked.clear();
  port.answers = {true, true};
  RunCommand(*session, Control::btnDeleteLog);
  RunCommand(*session, Control::btnDeleteLog);  // no log left: silent
  EXPECT_EQ(port.asked, (Lines{"Do you want to delete log file?",
                               "note: Log file is cleaned "
                               "successful!",
                               "Do you want to delete log file?"}));
}

}  // namespace
}  // namespace vorlisk
