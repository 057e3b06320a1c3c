// Folder entries whose folder has wildcard levels (C:\Users\*\Cache\*.*), and entries that remove
// the folders their wash empties.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_entries.h"
#include "engine/wash_log.h"
#include "folder_entries_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::WriteHostFile;

std::vector<std::string> Texts(const FileLines& lines) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.Count(); ++i) out.push_back(lines.Text(i));
  std::sort(out.begin(), out.end());
  return out;
}

// Catches a wildcard level that takes a file, a dot-folder, a link or a name that does not match
// it, one that misses a profile whose name has a space, and a wash of such lines that acts on
// anything but the files listed.
TEST_F(FolderEntriesTest, AWildcardLevelMatchesRealSubfoldersOnly) {
  for (const char* f :
       {"chrome/Default/GPUCache/data_0", "chrome/Profile 2/GPUCache/data_1",
        "chrome/Profile 2/GPUCache/sub/data_2", "chrome/Default/History",
        "chrome/.hidden/GPUCache/data_3", "chrome/Default/GPUCache.old/data_4",
        "other/GPUCache/precious", "snap/firefox/common/.cache/fx/c1", "snap/code/common/.cache/c2",
        "snap/code/common/keep.txt", "snap/.x/common/.cache/c3"})
    WriteHostFile(drive_.Host(f), "data");
  WriteHostFile(drive_.Host("chrome/GPUCache"), "a file named as the level");
  fs::create_directory_symlink(drive_.Host("other"), drive_.Host("chrome/Linked"));

  EXPECT_EQ(Texts(ListedLines(
                Entry(FolderKind::FolderMask, drive_.Win("chrome\\*\\GPUCache\\*.*"), true))),
            (std::vector<std::string>{drive_.Win("chrome\\Default\\GPUCache\\data_0"),
                                      drive_.Win("chrome\\Profile 2\\GPUCache\\data_1"),
                                      drive_.Win("chrome\\Profile 2\\GPUCache\\sub\\data_2")}));
  // "?" and a mask within a level; without subfolders, the matched folder's own files only.
  EXPECT_EQ(Texts(ListedLines(
                Entry(FolderKind::FolderMask, drive_.Win("chrome\\Pro*?2\\GPUCache\\*.*"), false))),
            (std::vector<std::string>{drive_.Win("chrome\\Profile 2\\GPUCache\\data_1")}));
  // A literal dot-level below a wildcard one is named on purpose; "*" takes no dot-folder.
  EXPECT_EQ(Texts(ListedLines(
                Entry(FolderKind::FolderMask, drive_.Win("snap\\*\\common\\.cache\\*.*"), true))),
            (std::vector<std::string>{drive_.Win("snap\\code\\common\\.cache\\c2"),
                                      drive_.Win("snap\\firefox\\common\\.cache\\fx\\c1")}));
  // A level beginning with "." matches dot-folders.
  EXPECT_EQ(Texts(ListedLines(
                Entry(FolderKind::FolderMask, drive_.Win("chrome\\.h*\\GPUCache\\*.*"), false))),
            (std::vector<std::string>{drive_.Win("chrome\\.hidden\\GPUCache\\data_3")}));
  // A single file below wildcard levels.
  EXPECT_EQ(Texts(ListedLines(
                Entry(FolderKind::SingleFile, drive_.Win("snap\\*\\common\\keep.txt"), false))),
            (std::vector<std::string>{drive_.Win("snap\\code\\common\\keep.txt")}));

  // The wash erases exactly those files, reached from the folder before the wildcard level.
  const auto lines =
      ListedLines(Entry(FolderKind::FolderMask, drive_.Win("chrome\\*\\GPUCache\\*.*"), true));
  const WashCounts counts = WashFileLines(lines, true, nullptr, {});
  EXPECT_EQ(counts.Success, 3);
  for (const char* kept : {"chrome/Default/History", "chrome/.hidden/GPUCache/data_3",
                           "chrome/Default/GPUCache.old/data_4", "other/GPUCache/precious"})
    EXPECT_TRUE(drive_.Exists(kept)) << kept;
}

// Catches a matched profile folder swapped for a link between the preview and the wash: the wash
// reaches it from the folder before the wildcard level and finds a link, not the folder listed.
TEST_F(FolderEntriesTest, AMatchedFolderSwappedForALinkIsNeverWashed) {
  WriteHostFile(drive_.Host("chrome/Default/Cache/c.bin"), "cache");
  WriteHostFile(drive_.Host("mine/Cache/c.bin"), "precious");
  const auto lines =
      ListedLines(Entry(FolderKind::FolderMask, drive_.Win("chrome\\*\\Cache\\*.*"), true));
  ASSERT_EQ(lines.Count(), 1u);
  fs::rename(drive_.Host("chrome/Default"), drive_.Host("moved"));
  fs::create_directory_symlink(drive_.Host("mine"), drive_.Host("chrome/Default"));
  for (const bool quick : {true, false})
    EXPECT_EQ(WashFileLines(lines, quick, nullptr, {}).Success, 0) << quick;
  EXPECT_EQ(drive_.Read("mine/Cache/c.bin"), "precious");
}

// Catches an entry whose wildcard levels take whole top-level folders of the home or a drive's
// root with their subfolders, which no item can mean, while a literal level after the wildcard
// narrows it enough.
TEST_F(FolderEntriesTest, WildcardLevelsWithSubfoldersAtAGuardedFolderAreRefused) {
  WriteHostFile(drive_.Host("home/Documents/thesis.odt"), "precious");
  WriteHostFile(drive_.Host("home/app/cache/c.bin"), "cache");
  test::ScopedEnv home("HOME", drive_.Host("home"));
  std::vector<std::string> lines;
  for (const char* target : {"home\\*\\*.*", "home\\*\\?*\\*.odt", "home\\Doc*\\*.*"}) {
    auto entry = Entry(FolderKind::FolderMask, drive_.Win(target), true);
    EXPECT_THROW(ExpandFolderEntry(entry, {}, lines), RefusedEntry) << target;
  }
  auto narrow = Entry(FolderKind::FolderMask, drive_.Win("home\\*\\cache\\*.*"), true);
  ExpandFolderEntry(narrow, {}, lines);
  EXPECT_EQ(lines, std::vector<std::string>{drive_.Win("home\\app\\cache\\c.bin")});
}

// Catches a guard that holds by spelling only: the walk finds folders whatever the case of their
// names or a trailing ".", a wildcard level may match the home or a user folder, and the folder an
// entry names may hold the home. Each is refused by the identity of the folder the walk opens,
// named in the reason, before any file of it is listed; narrower entries stand.
TEST_F(FolderEntriesTest, TheGuardHoldsAtTheFolderTheWalkOpensHoweverItIsSpelled) {
  for (const char* f : {"home/me/Documents/thesis.odt", "home/me/notes.txt",
                        "home/me/Documents/old/a.tmp", "home/me/app/cache/c.bin"})
    WriteHostFile(drive_.Host(f), "data");
  test::ScopedEnv home("HOME", drive_.Host("home/me"));
  test::ScopedEnv config("XDG_CONFIG_HOME", drive_.Host("home/me/.config"));
  const struct {
    const char* target;
    const char* refusedAs;
    const char* folder;  // below the drive's root
  } refused[] = {
      {"HOME\\ME\\*.*", "your home folder", "HOME\\ME\\"},
      {"home\\me\\DOCUMENTS\\*.*", "your Documents folder", "home\\me\\DOCUMENTS\\"},
      {"HOME.\\*.*", "a folder holding your home folder", "HOME\\"},
      {"home\\*\\*.*", "a folder holding your home folder", "home\\"},
      {"*\\me\\*.*", "your home folder", "home\\me\\"},
      {"home\\m*\\*.*", "a folder holding your home folder", "home\\"},
      {"h*\\m?\\*.*", "a folder holding your home folder", ""},
      {"home\\*\\Documents\\*.*", "your Documents folder", "home\\me\\Documents\\"},
      {"home\\*.*", "a folder holding your home folder", "home\\"},
      {"*.*", "a folder holding your home folder", ""},
      {"home\\me\\Documents\\thesis.odt", "your Documents folder", "home\\me\\Documents\\"},
  };
  for (const auto& c : refused) {
    const std::string target = drive_.Win(c.target);
    auto entry = Entry(
        target.find('*') == std::string::npos ? FolderKind::SingleFile : FolderKind::FolderMask,
        target, true);
    FileLines lines;
    try {
      ExpandFolderEntry(entry, {}, lines);
      ADD_FAILURE() << target << " not refused";
    } catch (const RefusedEntry& e) {
      const std::string why = e.what();
      EXPECT_NE(why.find(c.refusedAs), std::string::npos) << why;
      EXPECT_NE(why.find("\"" + target + "\""), std::string::npos) << why;
      EXPECT_NE(why.find("(" + drive_.Win(c.folder) + ")"), std::string::npos) << why;
    }
  }
  // A literal level after the wildcard one narrows the walk; a folder below the user folders, or
  // no subfolders, stands.
  const struct {
    const char* target;
    bool subfolders;
    std::vector<std::string> found;
  } standing[] = {
      {"home\\me\\*\\cache\\*.*", true, {"home\\me\\app\\cache\\c.bin"}},
      {"HOME\\ME\\DOCUMENTS\\OLD\\*.*", true, {"HOME\\ME\\DOCUMENTS\\OLD\\a.tmp"}},
      {"HOME\\ME\\*.txt", false, {"HOME\\ME\\notes.txt"}},
  };
  for (const auto& c : standing) {
    auto entry = Entry(FolderKind::FolderMask, drive_.Win(c.target), c.subfolders);
    std::vector<std::string> expected;
    for (const auto& f : c.found) expected.push_back(drive_.Win(f));
    EXPECT_EQ(Texts(ListedLines(entry)), expected) << c.target;
  }
  EXPECT_EQ(drive_.Read("home/me/Documents/thesis.odt"), "data");
}

// Catches the removal of emptied folders following a folder swapped in during the wash: the
// entry's parent exchanged for a link to another tree of the same shape, or an emptied folder
// exchanged for a folder from elsewhere. Only the folders this wash emptied go, reached from the
// folder the walk listed and each the folder listed there.
TEST_F(FolderEntriesTest, EmptiedFoldersAreRemovedOnlyAsTheWalkListedThem) {
  for (const bool parentSwapped : {false, true}) {
    SCOPED_TRACE(parentSwapped ? "the entry's parent swapped" : "an emptied folder swapped");
    for (const char* f : {"p", "p-moved", "other", "elsewhere", "away"})
      test::RemoveTree(drive_.Host(f));
    for (const char* f : {"p/c/a/x/f1.tmp", "p/c/b/f2.tmp", "p/c/d/f3.tmp"})
      WriteHostFile(drive_.Host(f), "junk");
    for (const char* f : {"other/c/a/x", "other/c/b", "other/c/d", "elsewhere/mine"})
      fs::create_directories(drive_.Host(f));
    auto entry = Entry(FolderKind::FolderMask, drive_.Win("p\\c\\*.*"), true);
    entry.RemoveEmptiedFolders = true;
    FileLines lines = ListedLines(entry);
    lines.Sort();
    ASSERT_EQ(lines.Count(), 3u);
    // Once a\x\ is emptied, x is exchanged for a folder of the user's from elsewhere; or, the
    // files of a and b erased, the entry's parent is exchanged for a link to another tree of the
    // same shape. (The secure erase gives a moment between two files; the folders are removed
    // the same way after either erase.)
    SetSecureEraseHookForTesting([&](std::string_view path) {
      if (!parentSwapped && path == drive_.Win("p\\c\\b\\f2.tmp")) {
        fs::rename(drive_.Host("p/c/a/x"), drive_.Host("away"));
        fs::rename(drive_.Host("elsewhere/mine"), drive_.Host("p/c/a/x"));
      }
      if (parentSwapped && path == drive_.Win("p\\c\\d\\f3.tmp")) {
        fs::rename(drive_.Host("p"), drive_.Host("p-moved"));
        fs::create_directory_symlink(drive_.Host("other"), drive_.Host("p"));
      }
    });
    const WashCounts counts = WashFileLines(lines, false, nullptr, {});
    SetSecureEraseHookForTesting(nullptr);
    EXPECT_EQ(counts.Success, 3) << "the files are reached through the folders the walk listed";
    for (const char* f : {"other/c/a/x", "other/c/b", "other/c/d"})
      EXPECT_TRUE(fs::is_directory(drive_.Host(f))) << f << ": a folder of another tree removed";
    const std::string tree = parentSwapped ? "p-moved/c/" : "p/c/";
    if (parentSwapped) {
      // Reached through the folder the walk listed, wherever it went: the folders it emptied go.
      EXPECT_EQ(counts.FoldersRemoved, 4);
      EXPECT_FALSE(drive_.Exists(tree + "a"));
    } else {
      EXPECT_TRUE(fs::is_directory(drive_.Host(tree + "a/x"))) << "the folder swapped in removed";
      EXPECT_TRUE(fs::is_directory(drive_.Host("away"))) << "emptied, but moved out of reach";
      EXPECT_EQ(counts.FoldersRemoved, 2);
    }
    EXPECT_FALSE(drive_.Exists(tree + "b")) << "emptied by the wash, and the folder listed";
    EXPECT_FALSE(drive_.Exists(tree + "d")) << "emptied by the wash, and the folder listed";
  }
}

// Catches emptied folders left behind, and worse: the entry's own folder removed, a folder
// holding an unticked or unmatched file removed, a folder that was empty before the wash (not
// emptied by it) removed, or a removal through a link swapped in.
TEST_F(FolderEntriesTest, AWashRemovesTheFoldersItEmptiedAndNothingElse) {
  for (const char* f :
       {"c/Default/cache2/entries/E1", "c/Default/cache2/entries/E2", "c/Default/cache2/doomed/D1",
        "c/Default/keep/K.tmp", "c/Default/keep/note.txt", "c/Default/top.tmp", "c/Other/only.tmp",
        "mine/x/precious.tmp"})
    WriteHostFile(drive_.Host(f), "data");
  fs::create_directories(drive_.Host("c/Default/was-empty"));
  auto entry = Entry(FolderKind::FolderMask, drive_.Win("c\\*\\*.tmp"), true);
  entry.DeletePath = drive_.Win("c\\*\\*.*");
  entry.RemoveEmptiedFolders = true;
  FileLines lines = ListedLines(entry);
  ASSERT_EQ(lines.Count(), 7u);
  for (std::size_t i = 0; i < lines.Count(); ++i)
    if (lines.Text(i).ends_with("note.txt")) lines.SetChecked(i, false);
  // "doomed" is swapped for a link to a folder of the user's that the wash empties elsewhere.
  fs::remove_all(drive_.Host("c/Default/cache2/doomed"));
  fs::create_directory_symlink(drive_.Host("mine/x"), drive_.Host("c/Default/cache2/doomed"));
  fs::create_directories(drive_.Host("mine/empty"));

  test::TempFolder logFolder;
  WashLog log(logFolder.path() + "/");
  log.BeginLogRun();
  const WashCounts counts = WashFileLines(lines, true, &log, {});
  log.EndLogRun();
  EXPECT_EQ(counts.Success, 5);
  EXPECT_EQ(counts.FoldersRemoved, 1) << "entries/ only: cache2 still holds the link";
  EXPECT_FALSE(drive_.Exists("c/Default/cache2/entries"));
  EXPECT_TRUE(drive_.Exists("c/Default/cache2"));
  EXPECT_TRUE(fs::is_symlink(drive_.Host("c/Default/cache2/doomed")));
  EXPECT_TRUE(drive_.Exists("mine/x/precious.tmp"));
  EXPECT_TRUE(drive_.Exists("c/Default/keep/note.txt"));
  EXPECT_TRUE(drive_.Exists("c/Default/was-empty")) << "not emptied by the wash";
  EXPECT_TRUE(drive_.Exists("c/Default")) << "the folder the walk started in stays";
  EXPECT_TRUE(drive_.Exists("c/Other")) << "emptied, but a folder the entry names";
  EXPECT_NE(test::ReadHostFile(logFolder.path() + "/log.htm").find("Emptied folder removed"),
            std::string::npos);

  // Without the option, nothing but files goes.
  WriteHostFile(drive_.Host("c/Default/again/a.bin"), "data");
  entry.RemoveEmptiedFolders = false;
  EXPECT_EQ(WashFileLines(ListedLines(entry), true, nullptr, {}).FoldersRemoved, 0);
  EXPECT_TRUE(drive_.Exists("c/Default/again"));
}

}  // namespace
}  // namespace vorlisk
