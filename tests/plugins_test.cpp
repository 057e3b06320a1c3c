// Plug-in import and export through the main session, as the two toolbar buttons run them.
#include "app/plugins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/user_folders.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using test::ItemFileText;
using test::TestItem;
using test::WriteHostFile;

class PluginsTest : public ::testing::Test, public test::TestProgram {
 protected:
  PluginsTest() {
    WriteItems("const/system.txt", {{.Name = "Shipped"}, {.Name = "Same"}});
    WriteItems(
        "const/user.txt",
        {{.Name = "Mine",
          .Active = false,
          .Folders = {{.Name = "f", .DeletePath = "D:\\x\\*.tmp", .Subfolders = true}},
          .Registers = {{.Name = "r", .Type = 2, .Key = "HKEY_CURRENT_USER\\A", .Value = "v"}}},
         {.Name = "Same", .Folders = {{.Name = "user's", .DeletePath = "D:\\u\\*.*"}}}});
    WriteItems("plugin/p.txt",
               {{.Name = "Same", .Folders = {{.Name = "plugin's", .DeletePath = "D:\\p\\*.*"}}}});
    session.Ui().Ask = [this](const std::string& q) {
      questions.push_back(q);
      return answer;
    };
    session.Ui().Inform = [this](const std::string& n) { notes.push_back(n); };
    session.Startup(Folder());
  }
  std::vector<std::string> Names(const MainSession& s) const {
    std::vector<std::string> out;
    for (const auto& item : s.Items().Items) out.push_back(item.Name);
    return out;
  }

  MainSession session;
  std::vector<std::string> questions, notes;
  bool answer = true;
};

// Catches an import that replaces a plug-in file without asking, or after a No.
TEST_F(PluginsTest, ImportAsksBeforeReplacingAPluginFile) {
  const std::string replacement = ItemFileText({{.Name = "Replacement"}});
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    const std::string old = Program.Read("plugin/p.txt");
    WriteHostFile(Data.Host("in/p.txt"), replacement);
    answer = yes;
    questions.clear();
    EXPECT_EQ(ImportPlugin(session, "D:\\in\\p.txt"),
              yes ? ImportResult::Imported : ImportResult::Declined);
    EXPECT_EQ(questions,
              std::vector<std::string>{"The file 'P:\\plugin\\p.txt' already exists! OverWrite?"});
    EXPECT_EQ(Program.Read("plugin/p.txt"), yes ? replacement : old);
    EXPECT_EQ(Names(session).back(), yes ? "Replacement" : "Same");
  }
}

// Catches an import that fails without a plugin folder, loads files that are not "*.txt",
// loses check marks made since the last order file, reports a failed copy as success, or leaves
// the selection where it was.
TEST_F(PluginsTest, ImportCopiesReloadsAndSelectsTheFirstItem) {
  std::filesystem::remove_all(Program.Host("plugin"));
  WriteHostFile(Data.Host("new.txt"), ItemFileText({{.Name = "New", .Active = false}}));
  WriteHostFile(Data.Host("new.dat"), ItemFileText({{.Name = "Not loaded"}}));
  session.CheckItem(0, false);
  session.SelectItem(2);
  EXPECT_EQ(ImportPlugin(session, "D:\\new.txt"), ImportResult::Imported);
  EXPECT_EQ(ImportPlugin(session, "D:\\new.dat"), ImportResult::Imported);
  EXPECT_TRUE(Program.Exists("plugin/new.dat"));
  EXPECT_EQ(Names(session), (std::vector<std::string>{"Shipped", "Same", "Mine", "Same", "New"}));
  EXPECT_FALSE(session.Items().Items[0].IsActive);
  EXPECT_FALSE(session.Items().Items[4].IsActive);
  EXPECT_EQ(session.ChListBoxItem().Selected(), 0);
  EXPECT_EQ(session.Current()->Item.Name, "Shipped");
  EXPECT_TRUE(questions.empty());

  EXPECT_THROW(ImportPlugin(session, "D:\\missing.txt"), Error);
  EXPECT_FALSE(Program.Exists("plugin/missing.txt"));
}

// Catches an import of a file without wash items that passes for one that added some (the
// command line warns of it).
TEST_F(PluginsTest, AnImportAddsItemsOnlyWhenTheFileHoldsSome) {
  struct Case {
    const char* file;
    std::string text;
    bool adds;
  };
  const std::vector<Case> cases = {{"in/full.txt", ItemFileText({{.Name = "Full"}}), true},
                                   {"in/empty.txt", "", false},
                                   {"in/notes.txt", "not an item file\r\n", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteHostFile(Data.Host(c.file), c.text);
    const std::string source = "D:\\" + std::string(c.file).replace(2, 1, "\\");
    ASSERT_EQ(ImportPlugin(session, source), ImportResult::Imported);
    EXPECT_EQ(ImportAddedItems(session, source), c.adds);
  }
}

// Catches shipped items in an export, two items of one name merged into one section, an export
// of nothing that leaves the old file, and the wrong marks or entries in the exported items.
TEST_F(PluginsTest, ExportWritesTheCheckedItemsThatDidNotShip) {
  const std::string target = "D:\\out\\e.txt";
  WriteHostFile(Data.Host("out/e.txt"), "old export");
  for (int row = 0; row < session.ChListBoxItem().Count(); ++row) session.CheckItem(row, false);
  EXPECT_EQ(ExportPlugin(session, target), 0);
  EXPECT_FALSE(Data.Exists("out/e.txt"));
  EXPECT_EQ(
      notes,
      std::vector<std::string>{
          "Note: The Wash Items created by software author will not be include when export!"});

  for (int row = 0; row < session.ChListBoxItem().Count(); ++row) session.CheckItem(row, true);
  EXPECT_EQ(ExportPlugin(session, target), 3);
  const std::string exported = Data.Read("out/e.txt");
  EXPECT_EQ(exported.substr(0, exported.find("[Mine]")),
            test::Crlf({"[Common]", "Total=3", "Item0=Mine", "Item1=Same", "Item2=Same (2)"}));
  EXPECT_NE(exported.find(test::Crlf({"[Mine]", "IsActive=0", "IsSpecial=0", "tFolder.Total=1",
                                      "tFolder0.ChildItemName=f"})),
            std::string::npos);
  EXPECT_NE(exported.find("[Same]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=1\r\n"
                          "tFolder0.ChildItemName=user's"),
            std::string::npos);
  EXPECT_NE(exported.find("[Same (2)]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=1\r\n"
                          "tFolder0.ChildItemName=plugin's"),
            std::string::npos);
  EXPECT_EQ(exported.find("Shipped"), std::string::npos);
  EXPECT_EQ(session.ChListBoxItem().Selected(), 4);  // the last checked row
}

// Catches an export that deletes an item file (or another file of the program) it then reads.
TEST_F(PluginsTest, ExportRefusesTheProgramsOwnFilesAndLosesNothing) {
  platform::Registry().OpenKey("\\Software\\Kept", true);
  for (const char* f : {"log.htm", "vorlisk-cli", "vorlisk.exe"}) WriteHostFile(Program.Host(f), f);
  std::map<std::string, std::string> kept;
  for (const char* f : {"const/user.txt", "plugin/p.txt", "registry.reg", "vorlisk.lock", "log.htm",
                        "vorlisk-cli", "vorlisk.exe"})
    kept[f] = Program.Read(f);
  for (const char* file :
       {"P:\\const\\user.txt", "P:\\PLUGIN\\p.txt", "P:\\const\\..\\plugin\\p.txt",
        "P:\\const\\system.txt", "P:\\registry.reg", "P:\\wildcard.ini", "P:\\vorlisk.lock",
        "P:\\log.htm", "P:\\vorlisk-cli", "P:\\VORLISK.EXE"}) {
    EXPECT_THROW(ExportPlugin(session, file), Error) << file;
  }
  for (const auto& [file, text] : kept) EXPECT_EQ(Program.Read(file), text) << file;
}

// Catches an export merged into a read-only file it could not delete first (also as root).
TEST_F(PluginsTest, ExportOntoAFileThatCannotBeDeletedWritesNothing) {
  const std::string old = ItemFileText({{.Name = "Old export"}});
  WriteHostFile(Data.Host("out/ro.txt"), old);
  test::MakeReadOnly(Data.Host("out/ro.txt"));
  std::filesystem::create_directories(Data.Host("out/dir.txt"));
  for (int row = 0; row < session.ChListBoxItem().Count(); ++row) session.CheckItem(row, true);
  for (const char* target : {"D:\\out\\ro.txt", "D:\\out\\dir.txt"}) {
    try {
      ExportPlugin(session, target);
      ADD_FAILURE() << target << ": no error";
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Unable to write to ") + target);
    }
  }
  EXPECT_EQ(Data.Read("out/ro.txt"), old);
  EXPECT_TRUE(std::filesystem::is_empty(Data.Host("out/dir.txt")));
}

// Catches an import that replaced a read-only plug-in file (also as root) and reported success.
TEST_F(PluginsTest, ImportOntoAReadOnlyPluginFileWritesNothing) {
  const std::string old = Program.Read("plugin/p.txt");
  test::MakeReadOnly(Program.Host("plugin/p.txt"));
  WriteHostFile(Data.Host("in/p.txt"), ItemFileText({{.Name = "Replacement"}}));
  EXPECT_THROW(ImportPlugin(session, "D:\\in\\p.txt"), Error);
  EXPECT_EQ(Program.Read("plugin/p.txt"), old);
}

// Catches an exported file that another installation does not load as a plug-in at the end of
// its list with the exported marks.
TEST_F(PluginsTest, AnExportedFileImportedElsewhereAppendsItsItems) {
  session.CheckItem(2, true);
  session.CheckItem(4, false);
  ASSERT_EQ(ExportPlugin(session, "D:\\e.txt"), 2);

  test::TempFolder other;
  platform::ScopedDriveMapping drive('Q', other.Path());
  WriteHostFile(other / "const/system.txt", ItemFileText({{.Name = "Theirs"}, {.Name = "Mine"}}));
  MainSession elsewhere;
  elsewhere.Startup("Q:\\");
  EXPECT_EQ(ImportPlugin(elsewhere, "D:\\e.txt"), ImportResult::Imported);
  EXPECT_EQ(Names(elsewhere), (std::vector<std::string>{"Theirs", "Mine", "Mine", "Same"}));
  EXPECT_EQ(elsewhere.Items().Items[2].ItemFile, "Q:\\plugin\\e.txt");
  EXPECT_FALSE(elsewhere.Items().Items[2].IsActive);
  EXPECT_TRUE(elsewhere.Items().Items[3].IsActive);
}

// Catches definitions of another format copied unconverted, an entry that reaches the home or a
// drive's root kept, a section whose detection fails imported by default, a report that drops a
// construct, and converted items that do not find their files or ignore their exclusions.
TEST_F(PluginsTest, CleanerDefinitionsAreConvertedWithAReportAndFindTheirFiles) {
  for (const char* f : {"cache/foo/a.tmp", "cache/foo/keep.tmp", "cache/foo/sub/b.tmp",
                        "cache/foo/pinned/c.tmp", "config/foo/settings.json"})
    WriteHostFile(Home / f, "data");
  WriteHostFile(Data.Host("in/defs.ini"),
                "[Foo *]\r\nDetectFile=%Config%\\foo\r\nDefault=True\r\n"
                "FileKey1=%Cache%\\foo|*.tmp|RECURSE\r\n"
                "ExcludeKey1=FILE|%Cache%\\foo\\|keep.tmp\r\n"
                "ExcludeKey2=PATH|%Cache%\\foo\\pinned\\\r\n"
                "Vacuum=1\r\n"
                "[Reckless *]\r\nFileKey1=%Home%|*.*|RECURSE\r\nFileKey2=D:\\|*.tmp\r\n"
                "[Elsewhere *]\r\nDetectFile=%Config%\\absent\r\nFileKey1=%Cache%\\x|*.*\r\n");
  // The user folders as the program sets them at its start, here the test's home on drive H:.
  platform::ScopedDriveMapping homeDrive('H', Home.Path());
  {
    platform::Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + std::string(kUserFoldersKey), true));
    for (const auto& [name, folder] : {std::pair<const char*, const char*>{"Home", "H:\\"},
                                       {"Cache", "H:\\cache"},
                                       {"Config", "H:\\config"}})
      reg.WriteString(name, folder);
  }
  ImportReport report;
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\defs.ini", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.Format, formats::DefinitionFormat::IniDefinitions);
  EXPECT_EQ(report.Target, "P:\\plugin\\defs.txt");
  EXPECT_EQ(report.Items, 1);
  EXPECT_EQ(report.FolderEntries, 1);
  EXPECT_EQ(report.Summary("defs.ini"),
            "defs.ini (INI-style definitions): 1 item with 1 folder entry and 0 registry entries, "
            "written to P:\\plugin\\defs.txt. 5 constructs were not converted or left out.");
  EXPECT_EQ(report.Details(),
            "line 7: Vacuum=1: a key this program does not know: not converted\n"
            "line 8: Reckless: %Home%\\*.*: refused: it would reach every file of %Home%\n"
            "line 8: Reckless: D:\\*.tmp: refused: it would reach the drive's root D:\\\n"
            "line 8: Reckless: left out: every entry was refused\n"
            "line 11: [Elsewhere *]: left out: not detected on this machine\n");
  EXPECT_FALSE(Program.Exists("plugin/defs.ini")) << "copied as it was";
  const auto names = Names(session);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), "Foo");

  std::vector<std::string> previewed;
  session.Ui().ShowPreview = [&](PreviewDialog& d) {
    for (int32_t row = 0; row < d.Files().Count(); ++row) previewed.push_back(d.Files().Text(row));
  };
  session.SelectItem(static_cast<int32_t>(names.size()) - 1);
  session.WashCurrentItem(true);
  ASSERT_EQ(previewed.size(), 2u);
  EXPECT_TRUE(previewed[0].ends_with("\\foo\\a.tmp")) << previewed[0];
  EXPECT_TRUE(previewed[1].ends_with("\\foo\\sub\\b.tmp")) << previewed[1];

  // Every section asked for: the one not detected comes too; nothing convertible writes nothing.
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\defs.ini", {.All = true}, &report),
            ImportResult::Imported);
  EXPECT_EQ(report.Items, 2);
  // A path holding a line break (XML may write one) is refused on a line of its own.
  WriteHostFile(Data.Host("in/odd.xml"),
                "<?xml version=\"1.0\"?>\n<cleaner id=\"x\"><label>X</label><option id=\"o\">"
                "<label>O</label>\n<action command=\"delete\" search=\"file\" "
                "path=\"~/.cache/a&#10;b\"/>\n<action command=\"delete\" search=\"file\" "
                "path=\"~/.cache/ok.tmp\"/></option></cleaner>\n");
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\odd.xml", {}, &report), ImportResult::Imported);
  EXPECT_EQ(report.FolderEntries, 1);
  EXPECT_EQ(report.Details(),
            "line 3: <action command=\"delete\" search=\"file\" path=\"~/.cache/a b\">: a "
            "control character in path=: refused\n");
  WriteHostFile(Data.Host("in/none.ini"), "[Bad *]\r\nFileKey1=%Home%|*.*|RECURSE\r\n");
  EXPECT_EQ(ImportPlugin(session, "D:\\in\\none.ini", {}, &report), ImportResult::NothingConverted);
  EXPECT_FALSE(Program.Exists("plugin/none.txt"));
}

// Catches a registry root or its first level let through by the way it is written: a trailing
// "\\", a trailing blank or a doubled "\\" hid the level the refusal counts, and the wash deleted
// every key below HKEY_CURRENT_USER\Software. What is kept is stored as it was counted.
TEST_F(PluginsTest, RegistryRootsAreRefusedHoweverTheirSeparatorsAreWritten) {
  WriteHostFile(Data.Host("in/keys.ini"),
                "[Keys *]\r\nRegKey1=HKCU\\Software\\\r\nRegKey2=HKCU\\Software\\ \r\n"
                "RegKey3=HKCU\\\\Software\r\nRegKey4=HKLM\\\\\r\n"
                "RegKey5=HKCU\\Software\\\\Demo\\\r\n");
  ImportReport report;
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\keys.ini", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.RegistryEntries, 1);
  const std::string refused = ": refused: it would delete a whole root or its first level\n";
  EXPECT_EQ(report.Details(), "line 1: Keys: HKEY_CURRENT_USER\\Software" + refused +
                                  "line 1: Keys: HKEY_CURRENT_USER\\Software" + refused +
                                  "line 1: Keys: HKEY_CURRENT_USER\\Software" + refused +
                                  "line 1: Keys: HKEY_LOCAL_MACHINE" + refused);
  const std::string stored = Program.Read("plugin/keys.txt");
  EXPECT_NE(stored.find("=HKEY_CURRENT_USER\\Software\\Demo\r\n"), std::string::npos) << stored;

  WriteHostFile(Data.Host("in/keys.xml"),
                "<cleaner id=\"k\"><label>K</label><option id=\"o\"><label>O</label>\n"
                "<action command=\"winreg\" path=\"HKCU\\Software\\\"/>\n"
                "<action command=\"winreg\" path=\" HKCU\\\\Software \"/>\n"
                "<action command=\"winreg\" path=\"HKCU\\Software\\Demo\\\\\" name=\"Last\"/>\n"
                "</option></cleaner>\n");
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\keys.xml", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.RegistryEntries, 1);
  EXPECT_EQ(report.Details(), "line 1: K: O: HKEY_CURRENT_USER\\Software" + refused +
                                  "line 1: K: O: HKEY_CURRENT_USER\\Software" + refused);
  EXPECT_NE(Program.Read("plugin/keys.txt").find("=HKEY_CURRENT_USER\\Software\\Demo\r\n"),
            std::string::npos);
}

// Catches an import that refuses one named file of the home with a false reason ("would reach
// every file of %Home%"), in both formats, while a mask that may take the user's own files there
// is still refused, with a reason that says so.
TEST_F(PluginsTest, ANamedFileOfTheHomeIsImportedAndABroadMaskThereRefused) {
  WriteHostFile(Home / ".bash_history", "ls");
  {
    platform::Registry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + std::string(kUserFoldersKey), true));
    reg.WriteString("Home", "H:\\");
    reg.WriteString("Documents", "H:\\Documents");
  }
  platform::ScopedDriveMapping homeDrive('H', Home.Path());
  WriteHostFile(Data.Host("in/shells.ini"),
                "[Bash *]\r\nFileKey1=%Home%|.bash_history\r\n"
                "[Session *]\r\nFileKey1=%Home%|.xsession-errors*\r\n"
                "[Broad *]\r\nFileKey1=%Home%|*.*\r\nFileKey2=%Documents%|*.docx\r\n"
                "FileKey3=%Home%|.*\r\n");
  ImportReport report;
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\shells.ini", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.Items, 2);
  EXPECT_EQ(report.FolderEntries, 2);
  EXPECT_EQ(report.Details(),
            "line 5: Broad: %Home%\\*.*: refused: its mask *.* could reach your own files in "
            "%Home%\n"
            "line 5: Broad: %Documents%\\*.docx: refused: its mask *.docx could reach your own "
            "files in %Documents%\n"
            "line 5: Broad: %Home%\\.*: refused: its mask .* could reach your own files in %Home%\n"
            "line 5: Broad: left out: every entry was refused\n");
  const std::string written = Program.Read("plugin/shells.txt");
  EXPECT_NE(written.find("%Home%\\.bash_history"), std::string::npos) << written;
  EXPECT_NE(written.find("%Home%\\.xsession-errors*"), std::string::npos) << written;

  WriteHostFile(Data.Host("in/bash.xml"),
                "<?xml version=\"1.0\"?>\n<cleaner id=\"bash\"><label>Bash</label>"
                "<option id=\"history\"><label>History</label>\n<action command=\"delete\" "
                "search=\"file\" path=\"~/.bash_history\"/></option></cleaner>\n");
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\bash.xml", {}, &report), ImportResult::Imported)
      << report.Details();
  EXPECT_EQ(report.FolderEntries, 1) << report.Details();
  EXPECT_EQ(report.Details(), "");
}

// Catches a warning of the definitions dropped on import, and an item carrying one ticked (alone
// or with all the others) or washed entry by entry while unticked without the user seeing it: a
// No, or a port that cannot ask, leaves it unticked and unwashed; once ticked, it is confirmed.
TEST_F(PluginsTest, AnImportedWarningIsAskedBeforeTheItemIsTickedOrWashedByHand) {
  WriteHostFile(Data.Host("w/a.tmp"), "data");
  WriteHostFile(Data.Host("in/warned.ini"),
                "[Passwords *]\r\nWarning=Erases saved passwords.\r\nDefault=True\r\n"
                "FileKey1=D:\\w|*.tmp\r\n[Plain *]\r\nDefault=True\r\nFileKey1=D:\\v|*.tmp\r\n");
  ASSERT_EQ(ImportPlugin(session, "D:\\in\\warned.ini"), ImportResult::Imported);
  EXPECT_NE(Program.Read("plugin/warned.txt")
                .find("[Passwords]\r\nIsActive=0\r\nIsSpecial=0\r\nWarning=Erases saved "
                      "passwords.\r\n"),
            std::string::npos)
      << Program.Read("plugin/warned.txt");
  const auto names = Names(session);
  const auto rowOf = [&](const std::string& name) {
    return static_cast<int32_t>(std::find(names.begin(), names.end(), name) - names.begin());
  };
  const int32_t warned = rowOf("Passwords"), plain = rowOf("Plain");
  ASSERT_LT(plain, session.ChListBoxItem().Count());
  const auto checked = [&](int32_t row) { return session.ChListBoxItem().Checked(row); };
  EXPECT_FALSE(checked(warned)) << "a warned item is imported unticked";
  EXPECT_TRUE(checked(plain));

  questions.clear();
  answer = false;
  session.CheckItem(warned, true);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("Erases saved passwords."), std::string::npos) << questions[0];
  EXPECT_FALSE(checked(warned));
  EXPECT_FALSE(session.Items().Items[static_cast<std::size_t>(warned)].IsActive);
  // Unticking, and ticking an item without a warning, ask nothing; ticking all asks for the
  // warned item alone, which a No leaves unticked.
  session.CheckItem(plain, false);
  session.CheckItem(0, false);
  EXPECT_EQ(questions.size(), 1u);
  session.CheckAllItems(true);
  EXPECT_EQ(questions.size(), 2u);
  for (int32_t row = 0; row < session.ChListBoxItem().Count(); ++row)
    EXPECT_EQ(checked(row), row != warned) << names[static_cast<std::size_t>(row)];

  // An entry washed by hand while its item is unticked: the warning is the question.
  session.SelectItem(warned);
  session.SelectFolderEntry(0);
  session.WashFolderEntry(false);
  EXPECT_EQ(questions.size(), 3u);
  EXPECT_TRUE(Data.Exists("w/a.tmp"));
  // Nobody to ask: nothing ticked, nothing washed.
  session.Ui().Ask = nullptr;
  session.CheckItem(warned, true);
  session.CheckAllItems(true);
  EXPECT_FALSE(checked(warned));
  session.WashFolderEntry(false);
  EXPECT_TRUE(Data.Exists("w/a.tmp"));

  session.Ui().Ask = [this](const std::string& q) {
    questions.push_back(q);
    return answer;
  };
  answer = true;
  session.CheckItem(warned, true);
  EXPECT_TRUE(checked(warned));
  EXPECT_EQ(questions.size(), 4u);
  session.WashFolderEntry(false);
  EXPECT_EQ(questions.size(), 4u) << "ticking it confirmed it";
  EXPECT_FALSE(Data.Exists("w/a.tmp"));
  // The warning goes with the item when it is exported.
  ASSERT_GT(ExportPlugin(session, "D:\\out.txt"), 0);
  EXPECT_NE(Data.Read("out.txt").find("Warning=Erases saved passwords.\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vorlisk
