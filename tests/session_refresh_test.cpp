// A session that runs for long (the window) while another process (the command line) changes the
// program's files: it reloads them before its next step and its closing write keeps them.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "app/commands.h"
#include "app/item_editing.h"
#include "app/main_session.h"
#include "app/scheduler.h"
#include "test_support.h"

namespace vorlisk {
namespace {

// A window session on "A", "B", "C" (each washing its own folder of drive D:).
struct Running : test::TestProgram {
  Running() {
    WriteItems("const/system.txt",
               {{.Name = "A", .Folders = {{.Name = "a", .DeletePath = "D:\\a\\*.*"}}},
                {.Name = "B", .Folders = {{.Name = "b", .DeletePath = "D:\\b\\*.*"}}},
                {.Name = "C", .Folders = {{.Name = "c", .DeletePath = "D:\\c\\*.*"}}}});
    for (const char* f : {"a/1.tmp", "b/1.tmp", "c/1.tmp"}) test::WriteHostFile(Data.Host(f), "x");
    window.Startup(Folder());
  }
  // Another process's command, as vorlisk-cli runs it: start, change, the order file written.
  void CommandLine(const std::function<void(MainSession&)>& change) {
    MainSession cli;
    cli.Startup(Folder());
    change(cli);
    cli.Destroy();
  }
  // The order and marks the files give a new start: "A1 B0 ...".
  std::string Stored() {
    platform::ClearProfileCache();
    titem_list list;
    LoadCatalogue(Folder(), list);
    std::string out;
    for (const auto& item : list.Items) out += item.Name + (item.IsActive ? "1 " : "0 ");
    return out;
  }
  MainSession window;
};

// Catches a closing write made from the list read at start (the command line's marks and moves
// reverted), a reload that drops the window's own marks and moves not stored yet, and a timed wash
// of an item the command line unchecked.
TEST(SessionRefresh, TheWindowKeepsWhatTheCommandLineChanged) {
  struct Case {
    const char* name;
    std::function<void(MainSession&)> window;  // before the command line, not stored yet
    std::function<void(MainSession&)> cli;
    std::string stored;  // after the window closes
  };
  for (const Case& c : std::vector<Case>{
           {"uncheck", [](MainSession&) {}, [](MainSession& s) { s.CheckItem(0, false); },
            "A0 B1 C1 "},
           {"move", [](MainSession&) {},
            [](MainSession& s) {
              s.SelectItem(2);
              MoveItem(s, -1);
            },
            "A1 C1 B1 "},
           {"both marks", [](MainSession& s) { s.CheckItem(1, false); },
            [](MainSession& s) { s.CheckItem(0, false); }, "A0 B0 C1 "},
           {"moved here, unchecked there",
            [](MainSession& s) {
              s.SelectItem(0);
              MoveItem(s, 1);
            },
            [](MainSession& s) { s.CheckItem(2, false); }, "B1 A1 C0 "},
       }) {
    SCOPED_TRACE(c.name);
    Running p;
    c.window(p.window);
    p.CommandLine(c.cli);
    p.window.Close();
    p.window.Destroy();
    EXPECT_EQ(p.Stored(), c.stored);
  }
}

// The rows the window shows: "A B C ".
std::string Rows(const MainSession& s) {
  std::string out;
  for (int32_t i = 0; i < s.ChListBoxItem().Count(); ++i) out += s.ChListBoxItem().Text(i) + " ";
  return out;
}

// Moves the item of `row` one row up (-1) or down (+1), as the window's arrows and `item move` do.
std::function<void(MainSession&)> Moving(int32_t row, int direction, int times = 1) {
  return [=](MainSession& s) {
    s.SelectItem(row);
    for (int i = 0; i < times; ++i) MoveItem(s, direction);
  };
}

// Catches a window whose own move, not stored yet, hides the command line's move (the window kept
// its whole order over the file's) and whose closing write puts the command line's item back; and
// a move made in both processes applied twice.
TEST(SessionRefresh, MovesOfTheWindowAndTheCommandLineAreBothKept) {
  struct Case {
    const char* name;
    std::function<void(MainSession&)> window;  // before the command line, not stored yet
    std::function<void(MainSession&)> cli;
    std::string shown;  // by the window once it looked again, and stored when it closes
  };
  for (const Case& c : std::vector<Case>{
           {"other items", Moving(0, 1), Moving(3, -1), "B A D C "},
           {"the item passed moved there", Moving(0, 1), Moving(2, -1), "C B A D "},
           {"the same move", Moving(0, 1), Moving(0, 1), "B A C D "},
           {"moved and moved back here",
            [](MainSession& s) {
              Moving(0, 1)(s);
              MoveItem(s, -1);
            },
            Moving(3, -1), "A B D C "},
           {"further here, the rest there", Moving(0, 1, 2), Moving(3, -1, 3), "D B C A "},
       }) {
    SCOPED_TRACE(c.name);
    test::TestProgram p;
    p.WriteItems("const/system.txt", {{.Name = "A"}, {.Name = "B"}, {.Name = "C"}, {.Name = "D"}});
    MainSession window;
    window.Startup(p.Folder());
    c.window(window);
    MainSession cli;
    cli.Startup(p.Folder());
    c.cli(cli);
    cli.Destroy();
    // The window looks again when it is activated or before its next command.
    EXPECT_TRUE(window.RefreshFromDisk());
    EXPECT_EQ(Rows(window), c.shown);
    window.Close();
    window.Destroy();
    MainSession next;
    next.Startup(p.Folder());
    EXPECT_EQ(Rows(next), c.shown);
  }
}

TEST(SessionRefresh, AnAutomaticWashSkipsWhatTheCommandLineUncheckedAndTheRowsFollow) {
  Running p;
  p.window.SelectItem(1);  // B
  p.CommandLine([](MainSession& s) {
    s.CheckItem(0, false);
    s.SelectItem(2);
    MoveItem(s, -1);  // A B C -> A C B
  });
  AutomaticWash(p.window);
  EXPECT_TRUE(p.Data.Exists("a/1.tmp"));
  EXPECT_FALSE(p.Data.Exists("b/1.tmp"));
  EXPECT_FALSE(p.Data.Exists("c/1.tmp"));
  // The list shows the stored order and marks; the selected item is still B.
  EXPECT_EQ(p.window.ChListBoxItem().Text(2), "B");
  EXPECT_FALSE(p.window.ChListBoxItem().Checked(0));
  // A click on the mark of the row that showed C ticks C, wherever it now stands.
  p.CommandLine([](MainSession& s) {
    s.SelectItem(1);
    MoveItem(s, 1);  // A C B -> A B C
  });
  p.window.CheckItem(1, false);  // the window still shows C in row 1
  p.window.Destroy();
  EXPECT_EQ(p.Stored(), "A0 B1 C0 ");
}

// Catches an entry mark written from a stale working copy over an entry the command line edited.
TEST(SessionRefresh, AnEntryMarkIsWrittenOverTheEntryAsStored) {
  Running p;
  p.CommandLine([](MainSession& s) {
    s.SelectItem(0);
    EditFolderEntry(s, [](FolderEntryDraft& d) {
      d.DeletePath = "D:\\elsewhere\\*.*";
      return true;
    });
  });
  p.window.CheckFolderEntry(0, false);
  tItemContent a;
  a.Create(p.Folder() + "const\\system.txt", "A");
  EXPECT_EQ(a.Folders.Entries.at(0).DeletePath, "D:\\elsewhere\\*.*");
  EXPECT_FALSE(a.Folders.Entries.at(0).IsActive);
}

}  // namespace
}  // namespace vorlisk
