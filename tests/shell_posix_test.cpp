// The shell services on the freedesktop.org Trash and "recently used" store, run on temporary
// homes and a mount table of temporary folders only.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/error.h"
#include "platform/shell.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempFolder;

void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Every entry below a folder (links not followed), with file contents: what a user would see.
std::string Listing(const std::string& folder) {
  std::string out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    out += fs::relative(e.path(), folder).string();
    if (e.is_symlink())
      out += " -> " + fs::read_symlink(e.path()).string();
    else if (e.is_regular_file())
      out += " = " + ReadText(e.path());
    out += "\n";
  }
  return out;
}

const std::string kUid = std::to_string(::getuid());

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : home_("HOME", tmp_ / "home"), xdg_("XDG_DATA_HOME", std::nullopt) {
    fs::create_directories(tmp_ / "home");
    WriteText(tmp_ / "mounts", "");
    SetMountTableForTesting(tmp_ / "mounts");
    WriteText(tmp_ / "canary/precious.txt", "precious bytes");
    WriteText(tmp_ / "canary/sub/keep.txt", "keep");
    canary_ = Listing(tmp_ / "canary");
  }
  ~ShellTest() override { SetMountTableForTesting(""); }

  // A trash with trashed files and folders, and links out of it to the canary.
  void FillTrash(const std::string& trash) {
    WriteText(trash + "/files/a.txt", "a");
    WriteText(trash + "/files/dir/sub/b.txt", "b");
    WriteText(trash + "/files/readonly/c.txt", "c");
    fs::permissions(trash + "/files/readonly", fs::perms::owner_read | fs::perms::owner_exec);
    WriteText(trash + "/info/a.txt.trashinfo", "[Trash Info]\n");
    WriteText(trash + "/expunged/old/x", "x");
    fs::create_directory_symlink(tmp_ / "canary", trash + "/files/linked-folder");
    fs::create_symlink(tmp_ / "canary/precious.txt", trash + "/files/linked-file");
    fs::create_directory_symlink(tmp_ / "canary/sub", trash + "/expunged/old/linked-sub");
    fs::create_directory_symlink(tmp_ / "canary", trash + "/info/linked.trashinfo");
  }

  static bool IsEmptied(const std::string& trash) {
    for (const char* part : {"/files", "/info", "/expunged"})
      if (fs::is_symlink(trash + part) || !fs::is_directory(trash + part) ||
          !fs::is_empty(trash + part))
        return false;
    return true;
  }

  void ExpectCanaryIntact() { EXPECT_EQ(Listing(tmp_ / "canary"), canary_); }

  TempFolder tmp_;
  ScopedEnv home_, xdg_;
  std::string canary_;
};

TEST_F(ShellTest, EmptiesTheHomeTrashWithoutFollowingLinksOutOfIt) {
  struct Case {
    std::optional<std::string> xdg;
    std::string trash;  // the home trash that XDG_DATA_HOME gives
    std::string other;  // a trash folder that is not the home trash then
  } cases[] = {
      {std::nullopt, "home/.local/share/Trash", "xdg/Trash"},
      {tmp_ / "xdg", "xdg/Trash", "home/.local/share/Trash"},
      {"relative/xdg", "home/.local/share/Trash", "xdg/Trash"},  // not absolute: ignored
  };
  for (const auto& c : cases) {
    ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
    FillTrash(tmp_ / c.trash);
    FillTrash(tmp_ / c.other);
    const std::string other = Listing(tmp_ / c.other);
    EmptyRecycleBins();
    EXPECT_TRUE(IsEmptied(tmp_ / c.trash)) << c.trash;
    EXPECT_EQ(Listing(tmp_ / c.other), other) << c.other;
    ExpectCanaryIntact();
    test::RemoveTree(tmp_ / c.trash);
    test::RemoveTree(tmp_ / c.other);
  }
}

TEST_F(ShellTest, NeverFollowsATrashFolderThatIsALink) {
  const std::string trash = tmp_ / "home/.local/share/Trash";
  // The trash itself is a link to a folder laid out like a trash.
  FillTrash(tmp_ / "elsewhere");
  const std::string elsewhere = Listing(tmp_ / "elsewhere");
  fs::create_directories(tmp_ / "home/.local/share");
  fs::create_directory_symlink(tmp_ / "elsewhere", trash);
  EmptyRecycleBins();
  EXPECT_EQ(Listing(tmp_ / "elsewhere"), elsewhere);
  // A real trash whose files/ is a link to the canary.
  fs::remove(trash);
  fs::create_directories(trash + "/info");
  fs::create_directory_symlink(tmp_ / "canary", trash + "/files");
  EmptyRecycleBins();
  ExpectCanaryIntact();
}

TEST_F(ShellTest, EmptiesTheTrashFoldersOfMountedFileSystems) {
  const std::string vol = tmp_ / "vol", spaced = tmp_ / "vol two", linked = tmp_ / "vol3";
  FillTrash(vol + "/.Trash-" + kUid);
  FillTrash(vol + "/.Trash/" + kUid);
  fs::permissions(vol + "/.Trash", fs::perms::all | fs::perms::sticky_bit);
  FillTrash(spaced + "/.Trash/" + kUid);  // without the sticky bit: not a trash to use
  FillTrash(spaced + "/.Trash-" + kUid);
  FillTrash(tmp_ / "fake/" + kUid);
  fs::permissions(tmp_ / "fake", fs::perms::all | fs::perms::sticky_bit);
  fs::create_directories(linked);
  fs::create_directory_symlink(tmp_ / "fake", linked + "/.Trash");
  fs::create_directory_symlink(tmp_ / "fake/" + kUid, linked + "/.Trash-" + kUid);
  WriteText(tmp_ / "mounts", "/dev/sda1 " + vol + " ext4 rw 0 0\n" +                          //
                                 "/dev/sdb1 " + tmp_.path() + "/vol\\040two ext4 rw 0 0\n" +  //
                                 "/dev/sdc1 " + linked + " xfs rw 0 0\n");
  const std::string spacedShared = Listing(spaced + "/.Trash");
  const std::string fake = Listing(tmp_ / "fake");

  // What the wash will empty is counted, and only that: three trashes of five entries each, and
  // the bytes of their three files at any depth (never what a link leads to).
  uint64_t bytes = 0;
  for (const std::string& trash :
       {vol + "/.Trash-" + kUid, vol + "/.Trash/" + kUid, spaced + "/.Trash-" + kUid})
    for (const char* file : {"/files/a.txt", "/files/dir/sub/b.txt", "/files/readonly/c.txt"}) {
      struct stat st {};
      ASSERT_EQ(::stat((trash + file).c_str(), &st), 0);
      bytes += std::min<uint64_t>(static_cast<uint64_t>(st.st_size),
                                  static_cast<uint64_t>(st.st_blocks) * 512);
    }
  EXPECT_EQ(QueryRecycleBins(), (RecycleBinContents{15, bytes}));
  EmptyRecycleBins();
  EXPECT_EQ(QueryRecycleBins(), RecycleBinContents{});
  EXPECT_TRUE(IsEmptied(vol + "/.Trash-" + kUid));
  EXPECT_TRUE(IsEmptied(vol + "/.Trash/" + kUid));
  EXPECT_TRUE(IsEmptied(spaced + "/.Trash-" + kUid));
  EXPECT_EQ(Listing(spaced + "/.Trash"), spacedShared);
  EXPECT_EQ(Listing(tmp_ / "fake"), fake);
  ExpectCanaryIntact();
}

TEST_F(ShellTest, EmptiesATrashAtAnyDepth) {
  const std::string trash = tmp_ / "home/.local/share/Trash";
  FillTrash(trash);
  std::string deep = trash + "/files/deep";
  for (int level = 0; level < 400; ++level) deep += "/d";
  WriteText(deep + "/bottom.txt", "bottom");
  fs::create_directory_symlink(tmp_ / "canary", deep + "/linked");
  EmptyRecycleBins();
  EXPECT_TRUE(IsEmptied(trash));
  ExpectCanaryIntact();
}

// Runs `body` in a child process with a mount namespace of its own, after bind-mounting `source`
// at each target: the mounts never outlive the child. False when mounting is not allowed here.
bool RunWithBindMounts(const std::string& source, const std::vector<std::string>& targets,
                       const std::function<void()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    const bool root = uid == 0;
    if (::unshare(root ? CLONE_NEWNS : (CLONE_NEWUSER | CLONE_NEWNS)) != 0) ::_exit(77);
    if (!root) {
      // Keep the user's own ids inside the new namespace, so the trash stays the user's.
      std::ofstream("/proc/self/setgroups") << "deny";
      std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
      std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(77);
    for (const auto& target : targets)
      if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) ::_exit(77);
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(ShellTest, NeverEntersAFolderBindMountedIntoTheTrash) {
  const std::string trash = tmp_ / "home/.local/share/Trash";
  FillTrash(trash);
  fs::create_directories(trash + "/files/deeper/mnt");
  fs::create_directories(trash + "/files/mnt");
  // The same file system mounted again: only the mount identity tells it apart.
  if (!RunWithBindMounts(tmp_ / "canary", {trash + "/files/mnt", trash + "/files/deeper/mnt"},
                         [] { EmptyRecycleBins(); }))
    GTEST_SKIP() << "bind mounts are not allowed here";
  ExpectCanaryIntact();
  EXPECT_FALSE(fs::exists(trash + "/files/a.txt"));
}

constexpr const char* kEmptyStore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\" "
    "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
    "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"></xbel>\n";

TEST_F(ShellTest, ReplacesTheRecentlyUsedStoreWithAnEmptyOne) {
  const std::string data = tmp_ / "home/.local/share", store = data + "/recently-used.xbel";
  // Missing folders are created, private to the user.
  ClearUrlHistoryStore();
  EXPECT_EQ(ReadText(store), kEmptyStore);
  EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
  // An existing store keeps its permissions.
  WriteText(store, "<xbel><bookmark href=\"file:///secret\"/></xbel>");
  fs::permissions(store, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ClearUrlHistoryStore();
  EXPECT_EQ(ReadText(store), kEmptyStore);
  EXPECT_EQ(fs::status(store).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A store that is a link is replaced, not written through.
  fs::remove(store);
  fs::create_symlink(tmp_ / "canary/precious.txt", store);
  ClearUrlHistoryStore();
  EXPECT_FALSE(fs::is_symlink(store));
  EXPECT_EQ(ReadText(store), kEmptyStore);
  ExpectCanaryIntact();
}

TEST_F(ShellTest, AStoreThatCannotBeWrittenRaisesThePlatformText) {
  WriteText(tmp_ / "plain-file", "not a folder");
  fs::create_directories(tmp_ / "with-dir/recently-used.xbel");
  struct Case {
    std::string dataHome;
    const char* error;
  } cases[] = {
      {tmp_ / "plain-file", "Path not found"},
      {tmp_ / "plain-file/share", "Path not found"},
      {tmp_ / "with-dir", "File access denied"},
  };
  for (const auto& c : cases) {
    ScopedEnv xdg("XDG_DATA_HOME", c.dataHome);
    try {
      ClearUrlHistoryStore();
      ADD_FAILURE() << "no error for " << c.dataHome;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.error) << c.dataHome;
    }
  }
  EXPECT_EQ(ReadText(tmp_ / "plain-file"), "not a folder");
  EXPECT_TRUE(fs::is_empty(tmp_ / "with-dir/recently-used.xbel"));
  EXPECT_EQ(Listing(tmp_ / "with-dir"), "recently-used.xbel\n");
}

}  // namespace
}  // namespace vorlisk::platform
