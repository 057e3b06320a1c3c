// `vorlisk-cli import` of cleaner definitions of other formats, end to end on a test home: what
// the converted items preview and wash is what their source names, and nothing precious.
#include "cli_fixture.h"

namespace vorlisk {
namespace {

using test::ReadHostFile;
using test::WriteHostFile;

class ImportCliTest : public test::CliFixture {
 protected:
  ImportCliTest() {
    xdgInHome_ = false;  // the home's own .cache and .config, as most users have them
    WriteHostFile(Prog("const/system.txt"), "[Common]\r\nTotal=0\r\n");
    std::filesystem::create_directories(root_ / "d");
    for (const char* f :
         {".cache/fooapp/a/b/c.bin", ".cache/fooapp/top.bin", ".config/fooapp/Default/GPUCache/g1",
          ".config/fooapp/Profile 1/GPUCache/g2", ".config/fooapp/run.log",
          ".config/fooapp/old.txt", ".cache/bar/x.tmp", ".cache/bar/keep.tmp",
          ".cache/bar/pinned/p.tmp"})
      WriteHostFile(root_ / ("home/" + std::string(f)), "cached");
    for (const char* f : kPrecious) WriteHostFile(root_ / ("home/" + std::string(f)), "precious");
  }

  static constexpr const char* kPrecious[] = {".config/fooapp/Default/History",
                                              ".config/fooapp/settings.json",
                                              ".config/fooapp/notes.md",
                                              ".cache/fooapp/.keep-me",
                                              "Documents/thesis.odt",
                                              ".ssh/id_ed25519",
                                              ".config/bar/bar.conf"};

  void ExpectPreciousIntact() const {
    for (const char* f : kPrecious)
      EXPECT_EQ(ReadHostFile(root_ / ("home/" + std::string(f))), "precious") << f;
  }
};

// Catches converted CleanerML that previews more or less than its source names (a walk, a glob
// over profiles, a regex made masks), a refused walk of the home kept, a report that leaves out
// what was not converted, and a wash that takes anything precious or keeps emptied folders.
TEST_F(ImportCliTest, CleanerMlPreviewsAndWashesWhatItsSourceNames) {
  WriteHostFile(root_ / "in/fooapp.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<cleaner id="fooapp">
  <label>Foo App</label>
  <option id="cache">
    <label>Cache</label>
    <action command="delete" search="walk.all" path="~/.cache/fooapp"/>
    <action command="delete" search="glob" path="$XDG_CONFIG_HOME/fooapp/*/GPUCache/*"/>
  </option>
  <option id="logs">
    <label>Logs</label>
    <action command="delete" search="walk.files" path="~/.config/fooapp" regex="(?i)\.(log|txt)$"/>
    <action command="sqlite.vacuum" search="file" path="~/.config/fooapp/History"/>
  </option>
  <option id="all">
    <label>Everything</label>
    <action command="delete" search="walk.files" path="~"/>
  </option>
</cleaner>
)");
  const test::CliResult imported = Run({"import", root_ / "in/fooapp.xml"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  for (const char* expected : {"(CleanerML): 2 items with 4 folder entries and 0 registry entries, "
                               "written to C:\\plugin\\fooapp.txt",
                               "line 12: <action command=\"sqlite.vacuum\"",
                               "line 14: Foo App: Everything: %Home%\\*.*: "
                               "refused: it would reach every file of %Home%"})
    EXPECT_NE(imported.out.find(expected), std::string::npos) << expected << "\n" << imported.out;

  EXPECT_EQ(
      SortedPreview({"Foo App: Cache"}),
      HomeFileLines({".cache/fooapp/a/b/c.bin", ".cache/fooapp/top.bin",
                     ".config/fooapp/Default/GPUCache/g1", ".config/fooapp/Profile 1/GPUCache/g2"},
                    "0"));
  EXPECT_EQ(SortedPreview({"Foo App: Logs"}),
            HomeFileLines({".config/fooapp/old.txt", ".config/fooapp/run.log"}, "0"));
  ASSERT_EQ(Run({"check", "Foo App: Cache"}).status, 0);
  ASSERT_EQ(Run({"check", "Foo App: Logs"}).status, 0);
  const test::CliResult wash = Run({"wash", "--yes"});
  EXPECT_EQ(wash.status, 0) << wash.err;
  EXPECT_NE(wash.out.find("Success: 6\t"), std::string::npos) << wash.out;
  ExpectPreciousIntact();
  EXPECT_FALSE(Exists("home/.cache/fooapp/a")) << "walk.all removes the folders it empties";
  EXPECT_TRUE(Exists("home/.cache/fooapp")) << "the folder named stays";
}

// Catches INI-style definitions imported without their exclusions, or sections of other
// machines imported by default; --all takes them too.
TEST_F(ImportCliTest, IniStyleDefinitionsKeepTheirExclusionsAndDetection) {
  WriteHostFile(
      root_ / "in/defs.ini",
      "[Bar *]\r\nDetectFile=%Cache%\\bar\r\nFileKey1=%Cache%\\bar|*.tmp|RECURSE\r\n"
      "ExcludeKey1=FILE|%Cache%\\bar\\|keep.tmp\r\nExcludeKey2=PATH|%Cache%\\bar\\pinned\\\r\n"
      "[Absent *]\r\nDetectFile=%Cache%\\absent\r\nFileKey1=%Cache%\\fooapp|*.*\r\n");
  const test::CliResult imported = Run({"import", root_ / "in/defs.ini"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_NE(imported.out.find("line 6: [Absent *]: left out: not detected on this machine"),
            std::string::npos)
      << imported.out;
  EXPECT_EQ(SortedPreview({"Bar"}), HomeFileLines({".cache/bar/x.tmp"}, "0"));
  EXPECT_EQ(Run({"preview", "Absent"}).status, 2);

  const test::CliResult all = Run({"import", root_ / "in/defs.ini", "--all", "--yes"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(SortedPreview({"Absent"}), HomeFileLines({".cache/fooapp/top.bin"}, "0"));
  // A file of which nothing can be converted imports nothing and says so.
  WriteHostFile(root_ / "in/none.ini", "[Bad *]\r\nFileKey1=%Home%|*.*|RECURSE\r\n");
  const test::CliResult none = Run({"import", root_ / "in/none.ini"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("nothing was imported"), std::string::npos) << none.out;
  EXPECT_FALSE(Exists("c/plugin/none.txt"));
}

// Catches an import that stores a drive letter handed out for its own run: the source's folder
// and the home, which no drive of VORLISK_DRIVES holds, get free letters that a later run gives
// to other folders, whose files the entry would then wash. A path below a user folder is stored
// through its variable, one on a configured drive through its letter; any other is refused, and
// so is a letter that no configured drive has.
TEST_F(ImportCliTest, AnImportStoresNoLetterHandedOutForItsRun) {
  WriteHostFile(root_ / "in/junk/precious.txt", "precious");
  WriteHostFile(root_ / "d/sub/x.tmp", "cached");
  WriteHostFile(root_ / "in/run.xml",
                "<cleaner id=\"run\"><label>Run</label><option id=\"o\"><label>O</label>\n"
                "<action command=\"delete\" search=\"walk.files\" path=\"" +
                    (root_ / "in/junk") +
                    "\"/>\n"
                    "<action command=\"delete\" search=\"file\" path=\"" +
                    (root_ / "home/.config/fooapp/run.log") +
                    "\"/>\n"
                    "<action command=\"delete\" search=\"file\" path=\"" +
                    (root_ / "d/sub/x.tmp") + "\"/>\n</option></cleaner>\n");
  const test::CliResult xml = Run({"import", root_ / "in/run.xml"});
  ASSERT_EQ(xml.status, 0) << xml.err << xml.out;
  EXPECT_NE(xml.out.find("line 2: <action command=\"delete\" search=\"walk.files\" path=\"" +
                         (root_ / "in/junk") + "\">: " + (root_ / "in/junk") +
                         ": no user folder or fixed drive holds " + (root_ / "in/junk")),
            std::string::npos)
      << xml.out;
  const std::string stored = ReadHostFile(Prog("plugin/run.txt"));
  EXPECT_NE(stored.find("=%Config%\\fooapp\\run.log\r\n"), std::string::npos) << stored;
  EXPECT_NE(stored.find("=D:\\sub\\x.tmp\r\n"), std::string::npos) << stored;
  for (char letter = 'E'; letter <= 'Z'; ++letter)
    EXPECT_EQ(stored.find(std::string(1, letter) + ":\\"), std::string::npos) << stored;
  EXPECT_EQ(SortedPreview({"Run: O"}),
            (std::vector<std::string>{"file\t0\tD:\\sub\\x.tmp",
                                      "file\t0\tZ:\\.config\\fooapp\\run.log"}));

  WriteHostFile(root_ / "in/letters.ini",
                "[Letters *]\r\nFileKey1=Q:\\junk|*.*|RECURSE\r\nFileKey2=D:\\sub|*.tmp\r\n"
                "[Excluded *]\r\nFileKey1=D:\\sub|*.tmp\r\nExcludeKey1=PATH|Q:\\keep\\\r\n");
  const test::CliResult ini = Run({"import", root_ / "in/letters.ini"});
  ASSERT_EQ(ini.status, 0) << ini.err << ini.out;
  const std::string fixed =
      ": refused: the drive Q: is not fixed (VORLISK_DRIVES): another run may give it to another "
      "folder\n";
  for (const std::string& expected :
       {"line 1: Letters: Q:\\junk\\*.*" + fixed, "line 4: Excluded: D:\\sub\\*.tmp" + fixed,
        std::string("line 4: Excluded: left out: every entry was refused\n")})
    EXPECT_NE(ini.out.find(expected), std::string::npos) << expected << "\n" << ini.out;
  EXPECT_EQ(SortedPreview({"Letters"}), (std::vector<std::string>{"file\t0\tD:\\sub\\x.tmp"}));
  EXPECT_EQ(ReadHostFile(root_ / "in/junk/precious.txt"), "precious");
}

// Catches a batch that fails because one of its files converts nothing although others imported
// items, and elements passed over without a word (<localizations>, descriptions).
TEST_F(ImportCliTest, ABatchSucceedsWhenAnyFileImportsAndReportsWhatItPassesOver) {
  WriteHostFile(root_ / "in/good.xml", R"(<cleaner id="good"><label>Good</label>
<description>Cleans good things</description>
<localizations><locale lang="de"><label>Gut</label></locale></localizations>
<option id="c"><label>Cache</label>
<action command="delete" search="walk.files" path="~/.cache/bar"/></option>
</cleaner>
)");
  WriteHostFile(root_ / "in/none.ini", "[Bad *]\r\nFileKey1=%Home%|*.*|RECURSE\r\n");
  const test::CliResult batch = Run({"import", root_ / "in/none.ini", root_ / "in/good.xml"});
  EXPECT_EQ(batch.status, 0) << batch.out << batch.err;
  for (const char* expected :
       {"none.ini (INI-style definitions): 0 items", "nothing was imported",
        "good.xml (CleanerML): 1 item with 1 folder entry",
        "line 2: <description>Cleans good things</description>: descriptions are not kept",
        "line 3: <localizations>: translations are not kept"})
    EXPECT_NE(batch.out.find(expected), std::string::npos) << expected << "\n" << batch.out;
  EXPECT_TRUE(Exists("c/plugin/good.txt"));
  // A batch that imports nothing fails.
  const test::CliResult nothing = Run({"import", root_ / "in/none.ini", root_ / "in/none.ini"});
  EXPECT_EQ(nothing.status, 1) << nothing.out;
}

// Catches a warning of the definitions dropped by the import, and an item carrying one ticked
// without the user seeing it: from a run with no terminal to answer on, `check` and
// `item check-all` leave such an item unticked (and change nothing); --yes accepts it.
TEST_F(ImportCliTest, AnItemsWarningIsKeptAndHoldsBackItsTickWithoutAnAnswer) {
  WriteHostFile(root_ / "in/pw.xml", R"(<cleaner id="pw"><label>Browser</label>
<option id="pw"><label>Passwords</label>
<warning>This erases your saved passwords.</warning>
<action command="delete" search="file" path="~/.config/fooapp/settings.json"/></option>
<option id="c"><label>Cache</label>
<action command="delete" search="walk.files" path="~/.cache/bar"/></option>
</cleaner>
)");
  WriteHostFile(root_ / "in/defs.ini",
                "[Logins *]\r\nWarning=Signs you out everywhere.\r\n"
                "Default=True\r\nFileKey1=%Cache%\\bar|*.tmp\r\n");
  ASSERT_EQ(Run({"import", root_ / "in/pw.xml", root_ / "in/defs.ini"}).status, 0);
  const std::string stored = ReadHostFile(Prog("plugin/pw.txt"));
  EXPECT_NE(stored.find("Warning=This erases your saved passwords.\r\n"), std::string::npos)
      << stored;
  EXPECT_NE(ReadHostFile(Prog("plugin/defs.txt")).find("Warning=Signs you out everywhere.\r\n"),
            std::string::npos);
  const auto marks = [&] {
    std::string out;
    std::istringstream in(Run({"list"}).out);
    for (std::string line; std::getline(in, line);) out += line.substr(0, line.find('\t', 2)) + ";";
    return out;
  };
  const std::string before = marks();
  ASSERT_EQ(before, "0\t0;1\t0;2\t0;") << "a warned item is imported unticked";

  const test::CliResult asked = Run({"check", "Browser: Passwords"});
  EXPECT_EQ(asked.status, 2);
  EXPECT_NE(asked.err.find("This erases your saved passwords."), std::string::npos) << asked.err;
  const test::CliResult all = Run({"item", "check-all"});
  EXPECT_EQ(all.status, 2);
  EXPECT_EQ(marks(), before) << "nothing is ticked without an answer";

  EXPECT_EQ(Run({"check", "Browser: Cache"}).status, 0) << "an item without a warning is ticked";
  EXPECT_EQ(Run({"check", "Browser: Passwords", "--yes"}).status, 0);
  EXPECT_EQ(Run({"item", "check-all", "--yes"}).status, 0);
  EXPECT_EQ(marks(), "0\t1;1\t1;2\t1;");
}

}  // namespace
}  // namespace vorlisk
