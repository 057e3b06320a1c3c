// Folder entries: which files an entry stands for, and what erasing them leaves on disk.
#include "engine/folder_entries.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/wash_log.h"
#include "folder_entries_fixture.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::WriteHostFile;

TEST_F(FolderEntriesTest, ExpansionFollowsTheWalkOrderAndLeavesOutExcludedFilesAndFolders) {
  test::ScopedRegistryStore store(
      drive_.Win("registry.reg"),
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\Demo]\r\n\"Data\"=\"T:\\\\Data\"\r\n"
      "\"Bad\"=dword:00000001\r\n");
  auto registryEntry = [](const char* value) {
    tChildFolder e = Entry(FolderKind::RegistryFolder, "", false);
    e.RegisterName = " HKEY_CURRENT_USER\\Demo ";
    e.RegisterValueofName = value;
    return e;
  };
  struct Case {
    const char* fault;
    tChildFolder entry;
    std::string runs;
    std::vector<std::string> exclude = {};
  } cases[] = {
      {"subfolders searched without being asked, or a folder taken for a file",
       Entry(FolderKind::FolderMask, "T:\\Temp\\*.tmp", false), "T:\\Temp:{a.tmp,b.tmp} "},
      {"a subfolder's files before its parent's, or a folder taken for a file",
       Entry(FolderKind::FolderMask, "T:\\Temp\\*.tmp", true),
       "T:\\Temp:{a.tmp,b.tmp} T:\\Temp\\Sub:{e.tmp} T:\\Temp\\Sub\\Deep:{f.tmp} "},
      {"an excluded file listed (and so erased)",
       Entry(FolderKind::FolderMask, "T:\\Temp\\*.tmp", true),
       "T:\\Temp:{a.tmp} T:\\Temp\\Sub:{e.tmp} ",
       {"t:\\temp\\B.TMP", "\\DEEP\\"}},
      {"a target written with \"/\" not read as Windows reads it",
       Entry(FolderKind::FolderMask, "t:/Temp/*.tmp", false), "T:\\Temp:{a.tmp,b.tmp} "},
      {"a single file not found in subfolders",
       Entry(FolderKind::SingleFile, "T:\\Temp\\e.tmp", true), "T:\\Temp\\Sub:{e.tmp} "},
      {"a missing folder not yielding nothing",
       Entry(FolderKind::FolderMask, "T:\\Missing\\*.*", true), ""},
      {"a registry folder without \"\\\" not searched as C:\\Data\\*.*", registryEntry("Data"),
       "T:\\Data:{readme,x.y} "},
      {"a missing registry value searching the current folder", registryEntry("None"), ""},
  };
  // Relative targets would find files here, in the process's current folder.
  const fs::path previous = fs::current_path();
  fs::current_path(drive_.Host("Temp"));
  for (auto& c : cases) {
    std::vector<std::string> lines{"stale line"};
    ExpandFolderEntry(c.entry, c.exclude, lines);
    EXPECT_EQ(Runs(lines), c.runs) << c.fault;
    EXPECT_TRUE(c.entry.FoundFiles.empty()) << c.fault;
  }
  for (const char* relative : {"*.tmp", "Sub\\*.tmp", "\\Temp\\*.tmp", "T:*.tmp"}) {
    std::vector<std::string> lines;
    tChildFolder entry = Entry(FolderKind::FolderMask, relative, true);
    ExpandFolderEntry(entry, {}, lines);
    EXPECT_TRUE(lines.empty()) << relative
                               << ": a target without a drive searched the current folder";
  }
  fs::current_path(previous);

  // A value that is not text ends the run with the registry's own message.
  tChildFolder bad = registryEntry("Bad");
  std::vector<std::string> lines;
  try {
    ExpandFolderEntry(bad, {}, lines);
    ADD_FAILURE() << "no error";
  } catch (const platform::RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Bad'");
  }
}

// An entry whose path still holds a NUL (made in memory; item files end a value at its first NUL)
// names nothing: nothing above the drive's folder, no endless walk of one folder.
TEST(FolderEntriesNul, APathHoldingANulYieldsNothingAndWashesNothing) {
  using namespace std::string_literals;
  test::TempFolder outer;
  WriteHostFile(outer / "canary.tmp", "canary");
  WriteHostFile(outer / "c/Temp/Sub/in.tmp", "inside");
  platform::ScopedDriveMapping drive('N', outer / "c");
  for (const std::string& target : {"N:\\..\0\\*.tmp"s, "N:\\Temp\0X\\*.tmp"s}) {
    for (const bool subfolders : {false, true}) {
      tChildFolder entry = Entry(FolderKind::FolderMask, target, subfolders);
      std::vector<std::string> lines;
      ExpandFolderEntry(entry, {}, lines);
      EXPECT_TRUE(lines.empty()) << target.substr(0, target.find('\0')) << " " << subfolders;
    }
  }
  const MarkedLines lines{{"N:\\..\0\\canary.tmp"s, true}, {"N:\\Temp\0X\\Sub\\in.tmp"s, true}};
  for (const bool quick : {true, false}) {
    const WashCounts counts = WashFileLines(lines, quick, nullptr, {});
    EXPECT_EQ(counts.Success + counts.Fails, 0) << quick;
  }
  EXPECT_EQ(ReadHostFile(outer / "canary.tmp"), "canary");
  EXPECT_EQ(ReadHostFile(outer / "c/Temp/Sub/in.tmp"), "inside");
}

// An excluded file is kept however the entry reaches it: through the user's own link to its
// folder, through another hard link, or as the file an excluded link points to.
TEST_F(FolderEntriesTest, ExcludedFilesAreKeptWhateverNameReachesThem) {
  for (const char* f :
       {"keep/secret.txt", "keep2/a.log", "keep2/b.txt", "other/plain.txt", "other/real.txt"})
    WriteHostFile(drive_.Host(f), f);
  fs::create_hard_link(drive_.Host("keep/secret.txt"), drive_.Host("other/hard.txt"));
  fs::create_hard_link(drive_.Host("keep2/a.log"), drive_.Host("other/hard.log"));
  MAKE_SYMLINK_OR_SKIP(drive_.Host("other/real.txt"), drive_.Host("other/alias.txt"));
  MAKE_SYMLINK_OR_SKIP(drive_.Host("keep2"), drive_.Host("mylink"));
  const std::vector<std::string> exclude = {"T:\\keep\\secret.txt", "t:/KEEP2/*.log",
                                            "T:\\other\\alias.txt"};
  std::vector<std::string> all;
  for (const char* target : {"T:\\other\\*.*", "T:\\mylink\\*.*"}) {
    tChildFolder entry = Entry(FolderKind::FolderMask, target, false);
    std::vector<std::string> lines;
    ExpandFolderEntry(entry, exclude, lines);
    all.insert(all.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(Runs(all), "T:\\other:{plain.txt} T:\\mylink:{b.txt} ");
  MarkedLines marked;
  for (const auto& line : all) marked.push_back({line, true});
  EXPECT_EQ(WashFileLines(marked, true, nullptr, {}).Success, 2);
  for (const char* f : {"keep/secret.txt", "keep2/a.log", "other/real.txt"})
    EXPECT_EQ(ReadHostFile(drive_.Host(f)), f);
}

// Windows ignores case in paths: T:\TEMP\ is T:\Temp\, for the preview and the wash alike.
TEST_F(FolderEntriesTest, FoldersMatchIgnoringCase) {
  struct Case {
    const char* target;
    bool subfolders;
    std::string runs;
  } cases[] = {
      {"T:\\TEMP\\*.tmp", true,
       "T:\\TEMP:{a.tmp,b.tmp} T:\\TEMP\\Sub:{e.tmp} T:\\TEMP\\Sub\\Deep:{f.tmp} "},
      {"t:\\temp\\sub\\DEEP\\G.LOG", false, "T:\\temp\\sub\\DEEP:{g.log} "},
  };
  for (auto& c : cases) {
    tChildFolder entry = Entry(FolderKind::FolderMask, c.target, c.subfolders);
    std::vector<std::string> lines;
    ExpandFolderEntry(entry, {}, lines);
    EXPECT_EQ(Runs(lines), c.runs) << c.target;
  }
  tChildFolder entry = Entry(FolderKind::FolderMask, "T:\\TEMP\\SUB\\*.*", true);
  std::vector<std::string> lines;
  ExpandFolderEntry(entry, {}, lines);
  MarkedLines marked;
  for (const auto& line : lines) marked.push_back({line, true});
  EXPECT_EQ(WashFileLines(marked, true, nullptr, {}).Success, 3);
  EXPECT_FALSE(drive_.Exists("Temp/Sub/Deep/g.log"));
  EXPECT_TRUE(drive_.Exists("Temp/a.tmp"));
}

// An item file's reading returns at most 2047 characters: a longer "...\*.log" would come back
// as "...\*" and name every file of the folder.
TEST_F(FolderEntriesTest, AnEntryCutAtTheReadLimitYieldsNothing) {
  std::string folder = drive_.Root();
  while (folder.size() < 2046)
    folder += std::string(std::min<std::size_t>(200, 2046 - folder.size() - 1), 'f') + "\\";
  ASSERT_EQ(folder.size(), 2046u);
  std::string host = drive_.Host(folder.substr(3));
  std::replace(host.begin(), host.end(), '\\', '/');
  for (const char* name : {"a.log", "b.txt", "b"}) WriteHostFile(host + name, name);
  const std::vector<test::TestFolderEntry> entries = {
      {.Name = "mask", .Kind = 1, .DeletePath = folder + "*.log"},
      {.Name = "file", .Kind = 2, .DeleteFileName = folder + "b.txt.log"},
      {.Name = "registry", .Kind = 0, .RegisterName = std::string(2100, 'k')},
      {.Name = "short", .Kind = 1, .DeletePath = drive_.Win("Temp\\a.tmp")}};
  WriteHostFile(drive_.Host("items.txt"), test::ItemFileText({{.Name = "I", .Folders = entries}}));
  std::vector<std::string> found;
  for (int32_t i = 0; i < static_cast<int32_t>(entries.size()); ++i) {
    tChildFolder entry;
    entry.Create(drive_.Win("items.txt"), i, "I");
    std::vector<std::string> lines;
    ExpandFolderEntry(entry, {}, lines);
    found.insert(found.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(found.size(), 1u) << "a cut value named other files, the first: " << found[0].back();
  EXPECT_EQ(found.back(), drive_.Win("Temp\\a.tmp"));
}

TEST_F(FolderEntriesTest, SecureEraseWhoseFlushFailsFailsAndKeepsTheFile) {
  WriteHostFile(drive_.Host("f.bin"), "secret");
  platform::SetWriteFaultForTesting("flush");
  const bool erased = SecureErase(drive_.Win("f.bin"));
  platform::SetWriteFaultForTesting("");
  EXPECT_FALSE(erased) << "an overwrite that may not have reached the device reported as an erase";
  EXPECT_TRUE(drive_.Exists("f.bin"));
}

// A precious file outside the drive, reached through a symbolic or a hard link on it, keeps every
// byte; a read-only file stops a secure erase but not a quick one.
TEST_F(FolderEntriesTest, ErasingNeverWritesThroughLinksAndHonoursReadOnly) {
  test::TempFolder outside;
  const std::string precious = outside / "precious.txt";
  WriteHostFile(precious, "precious bytes");
  struct Case {
    const char* kind;
    bool quick;
    bool erased;
  } cases[] = {{"symlink", false, true}, {"symlink", true, true},    {"hardlink", false, true},
               {"hardlink", true, true}, {"readonly", false, false}, {"readonly", true, true}};
  std::string noLink;  // why the link cases could not run
  for (const auto& c : cases) {
    const std::string line = drive_.Host("line");
    if (std::string(c.kind) == "symlink") {
      noLink = test::MakeSymlink(precious, line);
      if (!noLink.empty()) continue;
    }
    if (std::string(c.kind) == "hardlink") fs::create_hard_link(precious, line);
    if (std::string(c.kind) == "readonly") {
      WriteHostFile(line, "read-only bytes");
      fs::permissions(line, fs::perms::owner_read);
    }
    const std::string trace = std::string(c.kind) + (c.quick ? " quick" : " secure");
    EXPECT_EQ(EraseFile(drive_.Win("line"), c.quick), c.erased) << trace;
    EXPECT_EQ(fs::symlink_status(line).type() == fs::file_type::not_found, c.erased) << trace;
    if (!c.erased) {
      EXPECT_EQ(ReadHostFile(line), "read-only bytes") << trace;
    }
    EXPECT_EQ(ReadHostFile(precious), "precious bytes") << trace;
    EXPECT_EQ(fs::status(precious).permissions() & fs::perms::owner_write, fs::perms::owner_write);
    std::error_code ec;  // Windows removes no read-only file
    fs::permissions(line, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove(line);
  }
  if (!noLink.empty()) GTEST_SKIP() << "the other cases passed; " << noLink;
}

TEST_F(FolderEntriesTest, WashCountsAndLogsEachTickedExistingFile) {
  const SpecificFileList specific{"t:\\COOKIES\\index.DAT"};
  for (const bool logging : {true, false}) {
    for (const char* f : {"a.tmp", "ro.tmp", "Cookies/index.dat", "keep.tmp"})
      WriteHostFile(drive_.Host(f), "x");
    for (const char* f : {"ro.tmp", "Cookies/index.dat"})
      fs::permissions(drive_.Host(f), fs::perms::owner_read);
    const MarkedLines lines{{drive_.Win("a.tmp"), true},
                            {drive_.Win("keep.tmp"), false},
                            {drive_.Win("vanished.tmp"), true},
                            {drive_.Win("ro.tmp"), true},
                            {drive_.Win("Cookies\\index.dat"), true},
                            {drive_.Win("Temp"), true}};  // a folder now
    WashLog log(drive_.Root());
    if (logging) log.BeginLogRun({2004, 3, 7, 13, 5, 9});
    const WashCounts counts = WashFileLines(lines, false, logging ? &log : nullptr, specific);
    log.EndLogRun();
    EXPECT_EQ(counts.Success, 2) << logging;
    EXPECT_EQ(counts.Fails, 1) << logging;
    EXPECT_FALSE(drive_.Exists("a.tmp"));
    EXPECT_TRUE(drive_.Exists("keep.tmp")) << "an unticked line was erased";
    EXPECT_TRUE(drive_.Exists("ro.tmp"));
    EXPECT_TRUE(drive_.Exists("Temp/a.tmp"));
    if (logging) {
      EXPECT_EQ(test::LogRows(drive_.Read("log.htm")),
                (std::vector<std::string>{"Secure|Success|T:\\a.tmp|&nbsp;",
                                          "Secure|Fail|T:\\ro.tmp|File Locked",
                                          "Secure|Success|T:\\Cookies\\index.dat|Specific File"}));
      fs::remove(drive_.Host("log.htm"));
    } else {
      EXPECT_FALSE(drive_.Exists("log.htm")) << "a log written with logging off";
    }
    for (const char* f : {"ro.tmp", "Cookies/index.dat"})
      fs::permissions(drive_.Host(f), fs::perms::owner_all);
  }
}

// A file that vanishes between the wash's first look and its erasure (another program removed it,
// or put a folder in its place) is skipped like one that vanished before the wash.
TEST_F(FolderEntriesTest, AFileThatVanishesWhileBeingErasedIsSkipped) {
  for (const char* f : {"gone.tmp", "folder.tmp", "kept.tmp"}) WriteHostFile(drive_.Host(f), "x");
  SetSecureEraseHookForTesting([this](std::string_view path) {
    if (path == drive_.Win("gone.tmp")) fs::remove(drive_.Host("gone.tmp"));
    if (path == drive_.Win("folder.tmp")) {
      fs::remove(drive_.Host("folder.tmp"));
      fs::create_directory(drive_.Host("folder.tmp"));
    }
  });
  WashLog log(drive_.Root());
  log.BeginLogRun({2004, 3, 7, 13, 5, 9});
  const WashCounts counts = WashFileLines({{drive_.Win("gone.tmp"), true},
                                           {drive_.Win("folder.tmp"), true},
                                           {drive_.Win("kept.tmp"), true}},
                                          false, &log, {});
  log.EndLogRun();
  SetSecureEraseHookForTesting(nullptr);
  EXPECT_EQ(counts.Success, 1);
  EXPECT_EQ(counts.Fails, 0) << "a vanished file counted as locked";
  EXPECT_EQ(test::LogRows(drive_.Read("log.htm")),
            (std::vector<std::string>{"Secure|Success|T:\\kept.tmp|&nbsp;"}));
  EXPECT_TRUE(fs::is_directory(drive_.Host("folder.tmp")));
}

// A secure erase of a file with other hard links removes only this name and leaves the data to
// the others: its row says so, rather than passing for an overwrite. A quick erase removes a name
// whatever the links, and its row needs no note.
TEST_F(FolderEntriesTest, ASecureEraseThatRemovedOnlyAHardLinkSaysSoInItsRow) {
  const std::string other = drive_.Host("other.txt");
  for (const bool quick : {false, true}) {
    WriteHostFile(other, "shared bytes");
    fs::create_hard_link(other, drive_.Host("line.txt"));
    WashLog log(drive_.Root());
    log.BeginLogRun({2004, 3, 7, 13, 5, 9});
    const WashCounts counts = WashFileLines({{drive_.Win("line.txt"), true}}, quick, &log, {});
    log.EndLogRun();
    EXPECT_EQ(counts.Success, 1) << quick;
    EXPECT_EQ(counts.FreedBytes, 0u) << quick;  // the data stays under the other name
    EXPECT_FALSE(drive_.Exists("line.txt")) << quick;
    EXPECT_EQ(ReadHostFile(other), "shared bytes") << quick;
    EXPECT_EQ(test::LogRows(drive_.Read("log.htm")),
              (std::vector<std::string>{quick ? "Quick|Success|T:\\line.txt|&nbsp;"
                                              : "Secure|Success|T:\\line.txt|Hard Link: name "
                                                "removed"}))
        << quick;
    fs::remove(drive_.Host("log.htm"));
  }
}

// Catches freed bytes that count what no wash freed: a link's target, a failed erase, a file that
// kept other names, or the pattern's rounding of a secure erase.
TEST_F(FolderEntriesTest, AWashCountsTheBytesOfTheFilesItRemoved) {
  for (const bool quick : {true, false}) {
    WriteHostFile(drive_.Host("a.dat"), std::string(150000, 'x'));
    WriteHostFile(drive_.Host("b.dat"), "12345");
    WriteHostFile(drive_.Host("target.dat"), "target bytes");
    MAKE_SYMLINK_OR_SKIP(drive_.Host("target.dat"), drive_.Host("link.dat"));
    WriteHostFile(drive_.Host("kept.dat"), "unticked");
    const MarkedLines lines = {{drive_.Win("a.dat"), true},
                               {drive_.Win("b.dat"), true},
                               {drive_.Win("link.dat"), true},
                               {drive_.Win("kept.dat"), false},
                               {drive_.Win("gone.dat"), true}};
    EXPECT_EQ(FileLineSize(drive_.Win("a.dat")), 150000u);
    EXPECT_EQ(FileLineSize(drive_.Win("link.dat")), 0u);
    EXPECT_EQ(FileLineSize(drive_.Win("gone.dat")), std::nullopt);
    const WashCounts counts = WashFileLines(lines, quick, nullptr, {});
    EXPECT_EQ(counts.Success, 3) << quick;
    EXPECT_EQ(counts.FreedBytes, 150005u) << quick;
    EXPECT_EQ(ReadHostFile(drive_.Host("target.dat")), "target bytes");
    fs::remove(drive_.Host("kept.dat"));
  }
}

// An entry's folder may begin with a user folder as %NAME%, the value NAME under the program's user
// folders key; the exclude list may too. An unknown or empty variable, or one glued to a name,
// names nothing: no lines, never a drive's root.
TEST_F(FolderEntriesTest, AUserFolderVariableNamesItsFolderOrNothing) {
  test::ScopedRegistryStore store(
      drive_.Win("registry.reg"),
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Vorlisk\\User Folders]\r\n"
      "\"Config\"=\"T:\\\\Temp\\\\\"\r\n\"Empty\"=\"\"\r\n");
  struct {
    tChildFolder entry;
    std::vector<std::string> exclude;
    std::string runs;
  } cases[] = {
      {Entry(FolderKind::FolderMask, "%Config%\\*.tmp", false), {}, "T:\\Temp:{a.tmp,b.tmp} "},
      {Entry(FolderKind::FolderMask, "%Config%\\Sub\\*.tmp", true),
       {"%Config%\\Sub\\Deep\\f.tmp"},
       "T:\\Temp\\Sub:{e.tmp} "},
      {Entry(FolderKind::SingleFile, "%Config%\\c.txt", false), {}, "T:\\Temp:{c.txt} "},
      {Entry(FolderKind::FolderMask, "%Nobody%\\*.*", false), {}, ""},
      {Entry(FolderKind::FolderMask, "%Empty%\\*.*", true), {}, ""},
      {Entry(FolderKind::FolderMask, "%Config%Sub\\*.*", false), {}, ""},
      {Entry(FolderKind::FolderMask, "%%\\*.*", false), {}, ""},
  };
  for (auto& c : cases) {
    std::vector<std::string> lines;
    ExpandFolderEntry(c.entry, c.exclude, lines);
    EXPECT_EQ(Runs(lines), c.runs) << c.entry.DeletePath << c.entry.DeleteFileName;
  }
  EXPECT_EQ(ExpandUserFolder("C:\\plain\\*.*"), "C:\\plain\\*.*");
  EXPECT_EQ(ExpandUserFolder("%Config%"), "T:\\Temp");
}

}  // namespace
}  // namespace vorlisk
