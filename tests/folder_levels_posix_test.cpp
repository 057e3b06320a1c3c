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
