// File system operations on POSIX: attributes from modes, links never followed, special files
// never read or written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

using test::ReadHostFile;
using test::TempDrive;
using test::TempFolder;
using test::WriteHostFile;

mode_t ModeOf(const std::string& hostPath) {
  struct stat st {};
  ::lstat(hostPath.c_str(), &st);
  return st.st_mode;
}

// A folder holding one entry of every kind, and a precious folder outside it that links reach.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteHostFile(drive.Host("a.txt"), "12345");
    WriteHostFile(drive.Host("ro.txt"), "keep");
    ::chmod(drive.Host("ro.txt").c_str(), 0444);
    WriteHostFile(drive.Host("sub/inner.txt"), "x");
    WriteHostFile(outside / "precious.txt", "precious");
    ::symlink(outside.Path().c_str(), drive.Host("dirlink").c_str());
    ::symlink((outside / "precious.txt").c_str(), drive.Host("filelink").c_str());
    ::symlink((outside / "missing").c_str(), drive.Host("dangling").c_str());
    ::mkfifo(drive.Host("pipe").c_str(), 0644);
  }

  TempDrive drive{'T'};
  TempFolder outside;
};

constexpr uint32_t kLinkToFolder = kAttrDirectory | kAttrReparsePoint;
constexpr uint32_t kLinkToFile = kAttrArchive | kAttrReparsePoint;

TEST_F(FileSystemTest, EnumerationReportsAttributesAndNeverSpecialFiles) {
  std::map<std::string, uint32_t> seen;
  uint64_t sizeOfA = 0;
  EXPECT_TRUE(FindFiles(drive.Win("*.*"), [&](const FindData& d) {
    seen[d.name] = d.attributes;
    if (d.name == "a.txt") sizeOfA = d.size;
    return true;
  }));
  const std::map<std::string, uint32_t> expected = {
      {"a.txt", kAttrArchive},   {"ro.txt", kAttrArchive | kAttrReadOnly},
      {"sub", kAttrDirectory},   {"dirlink", kLinkToFolder},
      {"filelink", kLinkToFile}, {"dangling", kLinkToFile}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(sizeOfA, 5u);
  EXPECT_FALSE(FindFiles(drive.Win("nosuch\\*.*"), [](const FindData&) { return true; }));
}

// Without details only a regular file loses its read-only bit, size and times; links and folders
// are told apart as ever, and every entry carries the identity the system gives it.
TEST_F(FileSystemTest, EnumerationWithoutDetailsKeepsKindsAndIdentities) {
  std::map<std::string, uint32_t> seen;
  for (const FindDetail detail : {FindDetail::Full, FindDetail::KindOnly}) {
    seen.clear();
    EXPECT_TRUE(FindFiles(
        drive.Win("*.*"),
        [&](const FindData& d) {
          struct stat st {};
          ::lstat(drive.Host(d.name).c_str(), &st);
          EXPECT_EQ(d.identity, (FileIdentity{st.st_dev, st.st_ino})) << d.name;
          seen[d.name] = d.attributes;
          return true;
        },
        detail));
    const bool full = detail == FindDetail::Full;
    const std::map<std::string, uint32_t> expected = {
        {"a.txt", kAttrArchive},   {"ro.txt", full ? kAttrArchive | kAttrReadOnly : kAttrArchive},
        {"sub", kAttrDirectory},   {"dirlink", kLinkToFolder},
        {"filelink", kLinkToFile}, {"dangling", kLinkToFile}};
    EXPECT_EQ(seen, expected) << full;
  }
}

TEST_F(FileSystemTest, OneReadingListsRealSubfoldersWhateverTheMask) {
  std::vector<std::string> names, subfolders;
  FindFilesAndSubfolders(
      drive.Win("*.TXT"),
      [&](const FindData& d) {
        names.push_back(d.name);
        return true;
      },
      subfolders);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "ro.txt"}));
  EXPECT_EQ(subfolders, std::vector<std::string>{"sub"});  // never the link "dirlink"
}

TEST_F(FileSystemTest, StatusOfEachKindWithoutFollowingLinks) {
  struct Case {
    const char* rel;
    std::optional<uint32_t> attributes;
    bool isFile, isDirectory, isLink;
  } cases[] = {
      {"a.txt", kAttrArchive, true, false, false},
      {"ro.txt", kAttrArchive | kAttrReadOnly, true, false, false},
      {"sub", kAttrDirectory, false, true, false},
      {"sub\\", kAttrDirectory, false, true, false},
      {"dirlink", kLinkToFolder, false, true, true},
      {"dirlink\\", kLinkToFolder, false, true, true},  // a trailing "\" does not follow it
      {"filelink", kLinkToFile, true, false, true},
      {"dangling", kLinkToFile, true, false, true},
      {"pipe", std::nullopt, false, false, false},
      {"missing", std::nullopt, false, false, false},
  };
  for (const auto& c : cases) {
    const std::string path = drive.Win(c.rel);
    EXPECT_EQ(FileAttributesOf(path), c.attributes) << c.rel;
    EXPECT_EQ(FileExists(path), c.isFile) << c.rel;
    EXPECT_EQ(DirectoryExists(path), c.isDirectory) << c.rel;
    EXPECT_EQ(GetFileStatus(path).value_or(FileStatus{}).isLink, c.isLink) << c.rel;
  }
  EXPECT_EQ(GetFileStatus(drive.Win("a.txt"))->size, 5u);
}

TEST_F(FileSystemTest, ReadOnlyBitIsOwnerWritePermissionAndNeverSetThroughALink) {
  const std::string a = drive.Win("a.txt");
  ASSERT_TRUE(SetFileAttributesOf(a, kAttrArchive | kAttrReadOnly));
  EXPECT_EQ(ModeOf(drive.Host("a.txt")) & S_IWUSR, 0u);
  EXPECT_EQ(FileAttributesOf(a), kAttrArchive | kAttrReadOnly);
  ASSERT_TRUE(SetFileAttributesOf(a, kAttrArchive));
  EXPECT_NE(ModeOf(drive.Host("a.txt")) & S_IWUSR, 0u);

  const mode_t before = ModeOf(outside / "precious.txt");
  EXPECT_FALSE(SetFileAttributesOf(drive.Win("filelink"), kAttrReadOnly));
  EXPECT_EQ(ModeOf(outside / "precious.txt"), before);
}

TEST_F(FileSystemTest, DeleteRemovesFilesAndLinksButNeverFoldersTargetsOrReadOnlyFiles) {
  EXPECT_TRUE(RemoveFile(drive.Win("a.txt")));
  EXPECT_TRUE(RemoveFile(drive.Win("filelink")));
  EXPECT_TRUE(RemoveFile(drive.Win("dirlink")));
  EXPECT_TRUE(RemoveFile(drive.Win("dangling")));
  EXPECT_FALSE(RemoveFile(drive.Win("sub")));
  EXPECT_FALSE(RemoveFile(drive.Win("ro.txt")));
  EXPECT_FALSE(RemoveFile(drive.Win("pipe")));
  EXPECT_FALSE(RemoveFile(drive.Win("missing")));

  EXPECT_FALSE(std::filesystem::exists(drive.Host("a.txt")));
  EXPECT_FALSE(std::filesystem::is_symlink(drive.Host("dirlink")));
  EXPECT_EQ(ReadHostFile(outside / "precious.txt"), "precious");
  EXPECT_EQ(ReadHostFile(drive.Host("sub/inner.txt")), "x");
  EXPECT_EQ(ReadHostFile(drive.Host("ro.txt")), "keep");
}

// The wash's one-look deletion must agree with FileExists + RemoveFile: a fault here would count
// a vanished file, remove a link to a folder that FileExists does not call a file, or a pipe.
TEST_F(FileSystemTest, DeleteExistingFileTellsWhyNothingWasRemoved) {
  const std::pair<const char*, DeleteOutcome> cases[] = {
      {"a.txt", DeleteOutcome::Deleted},    {"filelink", DeleteOutcome::Deleted},
      {"dangling", DeleteOutcome::Deleted}, {"dirlink", DeleteOutcome::Missing},
      {"sub", DeleteOutcome::Missing},      {"pipe", DeleteOutcome::Missing},
      {"missing", DeleteOutcome::Missing},  {"ro.txt", DeleteOutcome::ReadOnly}};
  for (bool inARow : {false, true}) {  // alone, and through a remover that keeps the folder open
    SetUp();
    FileRemover remover;
    for (const auto& [rel, outcome] : cases) {
      EXPECT_EQ(FileExists(drive.Win(rel)), outcome != DeleteOutcome::Missing) << rel;
      EXPECT_EQ(inARow ? remover.Remove(drive.Win(rel)) : DeleteExistingFile(drive.Win(rel)),
                outcome)
          << rel;
    }
    EXPECT_EQ(remover.Remove(drive.Win("sub\\inner.txt")), DeleteOutcome::Deleted);  // next folder
    EXPECT_EQ(remover.Remove(drive.Win("sub\\inner.txt")), DeleteOutcome::Missing);
    EXPECT_TRUE(std::filesystem::is_symlink(drive.Host("dirlink")));
    EXPECT_EQ(ReadHostFile(outside / "precious.txt"), "precious");
    EXPECT_EQ(ReadHostFile(drive.Host("ro.txt")), "keep");
  }
}

TEST_F(FileSystemTest, WriterRefusesLinksReadOnlyHardLinkedAndSpecialFiles) {
  ASSERT_EQ(::link(drive.Host("a.txt").c_str(), drive.Host("hard.txt").c_str()), 0);
  WriteHostFile(drive.Host("b.txt"), "abc");
  for (const char* rel :
       {"filelink", "dangling", "ro.txt", "a.txt", "hard.txt", "pipe", "sub", "missing"}) {
    EXPECT_EQ(FileWriter::OpenExisting(drive.Win(rel)), nullptr) << rel;
  }
  EXPECT_EQ(ReadHostFile(outside / "precious.txt"), "precious");
  EXPECT_EQ(ReadHostFile(drive.Host("ro.txt")), "keep");  // even when running as root

  auto writer = FileWriter::OpenExisting(drive.Win("b.txt"));
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->Size(), 3u);
  EXPECT_TRUE(writer->WriteAt(2, "XYZ", 3));
  EXPECT_EQ(writer->Size(), 5u);
  writer.reset();
  EXPECT_EQ(ReadHostFile(drive.Host("b.txt")), "abXYZ");
}

// Catches a read that hangs on a pipe planted where an item or settings file is expected.
TEST_F(FileSystemTest, OnlyRegularFilesAreRead) {
  EXPECT_EQ(ReadFileBytes(drive.Win("a.txt")), "12345");
  EXPECT_EQ(ReadFileBytes(drive.Win("filelink")), "precious");
  for (const char* rel : {"pipe", "sub", "dirlink", "dangling", "missing"})
    EXPECT_EQ(ReadFileBytes(drive.Win(rel)), std::nullopt) << rel;
}

TEST_F(FileSystemTest, CopyReplacesTargetsWholeAndNeverWritesThroughALink) {
  EXPECT_TRUE(CopyFileTo(drive.Win("a.txt"), drive.Win("copy.txt"), true));
  EXPECT_EQ(ReadHostFile(drive.Host("copy.txt")), "12345");

  WriteHostFile(drive.Host("copy.txt"), "old");
  EXPECT_FALSE(CopyFileTo(drive.Win("ro.txt"), drive.Win("copy.txt"), true));
  EXPECT_EQ(ReadHostFile(drive.Host("copy.txt")), "old");
  EXPECT_TRUE(CopyFileTo(drive.Win("ro.txt"), drive.Win("copy.txt"), false));
  EXPECT_EQ(ReadHostFile(drive.Host("copy.txt")), "keep");
  EXPECT_EQ(FileAttributesOf(drive.Win("copy.txt")), kAttrArchive | kAttrReadOnly);

  EXPECT_FALSE(CopyFileTo(drive.Win("a.txt"), drive.Win("filelink"), true));
  EXPECT_TRUE(CopyFileTo(drive.Win("a.txt"), drive.Win("filelink"), false));
  EXPECT_EQ(ReadHostFile(outside / "precious.txt"), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(drive.Host("filelink")));
  EXPECT_EQ(ReadHostFile(drive.Host("filelink")), "12345");

  EXPECT_FALSE(CopyFileTo(drive.Win("missing"), drive.Win("new.txt"), false));
  EXPECT_FALSE(CopyFileTo(drive.Win("pipe"), drive.Win("new.txt"), false));
  EXPECT_FALSE(CopyFileTo(drive.Win("a.txt"), drive.Win("sub"), false));
  EXPECT_FALSE(std::filesystem::exists(drive.Host("new.txt")));
  // No temporary file is left behind by the failed copies.
  for (const auto& e : std::filesystem::directory_iterator(drive.Host()))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

}  // namespace
}  // namespace vorlisk::platform
