// vorlisk-cli end to end: the built program run on a temporary program folder, with its drives,
// home and XDG folders in temporary folders, standard input not a terminal.
#include <sys/inotify.h>

#include <csignal>
#include <optional>
#include <string_view>

#include "cli_fixture.h"

namespace vorlisk {
namespace {

using test::ReadHostFile;
using test::TestItem;
using test::WriteHostFile;
using Result = test::CliResult;

class CliTest : public test::CliFixture {
 protected:
  CliTest() {
    WriteHostFile(
        Prog("const/system.txt"),
        test::ItemFileText(
            {{.Name = "Temp files",
              .Folders =
                  {{.Name = "tmp", .DeletePath = "C:\\tmp\\*.tmp"},
                   {.Name = "one", .Active = false, .Kind = 2, .DeleteFileName = "D:\\one.log"}},
              .Registers = {{.Name = "keys", .Key = "HKEY_CURRENT_USER\\Software\\T"}}},
             {.Name = "Recycle Bin", .Active = false, .Special = true},
             {.Name = "Locked",
              .Active = false,
              .Folders = {{.Name = "ro", .DeletePath = "C:\\ro\\*.*"}}}}));
    WriteHostFile(Prog("const/user.txt"),
                  test::ItemFileText(
                      {{.Name = "Mine", .Folders = {{.Name = "m", .DeletePath = "D:\\m\\*.*"}}}}));
    for (const char* f :
         {"c/tmp/a.tmp", "c/tmp/b.tmp", "c/tmp/keep.txt", "d/one.log", "c/ro/locked.dat"})
      WriteHostFile(root_ / f, "data");
    ::chmod((root_ / "c/ro/locked.dat").c_str(), 0444);
    WriteHostFile(root_ / "t.reg",
                  "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T\\Sub]\r\n\"v\"=\"1\"\r\n");
  }

  void Settings(const std::string& text) const { WriteHostFile(Prog("wildcard.ini"), text); }
};

// Catches user folders written into the registry once and never again: a second HOME on the
// same program folder (as sudo gives) previewed the first user's thumbnails. The homes lie
// outside every mapped drive, so they are reached through a drive letter of their own.
TEST_F(CliTest, UserFoldersFollowTheHomeOfEachStart) {
  WriteHostFile(Prog("const/system.txt"),
                test::ItemFileText({{.Name = "Thumbnails",
                                     .Folders = {{.Name = "t",
                                                  .Kind = 0,
                                                  .Subfolders = true,
                                                  .RegisterName = "HKEY_CURRENT_USER\\Software\\"
                                                                  "Vorlisk\\User Folders",
                                                  .RegisterValue = "Thumbnails"}}}}));
  WriteHostFile(root_ / "ana/cache/thumbnails/normal/ana.png", "png");
  WriteHostFile(root_ / "bo/cache/thumbnails/large/bo.png", "png");
  WriteHostFile(root_ / "bo/config/user-dirs.dirs",
                "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\nXDG_MUSIC_DIR=\"$HOME/\"\n");
  for (const char* home : {"ana", "bo", "ana"}) {
    SCOPED_TRACE(home);
    home_ = home;
    const Result preview = Run({"preview", "Thumbnails"});
    EXPECT_EQ(preview.status, 0);
    EXPECT_EQ(preview.out.find("png"), preview.out.rfind("png")) << preview.out;
    EXPECT_NE(preview.out.find(std::string("\\") + home + ".png\n"), std::string::npos)
        << preview.out;
  }
  // Bo's Downloads are there for an item of bo's own; a folder switched off (the home) is not.
  home_ = "bo";
  const Result reg = Run({"reg", "export"});
  EXPECT_EQ(reg.status, 0) << reg.err;
  const std::string& exported = reg.out;
  EXPECT_NE(exported.find("\"Downloads\"=\"Z:\\\\Downloads\""), std::string::npos) << exported;
  EXPECT_EQ(exported.find("Music"), std::string::npos) << exported;
}

// Catches a shipped Linux item that reaches nothing on a home like a user's, or more than its own
// application's cache: each previews exactly its files of a home holding the folders these
// applications create, beside files a user would miss (profiles, histories, downloads).
TEST_F(CliTest, EachShippedItemPreviewsItsOwnFilesOfAUsersHome) {
  UseShippedCatalogue();
  // Browsers installed as Snap or Flatpak packages keep their caches elsewhere in the home.
  const std::string kSnapFox = "snap/firefox/common/.cache/mozilla/firefox/x2/cache2/E2";
  const std::string kFlatpakFox = ".var/app/org.mozilla.firefox/cache/mozilla/firefox/x3/cache2/E3";
  const std::string kSnapChromium = "snap/chromium/common/.cache/chromium/Default/Cache/data_3";
  const std::vector<std::pair<std::string, std::vector<std::string>>> items = {
      {"Thumbnails", {"cache/thumbnails/normal/a.png", "cache/thumbnails/large/a.png"}},
      {"Firefox Cache",
       {"cache/mozilla/firefox/x1.default-release/cache2/entries/E1", kSnapFox, kFlatpakFox}},
      {"Chromium Cache", {"cache/chromium/Default/Cache/Cache_Data/data_0", kSnapChromium}},
      {"Google Chrome Cache", {"cache/google-chrome/Default/Cache/Cache_Data/data_0"}},
      {"Brave Cache", {"cache/BraveSoftware/Brave-Browser/Default/Cache/Cache_Data/f_1"}},
      {"Vivaldi Cache", {"cache/vivaldi/Default/Cache/Cache_Data/index"}},
      {"Opera Cache", {"cache/opera/Cache/Cache_Data/data_1"}},
      {"Microsoft Edge Cache", {"cache/microsoft-edge/Default/Cache/Cache_Data/data_2"}}};
  std::vector<std::string> allCaches = {"cache/fontconfig/f.cache-9"};
  for (const auto& [item, files] : items)
    for (const std::string& f : files)
      if (f.rfind("cache/", 0) == 0) allCaches.push_back(f);
  for (const auto& [item, files] : items)
    for (const std::string& f : files) WriteHostFile(root_ / ("home/" + f), "cached");
  WriteHostFile(root_ / "home/cache/fontconfig/f.cache-9", "cached");
  WriteHostFile(root_ / "home/snap/firefox/common/profile.db", "precious");
  for (const char* precious :
       {"config/google-chrome/Default/History", ".mozilla/firefox/x1/places.sqlite",
        "data/recently-used.xbel", "Downloads/real.pdf", ".bash_history"})
    WriteHostFile(root_ / ("home/" + std::string(precious)), "precious");
  for (const auto& [item, files] : items)
    EXPECT_EQ(SortedPreview({item}), HomeFileLines(files)) << item;
  EXPECT_EQ(SortedPreview({"All Application Caches"}), HomeFileLines(allCaches, "0"));
  // Browser caches and thumbnails are ticked; what a user might miss is not.
  const std::string list = Run({"list"}).out;
  for (const auto& [item, files] : items)
    EXPECT_NE(list.find("\t1\t0\t" + item + "\t"), std::string::npos) << item << '\n' << list;
  for (const char* unticked : {"0\t0\tAll Application Caches\t", "0\t1\tRecycle Bin\t",
                               "0\t1\tThe history of Internet Explorer\t"})
    EXPECT_NE(list.find(unticked), std::string::npos) << unticked << '\n' << list;
}

// Catches output that leaves the user guessing: a silent special wash, a failure without its
// file and reason, names that must match exactly, one ITEM only, a refused --version, a program
// folder without a catalogue or an import that adds nothing, both passing without a word.
TEST_F(CliTest, OutputSaysWhatWasDoneAndWhatFailed) {
  const Result version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vorlisk-cli 1.00\n");

  WriteHostFile(root_ / "d/m/mine.txt", "data");
  const Result two = Run({"preview", "  temp FILES ", "mine"});
  EXPECT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(two.out,
            "file\t1\tC:\\tmp\\a.tmp\nfile\t1\tC:\\tmp\\b.tmp\nfile\t1\tD:\\m\\mine.txt\n");
  EXPECT_EQ(Run({"preview", "Temp files", "Mine", "--folder", "0"}).status, 2);

  Settings("[Delete Option]\r\nUse Quick=0\r\n");
  ASSERT_EQ(Run({"check", "Locked"}).status, 0);
  // A special item washed here must not reach the Trash of the real volumes: the recent list.
  WriteHostFile(root_ / "home/data/recently-used.xbel", "<xbel><bookmark/></xbel>");
  WriteHostFile(
      Prog("plugin/special.txt"),
      test::ItemFileText(
          {{.Name = "The history of Internet Explorer", .Active = false, .Special = true}}));
  const Result failed =
      Run({"wash", " the HISTORY of internet explorer", "Locked", "--yes", "--verbose"});
  EXPECT_EQ(failed.status, 3);
  EXPECT_EQ(
      failed.out,
      "The history of Internet Explorer\tcleared (the desktop's list of recently used files)\n"
      "Clean Files\tSuccess: 0\tFails: 1\nClean Registry\tSuccess: 0\tFails: 0\n"
      "Freed\t0 bytes\n");
  EXPECT_EQ(ReadHostFile(root_ / "home/data/recently-used.xbel").find("<bookmark"),
            std::string::npos);
  EXPECT_EQ(failed.err, "C:\\ro\\locked.dat: File access denied\n");
  EXPECT_NE(ReadHostFile(Prog("log.htm")).find("File Locked"), std::string::npos);
  EXPECT_EQ(Run({"wash", "Locked", "--yes"}).err, "");  // reasons only on request

  WriteHostFile(root_ / "d/none.txt", "[Common]\r\nTotal=0\r\n");
  const Result none = Run({"import", root_ / "d/none.txt"});
  EXPECT_EQ(none.status, 0);
  EXPECT_TRUE(Exists("c/plugin/none.txt"));
  EXPECT_NE(none.err.find("holds no wash item"), std::string::npos) << none.err;
  WriteHostFile(root_ / "d/some.txt", test::ItemFileText({{.Name = "Some"}}));
  EXPECT_EQ(Run({"import", root_ / "d/some.txt"}).err, "");

  std::filesystem::remove(Prog("const/system.txt"));
  const Result bare = Run({"list"});
  EXPECT_NE(bare.err.find("holds no catalogue"), std::string::npos) << bare.err;
}

// Catches a front end whose help or bad-usage exits are wrong.
TEST_F(CliTest, HelpAndBadUsage) {
  const Result help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* cmd :
       {"list", "entries", "preview", "wash", "check", "uncheck", "import", "export", "reg"})
    EXPECT_NE(help.out.find(cmd), std::string::npos) << cmd;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"bogus"},
                                             {"wash", "--folder", "0"},
                                             {"wash", "--registry", "0", "--yes"},
                                             {"entries", "Nope"},
                                             {"preview", "Recycle Bin"},
                                             {"preview", "0", "--folder", "5"},
                                             {"wash", "1", "--registry", "0", "--yes"},
                                             {"check", "9"}})
    EXPECT_EQ(Run(args).status, 2) << args[0] << ' ' << (args.size() > 1 ? args[1] : "");
}

// Catches columns out of order or missing in list, entries and preview.
TEST_F(CliTest, ListEntriesAndPreviewPrintTheirColumns) {
  const Result list = Run({"list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(
      list.out,
      "0\t1\t0\tTemp files\tC:\\const\\system.txt\n1\t0\t1\tRecycle Bin\tC:\\const\\system.txt\n"
      "2\t0\t0\tLocked\tC:\\const\\system.txt\n3\t1\t0\tMine\tC:\\const\\user.txt\n");
  EXPECT_EQ(
      Run({"entries", "Temp files"}).out,
      "folder\t0\t1\t1\ttmp\t\t\tC:\\tmp\\*.tmp\t\t0\t0\n"
      "folder\t1\t0\t2\tone\t\t\t\tD:\\one.log\t0\t0\n"
      "registry\t0\t1\t0\tkeys\tHKEY_CURRENT_USER\\Software\\T\t\n");
  ASSERT_EQ(Run({"reg", "import", root_ / "t.reg"}).status, 0);
  ASSERT_EQ(Run({"check", "Recycle Bin"}).status, 0);
  const Result preview = Run({"preview"});
  EXPECT_EQ(preview.status, 0);
  EXPECT_EQ(preview.out,
            "special\t1\tRecycle Bin\nfile\t1\tC:\\tmp\\a.tmp\nfile\t1\tC:\\tmp\\b.tmp\n"
            "registry\t1\tHKEY_CURRENT_USER\\Software\\T\\Sub<|>DeleteKey\n"
            "registry\t1\tHKEY_CURRENT_USER\\Software\\T\\<|>DeleteKey\n");
  EXPECT_EQ(Run({"preview", "0", "--folder", "1"}).out, "file\t0\tD:\\one.log\n");
  EXPECT_EQ(Run({"preview"}, "/dev/full").status, 1);  // output that cannot be written
  EXPECT_TRUE(Exists("c/tmp/a.tmp"));
}

// Catches a wash that goes on without an answer, or prints and exits wrongly.
TEST_F(CliTest, WashAsksFirstPrintsCountersAndSaysWhatFailed) {
  Settings("[Delete Option]\r\nprompt Before=1\r\nUse Quick=0\r\n");
  ASSERT_EQ(Run({"reg", "import", root_ / "t.reg"}).status, 0);
  const Result refused = Run({"wash", "0"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("Do you want to clean 'Temp files'?"), std::string::npos);
  EXPECT_TRUE(Exists("c/tmp/a.tmp"));
  EXPECT_EQ(Run({"wash"}).status, 2);

  const Result washed = Run({"wash", "0", "--yes"});
  EXPECT_EQ(washed.status, 0);
  EXPECT_EQ(
      washed.out,
      "Clean Files\tSuccess: 2\tFails: 0\nClean Registry\tSuccess: 2\tFails: 0\nFreed\t8 bytes\n");
  EXPECT_FALSE(Exists("c/tmp/a.tmp") || Exists("c/tmp/b.tmp"));
  EXPECT_TRUE(Exists("c/tmp/keep.txt") && Exists("d/one.log"));
  EXPECT_NE(ReadHostFile(Prog("log.htm")).find("C:\\tmp\\a.tmp"), std::string::npos);

  // A read-only file cannot be overwritten by the secure erase: counted as a failure, exit 3.
  ASSERT_EQ(Run({"check", "Locked"}).status, 0);
  const Result failed = Run({"wash", "Locked", "--folder", "0", "--yes"});
  EXPECT_EQ(failed.status, 3);
  EXPECT_EQ(failed.out, "Clean Files\tSuccess: 0\tFails: 1\nFreed\t0 bytes\n");
  EXPECT_TRUE(Exists("c/ro/locked.dat"));

  std::filesystem::remove(Prog("log.htm"));
  std::filesystem::create_directory(Prog("log.htm"));  // an error ends the wash: exit 1
  const Result broken = Run({"wash", "--yes"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_FALSE(broken.err.empty());
}

// Catches marks that are not stored where a later run reads them.
TEST_F(CliTest, CheckAndUncheckStoreItemAndEntryMarks) {
  EXPECT_EQ(Run({"uncheck", "0"}).status, 0);
  EXPECT_EQ(Run({"check", "2"}).status, 0);
  EXPECT_EQ(Run({"list"}).out.substr(0, 30), "0\t0\t0\tTemp files\tC:\\const\\syst");
  EXPECT_NE(Run({"list"}).out.find("2\t1\t0\tLocked"), std::string::npos);
  EXPECT_NE(ReadHostFile(Prog("order.ini")).find("[Locked<|>C:\\const\\system.txt]"),
            std::string::npos);

  EXPECT_EQ(Run({"check", "0", "--folder", "1"}).status, 0);
  EXPECT_EQ(Run({"uncheck", "0", "--registry", "0"}).status, 0);
  const std::string items = ReadHostFile(Prog("const/system.txt"));
  EXPECT_NE(items.find("tFolder1.isactive=1\r\n"), std::string::npos);
  EXPECT_NE(items.find("tRegister0.isactive=0\r\n"), std::string::npos);
  EXPECT_EQ(Run({"check", "0", "--folder", "2"}).status, 2);
}

// Catches imports and exports that replace a file without an answer, or lose items on the way.
TEST_F(CliTest, ExportAndImportAskBeforeReplacing) {
  const std::string e = root_ / "d/e.txt";
  EXPECT_EQ(Run({"export", e}).status, 0);
  EXPECT_NE(ReadHostFile(e).find("Item0=Mine\r\n"), std::string::npos);
  EXPECT_EQ(Run({"export", e}).status, 2);
  EXPECT_EQ(Run({"export", e, "--yes"}).status, 0);
  EXPECT_EQ(Run({"export", Prog("const/user.txt"), "--yes"}).status, 1);
  EXPECT_NE(ReadHostFile(Prog("const/user.txt")).find("Item0=Mine"), std::string::npos);

  EXPECT_EQ(Run({"import", e}).status, 0);
  EXPECT_EQ(Run({"import", e}).status, 2);
  EXPECT_EQ(Run({"import", e, "--yes"}).status, 0);
  EXPECT_NE(Run({"list"}).out.find("4\t1\t0\tMine\tC:\\plugin\\e.txt\n"), std::string::npos);
  EXPECT_EQ(Run({"import", root_ / "d/missing.txt"}).status, 1);
}

// Catches a registry import or export that drops keys, or a bad file taken as good.
TEST_F(CliTest, RegistryImportAndExport) {
  EXPECT_EQ(Run({"reg", "import", root_ / "t.reg"}).status, 0);
  const Result exported = Run({"reg", "export", "HKEY_CURRENT_USER\\Software\\T"});
  EXPECT_EQ(exported.status, 0);
  EXPECT_NE(exported.out.find("[HKEY_CURRENT_USER\\Software\\T\\Sub]"), std::string::npos);
  EXPECT_NE(exported.out.find("\"v\"=\"1\""), std::string::npos);
  WriteHostFile(root_ / "bad.reg", "not a registry file\r\n");
  EXPECT_EQ(Run({"reg", "import", root_ / "bad.reg"}).status, 1);
}

// Catches a drive mapping that fails open: a bad VORLISK_DRIVES left C: as the host root.
TEST_F(CliTest, AnUnusableDriveMappingEndsEveryCommandBeforeAnythingIsWashed) {
  const std::string good = "D=" + (root_ / "d");
  for (const std::string& bad : std::vector<std::string>{
           "C=relative/path", "C=", "C=~/c", "C=" + (root_ / "missing"), "CC=" + (root_ / "c"), "C",
           good + ";C=" + (root_ / "c/tmp/a.tmp"), ";", " ", good + ";d=/"}) {
    drives_ = bad;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"wash", "--yes"}, {"preview"}, {"reg", "export"}}) {
      const Result r = Run(args);
      EXPECT_EQ(r.status, 1) << bad << ' ' << args[0];
      EXPECT_NE(r.err.find("VORLISK_DRIVES=\"" + bad + "\""), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "") << bad;
    }
  }
  EXPECT_TRUE(Exists("c/tmp/a.tmp"));
  EXPECT_TRUE(Exists("d/one.log"));
  drives_ = good + ";C=" + (root_ / "c") + ";;";  // empty pieces are fine
  EXPECT_EQ(Run({"preview"}).status, 0);
}

// Catches a running executable outside the program folder (vorlisk-cli --home) that a wash of
// its folder erased, or an export replaced: it is one of the program's own files wherever it lives.
TEST_F(CliTest, TheRunningExecutableIsNeverListedNorWashed) {
  std::filesystem::create_directories(root_ / "d/bin");
  std::filesystem::copy_file(VORLISK_CLI_PATH, root_ / "d/bin/cleaner");
  WriteHostFile(root_ / "d/bin/other.txt", "data");
  WriteHostFile(Prog("const/user.txt"),
                test::ItemFileText(
                    {{.Name = "Mine", .Folders = {{.Name = "bin", .DeletePath = "D:\\bin\\*"}}}}));
  cli_ = root_ / "d/bin/cleaner";
  EXPECT_EQ(Run({"preview", "Mine"}).out, "file\t1\tD:\\bin\\other.txt\n");
  EXPECT_EQ(Run({"wash", "Mine", "--yes"}).status, 0);
  EXPECT_TRUE(Exists("d/bin/cleaner"));
  EXPECT_FALSE(Exists("d/bin/other.txt"));
  // Nor is it the target of an export, which deletes its target first.
  EXPECT_EQ(Run({"export", root_ / "d/bin/cleaner", "--yes"}).status, 1);
  EXPECT_EQ(std::filesystem::file_size(root_ / "d/bin/cleaner"),
            std::filesystem::file_size(VORLISK_CLI_PATH));
}

// Catches a host FILE whose "\" was read as a Windows separator: "a\plug.txt" imported a/plug.txt.
TEST_F(CliTest, FileArgumentsAreHostPaths) {
  WriteHostFile(root_ / "d/a\\plug.txt", test::ItemFileText({{.Name = "Wanted"}}));
  WriteHostFile(root_ / "d/a/plug.txt", test::ItemFileText({{.Name = "Other"}}));
  WriteHostFile(root_ / "d/a/t.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"import", root_ / "d/a\\plug.txt"},
                                             {"reg", "import", root_ / "d/a\\t.reg"},
                                             {"export", root_ / "d/a\\out.txt"}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("host path"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(Exists("c/plugin/plug.txt"));
  EXPECT_FALSE(Exists("d/a/out.txt"));
  EXPECT_EQ(Run({"list"}).out.find("Other"), std::string::npos);
}

// The Exec value of a desktop entry as GLib reads it: the escapes of a string value undone, then
// split as a shell splits it. `fieldCodes`: "%%" read as "%" first, as when the entry is started;
// without, as when it is loaded and its program looked for.
std::vector<std::string> ExecArguments(const std::string& value, bool fieldCodes) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    const char c = value[++i];
    text += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 's' ? ' ' : c;
  }
  if (fieldCodes)
    for (std::size_t at = text.find("%%"); at != std::string::npos; at = text.find("%%", at + 1))
      text.erase(at, 1);
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false, quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '\\' && i + 1 < text.size() &&
        std::string_view("\"`$\\").find(text[i + 1]) != std::string_view::npos) {
      arg += text[++i];
    } else if (c == '"') {
      quoted = !quoted;
      inArg = true;
    } else if (!quoted && c == ' ') {
      if (inArg) args.push_back(arg);
      arg.clear();
      inArg = false;
    } else {
      arg += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(arg);
  return args;
}

// Catches an autostart entry that desktops refuse or start with other arguments: a "%" in the
// program's folder written as "%%" in the program's place, which GLib looks for as it stands and
// does not find, so the entry is never started.
TEST_F(CliTest, TheAutostartEntryStartsTheProgramWhereverItsFolderIs) {
  const std::string bin = root_ / "d/my 100% \"apps\" $x `y` \\z";
  std::filesystem::create_directories(bin);
  std::filesystem::copy_file(VORLISK_CLI_PATH, bin + "/vorlisk-cli");
  WriteHostFile(bin + "/vorlisk", "#!/bin/sh\n");
  std::filesystem::permissions(bin + "/vorlisk", std::filesystem::perms::owner_all);
  const std::string program = root_ / "d/50% $HOME";
  std::filesystem::create_directories(program + "/const");
  std::filesystem::copy_file(Prog("const/system.txt"), program + "/const/system.txt");
  cli_ = bin + "/vorlisk-cli";
  withHome_ = false;
  ASSERT_EQ(Run({"--home", program, "prefs", "set", "auto-run", "1"}).status, 0);

  const std::string entry = ReadHostFile(root_ / "home/config/autostart/vorlisk.desktop");
  const auto at = entry.find("\nExec=");
  ASSERT_NE(at, std::string::npos) << entry;
  const std::string exec = entry.substr(at + 6, entry.find('\n', at + 6) - at - 6);
  // Loading: the program is found, by its path or in PATH.
  const std::vector<std::string> loaded = ExecArguments(exec, false);
  ASSERT_FALSE(loaded.empty()) << exec;
  const bool found = loaded[0].find('/') != std::string::npos
                         ? std::filesystem::exists(loaded[0])
                         : std::filesystem::exists("/usr/bin/" + loaded[0]) ||
                               std::filesystem::exists("/bin/" + loaded[0]);
  EXPECT_TRUE(found) << loaded[0];
  // Starting: the window program with the program folder, through env when its path holds a "%".
  EXPECT_EQ(ExecArguments(exec, true),
            (std::vector<std::string>{"env", bin + "/vorlisk", "--home", program}))
      << exec;
}

// Catches a front end that skips the closing steps: "Delete Log On Exit" never applied.
TEST_F(CliTest, AWashEndsWithTheClosingStepsOfTheWindow) {
  Settings("[Log]\r\nWrite to Log=1\r\nDelete Log On Exit=1\r\n");
  EXPECT_EQ(Run({"wash", "Temp files", "--folder", "0"}).status, 0);
  EXPECT_FALSE(Exists("c/tmp/a.tmp"));
  EXPECT_FALSE(Exists("c/log.htm"));
  Settings("[Log]\r\nWrite to Log=1\r\nDelete Log On Exit=0\r\n");
  EXPECT_EQ(Run({"wash", "Temp files", "--folder", "0"}).status, 0);
  EXPECT_TRUE(Exists("c/log.htm"));
}

// Catches Ctrl-C taken as the end of the process in the middle of a secure wash (a file left
// half-overwritten without a log row, no counters, the log run left open) rather than as a
// cancel between two files.
TEST_F(CliTest, SigintAndSigtermCancelASecureWashBetweenTwoFiles) {
  const std::string data(64 * 1024, 'x');
  constexpr int kFiles = 600;
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    for (int i = 0; i < kFiles; ++i) WriteHostFile(root_ / ("d/m/f" + std::to_string(i)), data);
    Settings("[Delete Option]\r\nUse Quick=0\r\n[Log]\r\nWrite to Log=1\r\n");
    std::filesystem::remove(root_ / "c/log.htm");
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ::inotify_add_watch(watch, (root_ / "d/m").c_str(), IN_DELETE);
    const pid_t pid = Start({"wash", "Mine"}, root_ / "out.txt", root_ / "err.txt");
    ASSERT_GT(pid, 0);
    alignas(inotify_event) char event[4096];
    ASSERT_GT(::read(watch, event, sizeof event), 0);  // the first file is gone
    ::kill(pid, signal);
    ::close(watch);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    int left = 0;
    for (const auto& f : std::filesystem::directory_iterator(root_ / "d/m")) {
      ++left;
      EXPECT_EQ(ReadHostFile(f.path()), data) << f.path();  // untouched, never half-overwritten
    }
    if (left == 0) GTEST_SKIP() << "the wash ended before the signal arrived";
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const int washed = kFiles - left;
    EXPECT_EQ(ReadHostFile(root_ / "out.txt"),
              "Clean Files\tSuccess: " + std::to_string(washed) +
                  "\tFails: 0\nClean Registry\tSuccess: 0\tFails: 0\nFreed\t" +
                  std::to_string(washed * 64 * 1024) + " bytes\n");
    EXPECT_NE(ReadHostFile(root_ / "err.txt").find("Interrupted"), std::string::npos);
    const std::string log = ReadHostFile(root_ / "c/log.htm");
    EXPECT_EQ(test::LogRows(log).size(), static_cast<std::size_t>(washed));
    EXPECT_NE(log.rfind("</table>"), std::string::npos);
    EXPECT_EQ(log.substr(log.rfind("</table>")).find("<tr"), std::string::npos) << "run left open";
    std::filesystem::remove_all(root_ / "d/m");
  }
}

// Catches two front ends run side by side that lose each other's updates while reporting success.
TEST_F(CliTest, TwoProcessesAtOnceLoseNoUpdate) {
  constexpr int kRounds = 12;
  for (int i = 0; i < kRounds; ++i) {
    std::vector<pid_t> running;
    for (const char* side : {"a", "b"}) {
      const std::string name = std::string(side) + std::to_string(i);
      WriteHostFile(root_ / (name + ".reg"),
                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Both\\" + name + "]\r\n");
      running.push_back(Start({"reg", "import", root_ / (name + ".reg")}, root_ / (name + ".out"),
                              root_ / (name + ".err")));
    }
    // And the entry marks of one item file, each process its own entry.
    running.push_back(Start({i % 2 ? "check" : "uncheck", "0", "--folder", "0"}, root_ / "c0.out",
                            root_ / "c0.err"));
    running.push_back(Start({i % 2 ? "uncheck" : "check", "0", "--folder", "1"}, root_ / "c1.out",
                            root_ / "c1.err"));
    for (const pid_t pid : running) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string items = ReadHostFile(Prog("const/system.txt"));
    EXPECT_NE(items.find(i % 2 ? "tFolder0.isactive=1" : "tFolder0.isactive=0"), std::string::npos);
    EXPECT_NE(items.find(i % 2 ? "tFolder1.isactive=0" : "tFolder1.isactive=1"), std::string::npos);
  }
  const std::string exported = Run({"reg", "export", "HKEY_CURRENT_USER\\Both"}).out;
  for (int i = 0; i < kRounds; ++i)
    for (const char* side : {"a", "b"})
      EXPECT_NE(
          exported.find("[HKEY_CURRENT_USER\\Both\\" + std::string(side) + std::to_string(i) + "]"),
          std::string::npos)
          << side << i;
}

// Catches a damaged registry store read as an empty registry.
TEST_F(CliTest, ADamagedRegistryStoreIsReportedWithItsLine) {
  ASSERT_EQ(Run({"reg", "import", root_ / "t.reg"}).status, 0);
  std::string store = ReadHostFile(Prog("registry.reg"));
  store.resize(store.rfind("\"1\"") + 2);  // the last line cut in the middle of its value
  WriteHostFile(Prog("registry.reg"), store);
  const std::string line =
      "Line " + std::to_string(std::count(store.begin(), store.end(), '\n') + 1);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"reg", "export"},
                                               {"preview", "0", "--registry", "0"},
                                               {"preview", "0"},
                                               {"reg", "import", root_ / "t.reg"}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0] << ' ' << args[1];
    EXPECT_NE(r.err.find("registry.reg: " + line + ": missing closing quote"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadHostFile(Prog("registry.reg")), store);
  EXPECT_EQ(Run({"list"}).status, 0);  // what does not read the registry still works
}

// Catches sizes that do not add up to what the wash then frees.
TEST_F(CliTest, PreviewSizesAndTheBytesAWashFreed) {
  const Result preview = Run({"preview", "Temp files", "--folder", "0", "--sizes"});
  EXPECT_EQ(preview.status, 0);
  EXPECT_EQ(preview.out,
            "file\t1\tC:\\tmp\\a.tmp\t4\nfile\t1\tC:\\tmp\\b.tmp\t4\ntotal\t2 files\t8 bytes\n");
  EXPECT_EQ(Run({"preview", "Temp files", "--folder", "0"}).out.find("total"), std::string::npos);
  const Result wash = Run({"wash", "Temp files", "--folder", "0"});
  EXPECT_EQ(wash.status, 0);
  EXPECT_NE(wash.out.find("Freed\t8 bytes\n"), std::string::npos) << wash.out;
}

// A file whose name holds a control character matches the mask but no line can name it: the
// wash leaves it, and --verbose says so, so "Success" is not read as "all gone".
TEST_F(CliTest, AVerboseWashSaysHowManyFilesNoLineCouldName) {
  test::WriteHostFile(root_ / "c/tmp/bad\nname.tmp", "x");
  const Result quiet = Run({"wash", "Temp files", "--folder", "0"});
  EXPECT_EQ(quiet.err.find("skipped"), std::string::npos) << quiet.err;
  test::WriteHostFile(root_ / "c/tmp/a.tmp", "a");
  const Result verbose = Run({"wash", "Temp files", "--folder", "0", "--verbose"});
  EXPECT_EQ(verbose.status, 0);
  EXPECT_NE(verbose.out.find("Success: 1\t"), std::string::npos) << verbose.out;
  EXPECT_NE(verbose.err.find("1 file was skipped: a name holding a control character"),
            std::string::npos)
      << verbose.err;
  EXPECT_TRUE(std::filesystem::exists(root_ / "c/tmp/bad\nname.tmp"));
}

// Catches list edits that differ from the dialogs': duplicates ignoring case, a second backslash,
// host paths stored as host text, a refusal that writes or exits 0.
TEST_F(CliTest, ExcludeAndWildcardListsAreEditedAsTheDialogsDo) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;  // err: a part of standard error ("" for nothing at all)
  } steps[] = {
      {{"exclude", "add", root_ / "c/tmp/a.tmp", root_ / "d/one.log", root_ / "c/tmp/A.TMP"},
       0,
       "",
       "'C:\\tmp\\A.TMP' is in the exclude list already: nothing was added."},
      {{"exclude", "add-mask", root_ / "c", " *.log "}, 0, "", ""},
      {{"exclude", "add", root_ / "t.reg"}, 2, "", "No such folder on a mapped drive"},
      {{"exclude", "add-mask", root_ / "c/tmp/a.tmp", "*.*"}, 2, "", "No such folder"},
      {{"exclude", "remove", "3"}, 2, "", "There is no entry 3 in the exclude list"},
      {{"exclude", "move", "2", "up"}, 0, "", ""},
      {{"exclude", "move", "0", "up"}, 0, "", "Entry 0 is the first already"},
      {{"exclude", "remove", "0"}, 0, "", ""},
      {{"exclude", "list"}, 0, "0\tC:\\*.log\n1\tD:\\one.log\n", ""},
      {{"wildcard", "add", " *.log "}, 0, "", ""},
      {{"wildcard", "add", "*.tmp"}, 0, "", ""},
      {{"wildcard", "add", "*.LOG"}, 0, "", "'*.LOG' is in the wildcard list already"},
      {{"wildcard", "add", "  "}, 2, "", "The mask is blank: nothing was added."},
      {{"wildcard", "add", ""}, 2, "", "The mask is blank: nothing was added."},
      {{"wildcard", "remove", "2"}, 2, "", "Please select a item by clicking"},
      {{"wildcard", "move", "1", "up"}, 0, "", ""},
      {{"wildcard", "list"}, 0, "0\t*.tmp\n1\t*.log\n", ""},
      {{"wildcard", "clear"}, 0, "", ""},
      {{"wildcard", "list"}, 0, "", ""},
      {{"exclude", "list"}, 0, "0\tC:\\*.log\n1\tD:\\one.log\n", ""}};
  for (const auto& step : steps) {
    const std::string before = Exists("c/wildcard.ini") ? ReadHostFile(Prog("wildcard.ini")) : "";
    const Result r = Run(step.args);
    const std::string what = step.args[0] + ' ' + step.args[1];
    EXPECT_EQ(r.status, step.status) << what << ": " << r.err;
    EXPECT_EQ(r.out, step.out) << what;
    if (step.err.empty()) {
      EXPECT_EQ(r.err, "") << what;
    } else {
      EXPECT_NE(r.err.find(step.err), std::string::npos) << what << ": " << r.err;
    }
    if (step.status != 0) {
      EXPECT_EQ(ReadHostFile(Prog("wildcard.ini")), before) << what;
    }
  }
  EXPECT_NE(Run({"exclude", "--help"}).out.find("add-mask"), std::string::npos);
}

// Catches two list edits run side by side where one overwrites the other's entry.
TEST_F(CliTest, TwoListEditsAtOnceLoseNoEntry) {
  constexpr int kRounds = 12;
  for (int i = 0; i < kRounds; ++i) {
    std::vector<pid_t> running;
    for (const char* side : {"a", "b"})
      running.push_back(Start({"exclude", "add", root_ / ("c/" + (side + std::to_string(i)))},
                              root_ / (std::string(side) + ".out"),
                              root_ / (std::string(side) + ".err")));
    for (const pid_t pid : running) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
  }
  const std::string listed = Run({"exclude", "list"}).out;
  EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 2 * kRounds) << listed;
}

// Catches a preference shown wrongly, a refusal that writes, or an autostart entry in the wrong
// place.
TEST_F(CliTest, PrefsShowsAndSetsOnePreferenceAsApplyDoes) {
  const Result shown = Run({"prefs"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out,
            "auto-run\t0\nminimized\t0\nsecure\t0\nschedule\t\nminutes\t2\nprompt\t0\nlog\t1\n"
            "delete-log\t0\nhotkey1\tCTRL+ALT+F\nhotkey2\tCTRL+D\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"bogus", "1"},
                                             {"log", "yes"},
                                             {"schedule", "start,hourly"},
                                             {"hotkey1", "CTRL+1"},
                                             {"hotkey1", "META+A"},
                                             {"hotkey2", "CTRL+ALT+F"}}) {
    std::vector<std::string> set = {"prefs", "set"};
    set.insert(set.end(), args.begin(), args.end());
    const Result r = Run(set);
    EXPECT_EQ(r.status, 2) << args[0] << ' ' << args[1];
    EXPECT_NE(r.err, "") << args[0];
    EXPECT_FALSE(Exists("c/wildcard.ini")) << args[0];
  }
  EXPECT_EQ(Run({"prefs", "set", "hotkey2", "CTRL+ALT+F"}).err,
            "HotKey conflict,please setup again!\n");

  const std::string entry = root_ / "home/config/autostart/vorlisk.desktop";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"auto-run", "1"},
                                             {"schedule", "every,start"},
                                             {"minutes", "5000"},
                                             {"hotkey2", "shift+f"}})
    EXPECT_EQ(Run({"prefs", "set", args[0], args[1]}).status, 0) << args[0];
  EXPECT_NE(ReadHostFile(entry).find("\nExec="), std::string::npos);
  const std::string after = Run({"prefs", "show"}).out;
  for (const char* line :
       {"auto-run\t1\n", "schedule\tstart,every\n", "minutes\t1000\n", "hotkey2\tSHIFT+F\n"})
    EXPECT_NE(after.find(line), std::string::npos) << line << after;
  EXPECT_EQ(Run({"prefs", "set", "auto-run", "0"}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(entry));
}

// One step of a scripted editing session: the arguments, the exit status and, when given, the
// whole of standard error.
struct Step {
  std::vector<std::string> args;
  int status;
  std::optional<std::string> err = std::nullopt;
};

class CliEditingTest : public CliTest {
 protected:
  void Play(const std::vector<Step>& steps) const {
    for (const Step& s : steps) {
      const Result r = Run(s.args);
      std::string command;
      for (const auto& a : s.args) command += a + ' ';
      EXPECT_EQ(r.status, s.status) << command << r.err;
      if (s.err) {
        EXPECT_EQ(r.err, *s.err) << command;
      }
    }
  }
};

// Catches an item command that refuses with the wrong status or message, writes on refusal, or
// does not leave its moves and marks in the order file.
TEST_F(CliEditingTest, ItemCommandsEditTheCatalogueAndKeepTheOrder) {
  Play({{{"item", "add", " mine"}, 2, "Item Name exists! Please retry.\n"},
        {{"item", "add", "New"}, 0, ""},
        {{"item", "move", "New", "up"}, 0, ""},
        {{"item", "move", "0", "up"}, 2},
        {{"item", "uncheck-all"}, 0, ""},
        {{"item", "rename", "New", "Newer", "--active"}, 0, ""},
        {{"item", "rename", "Recycle Bin", "X"}, 2},
        {{"item", "add", "  "}, 2},
        {{"item", "delete", "Mine"}, 2},
        {{"item", "delete", "Mine", "--yes"}, 0, ""}});
  // The renamed item comes last: the order file still knew it by its old name.
  EXPECT_EQ(
      Run({"list"}).out,
      "0\t0\t0\tTemp files\tC:\\const\\system.txt\n1\t0\t1\tRecycle Bin\tC:\\const\\system.txt\n"
      "2\t0\t0\tLocked\tC:\\const\\system.txt\n3\t1\t0\tNewer\tC:\\const\\user.txt\n");
}

// Catches entry fields stored untrimmed or in the wrong field, a registry entry without a key
// accepted, a refusal that writes, and an entry question answered for the user.
TEST_F(CliEditingTest, EntryCommandsStoreTheFieldsGiven) {
  const std::string before = ReadHostFile(Prog("const/user.txt"));
  Play(
      {{{"entry", "add", "Mine", "registry", "--name", "k"}, 2},
       {{"entry", "add", "Mine", "folder", "--name", " M "}, 2, "Item 'M' exists. Please retry!\n"},
       {{"entry", "add", "Mine", "registry", "--name", "x", "--path", "p", "--key", "K"}, 2},
       {{"entry", "delete", "Mine", "--folder", "0"}, 2}});
  EXPECT_EQ(ReadHostFile(Prog("const/user.txt")), before);
  Play({{{"entry", "add", "Mine", "registry", "--name", "m", "--key", " HKEY_CURRENT_USER\\X ",
          "--type", "value", "--value", "v", "--active"},
         0,
         ""},
        {{"entry", "add", "Mine", "folder", "--name", "f", "--kind", "file", "--file", "D:\\f.txt",
          "--subfolders", "--remove-emptied"},
         0,
         ""},
        {{"entry", "edit", "Mine", "--folder", "0", "--inactive", "--path", "D:\\n\\*.*"}, 0, ""},
        {{"entry", "add", "Mine", "folder", "--name", "gone"}, 0, ""},
        {{"entry", "delete", "Mine", "--folder", "2", "--yes"}, 0, ""}});
  EXPECT_EQ(Run({"entries", "Mine"}).out,
            "folder\t0\t0\t1\tm\t\t\tD:\\n\\*.*\t\t0\t0\n"
            "folder\t1\t0\t2\tf\t\t\t\tD:\\f.txt\t1\t1\n"
            "registry\t0\t1\t2\tm\tHKEY_CURRENT_USER\\X\tv\n");
}

// An installed copy (bin/vorlisk-cli beside share/vorlisk) run without --home works in the user's
// data folder, made from the installation's catalogue and help; nothing is written beside it.
TEST_F(CliTest, AnInstalledCopyWorksInTheUsersDataFolder) {
  const std::string bin = root_ / "inst/bin";
  std::filesystem::create_directories(bin);
  std::filesystem::copy_file(cli_, bin + "/vorlisk-cli");
  WriteHostFile(root_ / "inst/share/vorlisk/const/system.txt",
                test::ItemFileText({{.Name = "Shipped item"}}));
  WriteHostFile(root_ / "inst/share/vorlisk/help/58.html", "help");
  cli_ = bin + "/vorlisk-cli";
  withHome_ = false;

  const Result list = Run({"list"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("Shipped item"), std::string::npos) << list.out;
  EXPECT_EQ(ReadHostFile(root_ / "home/data/vorlisk/help/58.html"), "help");
  EXPECT_FALSE(Exists("inst/bin/const"));
}

}  // namespace
}  // namespace vorlisk
