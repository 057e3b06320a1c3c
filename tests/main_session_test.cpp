// The main window's logic without a window: selection, ticking, the four wash operations with the
// preview dialogs they fill, the wash action, the run-in-progress guard, and the scheduler.
#include "app/main_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/scheduler.h"
#include "app/user_folders.h"
#include "main_session_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

// Catches a start-up that selects nothing, and entry lists filled from the wrong item or marks.
TEST_F(SessionTest, StartupSelectsTheFirstItemAndFillsItsEntryLists) {
  Start();
  EXPECT_EQ(Texts(session->ChListBoxItem()),
            (std::vector<std::string>{"Temp files", "Recycle Bin", "Unchecked", "Log files"}));
  EXPECT_EQ(Marks(session->ChListBoxItem()), (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(session->ChListBoxItem().Selected(), 0);
  ASSERT_TRUE(session->Current());
  EXPECT_EQ(session->Current()->Item.Name, "Temp files");
  EXPECT_EQ(Texts(session->ChListBoxFolder()),
            (std::vector<std::string>{"tmp files", "one log", "a files"}));
  EXPECT_EQ(Marks(session->ChListBoxFolder()), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(session->ChListBoxFolder().Selected(), 0);
  EXPECT_EQ(Texts(session->ChListBoxRegister()), (std::vector<std::string>{"keys", "value"}));
  EXPECT_EQ(session->ChListBoxRegister().Selected(), 0);
  ASSERT_EQ(session->MenuWash().size(), 6u);
  EXPECT_EQ(session->MenuWash()[0].Caption, "Wash all checked item");
  EXPECT_EQ(session->MenuWash()[5].Tag, 103);
}

// Catches a special item that can be edited or previewed, and btnWashSingle disabled with it.
TEST_F(SessionTest, ItemButtonsFollowTheSelectedItemAndCleanCurrentStaysEnabled) {
  Start();
  for (int row : {1, 0, 1, 3}) {
    session->SelectItem(row);
    const bool special = row == 1;
    for (Control control : kItemButtons)
      EXPECT_EQ(session->IsEnabled(control), !special) << ControlName(control);
    for (Control control : {Control::btnWashSingle, Control::SpNew, Control::SpDelete,
                            Control::btnUp, Control::btnDown})
      EXPECT_TRUE(session->IsEnabled(control)) << ControlName(control);
  }
}

// Catches entry marks kept in memory only, and item marks written before the order file is.
TEST_F(SessionTest, EntryMarksAreWrittenAtOnceItemMarksOnlyWithTheOrderFile) {
  Start();
  const std::string before = Program.Read("const/system.txt");
  session->CheckItem(0, false);
  EXPECT_EQ(Program.Read("const/system.txt"), before);
  EXPECT_FALSE(Program.Exists("order.ini"));
  EXPECT_FALSE(session->Items().Items[0].IsActive);

  session->CheckFolderEntry(1, true);
  session->CheckRegistryEntry(1, false);
  const std::string after = Program.Read("const/system.txt");
  EXPECT_NE(after.find("tFolder1.isactive=1\r\n"), std::string::npos);
  EXPECT_NE(after.find("tRegister1.isactive=0\r\n"), std::string::npos);
  EXPECT_NE(after.find("[Temp files]\r\nIsActive=1\r\n"), std::string::npos);

  session->Destroy();
  const std::string order = Program.Read("order.ini");
  EXPECT_NE(order.find("[Temp files<|>P:\\const\\system.txt]\r\ntxtfilename=P:\\const\\system.txt"
                       "\r\nIsActive=0\r\n"),
            std::string::npos);
}

// Catches a dialog filled from the wrong entries, unsorted (or sorted by byte) file lists,
// dropped duplicates, lines of unticked entries, and initial marks not taken from the right mark.
TEST_F(SessionTest, EachDialogIsFilledAndMarkedAsItsCommandSays) {
  struct Case {
    const char* what;
    std::function<void(MainSession&)> run;
    PreviewKind kind;
    std::vector<std::string> special, files, registry;
    bool ticked;
  };
  const std::vector<Case> cases = {
      {"folder entry 0",
       [](MainSession& s) { s.WashFolderEntry(true); },
       PreviewKind::Folder,
       {},
       {"D:\\tmp\\B.tmp", "D:\\tmp\\a.tmp", "D:\\tmp\\c.tmp"},
       {},
       true},
      {"unticked folder entry 1",
       [](MainSession& s) {
         s.SelectFolderEntry(1);
         s.WashFolderEntry(true);
       },
       PreviewKind::Folder,
       {},
       {"D:\\one.log"},
       {},
       false},
      {"registry entry 0",
       [](MainSession& s) { s.WashRegistryEntry(true); },
       PreviewKind::Register,
       {},
       {},
       {kTempRegistry[0], kTempRegistry[1]},
       true},
      {"checked item",
       [](MainSession& s) { s.WashCurrentItem(true); },
       PreviewKind::FolderRegister,
       {},
       kTempFiles,
       kTempRegistry,
       true},
      {"unchecked item",
       [](MainSession& s) {
         s.CheckItem(0, false);
         s.WashCurrentItem(true);
       },
       PreviewKind::FolderRegister,
       {},
       kTempFiles,
       kTempRegistry,
       false},
      {"all checked items",
       [](MainSession& s) { s.WashCheckedItems(true); },
       PreviewKind::All,
       {"Recycle Bin"},
       {"D:\\logs\\z.log", "D:\\tmp\\a.tmp", "D:\\tmp\\a.tmp", "D:\\tmp\\B.tmp", "D:\\tmp\\c.tmp"},
       kTempRegistry,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    Start();
    bool seen = false;
    onPreview = [&](PreviewDialog& d) {
      seen = true;
      EXPECT_EQ(d.Kind(), c.kind);
      EXPECT_EQ(Texts(d.Special()), c.special);  // lists a dialog lacks stay empty
      auto files = Texts(d.Files());  // one entry's files come in the order the search finds them
      if (c.kind == PreviewKind::Folder) std::sort(files.begin(), files.end());
      EXPECT_EQ(files, c.files);
      EXPECT_EQ(Texts(d.Registry()), c.registry);
      for (CheckRows* list :
           std::initializer_list<CheckRows*>{&d.Special(), &d.Files(), &d.Registry()})
        for (bool mark : Marks(*list)) EXPECT_EQ(mark, c.ticked);
    };
    c.run(*session);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(DataExists("tmp/a.tmp"));  // a preview removes nothing
  }
}

// Catches a wash action in the wrong order (files, registry, special), a log run not around all
// of it, counters added to instead of replaced, and a special item washed before the files.
TEST_F(SessionTest, CleanAllWashesFilesThenRegistryThenSpecialInsideOneLogRun) {
  // A checked item names a file in the Recycle Bin: it has a log row only when the files are
  // washed before the bin is emptied.
  platform::ScopedDriveMapping home('H', Home.Path());
  WriteHostFile(Home / "data/Trash/files/trashed.dat", "t");
  WriteHostFile(Home / "data/Trash/files/other.bin", "o");
  WriteItems("plugin/trash.txt",
             {{.Name = "Trash",
               .Folders = {{.Name = "dat", .DeletePath = "H:\\data\\Trash\\files\\*.dat"}}}});
  Start(false, true);
  session->StateForTesting().Counters.Files = WashCounts{7, 7};
  session->WashCheckedItems(false);

  EXPECT_FALSE(DataExists("tmp/a.tmp") || DataExists("tmp/B.tmp") || DataExists("logs/z.log"));
  EXPECT_TRUE(DataExists("one.log") && DataExists("un/u.dat") && DataExists("tmp/x.txt"));
  EXPECT_TRUE(RecycleBinEmptied());
  ASSERT_TRUE(session->Counters().Files && session->Counters().Registry);
  EXPECT_EQ(session->Counters().Files->Success, 5);  // a.tmp listed twice is erased once
  EXPECT_EQ(session->Counters().Files->Fails, 0);
  EXPECT_EQ(session->Counters().Registry->Success, 3);
  platform::Registry reg;
  EXPECT_FALSE(reg.KeyExists("\\Software\\Test\\Keys"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Test\\Vals"));
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"v2"});

  const std::string log = Program.Read("log.htm");
  std::vector<std::size_t> at;
  for (const std::string& s : {std::string("<table"), std::string("D:\\logs\\z.log"),
                               std::string("H:\\data\\Trash\\files\\trashed.dat"), kKeys + "Sub",
                               kVals, std::string("</table>")})
    at.push_back(log.find(s));
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos) << log;
  EXPECT_EQ(log.find("<table"), log.rfind("<table"));  // one run
  EXPECT_EQ(log.find("Recycle Bin"), std::string::npos);
  EXPECT_EQ(session->ChListBoxItem().Selected(), 4);  // the last checked item
  EXPECT_EQ(session->Current()->Item.Name, "Trash");
  EXPECT_TRUE(AllWashControls(true));
}

// A wash of the whole drive that holds the program folder (and of a link to that folder, and of a
// second hard link of the settings file) lists and erases nothing of the program's own.
TEST_F(SessionTest, TheProgramsOwnFilesAreNeverListedNorWashed) {
  WriteItems("const/system.txt",
             {{.Name = "Everything",
               .Folders = {{.Name = "program drive", .DeletePath = "P:\\*", .Subfolders = true},
                           {.Name = "linked", .DeletePath = "D:\\prog\\*", .Subfolders = true},
                           {.Name = "ini", .DeletePath = "d:/*.ini"}}}});
  // The registry store and the settings file are written by the program itself.
  const std::vector<const char*> own = {
      "order.ini", "log.htm",  "vorlisk.lock",    "vorlisk-cli",
      "vorlisk",   "help.chm", ".order.ini.tmp42"};  // a temporary file left behind
  for (const char* f : own) WriteHostFile(Program.Host(f), f);
  WriteItems("plugin/extra.txt", {{.Name = "Extra"}});
  for (const char* f : {"junk.tmp", "sub/a.tmp", "const/sub/s.tmp"})
    WriteHostFile(Program.Host(f), f);
  MAKE_SYMLINK_OR_SKIP(Program.Host(), Data.Host("prog"));
  Start(false, true);
  std::filesystem::create_hard_link(Program.Host("wildcard.ini"), Data.Host("hard.ini"));
  WriteHostFile(Data.Host("other.ini"), "other");

  std::vector<std::string> listed;
  onPreview = [&listed](PreviewDialog& d) { listed = Texts(d.Files()); };
  session->WashCheckedItems(true);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed,
            (std::vector<std::string>{"D:\\other.ini", "D:\\prog\\const\\sub\\s.tmp",
                                      "D:\\prog\\junk.tmp", "D:\\prog\\sub\\a.tmp",
                                      "P:\\const\\sub\\s.tmp", "P:\\junk.tmp", "P:\\sub\\a.tmp"}));

  session->WashCheckedItems(false);
  for (const char* f : own) EXPECT_EQ(Program.Read(f).substr(0, std::strlen(f)), f);  // log: rows
  for (const auto& row : test::LogRows(Program.Read("log.htm")))  // "Quick|Success|path|note"
    EXPECT_NE(std::find(listed.begin(), listed.end(), row.substr(14, row.rfind('|') - 14)),
              listed.end())
        << row;
  for (const char* f : {"const/system.txt", "plugin/extra.txt", "registry.reg", "wildcard.ini"})
    EXPECT_TRUE(Program.Exists(f)) << f;
  EXPECT_TRUE(DataExists("hard.ini"));
  EXPECT_FALSE(Program.Exists("junk.tmp") || Program.Exists("sub/a.tmp") ||
               DataExists("other.ini"));
}

// Catches counters that keep old values, or are touched by a dialog without the list.
TEST_F(SessionTest, EachWashReplacesOnlyTheCountersOfItsOwnLists) {
  Start();
  session->WashFolderEntry(false);
  EXPECT_EQ(session->Counters().Files->Success, 3);
  EXPECT_FALSE(session->Counters().Registry);
  session->WashRegistryEntry(false);
  EXPECT_EQ(session->Counters().Registry->Success, 2);
  EXPECT_EQ(session->Counters().Files->Success, 3);
  session->WashFolderEntry(false);  // the files are gone: replaced by 0, not added
  EXPECT_EQ(session->Counters().Files->Success, 0);
  EXPECT_EQ(session->Counters().Registry->Success, 2);
}

// Catches a question that is not asked, asked with other words, or a No that still washes.
TEST_F(SessionTest, AQuestionAnsweredNoChangesNothing) {
  const std::pair<const char*, std::function<void(MainSession&)>> cases[] = {
      {"Do you want to clean 'Temp files -> tmp files'?",
       [](MainSession& s) { s.WashFolderEntry(false); }},
      {"Do you want to clean 'Temp files -> keys'?",
       [](MainSession& s) { s.WashRegistryEntry(false); }},
      {"Do you want to clean 'Temp files'?", [](MainSession& s) { s.btnWashSingleClick(); }},
      {"Do you want to wash all the items selected?",
       [](MainSession& s) { s.WashCheckedItems(false); }},
  };
  answer = false;
  for (const auto& [question, run] : cases) {
    questions.clear();
    Restart();
    Start(true, true);
    run(*session);
    EXPECT_EQ(questions, std::vector<std::string>{question});
    EXPECT_TRUE(DataExists("tmp/a.tmp"));
    EXPECT_FALSE(session->Counters().Files || session->Counters().Registry);
    EXPECT_FALSE(Program.Exists("log.htm"));
    EXPECT_TRUE(platform::Registry().KeyExists("\\Software\\Test\\Keys"));
    EXPECT_TRUE(AllWashControls(true));
  }
}

// Catches a wash of nothing that skips the counters or the empty log run, and an unticked item
// or entry whose lines are washed all the same.
TEST_F(SessionTest, WashesOfNothingSetCountersToZeroAndRemoveNothing) {
  Start(false, true);
  for (int row : {0, 1, 3}) session->CheckItem(row, false);
  session->WashCheckedItems(false);
  EXPECT_EQ(session->Counters().Files->Success + session->Counters().Files->Fails, 0);
  EXPECT_EQ(session->Counters().Registry->Success + session->Counters().Registry->Fails, 0);
  const std::string log = Program.Read("log.htm");
  EXPECT_NE(log.find("<b>Note</b>"), std::string::npos);  // the header row
  EXPECT_EQ(log.find("<tr>"), log.rfind("<tr>"));         // and no other row
  EXPECT_NE(log.find("</table>"), std::string::npos);

  session->SelectItem(3);
  session->StateForTesting().Counters.Registry = WashCounts{5, 5};
  session->MenuWashClick(100);  // item 0 is not checked now: all its lines start unticked
  EXPECT_EQ(session->ChListBoxItem().Selected(), 0);
  EXPECT_EQ(session->Counters().Registry->Success + session->Counters().Registry->Fails, 0);
  session->SelectFolderEntry(1);  // "one log" is an unticked entry
  session->WashFolderEntry(false);
  EXPECT_EQ(session->Counters().Files->Success, 0);
  EXPECT_TRUE(DataExists("tmp/a.tmp") && DataExists("one.log"));
  EXPECT_TRUE(platform::Registry().KeyExists("\\Software\\Test\\Keys"));
}

// Catches a special item washed alone through the wash action (question, log, counters).
TEST_F(SessionTest, ASpecialItemAloneRunsWithoutQuestionLogOrCounters) {
  WriteHostFile(Home / "data/Trash/files/trashed.dat", "t");
  Start(true, true);
  session->SelectItem(1);
  session->btnWashSingleClick();
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(RecycleBinEmptied());
  EXPECT_FALSE(Program.Exists("log.htm"));
  EXPECT_FALSE(session->Counters().Files || session->Counters().Registry);
  EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
}

// Catches runs that nest: an automatic wash or a timer tick that starts inside an open preview.
TEST_F(SessionTest, NoAutomaticWashStartsWhileAPreviewIsOpen) {
  Start();
  session->StateForTesting().Settings.Schedule.Include(byEveryHour);
  session->StateForTesting().Settings.Minutes = 0;
  const auto due = session->Settings().LastScheduledWash;
  onPreview = [&](PreviewDialog&) {
    EXPECT_TRUE(AllWashControls(false));
    AutomaticWash(*session);
    EXPECT_FALSE(TimerTick(*session));
    // Nor any command a tray entry, a hot key or a stray click could start meanwhile.
    const int before = shown;
    session->MenuWashClick(-1);
    session->MenuWashClick(103);
    session->WashCheckedItems(false);
    session->WashCheckedItems(true);
    session->btnWashSingleClick();
    session->WashCurrentItem(false);
    session->WashFolderEntry(false);
    session->WashRegistryEntry(false);
    EXPECT_EQ(shown, before);
    EXPECT_TRUE(DataExists("tmp/a.tmp") && DataExists("logs/z.log"));
    EXPECT_TRUE(platform::Registry().KeyExists("\\Software\\Test\\Keys"));
  };
  session->WashCheckedItems(true);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(session->Settings().LastScheduledWash, due);
  EXPECT_TRUE(AllWashControls(true));
  EXPECT_FALSE(session->Counters().Files);

  onPreview = nullptr;  // the first tick after the preview washes and moves the due time
  const auto now = Clock::now();
  EXPECT_TRUE(TimerTick(*session, [now] { return now; }));
  EXPECT_FALSE(DataExists("tmp/a.tmp"));
  EXPECT_EQ(session->Settings().LastScheduledWash, now);
}

// Catches a timer tick that washes although the timed wash is off (the due time never set).
TEST_F(SessionTest, ATimerTickWithoutTheTimedWashWashesNothing) {
  Start();
  session->StateForTesting().Settings.Minutes = 0;
  EXPECT_FALSE(TimerTick(*session));
  EXPECT_TRUE(DataExists("tmp/a.tmp"));
  EXPECT_FALSE(session->Counters().Files);
}

// Catches an error that leaves the controls disabled, the hourglass on or the selection stale.
TEST_F(SessionTest, AnErrorEndsTheRunAndRestoresControlsCursorAndSelection) {
  std::filesystem::create_directories(Program.Host("log.htm"));  // the log cannot be opened
  Start(false, true);
  session->SelectItem(3);
  EXPECT_THROW(session->btnWashSingleClick(), Error);
  EXPECT_TRUE(DataExists("logs/z.log"));  // the log run is begun before anything is washed

  std::filesystem::remove(Program.Host("log.htm"));
  platform::ImportRegistryText(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test\\Folders]\r\n\"Cache\"=dword:"
      "00000001\r\n");
  WriteItems("plugin/bad.txt",
             {{.Name = "Bad folder",
               .Folders = {{.Name = "cache",
                            .Kind = 0,
                            .RegisterName = "HKEY_CURRENT_USER\\Software\\Test\\Folders",
                            .RegisterValue = "Cache"}}}});
  Restart();
  Start(false, true);
  cursor.clear();
  EXPECT_THROW(session->WashCheckedItems(false), platform::RegistryError);
  EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
  EXPECT_TRUE(AllWashControls(true));
  EXPECT_EQ(session->ChListBoxItem().Selected(), 4);
  EXPECT_EQ(session->Current()->Item.Name, "Bad folder");
  EXPECT_EQ(Texts(session->ChListBoxFolder()), std::vector<std::string>{"cache"});
  EXPECT_TRUE(DataExists("tmp/a.tmp"));
  EXPECT_FALSE(Program.Exists("log.htm"));
}

// Catches a dialog that washes twice, or washes after it was closed.
TEST_F(SessionTest, ADialogWashesOnceAndNeverAfterItClosed) {
  Start();
  onPreview = [&](PreviewDialog& d) {
    d.Wash();
    WriteHostFile(Data.Host("tmp/a.tmp"), "again");
    d.Wash();
  };
  session->WashFolderEntry(true);
  EXPECT_TRUE(DataExists("tmp/a.tmp"));
  EXPECT_EQ(session->Counters().Files->Success, 3);
  onPreview = [&](PreviewDialog& d) {
    d.Close();
    d.Wash();
  };
  session->WashFolderEntry(true);
  EXPECT_TRUE(DataExists("tmp/a.tmp"));
}

// Catches a wash whose special items are told wrongly: an unchecked one counted with the checked
// items, or one washed by itself left out because it is unchecked.
TEST_F(SessionTest, SpecialItemsWashedAreThoseTheWashRunsByName) {
  Start();
  auto names = [this](std::optional<int32_t> row) {
    std::vector<std::string> out;
    for (const auto& item : SpecialItemsWashed(*session, row)) out.push_back(item.Name);
    return out;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(std::nullopt), Names{"Recycle Bin"});
  EXPECT_EQ(names(1), Names{"Recycle Bin"});
  EXPECT_EQ(names(0), Names{});
  session->CheckItem(1, false);
  EXPECT_EQ(names(std::nullopt), Names{});
  EXPECT_EQ(names(1), Names{"Recycle Bin"});
}

// ---- reloads and changes of the program's files ----------------------------------------------

// Catches a reload that selects another row than asked, or leaves an item current when the
// catalogue has none left.
TEST_F(SessionTest, ReloadCatalogueSelectsTheRowAskedFor) {
  Start();
  struct Case {
    int32_t select;
    int32_t selected;
    const char* current;
  };
  const std::vector<Case> cases = {
      {2, 2, "Unchecked"}, {MainSession::kLastRow, 3, "Log files"}, {9, 0, "Temp files"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.select);
    session->ReloadCatalogue(c.select);
    EXPECT_EQ(session->ChListBoxItem().Selected(), c.selected);
    ASSERT_TRUE(session->Current());
    EXPECT_EQ(session->Current()->Item.Name, c.current);
  }
  WriteHostFile(Program.Host("const/system.txt"), "");
  session->ReloadCatalogue(0);
  EXPECT_EQ(session->ChListBoxItem().Count(), 0);
  EXPECT_FALSE(session->Current());
  EXPECT_EQ(session->ChListBoxFolder().Count(), 0);
  EXPECT_EQ(session->ChListBoxRegister().Count(), 0);
}

// Catches a change of the program's files made over a list that another process changed since
// it was read, and an order file left as it was after a change that rewrites it (or rewritten
// after one that does not).
TEST_F(SessionTest, EditProgramFilesReadsAgainChangesAndWritesTheOrderFileAfterwards) {
  Start();
  session->SaveOrderFile();
  const std::string order = Program.Read("order.ini");
  WriteItems("const/user.txt", {{.Name = "Added elsewhere"}});
  int32_t seen = -1;
  EditProgramFiles(*session, [&] {
    seen = session->Items().Count();
    session->CheckItem(0, false);
  });
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(Program.Read("order.ini"), order);

  EditProgramFiles(
      *session, [&] { session->CheckItem(3, false); }, OrderFileStep::WrittenAfterChange);
  Restart();
  Start();
  ASSERT_EQ(session->Items().Count(), 5);
  EXPECT_EQ(Marks(session->ChListBoxItem()), (std::vector<bool>{false, true, false, false, true}));
}

// ---- scheduler -------------------------------------------------------------------------------

// Catches an automatic wash that asks, or changes "prompt Before" (even for a while: an observer
// sees it during the run), also after an error.
TEST_F(SessionTest, AutomaticWashNeverAsksAndLeavesPromptBefore) {
  Start(true);
  session->Ui().Cursor = [this](bool) { EXPECT_TRUE(session->Settings().PromptBefore); };
  AutomaticWash(*session);
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(session->Settings().PromptBefore);
  EXPECT_FALSE(DataExists("tmp/a.tmp"));
  std::filesystem::create_directories(Program.Host("log.htm"));
  session->StateForTesting().Settings.WriteToLog = true;
  EXPECT_THROW(AutomaticWash(*session), Error);
  EXPECT_TRUE(session->Settings().PromptBefore);
}

// Catches triggers that wash without their setting, and a shutdown reply that is not TRUE.
TEST_F(SessionTest, StartAndShutdownTriggersFollowTheirSettings) {
  struct Case {
    bool autoRun;
    const char* schedule;
    bool atStart, atShutdown;
  } cases[] = {{true, "byStart ", true, false},
               {false, "byStart byShutdown ", false, true},
               {true, "byShutdown ", false, true},
               {true, "", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.schedule);
    WriteHostFile(Data.Host("logs/z.log"), "data");
    WriteHostFile(Program.Host("wildcard.ini"),
                  std::string("[Run]\r\nAuto Run=") + (c.autoRun ? "1" : "0") +
                      "\r\n[Schedule]\r\nSchedule Option=" + c.schedule + "\r\n");
    Restart();
    session->Startup(Folder());
    EXPECT_EQ(AtStartWash(*session), c.atStart);
    EXPECT_NE(DataExists("logs/z.log"), c.atStart);
    EXPECT_TRUE(QueryEndSession(*session));
    EXPECT_NE(DataExists("logs/z.log"), c.atStart || c.atShutdown);
  }
  // A wash that fails at shutdown is shown and the reply still lets Windows end.
  std::filesystem::remove(Program.Host("log.htm"));
  std::filesystem::create_directories(Program.Host("log.htm"));
  session->StateForTesting().Settings.WriteToLog = true;
  session->StateForTesting().Settings.Schedule.Include(byShutdown);
  EXPECT_TRUE(QueryEndSession(*session));
  EXPECT_EQ(errors.size(), 1u);
}

// Catches a failed timed wash that escapes the timer as an error box, moves the due time, or
// reports the same error at every tick.
TEST_F(SessionTest, ATimedWashThatFailsIsReportedOnceInTheTrayAndKeepsItsDueTime) {
  std::vector<std::string> notes;
  ui.TrayNote = [&](const std::string& m) { notes.push_back(m); };
  Restart();
  Start(false, true);
  std::filesystem::create_directories(Program.Host("log.htm"));
  session->StateForTesting().Settings.Schedule.Include(byEveryHour);
  session->StateForTesting().Settings.Minutes = 10;
  const auto start = Clock::now();
  session->StateForTesting().Settings.LastScheduledWash = start;
  EXPECT_FALSE(TimerTick(*session, [&] { return start + std::chrono::minutes(9); }));
  for (int minute : {10, 11, 12})
    EXPECT_FALSE(TimerTick(*session, [&] { return start + std::chrono::minutes(minute); }));
  EXPECT_EQ(session->Settings().LastScheduledWash, start);
  EXPECT_EQ(notes.size(), 1u);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(AllWashControls(true));
  EXPECT_TRUE(DataExists("tmp/a.tmp"));
  // Once the log can be written again, the next tick washes and moves the due time.
  std::filesystem::remove(Program.Host("log.htm"));
  const auto later = start + std::chrono::minutes(13);
  EXPECT_TRUE(TimerTick(*session, [&] { return later; }));
  EXPECT_EQ(session->Settings().LastScheduledWash, later);
  EXPECT_FALSE(DataExists("tmp/a.tmp"));
  EXPECT_EQ(notes.size(), 1u);
}

}  // namespace
}  // namespace vorlisk
