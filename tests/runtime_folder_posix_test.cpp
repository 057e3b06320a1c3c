// The private run-time folder: only a folder of this user that no other user can create names in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/runtime_folder.h"
#include "posix_support.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

std::string Refusal() {
  try {
    PrivateRuntimeFolder();
  } catch (const Error& e) {
    return e.what();
  }
  return "no refusal";
}

// Catches a folder that another user made, owns, can write to or has replaced by a link being
// used, a fallback folder not made private, and XDG_RUNTIME_DIR passed over when it is sound.
TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsUsed) {
  test::TempFolder tmp;
  const std::string runtime = tmp / "run";
  std::filesystem::create_directory(runtime);
  ::chmod(runtime.c_str(), 0700);
  {
    test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime + "/");
    EXPECT_EQ(PrivateRuntimeFolder(), runtime);
    ::chmod(runtime.c_str(), 0777);
    EXPECT_EQ(Refusal(), "The folder " + runtime + " is open to other users (mode 777)");
  }
  {
    test::ScopedEnv xdg("XDG_RUNTIME_DIR", std::string("run"));
    EXPECT_EQ(Refusal(), "XDG_RUNTIME_DIR (run) is not an absolute path");
  }

  // Without XDG_RUNTIME_DIR: a folder of its own in TMPDIR, made private. Without a home there
  // is no fallback: an unusable folder is refused.
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", std::nullopt);
  test::ScopedEnv tmpdir("TMPDIR", tmp.Path());
  test::ScopedEnv noHome("HOME", std::nullopt);
  test::ScopedEnv noState("XDG_STATE_HOME", std::nullopt);
  const std::string own = tmp / ("vorlisk-" + std::to_string(::geteuid()));
  EXPECT_EQ(PrivateRuntimeFolder(), own);
  struct stat st {};
  ASSERT_EQ(::lstat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  bool chowned = true;
  struct Case {
    const char* what;
    std::function<void()> plant;
    std::string refusal;
  } cases[] = {
      {"readable by others", [&] { ::chmod(own.c_str(), 0755); },
       "The folder " + own + " is open to other users (mode 755)"},
      {"a link to a folder",
       [&] {
         std::filesystem::create_directory(tmp / "elsewhere");
         std::filesystem::create_directory_symlink(tmp / "elsewhere", own);
       },
       "The folder " + own + " is a symbolic link"},
      {"a file", [&] { test::WriteHostFile(own, ""); }, own + " is not a folder"},
      {"another user's",
       [&] {
         std::filesystem::create_directory(own);
         ::chmod(own.c_str(), 0700);
         // Changing a folder's owner needs root; without it the case proves nothing.
         chowned = ::chown(own.c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) == 0;
       },
       "The folder " + own + " belongs to another user (" + std::to_string(::geteuid() + 1) + ")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(own);
    if (std::string_view(c.what) == "readable by others") std::filesystem::create_directory(own);
    c.plant();
    if (chowned) {
      EXPECT_EQ(Refusal(), c.refusal + ", and there is no home for a folder of the user's own");
    }
  }
}

// Catches a window that another local user keeps from starting by making /tmp/vorlisk-<uid>
// first (theirs, a link, open to others, a file), a fallback that is not private or not the same
// for every start of the user, and a second start that misses a first one that took the fallback.
TEST(RuntimeFolder, AFolderInTmpTakenByAnotherUserGivesWayToOneInTheUsersState) {
  if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
  const test::NoRuntimeDir start;
  const std::string own = start.Own(), fallback = start.Fallback();
  const std::vector<std::pair<const char*, std::function<void()>>> taken = {
      {"another user's", [&] { ASSERT_TRUE(start.TakeOwnForAnotherUser()); }},
      {"a link to another folder",
       [&] {
         std::filesystem::create_directory(start.tmp / "elsewhere");
         std::filesystem::create_directory_symlink(start.tmp / "elsewhere", own);
       }},
      {"open to others",
       [&] {
         std::filesystem::create_directory(own);
         ::chmod(own.c_str(), 0777);
       }},
      {"a file", [&] { test::WriteHostFile(own, ""); }}};
  for (const auto& [what, plant] : taken) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(own);
    std::filesystem::remove_all(start.home / ".local");
    plant();
    EXPECT_EQ(PrivateRuntimeFolder(), fallback);
    EXPECT_EQ(PrivateRuntimeFolders(), std::vector<std::string>{fallback});
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::lstat((start.home / ".local").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // the parents it made, for the owner only
    // The same folder at every start while the one in TMPDIR stays taken.
    EXPECT_EQ(PrivateRuntimeFolder(), fallback);
    std::filesystem::remove_all(own);  // the link or the file, never what a link leads to
    // Given up: the next start takes the folder in TMPDIR, and still looks in the fallback.
    EXPECT_EQ(PrivateRuntimeFolders(), (std::vector<std::string>{own, fallback}));
  }

  // XDG_STATE_HOME, when absolute, holds the fallback; a fallback open to others is no refuge,
  // and a second start does not look there.
  test::ScopedEnv stateHome("XDG_STATE_HOME", start.home / "state");
  const std::string stateFolder = start.home / "state/vorlisk/run";
  std::filesystem::remove_all(own);
  ASSERT_TRUE(start.TakeOwnForAnotherUser());
  EXPECT_EQ(PrivateRuntimeFolder(), stateFolder);
  ::chmod(stateFolder.c_str(), 0755);
  EXPECT_EQ(Refusal(), "The folder " + own + " belongs to another user (" +
                           std::to_string(::geteuid() + 1) + "). The folder " + stateFolder +
                           " is open to other users (mode 755)");
  std::filesystem::remove_all(own);
  EXPECT_EQ(PrivateRuntimeFolders(), std::vector<std::string>{own});
}

}  // namespace
}  // namespace vorlisk::platform
