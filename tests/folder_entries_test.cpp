// Folder entries: which files an entry stands for, and what erasing them leaves on disk.
#include "engine/folder_entries.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/wash_log.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::WriteHostFile;

tChildFolder Entry(FolderKind kind, std::string target, bool subfolders) {
  tChildFolder e;
  e.Kind = kind;
  (kind == FolderKind::SingleFile ? e.DeleteFileName : e.DeletePath) = std::move(target);
  e.IncludeSubfolders = subfolders;
  return e;
}

// The lines as runs of one folder each, "folder:{names}", names sorted within a run (their order
// is the file system's): a folder whose files are split, or come after a subfolder's, shows.
std::string Runs(const std::vector<std::string>& lines) {
  std::string out, folder;
  std::vector<std::string> names;
  auto flush = [&] {
    std::sort(names.begin(), names.end());
    out += folder + ":{";
    for (const auto& n : names) out += n + (&n == &names.back() ? "" : ",");
    out += "} ";
    names.clear();
  };
  for (const auto& line : lines) {
    const auto cut = line.rfind('\\');
    if (!names.empty() && line.substr(0, cut) != folder) flush();
    folder = line.substr(0, cut);
    names.push_back(line.substr(cut + 1));
  }
  if (!names.empty()) flush();
  return out;
}

class FolderEntriesTest : public ::testing::Test {
 protected:
  FolderEntriesTest() {
    for (const char* f : {"Temp/a.tmp", "Temp/b.tmp", "Temp/c.txt", "Temp/Sub/e.tmp",
                          "Temp/Sub/Deep/f.tmp", "Temp/Sub/Deep/g.log", "Data/readme", "Data/x.y"})
      WriteHostFile(drive_.Host(f), f);
    fs::create_directories(drive_.Host("Temp/folder.tmp"));  // a folder the mask matches
  }
  test::TempDrive drive_;
};

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

// On POSIX "x\..\..\Data\readme" is one name; read as Windows text it names a file elsewhere.
// A name with a control character would be two lines of the preview's output and of the log.
TEST_F(FolderEntriesTest, NamesThatCannotBeWindowsTextAreNeverListedNorEntered) {
  WriteHostFile(drive_.Host("Temp/x\\..\\..\\Data\\readme"), "bait");
  fs::create_directories(drive_.Host("Temp/y\\..\\..\\Data"));
  for (const char* name : {"Temp/two\nlines.tmp", "Temp/cr\r.tmp", "Temp/tab\t.tmp",
                           "Temp/bell\x01.tmp", "Temp/del\x7f.tmp", "Temp/folder\n/in.tmp"})
    WriteHostFile(drive_.Host(name), "bait");
  tChildFolder entry = Entry(FolderKind::FolderMask, "T:\\Temp\\*.*", true);
  std::vector<std::string> lines;
  ExpandFolderEntry(entry, {}, lines);
  EXPECT_EQ(
      Runs(lines),
      "T:\\Temp:{a.tmp,b.tmp,c.txt} T:\\Temp\\Sub:{e.tmp} T:\\Temp\\Sub\\Deep:{f.tmp,g.log} ");
  MarkedLines marked;
  for (const auto& line : lines) marked.push_back({line, true});
  EXPECT_EQ(WashFileLines(marked, true, nullptr, {}).Success, 6);
  EXPECT_EQ(ReadHostFile(drive_.Host("Data/readme")), "Data/readme");
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
  fs::create_symlink(drive_.Host("other/real.txt"), drive_.Host("other/alias.txt"));
  fs::create_directory_symlink(drive_.Host("keep2"), drive_.Host("mylink"));
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

// Windows ignores case in paths: T:\TEMP\ is T:\Temp\, for the preview and the wash alike. With
// two candidates (Twin, TWIN) there is no telling which, and a drive's own host folder is a host
// path, matched exactly.
TEST_F(FolderEntriesTest, FoldersMatchIgnoringCaseWhenOnlyOneEntryFits) {
  for (const char* f : {"Twin/a.tmp", "TWIN/b.tmp"}) WriteHostFile(drive_.Host(f), f);
  struct Case {
    const char* target;
    bool subfolders;
    std::string runs;
  } cases[] = {
      {"T:\\TEMP\\*.tmp", true,
       "T:\\TEMP:{a.tmp,b.tmp} T:\\TEMP\\Sub:{e.tmp} T:\\TEMP\\Sub\\Deep:{f.tmp} "},
      {"t:\\temp\\sub\\DEEP\\G.LOG", false, "T:\\temp\\sub\\DEEP:{g.log} "},
      {"T:\\twin\\*.tmp", false, ""},
      {"T:\\Twin\\*.tmp", false, "T:\\Twin:{a.tmp} "},
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

  test::TempFolder outer;
  WriteHostFile(outer / "mapped/x.tmp", "x");
  platform::ScopedDriveMapping other('N', outer / "MAPPED");
  entry = Entry(FolderKind::FolderMask, "N:\\*.tmp", false);
  ExpandFolderEntry(entry, {}, lines);
  EXPECT_TRUE(lines.empty()) << "the host folder of a drive matched ignoring case";
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

// The test holds the file open, so after the erase it still sees the bytes that were on disk
// just before the deletion.
TEST_F(FolderEntriesTest, SecureEraseOverwritesWholeBlocksBeforeDeleting) {
  const std::size_t cases[][2] = {{0, 0}, {1, 102400}, {150000, 204800}, {204800, 204800}};
  for (const auto& [before, after] : cases) {
    WriteHostFile(drive_.Host("f.bin"), std::string(before, 'z'));
    const int fd = ::open(drive_.Host("f.bin").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(SecureErase(drive_.Win("f.bin"))) << before;
    EXPECT_FALSE(drive_.Exists("f.bin")) << before;
    std::string seen(after + 1, '\0');
    seen.resize(static_cast<std::size_t>(::pread(fd, seen.data(), seen.size(), 0)));
    ::close(fd);
    EXPECT_EQ(seen, std::string(after, 'A')) << "a " << before << "-byte file";
  }
}

TEST_F(FolderEntriesTest, SecureEraseOfABlockThatCannotBeWrittenFailsAndKeepsTheFile) {
  WriteHostFile(drive_.Host("big.bin"), std::string(120000, 'z'));
  // A file size limit stands for a full disk: the second block cannot be written whole.
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit limited = old;
  limited.rlim_cur = 150000;
  ::setrlimit(RLIMIT_FSIZE, &limited);
  const bool erased = SecureErase(drive_.Win("big.bin"));
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(erased) << "a failed overwrite reported as an erase";
  EXPECT_TRUE(drive_.Exists("big.bin"));
  EXPECT_EQ(fs::file_size(drive_.Host("big.bin")), 150000u);
}

TEST_F(FolderEntriesTest, SecureEraseWhoseFlushFailsFailsAndKeepsTheFile) {
  WriteHostFile(drive_.Host("f.bin"), "secret");
  platform::SetWriteFaultForTesting("flush");
  const bool erased = SecureErase(drive_.Win("f.bin"));
  platform::SetWriteFaultForTesting("");
  EXPECT_FALSE(erased) << "an overwrite that may not have reached the device reported as an erase";
  EXPECT_TRUE(drive_.Exists("f.bin"));
}

// Holes of a sparse file hold no data: only the data is overwritten, so even a 1 TiB file takes
// no disk space. Data that ends the file gets the whole last block, as a plain file does. The
// test holds the file open to see it as it was just before the deletion; the 1 TiB case runs
// only once the small ones held, so that a regression never fills the disk.
TEST_F(FolderEntriesTest, SecureEraseOverwritesTheDataOfASparseFileAndLeavesItsHoles) {
  constexpr uint64_t kMiB = 1 << 20;
  struct Case {
    uint64_t size, dataAt, dataLength, sizeAfter;
  } cases[] = {{64 * kMiB, 32 * kMiB, 8192, 64 * kMiB},
               {64 * kMiB, 64 * kMiB - 4096, 4096, 64 * kMiB - 4096 + kSecureEraseBlock},
               {uint64_t{1} << 40, uint64_t{1} << 39, 8192, uint64_t{1} << 40}};
  for (const auto& c : cases) {
    const std::string trace =
        std::to_string(c.size) + " bytes, data at " + std::to_string(c.dataAt);
    const int fd = ::open(drive_.Host("sparse.bin").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string data(c.dataLength, 'z');
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(c.size)), 0) << trace;
    ASSERT_EQ(::pwrite(fd, data.data(), data.size(), static_cast<off_t>(c.dataAt)),
              static_cast<ssize_t>(data.size()));
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    if (st.st_blocks * 512 > 4 * static_cast<off_t>(kMiB)) {
      ::close(fd);
      GTEST_SKIP() << "the temporary folder's file system keeps no holes";
    }
    const bool erased = SecureErase(drive_.Win("sparse.bin"));
    ASSERT_EQ(::fstat(fd, &st), 0);
    std::string seen(data.size(), '\0');
    const ssize_t n = ::pread(fd, seen.data(), seen.size(), static_cast<off_t>(c.dataAt));
    const off_t firstData = ::lseek(fd, 0, SEEK_DATA);
    ::close(fd);
    EXPECT_TRUE(erased) << trace;
    EXPECT_FALSE(drive_.Exists("sparse.bin")) << trace;
    ASSERT_LT(st.st_blocks * 512, 4 * static_cast<off_t>(kMiB)) << trace << ": holes filled";
    EXPECT_EQ(static_cast<uint64_t>(st.st_size), c.sizeAfter) << trace;
    EXPECT_EQ(n, static_cast<ssize_t>(data.size())) << trace;
    EXPECT_EQ(seen, std::string(data.size(), 'A')) << trace << ": the data not overwritten";
    EXPECT_EQ(firstData, static_cast<off_t>(c.dataAt)) << trace;
  }
}

// A secure erase that could not delete the file afterwards must not overwrite it: "File Locked"
// means the file is as it was. Root may delete anything, so the wash runs as another user in a
// child process; its exit status carries the counts.
TEST_F(FolderEntriesTest, SecureEraseLeavesAFileItCouldNotDeleteAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can wash as another user";
  constexpr uid_t kUser = 65534, kOther = 65533;
  ASSERT_EQ(::chmod(drive_.Host().c_str(), 0755), 0);
  struct Case {
    const char* what;
    uid_t folderOwner;
    mode_t folderMode;
    uid_t fileOwner;
    mode_t fileMode;
    bool erased;
  } cases[] = {
      {"a folder the user may not write", 0, 0755, kUser, 0644, false},
      {"another user's file in another user's sticky folder", kOther, 01777, kOther, 0666, false},
      {"the user's own file in another user's sticky folder", kOther, 01777, kUser, 0644, true},
      {"another user's file in the user's sticky folder", kUser, 01777, kOther, 0666, true},
      {"the user's own folder", kUser, 0755, kUser, 0644, true},
  };
  for (const auto& c : cases) {
    const std::string folder = drive_.Host("box"), file = drive_.Host("box/kept.bin");
    WriteHostFile(file, "kept bytes");
    ASSERT_EQ(::chown(folder.c_str(), c.folderOwner, c.folderOwner), 0);
    ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
    ASSERT_EQ(::chown(file.c_str(), c.fileOwner, c.fileOwner), 0);
    ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setgid(kUser) != 0 || ::setuid(kUser) != 0) ::_exit(99);
      const auto counts = WashFileLines({{drive_.Win("box\\kept.bin"), true}}, false, nullptr, {});
      ::_exit(counts.Success + 2 * counts.Fails);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.erased ? 1 : 2) << c.what;
    EXPECT_EQ(fs::exists(file), !c.erased) << c.what;
    if (!c.erased) {
      EXPECT_TRUE(ReadHostFile(file) == "kept bytes") << c.what << ": overwritten, then kept";
    }
    test::RemoveTree(folder);
  }
}

// The same without root, for the user's own folder made read-only.
TEST_F(FolderEntriesTest, SecureEraseInAFolderTheUserMayNotWriteLeavesTheFileAsItWas) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any folder (covered above)";
  WriteHostFile(drive_.Host("box/kept.bin"), "kept bytes");
  ASSERT_EQ(::chmod(drive_.Host("box").c_str(), 0555), 0);
  const WashCounts counts =
      WashFileLines({{drive_.Win("box\\kept.bin"), true}}, false, nullptr, {});
  ::chmod(drive_.Host("box").c_str(), 0755);
  EXPECT_EQ(counts.Fails, 1);
  EXPECT_TRUE(ReadHostFile(drive_.Host("box/kept.bin")) == "kept bytes")
      << "overwritten, then kept";
}

// The same as root: an immutable or append-only folder keeps its files from everyone.
TEST_F(FolderEntriesTest, SecureEraseLeavesAFileOfAnImmutableFolderAsItWas) {
  for (const int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
    const std::string folder = drive_.Host("box"), file = drive_.Host("box/kept.bin");
    WriteHostFile(file, "kept bytes");
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dirFd, 0);
    int flags = 0;
    if (::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) != 0 ||
        (flags |= flag, ::ioctl(dirFd, FS_IOC_SETFLAGS, &flags)) != 0) {
      ::close(dirFd);
      GTEST_SKIP() << "no immutable folders here (file system or privileges)";
    }
    const bool erased = SecureErase(drive_.Win("box\\kept.bin"));
    flags &= ~flag;
    EXPECT_EQ(::ioctl(dirFd, FS_IOC_SETFLAGS, &flags), 0);
    ::close(dirFd);
    EXPECT_FALSE(erased) << flag;
    EXPECT_TRUE(ReadHostFile(file) == "kept bytes") << flag << ": overwritten, then kept";
    test::RemoveTree(folder);
  }
}

// The overwrite reaches the device: on a file system in an image file, no byte of the erased file
// is left in the image once it is unmounted.
TEST(SecureEraseDeviceTest, NoByteOfAnErasedFileIsLeftOnTheDevice) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a file system image needs root";
  test::TempFolder work;
  const std::string image = work / "fs.img", mount = work / "mnt";
  fs::create_directory(mount);
  const std::string make =
      "truncate -s 32M '" + image + "' && mkfs.ext4 -q -F '" + image + "' >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "mkfs.ext4 is not available";
  const std::string mountCommand = "mount -o loop '" + image + "' '" + mount + "' >/dev/null 2>&1";
  if (std::system(mountCommand.c_str()) != 0)
    GTEST_SKIP() << "mounting a loop file system is not allowed here";
  struct Unmount {
    std::string mount;
    bool done = false;
    bool operator()() {
      return done || (done = std::system(("umount '" + mount + "'").c_str()) == 0);
    }
    ~Unmount() { (*this)(); }
  } unmount{mount};

  // Distinctive lines (made here, so the marker is nowhere else), 300,000 bytes, on the device.
  const std::string marker = "vorlisk-erased-" + std::to_string(::getpid()) + "-";
  std::string secret;
  for (int i = 0; secret.size() < 300000; ++i) secret += marker + std::to_string(i) + "\n";
  const std::string file = mount + "/secret.bin";
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, secret.data(), secret.size()), static_cast<ssize_t>(secret.size()));
  ASSERT_EQ(::fsync(fd), 0);
  ::close(fd);
  ASSERT_NE(ReadHostFile(image).find(marker), std::string::npos)
      << "the file never reached the image";

  {
    platform::ScopedDriveMapping drive('S', mount);
    EXPECT_TRUE(SecureErase("S:\\secret.bin"));
  }
  EXPECT_FALSE(fs::exists(file));
  ASSERT_TRUE(unmount());
  EXPECT_EQ(ReadHostFile(image).find(marker), std::string::npos)
      << "the erased file's bytes are still on the device";
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
  for (const auto& c : cases) {
    const std::string line = drive_.Host("line");
    if (std::string(c.kind) == "symlink") fs::create_symlink(precious, line);
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
    fs::remove(line);
  }
}

// Another user's folder on the way to a previewed file was swapped for a link to the user's own
// files before the wash: the wash must not follow it. A link the user made is followed.
TEST_F(FolderEntriesTest, AWashNeverPassesThroughAnotherUsersLink) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
  constexpr uid_t kOther = 65534;
  test::TempFolder own;
  fs::create_directories(drive_.Host("theirs"));
  ASSERT_EQ(::chown(drive_.Host("theirs").c_str(), kOther, kOther), 0);
  fs::create_directory_symlink(own.Path(), drive_.Host("theirs/sub"));
  ASSERT_EQ(::lchown(drive_.Host("theirs/sub").c_str(), kOther, kOther), 0);
  fs::create_directory_symlink(own.Path(), drive_.Host("mine"));
  WriteHostFile(own / "a.tmp", "own bytes");
  for (const char* folder : {"theirs\\sub\\*.*", "theirs\\*.*"}) {
    auto entry = Entry(FolderKind::FolderMask, drive_.Win(folder), true);
    std::vector<std::string> lines;
    ExpandFolderEntry(entry, {}, lines);
    EXPECT_TRUE(lines.empty()) << folder;  // nor previewed
  }
  struct Case {
    const char* line;
    bool quick, readOnly, erased;
  } cases[] = {
      {"theirs\\sub\\a.tmp", true, false, false},  {"theirs\\sub\\a.tmp", true, true, false},
      {"theirs\\sub\\a.tmp", false, false, false}, {"mine\\a.tmp", true, false, true},
      {"mine\\a.tmp", true, true, true},           {"mine\\a.tmp", false, false, true}};
  for (const auto& c : cases) {
    const std::string trace =
        std::string(c.line) + (c.quick ? " quick" : " secure") + (c.readOnly ? " read-only" : "");
    WriteHostFile(own / "a.tmp", "own bytes");
    if (c.readOnly) fs::permissions(own / "a.tmp", fs::perms::owner_read);
    const WashCounts counts = WashFileLines({{drive_.Win(c.line), true}}, c.quick, nullptr, {});
    EXPECT_EQ(counts.Success, c.erased ? 1 : 0) << trace;
    EXPECT_EQ(counts.Fails, 0) << trace;
    EXPECT_EQ(fs::exists(own / "a.tmp"), !c.erased) << trace;
    if (!c.erased) {
      EXPECT_EQ(ReadHostFile(own / "a.tmp"), "own bytes") << trace;
      EXPECT_FALSE(EraseFile(drive_.Win(c.line), c.quick)) << trace;
      EXPECT_TRUE(fs::exists(own / "a.tmp")) << trace;
    }
  }
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
    tWashLog log(drive_.Root());
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
  tWashLog log(drive_.Root());
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
    tWashLog log(drive_.Root());
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
    fs::create_symlink(drive_.Host("target.dat"), drive_.Host("link.dat"));
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

}  // namespace
}  // namespace vorlisk
