// Folder entries on POSIX: names that Windows text cannot hold, folders whose names differ only by
// case, and what a secure erase leaves on disk and on the device, with owners, modes, file flags,
// resource limits and other users' links.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/folder_entries.h"
#include "engine/wash_log.h"
#include "folder_entries_fixture.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace vorlisk {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::WriteHostFile;

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

// Where the host tells names apart by case, two candidates (Twin, TWIN) leave no telling which
// one T:\twin\ is, and a drive's own host folder is a host path, matched exactly.
TEST_F(FolderEntriesTest, FoldersMatchIgnoringCaseOnlyWhenOneEntryFits) {
  for (const char* f : {"Twin/a.tmp", "TWIN/b.tmp"}) WriteHostFile(drive_.Host(f), f);
  for (const auto& [target, runs] : {std::pair<const char*, std::string>{"T:\\twin\\*.tmp", ""},
                                     {"T:\\Twin\\*.tmp", "T:\\Twin:{a.tmp} "}}) {
    tChildFolder entry = Entry(FolderKind::FolderMask, target, false);
    std::vector<std::string> lines;
    ExpandFolderEntry(entry, {}, lines);
    EXPECT_EQ(Runs(lines), runs) << target;
  }
  test::TempFolder outer;
  WriteHostFile(outer / "mapped/x.tmp", "x");
  platform::ScopedDriveMapping other('N', outer / "MAPPED");
  tChildFolder entry = Entry(FolderKind::FolderMask, "N:\\*.tmp", false);
  std::vector<std::string> lines;
  ExpandFolderEntry(entry, {}, lines);
  EXPECT_TRUE(lines.empty()) << "the host folder of a drive matched ignoring case";
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

// A level of three dots is a name, as Windows keeps it: it never climbs to the folder above.
TEST_F(FolderEntriesTest, AFolderLevelOfDotsIsANameAndNeverClimbs) {
  WriteHostFile(drive_.Host("data/budget.doc"), "precious");
  WriteHostFile(drive_.Host("data/keep/.../junk.doc"), "junk");
  WriteHostFile(drive_.Host("data/keep/b../junk.doc"), "junk");
  for (const char* target : {"data\\keep\\...\\*.doc", "data\\keep\\b..\\*.doc"}) {
    const auto lines = ListedLines(Entry(FolderKind::FolderMask, drive_.Win(target), false));
    ASSERT_EQ(lines.Count(), 1u) << target;
    EXPECT_EQ(lines.Text(0),
              drive_.Win(target).substr(0, drive_.Win(target).size() - 5) + "junk.doc");
    for (const bool quick : {true, false})
      EXPECT_EQ(WashFileLines(lines, quick, nullptr, {}).Success, quick ? 1 : 0) << target;
  }
  EXPECT_EQ(ReadHostFile(drive_.Host("data/budget.doc")), "precious");
  EXPECT_FALSE(drive_.Exists("data/keep/.../junk.doc"));
  EXPECT_FALSE(drive_.Exists("data/keep/b../junk.doc"));
}

// Between the preview and the wash a subfolder is swapped: for a link to other files (whoever
// made it), or for another real folder. The wash reaches every file through the folders the
// search listed, so nothing of the other folder goes; the files still where they were listed do.
TEST_F(FolderEntriesTest, AWashNeverEntersAFolderSwappedSinceThePreview) {
  test::TempFolder precious;
  enum Swap { Link, LinkAbove, Folder };
  for (const Swap swap : {Link, LinkAbove, Folder}) {
    const std::string trace = swap == Link ? "link" : swap == LinkAbove ? "link above" : "folder";
    for (const bool quick : {true, false}) {
      test::RemoveTree(drive_.Host("pub"));
      for (const char* f : {"pub/a.tmp", "pub/zzz/b.tmp", "pub/zzz/deep/c.tmp", "pub/y/d.tmp"})
        WriteHostFile(drive_.Host(f), "junk");
      for (const char* f : {"b.tmp", "deep/c.tmp"}) WriteHostFile(precious / f, "precious");
      const auto lines = ListedLines(Entry(FolderKind::FolderMask, drive_.Win("pub\\*.tmp"), true));
      ASSERT_EQ(lines.Count(), 4u);
      fs::rename(drive_.Host("pub/zzz"), drive_.Host("moved"));
      if (swap == Link) {
        fs::create_directory_symlink(precious.Path(), drive_.Host("pub/zzz"));
      } else if (swap == LinkAbove) {
        fs::create_directory(drive_.Host("pub/zzz"));
        fs::create_directory_symlink(precious / "deep", drive_.Host("pub/zzz/deep"));
      } else {
        fs::rename(precious.Path(), drive_.Host("pub/zzz"));
      }
      const WashCounts counts = WashFileLines(lines, quick, nullptr, {});
      if (swap == Folder) fs::rename(drive_.Host("pub/zzz"), precious.Path());
      EXPECT_EQ(counts.Success, 2) << trace;
      EXPECT_EQ(counts.Fails, 0) << trace;
      EXPECT_EQ(ReadHostFile(precious / "b.tmp"), "precious") << trace << (quick ? " quick" : "");
      EXPECT_EQ(ReadHostFile(precious / "deep/c.tmp"), "precious") << trace;
      EXPECT_FALSE(drive_.Exists("pub/a.tmp")) << trace;
      EXPECT_TRUE(drive_.Exists("moved/b.tmp")) << trace << ": not listed where it is now";
      test::RemoveTree(drive_.Host("moved"));
    }
  }
}

// The same swap, made over and over by another thread while the wash runs.
TEST_F(FolderEntriesTest, ASubfolderSwappedForALinkDuringTheWashIsNeverFollowed) {
  test::TempFolder precious;
  for (int i = 0; i < 200; ++i) WriteHostFile(precious / ("p" + std::to_string(i) + ".tmp"), "p");
  for (int round = 0; round < 4; ++round) {
    test::RemoveTree(drive_.Host("pub"));
    for (int i = 0; i < 200; ++i) {
      WriteHostFile(drive_.Host("pub/zzz/p" + std::to_string(i) + ".tmp"), "junk");
      WriteHostFile(drive_.Host("pub/a" + std::to_string(i) + ".tmp"), "junk");
    }
    const auto lines = ListedLines(Entry(FolderKind::FolderMask, drive_.Win("pub\\*.tmp"), true));
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
      const std::string zzz = drive_.Host("pub/zzz"), away = drive_.Host("away");
      while (!stop) {
        std::error_code error;
        fs::rename(zzz, away, error);
        fs::create_directory_symlink(precious.Path(), zzz, error);
        fs::remove(zzz, error);
        fs::rename(away, zzz, error);
      }
    });
    WashFileLines(lines, round % 2 == 0, nullptr, {});
    stop = true;
    swapper.join();
    int left = 0;
    for (const auto& file : fs::directory_iterator(precious.Path())) left += file.exists();
    EXPECT_EQ(left, 200) << "round " << round;
  }
}

// Each folder is opened through the one above it: a tree deeper than the host's limit on the
// length of a path (4,096 bytes) is listed and washed like any other.
TEST_F(FolderEntriesTest, ATreeDeeperThanTheHostPathLimitIsListedAndWashed) {
  // Made level by level through each level's descriptor: no path reaches the last level.
  fs::create_directories(drive_.Host("pub"));
  int at = ::open(drive_.Host("pub").c_str(), O_RDONLY | O_DIRECTORY);
  for (int level = 0; level < 1500; ++level) {
    const std::string name = "d" + std::to_string(level % 10);
    ASSERT_EQ(::mkdirat(at, name.c_str(), 0755), 0) << level;
    const int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(at);
    at = next;
  }
  const int file = ::openat(at, "last.tmp", O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(file, 0);
  ::close(file);
  const auto lines = ListedLines(Entry(FolderKind::FolderMask, drive_.Win("pub\\*.tmp"), true));
  ASSERT_EQ(lines.Count(), 1u);
  EXPECT_GT(lines.Text(0).size(), 4096u);
  EXPECT_EQ(WashFileLines(lines, false, nullptr, {}).Success, 1);
  EXPECT_NE(::faccessat(at, "last.tmp", F_OK, 0), 0) << "the deepest file is still there";
  ::close(at);
  // rm walks by descriptors too; the fixture's removal works by paths, which cannot reach it.
  EXPECT_EQ(std::system(("rm -rf '" + drive_.Host("pub") + "'").c_str()), 0);
}

// A file system mounted below the folder an entry names is another volume: never entered.
TEST_F(FolderEntriesTest, AFileSystemMountedBelowTheFolderIsNeverEntered) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  WriteHostFile(drive_.Host("pub/a.tmp"), "junk");
  fs::create_directories(drive_.Host("pub/mnt"));
  if (std::system(("mount -t tmpfs none '" + drive_.Host("pub/mnt") + "' 2>/dev/null").c_str()) !=
      0)
    GTEST_SKIP() << "mounting is not allowed here";
  WriteHostFile(drive_.Host("pub/mnt/b.tmp"), "on another volume");
  const auto lines = ListedLines(Entry(FolderKind::FolderMask, drive_.Win("pub\\*.tmp"), true));
  const int unmounted = std::system(("umount '" + drive_.Host("pub/mnt") + "'").c_str());
  ASSERT_EQ(lines.Count(), 1u);
  EXPECT_EQ(lines.Text(0), drive_.Win("pub\\a.tmp"));
  EXPECT_EQ(unmounted, 0);
}

// Freed counts what a file held on disk: a sparse file of 1 GB with 4 bytes of data frees a block,
// not a gigabyte.
TEST_F(FolderEntriesTest, FreedCountsTheBytesAFileHeldOnDisk) {
  for (const bool quick : {true, false}) {
    const int fd = ::open(drive_.Host("sparse.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "data", 4, 500000000), 4);
    ASSERT_EQ(::ftruncate(fd, 1000000000), 0);
    struct stat st {};
    ::fstat(fd, &st);
    ::close(fd);
    if (st.st_blocks * 512 > 1 << 20) GTEST_SKIP() << "the file system keeps no holes";
    const WashCounts counts = WashFileLines({{drive_.Win("sparse.bin"), true}}, quick, nullptr, {});
    EXPECT_EQ(counts.Success, 1);
    EXPECT_EQ(counts.FreedBytes, static_cast<uint64_t>(st.st_blocks) * 512) << quick;
  }
}

// Catches ticked lines counted neither as a success nor as a failure: a listed file that became a
// pipe or a folder before its erase is left, and counted as a failure whose row says why, by the
// quick wash (on its own, and looking ahead on a thread of its own for many lines) and the
// secure one. A file that vanished is still neither.
TEST_F(FolderEntriesTest, EveryListedFileThatIsNoFileNowIsCountedAsAFailure) {
  const struct {
    std::size_t files;
    bool quick;
  } runs[] = {{3, true}, {3, false}, {3003, true}};
  for (const auto& run : runs) {
    SCOPED_TRACE(std::to_string(run.files) + (run.quick ? " quick" : " secure"));
    test::RemoveTree(drive_.Host("w"));
    fs::create_directories(drive_.Host("w"));
    for (std::size_t i = 0; i < run.files; ++i)
      WriteHostFile(drive_.Host("w/f" + std::to_string(i) + ".tmp"), "x");
    const FileLines lines =
        ListedLines(Entry(FolderKind::FolderMask, drive_.Win("w\\*.tmp"), false));
    ASSERT_EQ(lines.Count(), run.files);
    fs::remove(drive_.Host("w/f0.tmp"));
    ASSERT_EQ(::mkfifo(drive_.Host("w/f0.tmp").c_str(), 0600), 0);
    fs::remove(drive_.Host("w/f1.tmp"));
    fs::create_directory(drive_.Host("w/f1.tmp"));
    fs::remove(drive_.Host("w/f2.tmp"));
    test::TempFolder logFolder;
    WashLog log(logFolder.path() + "/");
    log.BeginLogRun();
    const WashCounts counts = WashFileLines(lines, run.quick, &log, {});
    log.EndLogRun();
    EXPECT_EQ(counts.Fails, 2);
    EXPECT_EQ(counts.Success, static_cast<int32_t>(run.files) - 3);
    std::vector<std::string> failed;
    for (const auto& row : test::LogRows(ReadHostFile(logFolder.path() + "/log.htm")))
      if (row.find("|Fail|") != std::string::npos) failed.push_back(row.substr(row.find('|') + 1));
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed,
              (std::vector<std::string>{
                  "Fail|" + drive_.Win("w\\f0.tmp") +
                      "|Not a File: a pipe, socket or device took its place",
                  "Fail|" + drive_.Win("w\\f1.tmp") + "|Not a File: a folder took its place"}));
    ASSERT_EQ(counts.Failed.size(), 2u);
    struct stat st {};
    EXPECT_TRUE(::lstat(drive_.Host("w/f0.tmp").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(fs::is_directory(drive_.Host("w/f1.tmp")));
  }
}

// As rm --preserve-root: an entry that walks every subfolder of the root, of the home or of a
// top-level user folder is refused with its reason, however its path reaches the folder; one
// folder further down, or without subfolders, it stands.
TEST_F(FolderEntriesTest, AWalkOfTheRootTheHomeOrAUserFolderIsRefused) {
  fs::create_directories(drive_.Host("home/Documents/old"));
  fs::create_directories(drive_.Host("home/Pictures"));
  WriteHostFile(drive_.Host("home/Documents/thesis.odt"), "precious");
  WriteHostFile(drive_.Host("home/Documents/old/a.tmp"), "junk");
  fs::create_directory_symlink(drive_.Host("home"), drive_.Host("alias"));
  test::ScopedEnv home("HOME", drive_.Host("home"));
  test::ScopedEnv config("XDG_CONFIG_HOME", drive_.Host("home/config"));
  platform::ScopedDriveMapping root('R', "/");
  struct Case {
    std::string target;
    bool subfolders;
    const char* refusedAs;  // nullptr: not refused
  } cases[] = {
      {"R:\\*.*", true, "the root of the system"},
      {drive_.Win("home\\*.*"), true, "your home folder"},
      {drive_.Win("alias\\*.odt"), true, "your home folder"},
      {drive_.Win("home\\Documents\\*.*"), true, "your Documents folder"},
      {drive_.Win("home\\Pictures\\thesis.odt"), true, "your Pictures folder"},
      {drive_.Win("home\\Documents\\old\\*.*"), true, nullptr},
      {drive_.Win("home\\Documents\\*.*"), false, nullptr},
  };
  for (const auto& c : cases) {
    const FolderKind kind =
        c.target.find('*') == std::string::npos ? FolderKind::SingleFile : FolderKind::FolderMask;
    auto entry = Entry(kind, c.target, c.subfolders);
    std::vector<std::string> lines;
    if (c.refusedAs) {
      try {
        ExpandFolderEntry(entry, {}, lines);
        ADD_FAILURE() << c.target << " not refused";
      } catch (const RefusedEntry& e) {
        EXPECT_NE(std::string(e.what()).find(c.refusedAs), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.target), std::string::npos) << e.what();
      }
    } else {
      EXPECT_NO_THROW(ExpandFolderEntry(entry, {}, lines)) << c.target;
    }
  }
  EXPECT_EQ(ReadHostFile(drive_.Host("home/Documents/thesis.odt")), "precious");
}

}  // namespace
}  // namespace vorlisk
