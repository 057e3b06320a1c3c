// The private run-time folder: only a folder of this user that no other user can create names in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/error.h"
#include "platform/runtime_folder.h"
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

  // Without XDG_RUNTIME_DIR: a folder of its own in TMPDIR, made private.
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", std::nullopt);
  test::ScopedEnv tmpdir("TMPDIR", tmp.Path());
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
      EXPECT_EQ(Refusal(), c.refusal);
    }
  }
}

}  // namespace
}  // namespace vorlisk::platform
