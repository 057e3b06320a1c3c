// The CleanerML reader: what each construct becomes, and a note at its line for everything it
// leaves out. Definitions are written here; nothing touches the disk.
#include "model/formats/cleanerml.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlisk::formats {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A machine whose drive C: holds the host's root but for /mnt, which no drive holds.
DefinitionMachine Machine(std::string os) {
  DefinitionMachine machine;
  machine.Os = std::move(os);
  machine.HostToWindows = [](const std::string& hostPath) -> std::string {
    if (hostPath.starts_with("/mnt/")) return "";
    std::string text = "C:" + hostPath;
    for (char& c : text)
      if (c == '/') c = '\\';
    return text;
  };
  return machine;
}

// The 1-based line of the first occurrence of `needle` in `text`.
int32_t LineOf(std::string_view text, std::string_view needle) {
  const auto at = text.find(needle);
  EXPECT_NE(at, std::string_view::npos) << needle;
  return 1 + static_cast<int32_t>(std::count(text.begin(), text.begin() + at, '\n'));
}

// An entry as one line: its kind, its path, its flags; and anything set that its kind does not use.
std::string Describe(const tChildFolder& e) {
  std::string s = e.Kind == FolderKind::SingleFile   ? "file " + e.DeleteFileName
                  : e.Kind == FolderKind::FolderMask ? "mask " + e.DeletePath
                                                     : "registry folder";
  if (e.IncludeSubfolders) s += " +sub";
  if (e.RemoveEmptiedFolders) s += " +emptied";
  if (!e.IsActive) s += " unticked";
  if ((e.Kind == FolderKind::SingleFile) == e.DeleteFileName.empty() ||
      (e.Kind == FolderKind::FolderMask) == e.DeletePath.empty())
    s += " stray field";
  return s;
}
std::string Describe(const tChildRegister& e) {
  std::string s = e.CleanType == CleanRegisterType::SingleValue
                      ? "value " + e.RegisterKeyName + " = " + e.RegisterSingleValue
                  : e.CleanType == CleanRegisterType::WholeKey ? "key " + e.RegisterKeyName
                                                               : "values";
  if (!e.IsActive) s += " unticked";
  return s;
}
template <class Entry>
std::vector<std::string> Described(const std::vector<Entry>& entries) {
  std::vector<std::string> lines;
  for (const Entry& e : entries) lines.push_back(Describe(e));
  return lines;
}

// The notes as "line: reason", in their order.
std::vector<std::string> NoteLines(const ConvertedDefinitions& result) {
  std::vector<std::string> lines;
  for (const ImportNote& n : result.Notes)
    lines.push_back(std::to_string(n.Line) + ": " + n.Reason);
  return lines;
}
std::vector<std::string> ItemNames(const ConvertedDefinitions& result) {
  std::vector<std::string> names;
  for (const ConvertedItem& item : result.Items) names.push_back(item.Name);
  return names;
}

// Expects exactly one note at `line`, whose reason holds `reason`.
void ExpectNote(const ConvertedDefinitions& result, int32_t line, std::string_view reason) {
  int count = 0;
  for (const ImportNote& n : result.Notes)
    if (n.Line == line) {
      ++count;
      EXPECT_THAT(n.Reason, HasSubstr(std::string(reason))) << "line " << line;
    }
  EXPECT_EQ(count, 1) << "notes at line " << line << " for \"" << reason << "\"";
}

const std::string kDotNote =
    "names beginning with \".\" are left: such files, and every folder below of such a name";

// One cleaner holding every construct the reader knows.
const std::string kDemo = R"(<?xml version="1.0" encoding="UTF-8"?>
<cleaner id="demo" os="linux">
  <label>Demo</label>
  <description>A demo application</description>
  <running type="exe">demo</running>
  <running type="exe">demo-bin</running>
  <localizations><locale lang="fr"><label>Démo</label></locale></localizations>
  <var name="profile">
    <value>~/.demo/main</value>
    <value>~/.demo/second*</value>
  </var>
  <option id="cache">
    <label>Cache</label>
    <description>Disposable files</description>
    <action command="delete" search="walk.all" path="~/.cache/demo"/>
    <action command="delete" search="walk.files" path="$XDG_CONFIG_HOME/demo/logs/"/>
    <action command="delete" search="walk.top" path="$HOME/.local/share/demo/tmp"/>
    <action command="delete" search="walk.files" path="~/.local/state/demo" regex="\.([lL][oO][gG]|[tT][xX][tT])$"/>
    <action command="delete" search="walk.all" type="f" path="${XDG_STATE_HOME}/demo/x"/>
  </option>
  <option id="files">
    <label>Files</label>
    <warning>Also forgets the last session.</warning>
    <action command="delete" search="file" path="~/.demo_history"/>
    <action command="delete" search="file" path="~/.demo/session-*.json"/>
    <action command="delete" search="glob" path="~/.config/demo/*/Cache/*.tmp"/>
    <action command="delete" search="glob" path="/var/tmp/demo-*"/>
    <action command="delete" search="glob" path="~/.demo/*" regex="(?i)^cache_.*$"/>
    <action command="delete" search="file" path="$$profile$$/lock"/>
    <action command="delete" path="~//.demo/default-search"/>
  </option>
  <option id="registry">
    <label>Registry</label>
    <action command="winreg" path="HKCU\Software\Demo\Recent"/>
    <action command="winreg" path="HKLM\Software\Demo" name="LastRun"/>
  </option>
  <option id="refused">
    <label>Refused</label>
    <action command="truncate" search="file" path="~/.demo/log"/>
    <action command="shred" search="file" path="~/.demo/secret"/>
    <action command="sqlite.vacuum" search="file" path="~/.demo/db.sqlite"/>
    <action command="json" search="file" path="~/.demo/state.json" address="recent"/>
    <action command="apt.autoclean"/>
    <action command="delete" search="glob" path="~/.demo/*" type="d"/>
    <action command="delete" search="walk.all" path="~/.demo/c1" nregex="\.keep$"/>
    <action command="delete" search="walk.all" path="~/.demo/c2" regex="^[0-9a-f]{8}$"/>
    <action command="delete" search="glob" path="~/.demo/c3" regex="(?i)^core$"/>
    <action command="delete" search="glob" path="~/.demo/[ab]*.log"/>
    <action command="delete" search="glob" path="~/.demo/**/x"/>
    <action command="delete" search="glob" path="~/.demo/{a,b}.log"/>
    <action command="delete" search="file" path="$DEMO_HOME/x"/>
    <action command="delete" search="file" path="$$nothing$$/x"/>
    <action command="delete" search="file" path="/mnt/gone/x"/>
    <action command="delete" search="file" path="~/.demo/../.bashrc"/>
    <action command="delete" search="walk.files" path="~/.demo/./x"/>
    <action command="delete" search="file" path="demo/relative"/>
    <action command="winreg" path="HKXX\Software\Demo"/>
    <action command="winreg" path="HKCU"/>
    <action command="delete" search="file" path="~/.demo/kept" keep="*.db"/>
    <action command="winreg" path="HKCU\Software\Demo" search="walk.all"/>
    <frobnicate/>
  </option>
  <option id="elsewhere" os="windows">
    <label>Windows only</label>
    <action command="delete" search="file" path="$LocalAppData\Demo\x.log"/>
  </option>
  <option id="partly">
    <label>Partly elsewhere</label>
    <action command="delete" search="file" path="~/.demo/a" os="windows"/>
    <action command="delete" search="file" path="~/.demo/b"/>
  </option>
</cleaner>
)";

TEST(CleanerMlTest, ConvertsEachOptionIntoAnUntickedItemWithItsEntries) {
  const ConvertedDefinitions result = ReadCleanerMl(kDemo, Machine("linux"));
  ASSERT_THAT(ItemNames(result), ElementsAre("Demo: Cache", "Demo: Files", "Demo: Registry",
                                             "Demo: Partly elsewhere"));
  for (const ConvertedItem& item : result.Items) EXPECT_FALSE(item.Active) << item.Name;
  EXPECT_EQ(result.Items[0].Line, LineOf(kDemo, "<option id=\"cache\">"));
  EXPECT_EQ(result.Items[3].Line, LineOf(kDemo, "<option id=\"partly\">"));

  EXPECT_THAT(
      Described(result.Items[0].Folders),
      ElementsAre("mask %Cache%\\demo\\*.* +sub +emptied", "mask %Config%\\demo\\logs\\*.* +sub",
                  "mask %Data%\\demo\\tmp\\*.* +sub +emptied", "mask %State%\\demo\\*.log +sub",
                  "mask %State%\\demo\\*.txt +sub", "mask %State%\\demo\\x\\*.* +sub"));
  EXPECT_THAT(
      Described(result.Items[1].Folders),
      ElementsAre("file %Home%\\.demo_history", "mask %Home%\\.demo\\session-*.json",
                  "mask %Config%\\demo\\*\\Cache\\*.tmp", "mask C:\\var\\tmp\\demo-*",
                  "mask %Home%\\.demo\\cache_*", "file %Home%\\.demo\\main\\lock",
                  "mask %Home%\\.demo\\second*\\lock", "file %Home%\\.demo\\default-search"));
  EXPECT_THAT(Described(result.Items[2].Registers),
              ElementsAre("key HKEY_CURRENT_USER\\Software\\Demo\\Recent",
                          "value HKEY_LOCAL_MACHINE\\Software\\Demo = LastRun"));
  EXPECT_THAT(Described(result.Items[3].Folders), ElementsAre("file %Home%\\.demo\\b"));
  EXPECT_THAT(result.Items[2].Folders, IsEmpty());
  for (const std::size_t i : {0u, 1u, 3u}) EXPECT_THAT(result.Items[i].Registers, IsEmpty());

  // Entries are named after the path (with the variable's value) or key they reach.
  EXPECT_EQ(result.Items[0].Folders[3].Name, "~/.local/state/demo (*.log)");
  EXPECT_EQ(result.Items[1].Folders[0].Name, "~/.demo_history");
  EXPECT_EQ(result.Items[1].Folders[6].Name, "~/.demo/second*/lock");
  EXPECT_EQ(result.Items[2].Registers[1].Name, "HKLM\\Software\\Demo (LastRun)");
  // The option's warning stays with its item; the others have none.
  EXPECT_EQ(result.Items[1].Warning, "Also forgets the last session.");
  for (const std::size_t i : {0u, 2u, 3u}) EXPECT_EQ(result.Items[i].Warning, "") << i;
}

TEST(CleanerMlTest, NotesEveryConstructLeftOutOrChangedAtItsLine) {
  const ConvertedDefinitions result = ReadCleanerMl(kDemo, Machine("linux"));
  const auto at = [&](std::string_view needle) { return LineOf(kDemo, needle); };
  const std::vector<std::pair<std::string_view, std::string_view>> expected = {
      {"<description>A demo", "descriptions are not kept"},
      {"<running type=\"exe\">demo<", "not checked"},
      {"<running type=\"exe\">demo-bin<", "not checked"},
      {"<localizations>", "translations are not kept"},
      {"keep=\"*.db\"", "the attribute keep= is not known"},
      {"search=\"walk.all\"/>\n    <frob", "the attribute search= is not known"},
      {"path=\"~/.cache/demo\"", "names beginning with \".\" are left"},
      {"path=\"$XDG_CONFIG_HOME", "names beginning with \".\" are left"},
      {"path=\"~/.local/state/demo\"", "names beginning with \".\" are left"},
      {"path=\"${XDG_STATE_HOME}", "names beginning with \".\" are left"},
      {"command=\"truncate\"", "truncation"},
      {"command=\"shred\"", "overwrite"},
      {"command=\"sqlite.vacuum\"", "in-file edit"},
      {"command=\"json\"", "in-file edit"},
      {"command=\"apt.autoclean\"", "package-manager command"},
      {"type=\"d\"", "removes folders"},
      {"nregex=", "exclusion"},
      {"{8}", "a regex that is no mask"},
      {"regex=\"(?i)^core$\"", "a regex beside a name or mask"},
      {"[ab]", "character class"},
      {"**", "\"**\""},
      {"{a,b}", "{a,b}"},
      {"$DEMO_HOME", "the variable $DEMO_HOME is not known"},
      {"$$nothing$$", "no <var> is named \"nothing\""},
      {"/mnt/gone", "no user folder or fixed drive holds /mnt/gone/x"},
      {"/../", "a \"..\" level"},
      {"/./", "a \".\" level"},
      {"demo/relative", "not an absolute path"},
      {"HKXX", "no registry key of a known root"},
      {"path=\"HKCU\"", "a whole root key"},
      {"<frobnicate", "does not know"},
      {"<option id=\"refused\">", "nothing of it could be converted"},
      {"<option id=\"elsewhere\"", "for windows"},
      {"path=\"~/.demo/a\" os=\"windows\"", "for windows"},
  };
  for (const auto& [needle, reason] : expected) ExpectNote(result, at(needle), reason);
  // walk.top has two notes of its own: what it leaves, and the folder that stays.
  const int32_t top = at("search=\"walk.top\"");
  EXPECT_THAT(NoteLines(result),
              testing::IsSupersetOf({std::to_string(top) + ": " + kDotNote,
                                     std::to_string(top) + ": the folder itself stays"}));
  EXPECT_EQ(result.Notes.size(), expected.size() + 2) << testing::PrintToString(NoteLines(result));
  EXPECT_TRUE(
      std::is_sorted(result.Notes.begin(), result.Notes.end(),
                     [](const ImportNote& a, const ImportNote& b) { return a.Line < b.Line; }));
  // A note quotes the construct as written, on one line.
  const auto truncate = std::find_if(result.Notes.begin(), result.Notes.end(), [&](const auto& n) {
    return n.Line == at("command=\"truncate\"");
  });
  ASSERT_NE(truncate, result.Notes.end());
  EXPECT_EQ(truncate->What, "<action command=\"truncate\" search=\"file\" path=\"~/.demo/log\">");
}

// The same definitions read on two systems: os= on the cleaner, an option or a <value>.
TEST(CleanerMlTest, KeepsOnlyWhatIsForTheMachinesSystem) {
  const std::string xml = R"(<cleaner id="both">
  <label>Both</label>
  <var name="base">
    <value os="linux">~/.both</value>
    <value os="windows">$APPDATA\Both</value>
  </var>
  <option id="a"><label>A</label><action command="delete" path="$$base$$/a.log"/></option>
  <option id="l" os="linux"><label>L</label><action command="delete" path="~/.l"/></option>
  <option id="p" os="posix"><label>P</label><action command="delete" path="~/.p"/></option>
  <option id="m" os="darwin"><label>M</label><action command="delete" path="~/.m"/></option>
  <option id="w" os="windows"><label>W</label>
    <action command="delete" search="glob" path="%LocalAppData%\W\*.tmp"/>
  </option>
  <option id="x"><label>X</label><action command="delete" path="~/.x" os="windows"/></option>
</cleaner>
)";
  const ConvertedDefinitions linux = ReadCleanerMl(xml, Machine("linux"));
  EXPECT_THAT(ItemNames(linux), ElementsAre("Both: A", "Both: L", "Both: P"));
  EXPECT_THAT(Described(linux.Items[0].Folders), ElementsAre("file %Home%\\.both\\a.log"));
  EXPECT_THAT(NoteLines(linux), ElementsAre("5: for windows", "10: for darwin", "11: for windows",
                                            "14: for windows", "14: nothing of it is for linux"));

  const ConvertedDefinitions windows = ReadCleanerMl(xml, Machine("windows"));
  EXPECT_THAT(ItemNames(windows), ElementsAre("Both: A", "Both: W", "Both: X"));
  EXPECT_THAT(Described(windows.Items[0].Folders), ElementsAre("file %AppData%\\Both\\a.log"));
  EXPECT_THAT(Described(windows.Items[1].Folders), ElementsAre("mask %LocalAppData%\\W\\*.tmp"));
  EXPECT_THAT(NoteLines(windows),
              ElementsAre("4: for linux", "8: for linux", "9: for posix", "10: for darwin"));

  // A cleaner for another system gives nothing but its note.
  const ConvertedDefinitions other = ReadCleanerMl(
      "<cleaner id=\"w\" os=\"windows\">\n<option id=\"o\"/>\n</cleaner>", Machine("linux"));
  EXPECT_THAT(other.Items, IsEmpty());
  EXPECT_THAT(NoteLines(other), ElementsAre("1: for windows"));
}

TEST(CleanerMlTest, WritesWindowsFolderVariablesAndDrivePaths) {
  const std::string xml = R"(<cleaner id="win"><label>Win</label><option id="o"><label>O</label>
    <action command="delete" path="$USERPROFILE/Demo/x.log"/>
    <action command="delete" search="glob" path="%windir%\Temp\*.*"/>
    <action command="delete" search="walk.files" path="%Temp%\Demo"/>
    <action command="delete" path="${LocalAppData}\Demo\y.log"/>
    <action command="delete" path="$ProgramFiles\Demo\z.log"/>
    <action command="delete" path="c:/Demo/x.log"/>
    <action command="delete" path="$APPDATAX\Demo"/>
    <action command="delete" path="%Temp%x\Demo"/>
  </option></cleaner>)";
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("windows"));
  ASSERT_EQ(result.Items.size(), 1u);
  EXPECT_THAT(Described(result.Items[0].Folders),
              ElementsAre("file %UserProfile%\\Demo\\x.log", "mask %WinDir%\\Temp\\*.*",
                          "mask %Temp%\\Demo\\*.* +sub", "file %LocalAppData%\\Demo\\y.log",
                          "file %ProgramFiles%\\Demo\\z.log", "file C:\\Demo\\x.log"));
  EXPECT_THAT(
      NoteLines(result),
      ElementsAre("4: " + kDotNote, "8: $APPDATAX\\Demo: the variable $APPDATAX is not known",
                  "9: %Temp%x\\Demo: text after the variable %Temp%"));
}

TEST(CleanerMlTest, GivesOneEntryForEachValueOfAVar) {
  const std::string xml = R"(<cleaner id="v"><label>V</label>
  <option id="o"><label>O</label>
    <action command="delete" search="walk.all" path="$$profile$$/$$store$$"/>
    <action command="delete" path="~/$$self$$"/>
  </option>
  <var name="profile">
    <value>~/.v/default</value>
    <value>$XDG_CONFIG_HOME/v/*.other</value>
  </var>
  <var name="store"><value>cache2</value><value>startupCache</value></var>
  <var name="self"><value>$$self$$/x</value></var>
</cleaner>)";
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("linux"));
  ASSERT_EQ(result.Items.size(), 1u);
  EXPECT_THAT(Described(result.Items[0].Folders),
              ElementsAre("mask %Home%\\.v\\default\\cache2\\*.* +sub +emptied",
                          "mask %Home%\\.v\\default\\startupCache\\*.* +sub +emptied",
                          "mask %Config%\\v\\*.other\\cache2\\*.* +sub +emptied",
                          "mask %Config%\\v\\*.other\\startupCache\\*.* +sub +emptied"));
  EXPECT_EQ(result.Items[0].Folders[2].Name, "$XDG_CONFIG_HOME/v/*.other/cache2");
  // One note for the walk, however many entries it gave; a value naming its own variable is
  // taken as written, once.
  EXPECT_THAT(NoteLines(result),
              ElementsAre("3: " + kDotNote, "4: ~/$$self$$/x: a variable inside the path"));
}

// Catches an import that expands <var> values without bound (three variables of 50 values gave
// 125,000 entries and ran for minutes): an option takes at most 1,000 paths from its variables, in
// order, and a note says how many were left out.
TEST(CleanerMlTest, BoundsThePathsVarsGiveAnOptionAndNotesTheRest) {
  std::string xml = "<cleaner id=\"v\"><label>V</label>\n";
  for (const char* name : {"a", "b", "c"}) {
    xml += "<var name=\"" + std::string(name) + "\">";
    for (int i = 0; i < 50; ++i)
      xml += "<value>" + std::string(name) + std::to_string(i) + "</value>";
    xml += "</var>\n";
  }
  xml += R"(<option id="big"><label>Big</label>
<action command="delete" search="glob" path="~/.cache/$$a$$/$$b$$/$$c$$/*.tmp"/>
<action command="delete" search="file" path="~/.cache/$$a$$.log"/>
<action command="delete" search="file" path="~/.cache/plain.log"/>
</option>
<option id="small"><label>Small</label>
<action command="delete" search="file" path="~/.cache/$$c$$.log"/>
</option>
</cleaner>)";
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("linux"));
  ASSERT_EQ(result.Items.size(), 2u);
  const auto& big = result.Items[0].Folders;
  ASSERT_EQ(big.size(), 1001u);
  // The last variable's values change fastest: the 1,000 kept are a0/b0..b19/c0..c49.
  EXPECT_EQ(Describe(big[0]), "mask %Cache%\\a0\\b0\\c0\\*.tmp");
  EXPECT_EQ(Describe(big[51]), "mask %Cache%\\a0\\b1\\c1\\*.tmp");
  EXPECT_EQ(Describe(big[999]), "mask %Cache%\\a0\\b19\\c49\\*.tmp");
  // A path without a variable is kept whatever the budget.
  EXPECT_EQ(Describe(big[1000]), "file %Cache%\\plain.log");
  // Each option has a budget of its own.
  EXPECT_EQ(result.Items[1].Folders.size(), 50u);
  EXPECT_THAT(NoteLines(result),
              ElementsAre("6: its <var> values give 125000 paths; the first 1000 are kept, as an "
                          "option takes at most 1000 paths from <var> values",
                          "7: its <var> values give 50 paths; none is kept, as an option takes "
                          "at most 1000 paths from <var> values"));
}

// Many actions of one option, half of them repeated: each file is given once, in the order of its
// first action. (How long such a read takes is measured by bench/import_scale.sh.)
TEST(CleanerMlTest, ManyActionsOfOneOptionGiveEachFileOnce) {
  std::string xml = "<cleaner id=\"m\"><label>M</label><option id=\"o\"><label>O</label>\n";
  for (int i = 0; i < 60000; ++i)
    xml += "<action command=\"delete\" search=\"file\" path=\"~/.cache/m/f" +
           std::to_string(i % 30000) + ".log\"/>\n";
  xml += "</option></cleaner>";
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("linux"));
  ASSERT_EQ(result.Items.size(), 1u);
  ASSERT_EQ(result.Items[0].Folders.size(), 30000u);
  EXPECT_EQ(Describe(result.Items[0].Folders[29999]), "file %Cache%\\m\\f29999.log");
}

TEST(CleanerMlTest, TextThatIsNoCleanerGivesOneNoteAndNoItem) {
  // Malformed: the parser's reason at the line where it stopped.
  const ConvertedDefinitions broken =
      ReadCleanerMl("<cleaner id=\"x\">\n  <label>X</label>\n  <option id=\"o\">\n  </cleaner>\n",
                    Machine("linux"));
  EXPECT_THAT(broken.Items, IsEmpty());
  ASSERT_EQ(broken.Notes.size(), 1u);
  EXPECT_EQ(broken.Notes[0].Line, 4);
  EXPECT_THAT(broken.Notes[0].Reason, HasSubstr("not well-formed XML: "));
  EXPECT_GT(broken.Notes[0].Reason.size(), std::string("not well-formed XML: ").size());
  EXPECT_EQ(broken.Notes[0].What, "</cleaner>");

  const ConvertedDefinitions empty = ReadCleanerMl("", Machine("linux"));
  EXPECT_THAT(empty.Items, IsEmpty());
  EXPECT_THAT(NoteLines(empty), ElementsAre(HasSubstr("1: not well-formed XML")));

  const ConvertedDefinitions other =
      ReadCleanerMl("<?xml version=\"1.0\"?>\n<items/>\n", Machine("linux"));
  EXPECT_THAT(other.Items, IsEmpty());
  EXPECT_THAT(NoteLines(other),
              ElementsAre("2: not a CleanerML document: its root is no <cleaner>"));
}

TEST(CleanerMlTest, CountsLinesOfCrlfText) {
  const std::string xml =
      "<cleaner id=\"c\">\r\n<label>C\r\nwrapped</label>\r\n<option id=\"o\">\r\n"
      "<label>O</label><description>a\r\nb</description>\r\n"
      "<action command=\"truncate\" path=\"~/.c\"/>\r\n</option>\r\n</cleaner>\r\n";
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("linux"));
  EXPECT_THAT(NoteLines(result),
              ElementsAre("4: nothing of it could be converted",
                          "5: descriptions are not kept (neither this one nor any other of the "
                          "file)",
                          "7: truncation: the file would be emptied, not erased"));
}

// Catches a decoded NUL that ends a path early and so names the folder above it (the walk of
// "~/.config&#0;/myapp/cache" took every file of %Config%), and any other control character kept
// in a field, whether a character reference or a raw byte wrote it.
TEST(CleanerMlTest, RefusesControlCharactersInEveryFieldAfterDecoding) {
  std::string xml = R"(<cleaner id="c"><label>C</label>
  <var name="v"><value>~/.v/ok</value><value>~/.v/a&#x1;b</value></var>
  <option id="o"><label>O</label>
    <action command="delete" search="walk.files" path="~/.config&#0;/myapp/cache"/>
    <action command="delete" search="file" path="~/.config/x&#X00000;/y"/>
    <action command="delete" search="walk.files" path="~/.config/z" regex="^_&#127;"/>
    <action command="winreg" path="HKCU\Software\App" name="Last&#13;"/>
    <action command="delete" search="file" path="~/.config/a@b"/>
    <action command="delete" search="file" path="$$v$$/f"/>
    <action command="delete" search="file" path="~/.config/kept&#38;#0;"/>
    <action command="delete" search="file" path="~/.config/ok&#x41;"/>
  </option>
  <option id="p"><label>P&#0;</label>
    <action command="delete" search="file" path="~/.config/p"/>
  </option>
  <option id="q"><label>Q&#x85;</label>
    <action command="delete" search="file" path="~/.config/q"/>
  </option>
</cleaner>)";
  xml[xml.find('@')] = '\x02';
  const ConvertedDefinitions result = ReadCleanerMl(xml, Machine("linux"));
  ASSERT_EQ(result.Items.size(), 1u) << testing::PrintToString(NoteLines(result));
  EXPECT_THAT(
      Described(result.Items[0].Folders),
      ElementsAre("file %Home%\\.v\\ok\\f", "file %Config%\\kept&#0;", "file %Config%\\okA"));
  EXPECT_THAT(result.Items[0].Registers, IsEmpty());
  EXPECT_THAT(NoteLines(result),
              ElementsAre("2: a control character in the value: left out",
                          "4: a control character in path=: refused",
                          "5: a control character in path=: refused",
                          "6: a control character in regex=: refused",
                          "7: a control character in name=: refused",
                          "8: a control character in path=: refused",
                          "13: a control character in its label or id: left out",
                          "16: a control character in its label or id: left out"));

  // A NUL byte as written: the action is refused, the rest of the document is read.
  std::string raw = R"(<cleaner id="r"><option id="o"><label>O</label>
    <action command="delete" search="walk.files" path="~/.config@/myapp/cache"/>
    <action command="delete" search="file" path="~/.config/ok"/></option></cleaner>)";
  raw[raw.find('@')] = '\0';
  const ConvertedDefinitions rawResult = ReadCleanerMl(raw, Machine("linux"));
  ASSERT_EQ(rawResult.Items.size(), 1u) << testing::PrintToString(NoteLines(rawResult));
  EXPECT_THAT(Described(rawResult.Items[0].Folders), ElementsAre("file %Config%\\ok"));
  EXPECT_THAT(NoteLines(rawResult), ElementsAre("2: a control character in path=: refused"));
}

// A regex on the base name of a walk, as the masks that replace "*.*"; "" when it is refused.
std::string MasksOf(const std::string& regex) {
  std::string escaped;
  for (const char c : regex) escaped += c == '&' ? std::string("&amp;") : std::string(1, c);
  const ConvertedDefinitions result = ReadCleanerMl(
      "<cleaner id=\"r\"><option id=\"o\"><action command=\"delete\" search=\"walk.files\" "
      "path=\"/r\" regex=\"" +
          escaped + "\"/></option></cleaner>",
      Machine("linux"));
  if (result.Items.empty()) {
    EXPECT_THAT(NoteLines(result), testing::Contains(HasSubstr("1: a regex that is no mask")))
        << regex;
    return "";
  }
  std::string masks;
  for (const tChildFolder& e : result.Items[0].Folders)
    masks += (masks.empty() ? "" : " ") + e.DeletePath.substr(std::string("C:\\r\\").size());
  return masks;
}

// A mask takes letters in either case: a regex reduces where its letters are taken in both.
TEST(CleanerMlTest, ReducesRegexesOnNamesToMasks) {
  for (const auto& [regex, masks] : std::vector<std::pair<const char*, const char*>>{
           {R"((?i)^.*\.log$)", "*.log"},
           {R"((?i)\.log$)", "*.log"},
           {R"(\.[lL][oO][Gg]$)", "*.log"},
           {R"((?i)\.(log|txt)$)", "*.log *.txt"},
           {R"((?i)^cache_.*$)", "cache_*"},
           {R"((?i)^cache_)", "cache_*"},
           {R"((?i)core)", "*core*"},
           {R"((?i)^(a|b)\.(x|y)$)", "a.x a.y b.x b.y"},
           {R"((?i)^a$|^b-.*?$)", "a b-*"},
           {R"((?i)(?:tmp|temp)$)", "*tmp *temp"},
           {R"(^\.#|~$)", ".#* *~"},
           {R"(^_-_$|^#$)", "_-_ #"},
           {R"(^\.[lL][oO][cC][kK]$|^\.[lL][oO][cC][kK]$)", ".lock"},
       })
    EXPECT_EQ(MasksOf(regex), masks) << regex;
}

TEST(CleanerMlTest, RefusesRegexesNoMaskExpresses) {
  for (const char* regex : {
           R"(^[0-9a-f]{8}$)",             // classes and counts
           R"(^.+\.log$)",                 // one or more
           R"(^a.c$)",                     // one character, which may be a dot
           R"(\d+)",                       // escaped classes
           R"(^x\.$)",                     // a trailing dot, which a mask drops
           R"(\.)",                        // names with a dot: "*.*" takes them all
           R"(\.log$)",                    // "b.LOG": the regex takes lower case only
           R"(^Cache_)",                   // nor a capital
           R"(\.[lL]og$)",                 // one letter in both cases, the others not
           R"((?i)\.lög$)",                // beyond ASCII, whose case the two fold apart
           R"(^\.~lock\.)",                // letters in one case
           R"(^_\..*$)",                   // "_.*" takes "_" as well
           R"(^_\.[xy])",                  // a class of other than one letter's two cases
           R"([aA][bB)",                   // an unclosed class
           R"((?s)x)",                     // flags other than a leading (?i)
           R"(x(?i)y)",                    // a flag inside
           R"(^ab*c)",                     // a repeated character
           R"(^x\*)",                      // a literal star
           R"(^$)",                        // no name at all
           R"((a|b)",                      // unbalanced
           R"(a)b)",                       // unbalanced
           R"(^a^b)",                      // an anchor inside
           R"((a|b|c|d)(e|f|g|h)(i|j)$)",  // too many masks
       })
    EXPECT_EQ(MasksOf(regex), "") << regex;
}

}  // namespace
}  // namespace vorlisk::formats
