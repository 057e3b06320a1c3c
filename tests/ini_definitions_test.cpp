// INI-style cleaner definitions converted to wash items, the recognition of a file's format, and
// converted items written as a plug-in file. Definition files are written here, for the tests.
#include "model/formats/ini_definitions.h"

#include <gtest/gtest.h>

#include <set>

#include "model/formats/item_file.h"
#include "test_support.h"

namespace vorlisk::formats {
namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// A machine where the given paths and keys exist.
DefinitionMachine Machine(std::set<std::string> paths, std::set<std::string> keys = {},
                          bool all = false) {
  DefinitionMachine m;
  m.All = all;
  m.PathExists = [paths](const std::string& p) { return paths.count(p) != 0; };
  m.KeyExists = [keys](const std::string& k) { return keys.count(k) != 0; };
  return m;
}

std::string Notes(const ConvertedDefinitions& d) {
  std::string out;
  for (const auto& n : d.Notes)
    out += std::to_string(n.Line) + " " + n.What + ": " + n.Reason + "\n";
  return out;
}

const std::string kEditor = Lines({
    "; Version 1",                                                     // 1
    "[Foo Editor *]",                                                  // 2
    "LangSecRef=3021",                                                 // 3
    "Detect=HKCU\\Software\\Foo",                                      // 4
    "Default=True",                                                    // 5
    "FileKey1=%LocalAppData%\\Foo\\Cache|*.tmp;*.log|RECURSE",         // 6
    "FileKey2=%AppData%\\Foo\\Profiles\\*\\cache2|*.*|REMOVESELF",     // 7
    "FileKey3=%AppData%\\Foo|*.bak|LATER",                             // 8
    "FileKey4=%AppData%\\Foo\\..\\Bar|*.*",                            // 9
    "FileKey5=Foo\\relative|*.*",                                      // 10
    "FileKey6=%AppData%\\Foo\\%Other%|*.*",                            // 11
    "FileKey7=%AppData%\\Foo\\Logs\\",                                 // 12
    "ExcludeKey1=FILE|%LocalAppData%\\Foo\\Cache\\|keep.log;pin.tmp",  // 13
    "ExcludeKey2=PATH|%LocalAppData%\\Foo\\Cache\\Pinned\\",           // 14
    "ExcludeKey3=PATH|%LocalAppData%\\Foo\\Cache\\Old\\|*.log",        // 15
    "ExcludeKey4=REG|HKCU\\Software\\Foo\\Recent\\Keep",               // 16
    "ExcludeKey5=SOMETHING|x",                                         // 17
    "RegKey1=HKCU\\Software\\Foo\\Recent",                             // 18
    "RegKey2=HKCU\\Software\\Foo|LastFile",                            // 19
    "RegKey3=HKLM\\Software\\Foo\\Cache",                              // 20
    "SpecialDetect=DET_X",                                             // 21
});

// Catches a construct converted wrongly or dropped in silence: each key gives its entries or a
// note with its line, the exclusions reach every folder entry of the item, roots are written out.
TEST(IniDefinitions, EveryKeyIsConvertedOrReportedWithItsLine) {
  const auto d = ReadIniDefinitions(kEditor, Machine({}, {"HKEY_CURRENT_USER\\Software\\Foo"}));
  ASSERT_EQ(d.Items.size(), 1u) << Notes(d);
  const ConvertedItem& item = d.Items[0];
  EXPECT_EQ(item.Name, "Foo Editor");
  EXPECT_EQ(item.Line, 2);
  EXPECT_TRUE(item.Active);
  const std::string exclude =
      "%LocalAppData%\\Foo\\Cache\\keep.log|%LocalAppData%\\Foo\\Cache\\pin.tmp|"
      "%LocalAppData%\\Foo\\Cache\\Pinned\\|%LocalAppData%\\Foo\\Cache\\Old\\";
  struct Want {
    std::string path;
    bool subfolders, emptied;
  };
  const std::vector<Want> want = {{"%LocalAppData%\\Foo\\Cache\\*.tmp", true, false},
                                  {"%LocalAppData%\\Foo\\Cache\\*.log", true, false},
                                  {"%AppData%\\Foo\\Profiles\\*\\cache2\\*.*", true, true},
                                  {"%AppData%\\Foo\\Logs\\*.*", false, false}};
  ASSERT_EQ(item.Folders.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const tChildFolder& e = item.Folders[i];
    EXPECT_EQ(e.Kind, FolderKind::FolderMask) << i;
    EXPECT_EQ(e.DeletePath, want[i].path) << i;
    EXPECT_EQ(e.IncludeSubfolders, want[i].subfolders) << i;
    EXPECT_EQ(e.RemoveEmptiedFolders, want[i].emptied) << i;
    EXPECT_EQ(e.Exclude, exclude) << i;
    EXPECT_TRUE(e.IsActive) << i;
  }
  ASSERT_EQ(item.Registers.size(), 2u);
  EXPECT_EQ(item.Registers[0].RegisterKeyName, "HKEY_CURRENT_USER\\Software\\Foo");
  EXPECT_EQ(item.Registers[0].CleanType, CleanRegisterType::SingleValue);
  EXPECT_EQ(item.Registers[0].RegisterSingleValue, "LastFile");
  EXPECT_EQ(item.Registers[1].RegisterKeyName, "HKEY_LOCAL_MACHINE\\Software\\Foo\\Cache");
  EXPECT_EQ(item.Registers[1].CleanType, CleanRegisterType::WholeKey);

  const std::string notes = Notes(d);
  for (const char* expected :
       {"7 FileKey2=", "8 FileKey3=%AppData%\\Foo|*.bak|LATER: the flag \"LATER\" is not known",
        "9 FileKey4=", "a \".\" or \"..\" level",
        "10 FileKey5=Foo\\relative|*.*: a path with a folder",
        "11 FileKey6=", "a variable after the start", "15 ExcludeKey3=", "the whole folder",
        "17 ExcludeKey5=SOMETHING|x: an exclusion of a form", "18 RegKey1=",
        "an exclusion of the section keeps in part", "21 SpecialDetect=DET_X: a key this program"})
    EXPECT_NE(notes.find(expected), std::string::npos) << expected << "\n" << notes;
  EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 9) << notes;
}

// Catches sections converted although their detection fails here (or left out although it
// holds), and ticks on items the source does not mark as default and safe.
TEST(IniDefinitions, DetectionDecidesWhichSectionsComeUnlessAllAreAsked) {
  const std::string text =
      Lines({"[Always]", "FileKey1=C:\\Temp\\A|*.tmp", "Default=True", "[By File *]",
             "DetectFile=%ProgramFiles%\\Foo\\foo.exe", "DetectFile2=%AppData%\\Bar*",
             "FileKey1=C:\\Temp\\B|*.tmp", "[By Key]", "Detect1=HKLM\\Software\\Foo",
             "Detect2=HKCU\\Software\\Bar", "FileKey1=C:\\Temp\\C|*.tmp", "Default=True",
             "Warning=Takes your drafts too.", "[Windows Only]", "DetectOS=6.1|",
             "FileKey1=C:\\Temp\\D|*.tmp", "[Nothing]", "LangSecRef=1", "FileKey1=relative|*.*"});
  const auto names = [](const ConvertedDefinitions& d) {
    std::vector<std::string> out;
    for (const auto& item : d.Items) out.push_back(item.Name + (item.Active ? "+" : "-"));
    return out;
  };
  const auto none = ReadIniDefinitions(text, Machine({}));
  EXPECT_EQ(names(none), (std::vector<std::string>{"Always+"}));
  EXPECT_NE(Notes(none).find("4 [By File *]: left out: not detected"), std::string::npos);
  EXPECT_NE(Notes(none).find("14 [Windows Only]: left out: for Windows"), std::string::npos);
  EXPECT_NE(Notes(none).find("17 [Nothing]: left out: nothing in it could be converted"),
            std::string::npos)
      << Notes(none);

  const auto some =
      ReadIniDefinitions(text, Machine({"%AppData%\\Bar*"}, {"HKEY_CURRENT_USER\\Software\\Bar"}));
  EXPECT_EQ(names(some), (std::vector<std::string>{"Always+", "By File-", "By Key-"}));

  DefinitionMachine windows = Machine({});
  windows.Os = "windows";
  EXPECT_EQ(names(ReadIniDefinitions(text, windows)),
            (std::vector<std::string>{"Always+", "Windows Only-"}));
  EXPECT_EQ(names(ReadIniDefinitions(text, Machine({}, {}, true))),
            (std::vector<std::string>{"Always+", "By File-", "By Key-", "Windows Only-"}));
}

// Catches a NUL or another control character kept in a field (a NUL ends a folder early:
// "%Config%<NUL>\myapp" would walk all of %Config%), and a line refused for one taken as less
// than it says: an exclusion dropped would let the entries take more, a detection dropped would
// import the section where its application is not, a warning dropped would tick the item.
TEST(IniDefinitions, ControlCharactersAreRefusedInEveryField) {
  std::string text = Lines({
      "[Cut *]",                                        // 1
      "FileKey1=%Config%@\\myapp|*.*|RECURSE",          // 2: @ is a NUL
      "FileKey2=%Config%\\o\tk|*.tmp",                  // 3
      "RegKey1=HKCU\\Software\\Cut|Last\x7f",           // 4
      "FileKey3=%Config%\\kept|*.tmp",                  // 5
      "[Kept *]",                                       // 6
      "ExcludeKey1=REG|HKCU\\Software\\Fo\x01o\\Keep",  // 7
      "RegKey1=HKCU\\Software\\Foo",                    // 8
      "[Named\x02 *]",                                  // 9
      "FileKey1=%Cache%\\named|*.*",                    // 10
      "[Detected *]",                                   // 11
      "DetectFile=%Config%\\foo\x1f",                   // 12
      "FileKey1=%Cache%\\detected|*.*",                 // 13
      "[Warned *]",                                     // 14
      "Default=True",                                   // 15
      "Warning=Forgets\x1bsaved passwords",             // 16
      "FileKey1=%Cache%\\warned|*.*",                   // 17
      "[Windows *]",                                    // 18
      "DetectOS=6.1\x01|",                              // 19
      "FileKey1=%Cache%\\windows|*.*",                  // 20
  });
  text[text.find('@')] = '\0';
  const auto d = ReadIniDefinitions(text, Machine({"%Config%\\foo\x1f"}));
  ASSERT_EQ(d.Items.size(), 2u) << Notes(d);
  EXPECT_EQ(d.Items[0].Name, "Cut");
  ASSERT_EQ(d.Items[0].Folders.size(), 1u);
  EXPECT_EQ(d.Items[0].Folders[0].DeletePath, "%Config%\\kept\\*.tmp");
  EXPECT_EQ(d.Items[0].Registers.size(), 0u);
  EXPECT_EQ(d.Items[1].Name, "Warned");
  EXPECT_FALSE(d.Items[1].Active) << "a warning that holds a control character still warns";
  const std::string notes = Notes(d);
  for (const char* expected :
       {"2 FileKey1=", "3 FileKey2=", "4 RegKey1=", "7 ExcludeKey1=", "16 Warning="})
    EXPECT_NE(notes.find(std::string(expected)), std::string::npos) << expected << "\n" << notes;
  for (const char* expected : {"6 [Kept *]: left out: an exclusion could not be converted",
                               "]: left out: a control character in its name",
                               "11 [Detected *]: left out: not detected on this machine",
                               "18 [Windows *]: left out: for Windows"})
    EXPECT_NE(notes.find(expected), std::string::npos) << expected << "\n" << notes;
  EXPECT_EQ(std::count(notes.begin(), notes.end(), '\n'), 9) << notes;
  std::size_t refused = 0;
  for (std::size_t at = notes.find("a control character: not converted"); at != std::string::npos;
       at = notes.find("a control character: not converted", at + 1))
    ++refused;
  EXPECT_EQ(refused, 5u) << notes;
}

// Catches a key whose trailing "\", blank or doubled "\" hides how many levels it has: the
// import counts levels to refuse a root and its first level, and stores the key as it counted.
TEST(IniDefinitions, RegistryKeysAreStoredAsTheRegistryReadsThem) {
  const auto d = ReadIniDefinitions(
      Lines({"[Keys *]", "RegKey1=HKCU\\Software\\", "RegKey2=HKCU\\\\Software",
             "RegKey3=HKCU\\Software\\ ", "RegKey4= HKLM\\Software\\\\Foo\\|Last", "[Kept *]",
             "ExcludeKey1=REG|HKCU\\Software\\Bar\\\\Keep\\", "RegKey1=HKCU\\Software\\Bar"}),
      Machine({}));
  ASSERT_EQ(d.Items.size(), 1u) << Notes(d);
  std::vector<std::string> keys;
  for (const auto& entry : d.Items[0].Registers) keys.push_back(entry.RegisterKeyName);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software",
                      "HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\Software\\Foo"}));
  // An exclusion is read as the key it names, and keeps it from a whole-key delete above it.
  EXPECT_NE(Notes(d).find("8 RegKey1=HKCU\\Software\\Bar: a registry key that an exclusion"),
            std::string::npos)
      << Notes(d);
}

// Catches a file taken for the wrong format: the import would copy definitions unconverted, or
// convert an item file of this program.
TEST(DefinitionFormat, AFileIsRecognisedByItsContent) {
  EXPECT_EQ(DetectDefinitionFormat(kEditor), DefinitionFormat::IniDefinitions);
  EXPECT_EQ(DetectDefinitionFormat(Lines({"[A]", "detectfile=C:\\x"})),
            DefinitionFormat::IniDefinitions);
  EXPECT_EQ(DetectDefinitionFormat(test::ItemFileText({{.Name = "Mine"}})),
            DefinitionFormat::ItemFile);
  EXPECT_EQ(DetectDefinitionFormat("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<cleaner id=\"x\"/>"),
            DefinitionFormat::CleanerMl);
  EXPECT_EQ(DetectDefinitionFormat("<?xml version=\"1.0\"?><other/>"), DefinitionFormat::Unknown);
  EXPECT_EQ(DetectDefinitionFormat("<cleaner id=\"x\">"), DefinitionFormat::Unknown);  // not closed
  EXPECT_EQ(DetectDefinitionFormat("plain text"), DefinitionFormat::Unknown);
  EXPECT_EQ(DetectDefinitionFormat(Lines({"[Common]", "Total=0", "[A]", "FileKey=x"})),
            DefinitionFormat::ItemFile);  // "FileKey" without a number is no definition key
}

// Catches converted items that the program's own reader does not read back as converted: names
// that repeat or take the list's own section, flags, exclusions and registry entries lost.
TEST(DefinitionFormat, ConvertedItemsAreReadBackAsWritten) {
  test::TempDrive drive;
  const std::string file = drive.Win("plugin.txt");
  test::WriteHostFile(drive.Host("plugin.txt"), "[Old]\r\nleft=over\r\n");
  ConvertedItem a;
  a.Name = "Foo";
  a.Active = true;
  tChildFolder f;
  f.Name = "cache";
  f.IsActive = true;
  f.Kind = FolderKind::FolderMask;
  f.DeletePath = "%Cache%\\foo\\*\\x\\*.*";
  f.IncludeSubfolders = f.RemoveEmptiedFolders = true;
  f.Exclude = "%Cache%\\foo\\keep\\|%Cache%\\foo\\a.log";
  a.Folders.push_back(f);
  tChildRegister r;
  r.Name = "recent";
  r.IsActive = true;
  r.RegisterKeyName = "HKEY_CURRENT_USER\\Software\\Foo";
  r.CleanType = CleanRegisterType::SingleValue;
  r.RegisterSingleValue = "Last";
  a.Registers.push_back(r);
  ConvertedItem b = a, c = a;
  b.Active = false;
  c.Name = "common";
  WriteConvertedItems(file, {a, b, c});

  std::vector<std::string> names;
  for (const auto& item : ReadItemList(file)) names.push_back(item.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Foo", "Foo (2)", "common (2)"}));
  EXPECT_EQ(drive.Read("plugin.txt").find("left=over"), std::string::npos);
  for (const char* name : {"Foo", "Foo (2)"}) {
    const tItemContent item = ReadItem(file, name);
    EXPECT_EQ(item.Item.IsActive, std::string(name) == "Foo") << name;
    ASSERT_EQ(item.Folders.Count(), 1) << name;
    const tChildFolder& got = item.Folders.Entries[0];
    EXPECT_EQ(got.DeletePath, f.DeletePath);
    EXPECT_TRUE(got.IncludeSubfolders && got.RemoveEmptiedFolders);
    EXPECT_EQ(got.Exclude, f.Exclude);
    ASSERT_EQ(item.Registers.Count(), 1) << name;
    EXPECT_EQ(item.Registers.Entries[0].RegisterSingleValue, "Last");
    EXPECT_EQ(item.Registers.Entries[0].CleanType, CleanRegisterType::SingleValue);
  }
}

// Catches an entry stored with more than an item file gives back of a value: its exclusions
// would read back cut, and the wash would take files the source keeps. Such an entry is left
// out with a note; the section's other entries and its warning stay.
TEST(IniDefinitions, AnEntryLongerThanAnItemFileValueIsLeftOutWithANote) {
  std::string text =
      "[Big *]\r\nWarning=Forgets every session.\r\n"
      "FileKey1=%Cache%\\big|*.tmp\r\nRegKey1=HKCU\\Software\\Big\\Recent\r\n";
  for (int i = 1; i <= 80; ++i)
    text += "ExcludeKey" + std::to_string(i) + "=FILE|%Cache%\\big\\|kept-file-number-" +
            std::to_string(i) + ".tmp\r\n";
  const auto result = ReadIniDefinitions(text, Machine({}));
  ASSERT_EQ(result.Items.size(), 1u);
  EXPECT_TRUE(result.Items[0].Folders.empty());
  EXPECT_EQ(result.Items[0].Registers.size(), 1u);
  EXPECT_EQ(result.Items[0].Warning, "Forgets every session.");
  ASSERT_EQ(result.Notes.size(), 1u);
  EXPECT_EQ(result.Notes[0].Line, 1);
  EXPECT_EQ(result.Notes[0].What, "Big: %Cache%\\big\\*.tmp (its exclusions)");
  EXPECT_EQ(result.Notes[0].Reason,
            "left out: longer than the 2047 characters an item file keeps of a value");
}

// Many items of one name, and a name that takes a number a repeat would: each name is written
// once. (How long a large import takes is measured by bench/import_scale.sh.)
TEST(DefinitionFormat, ManyItemsOfOneNameEachGetANumberOfTheirOwn) {
  test::TempDrive drive;
  const std::string file = drive.Win("plugin.txt");
  ConvertedItem item;
  tChildFolder f;
  f.Name = "f";
  f.Kind = FolderKind::SingleFile;
  f.DeleteFileName = "%Cache%\\a.log";
  item.Folders.push_back(f);
  std::vector<ConvertedItem> items(3000, item);
  for (auto& each : items) each.Name = "Same";
  items[1].Name = "Same (3)";
  WriteConvertedItems(file, items);
  std::set<std::string> names;
  for (const auto& listed : ReadItemList(file)) names.insert(listed.Name);
  EXPECT_EQ(names.size(), items.size());
  for (const char* name : {"Same", "Same (2)", "Same (3)", "Same (4)", "Same (3000)"})
    EXPECT_EQ(names.count(name), 1u) << name;
  EXPECT_EQ(names.count("Same (3001)"), 0u);
}

}  // namespace
}  // namespace vorlisk::formats
