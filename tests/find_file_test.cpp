#include "engine/find_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "test_support.h"

namespace vorlisk {
namespace {

using test::TempDrive;
using test::TempFolder;
using test::WriteHostFile;

TEST(MatchesExcludePattern, FolderTailAndNameWalk) {
  struct Case {
    const char* pattern;
    const char* path;
    bool match;
  } cases[] = {
      {"C:\\TEMP\\", "C:\\TEMP\\A.LOG", true},
      {"C:\\TEMP\\", "C:\\OLD\\TEMP\\X", true},  // any depth
      {"C:\\TEMP\\", "D:\\TEMP\\A.LOG", false},
      {"C:\\TEMP\\", "C:\\TEMP\\SUB\\A.LOG", false},
      {"\\TEMP\\", "E:\\X\\TEMP\\A", true},
      {"\\TEMP\\", "E:\\X\\MYTEMP\\A", false},
      {"?:\\TEMP\\A.LOG", "D:\\TEMP\\A.LOG", true},
      {"?:\\TEMP\\A.LOG", "C:\\X\\TEMP\\A.LOG", true},
      {"?:\\TEMP\\A.LOG", "C:\\TEMP\\B.LOG", false},
      {"c:\\temp\\a.log", "C:\\Temp\\A.LOG", true},  // case ignored
      {"C:\\TEMP\\*.*", "C:\\TEMP\\A.LOG", true},
      {"C:\\TEMP\\*.*", "C:\\OLD\\TEMP\\B.TXT", true},
      {"C:\\TEMP\\*.*", "C:\\TEMP\\README", false},
      {"C:\\TEMP\\*.*", "C:\\TEMP\\SUB\\A.LOG", false},
      {"*", "C:\\X\\README", true},
      {"*", "C:\\X\\A.TXT", false},  // a "*" never takes a "."
      {"*.*", "C:\\X\\A.TXT", true},
      {"*.*", "C:\\X\\README", false},
      {"*.TXT", "C:\\X\\a.txt", true},
      {"*.TXT", "C:\\X\\A.B.TXT", false},
      {"A?.TXT", "C:\\X\\AB.TXT", true},
      {"A?.TXT", "C:\\X\\A.TXT", true},
      {"A?.TXT", "C:\\X\\ABC.TXT", false},
      {"C:\\*\\A.TXT", "C:\\X\\A.TXT", false},     // "*" in the folder part is a plain character
      {"c:/temp/a.log", "C:\\TEMP\\A.LOG", true},  // "/" reads as "\"
      {"C:\\TEMP\\", "C:/OLD/TEMP/X", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesExcludePattern(c.path, c.pattern), c.match) << c.pattern << " vs " << c.path;
}

TEST(TFindFileProperties, RefusesFolderInFilenameAndWildcardsInLocation) {
  TFindFile f;
  for (const char* bad : {"C:\\x\\*.txt", "sub/a.txt", "C:a.txt"}) {
    try {
      f.SetFilename(bad);
      ADD_FAILURE() << bad;
    } catch (const EFindFileError& e) {
      EXPECT_EQ(std::string(e.what()), std::string(bad) + "\n\rInvalid filename specified");
    }
  }
  EXPECT_EQ(f.Filename(), "*.*");
  try {
    f.SetLocation("C:\\a*;D:\\");
    ADD_FAILURE();
  } catch (const EFindFileError& e) {
    EXPECT_STREQ(e.what(), "C:\\a*;D:\\\n\rlocation cannot to be contained wildcards");
  }
  EXPECT_EQ(f.Location(), "");
}

// T:\ holds files, subfolders, names beginning with "." and a link to a folder outside it whose
// precious file must never be reported.
class FindFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* rel : {"top1.tmp", "top2.tmp", "keep.txt", ".profile.tmp", ".cache/in.tmp",
                            "a/a1.tmp", "a/deep/d.tmp", "b/b1.tmp", "c.tmp/inside.txt"})
      WriteHostFile(drive.Host(rel), "x");
    WriteHostFile(outside / "precious.tmp", "precious");
    noLinks = test::MakeSymlink(outside.Path(), drive.Host("link.tmp"));
    if (noLinks.empty()) noLinks = test::MakeSymlink(outside.Path(), drive.Host("linkdir"));
  }

  // Runs the search and returns "folder|name" per reported entry, in order.
  std::vector<std::string> Run(TFindFile& f) {
    std::vector<std::string> out;
    f.OnFound = [&out](TFindFile&, const std::string& folder, const TSearchRec& rec) {
      out.push_back(folder + "|" + rec.Name);
    };
    f.StartSearch();
    return out;
  }
  std::vector<std::string> RunSorted(TFindFile& f) {
    auto out = Run(f);
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDrive drive{'T'};
  TempFolder outside;
  std::string noLinks;  // why the links could not be made; the walks are the same without them
};

TEST_F(FindFileTest, WalksEachFolderBeforeItsSubfoldersAndNeverThroughLinks) {
  TFindFile f;
  f.IncludeFiles = {"t:\\*.TMP"};
  const auto found = Run(f);
  auto sorted = found;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"T:\\a\\deep|d.tmp", "T:\\a|a1.tmp", "T:\\b|b1.tmp",
                                              "T:\\|top1.tmp", "T:\\|top2.tmp"}));
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].substr(0, 4), "T:\\|");
  EXPECT_EQ(found[1].substr(0, 4), "T:\\|");
  const auto at = [&](const std::string& s) { return std::find(found.begin(), found.end(), s); };
  EXPECT_LT(at("T:\\a|a1.tmp"), at("T:\\a\\deep|d.tmp"));
}

// Only a mask that begins with "." finds dot-names, and no walk enters a dot-folder: a plain mask
// such as "*.*" or "*.tmp" never reaches one.
TEST_F(FindFileTest, OnlyAMaskBeginningWithADotFindsDotNames) {
  for (const char* rel : {".bash_history", ".python_history", "a/.zsh_history",
                          ".cache/.in_history", "plain_history"})
    WriteHostFile(drive.Host(rel), "x");
  const struct {
    const char* target;
    std::vector<std::string> found;
  } cases[] = {
      {"T:\\.*_history", {"T:\\a|.zsh_history", "T:\\|.bash_history", "T:\\|.python_history"}},
      {"T:\\*_history", {"T:\\|plain_history"}},
      {"T:\\.profile.tmp", {"T:\\|.profile.tmp"}},
      {"T:\\*.tmp",
       {"T:\\a\\deep|d.tmp", "T:\\a|a1.tmp", "T:\\b|b1.tmp", "T:\\|top1.tmp", "T:\\|top2.tmp"}},
  };
  for (const auto& c : cases) {
    TFindFile f;
    f.IncludeFiles = {c.target};
    EXPECT_EQ(RunSorted(f), c.found) << c.target;
  }
}

TEST_F(FindFileTest, LinkedFolderIsNeverReportedNorEnteredWhateverTheFilter) {
  if (!noLinks.empty()) GTEST_SKIP() << noLinks;
  for (const TFileAttributes attrs :
       {TFileAttributes{ffDirectory}, TFileAttributes{ffArchive, ffDirectory}}) {
    for (bool exact : {false, true}) {
      TFindFile f;
      f.IncludeFiles = {drive.Win("*.*")};
      f.Attributes = attrs;
      f.ExactAttribute = exact;
      for (const auto& line : Run(f)) {
        EXPECT_EQ(line.find("link"), std::string::npos) << line;
        EXPECT_EQ(line.find("precious"), std::string::npos) << line;
      }
    }
  }
  EXPECT_EQ(test::ReadHostFile(outside / "precious.tmp"), "precious");
}

TEST_F(FindFileTest, AttributeFilterDecidesAboutFolders) {
  TFindFile f;
  f.IncludeFiles = {drive.Win("c.*")};
  f.Subfolders = false;
  EXPECT_TRUE(Run(f).empty());  // a folder carries no archive bit, so the defaults drop it
  f.Attributes = {ffDirectory};
  EXPECT_EQ(Run(f), std::vector<std::string>{"T:\\|c.tmp"});
  test::MakeReadOnly(drive.Host("top1.tmp"));
  f.IncludeFiles = {drive.Win("*.tmp")};
  f.Attributes = {ffArchive, ffReadonly};
  f.ExactAttribute = true;
  EXPECT_EQ(Run(f), std::vector<std::string>{"T:\\|top1.tmp"});
  f.Details = false;  // the filter needs the read-only bit, so the search looks at it all the same
  EXPECT_EQ(Run(f), std::vector<std::string>{"T:\\|top1.tmp"});
}

// Runs with the process's current folder at the drive's root, so that a search of the current
// folder would show.
TEST_F(FindFileTest, TargetsFromIncludeLinesAndFromLocation) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(drive.Host());
  TFindFile f;
  f.Subfolders = false;
  std::vector<std::vector<std::string>> found;
  // A missing folder yields nothing and the next target still runs; equal lines run twice.
  f.IncludeFiles = {drive.Win("nosuch\\*.tmp"), drive.Win("b\\*.*"), drive.Win("b\\*.*")};
  found.push_back(Run(f));
  // Without an absolute folder a target searches nothing, not the current folder.
  f.IncludeFiles = {"*.*", "top1.tmp", "a\\*.*", "\\a\\*.*", "T:*.tmp"};
  found.push_back(Run(f));
  // Location pieces: equal ones once, and the cutting stops at a lone ";" (no current folder).
  f.IncludeFiles.clear();
  f.SetLocation(drive.Win("a") + ";" + drive.Win("b") + ";t:\\A;;");
  f.SetFilename("*1");  // no "." gets ".*"
  found.push_back(RunSorted(f));
  f.SetLocation("");  // an empty piece is the current folder, made absolute
  f.SetFilename("top*.tmp");
  found.push_back(RunSorted(f));
  std::filesystem::current_path(previous);

  EXPECT_EQ(found[0], (std::vector<std::string>{"T:\\b|b1.tmp", "T:\\b|b1.tmp"}));
  EXPECT_TRUE(found[1].empty());
  EXPECT_EQ(found[2], (std::vector<std::string>{"T:\\a|a1.tmp", "T:\\b|b1.tmp"}));
  EXPECT_EQ(found[3], (std::vector<std::string>{"T:\\|top1.tmp", "T:\\|top2.tmp"}));
}

TEST_F(FindFileTest, ExcludePatternsRejectByFolderTail) {
  TFindFile f;
  f.IncludeFiles = {drive.Win("*.tmp")};
  f.ExcludeFiles = {"?:\\A\\", "top2.TMP"};
  EXPECT_EQ(RunSorted(f),
            (std::vector<std::string>{"T:\\a\\deep|d.tmp", "T:\\b|b1.tmp", "T:\\|top1.tmp"}));
}

// A protected pattern names its own folder, not every folder that ends like it.
TEST_F(FindFileTest, ProtectedFilesMatchTheWholeFolder) {
  WriteHostFile(drive.Host("b/top1.tmp"), "x");
  TFindFile f;
  f.IncludeFiles = {drive.Win("*.tmp")};
  f.ProtectedFiles = {"t:\\TOP1.tmp", "T:\\a\\"};
  EXPECT_EQ(RunSorted(f), (std::vector<std::string>{"T:\\a\\deep|d.tmp", "T:\\b|b1.tmp",
                                                    "T:\\b|top1.tmp", "T:\\|top2.tmp"}));
}

// Windows reads "/" as "\" in targets and exclude patterns alike.
TEST_F(FindFileTest, SlashesReadAsBackslashes) {
  TFindFile f;
  f.IncludeFiles = {"t:/a/*.tmp", "T:\\b/*.tmp"};
  f.ExcludeFiles = {"t:/a/deep/"};
  EXPECT_EQ(RunSorted(f), (std::vector<std::string>{"T:\\a|a1.tmp", "T:\\b|b1.tmp"}));
}

TEST_F(FindFileTest, ReentryDoesNothingAndErrorsEndTheSearchQuietly) {
  TFindFile f;
  f.IncludeFiles = {drive.Win("*.tmp")};
  int calls = 0;
  f.OnFound = [&](TFindFile& sender, const std::string&, const TSearchRec&) {
    ++calls;
    EXPECT_TRUE(sender.Busy());
    sender.StartSearch();  // ignored while busy
  };
  f.StartSearch();
  EXPECT_EQ(calls, 5);

  calls = 0;
  f.OnFound = [&](TFindFile&, const std::string&, const TSearchRec&) {
    ++calls;
    throw std::runtime_error("handler failed");
  };
  EXPECT_NO_THROW(f.StartSearch());
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(f.Busy());
  EXPECT_EQ(Run(f).size(), 5u);  // the same object searches again
}

}  // namespace
}  // namespace vorlisk
