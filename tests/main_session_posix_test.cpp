// The main session on POSIX: the user folders seeded into the registry from the XDG variables.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/main_session.h"
#include "app/user_folders.h"
#include "main_session_fixture.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {
namespace {

// Catches a mistaken XDG_CACHE_HOME (the home, or above it) offered as a cache to wash whole.
TEST_F(SessionTest, OnlyACacheBelowTheHomeIsSeededIntoTheRegistry) {
  platform::ScopedDriveMapping home('H', Home.Path());
  const std::pair<std::string, std::string> cases[] = {{Home / "cache", "H:\\cache"},
                                                       {Home.Path(), ""},
                                                       {Home.Path() + "/", ""},
                                                       {Home / "cache/..", ""},
                                                       {"/", ""}};
  for (const auto& [cache, seeded] : cases) {
    SCOPED_TRACE(cache);
    test::ScopedEnv env("XDG_CACHE_HOME", cache);
    test::ScopedEnv config("XDG_CONFIG_HOME", cache);  // the base folders follow the same rule
    std::filesystem::remove(Program.Host("registry.reg"));
    PrepareRegistry(Folder());
    platform::Registry reg;
    reg.OpenKey("\\" + std::string(kUserFoldersKey));
    EXPECT_EQ(reg.ReadString("Cache"), seeded);
    EXPECT_EQ(reg.ReadString("Config"), seeded);
  }
}

// Catches a value left from an earlier start: a cache folder that is no longer usable (here the
// home itself) must not keep pointing at the folder of the start before.
TEST_F(SessionTest, AValueTheEnvironmentNoLongerGivesIsRemovedAtTheNextStart) {
  platform::ScopedDriveMapping home('H', Home.Path());
  auto cache = [] {
    platform::Registry reg;
    reg.OpenKey("\\" + std::string(kUserFoldersKey));
    return std::make_pair(reg.ValueExists("Cache"), reg.ReadString("Thumbnails"));
  };
  PrepareRegistry(Folder());
  EXPECT_EQ(cache(), std::make_pair(true, std::string("H:\\cache\\thumbnails")));
  test::ScopedEnv env("XDG_CACHE_HOME", Home.Path());
  PrepareRegistry(Folder());
  EXPECT_EQ(cache(), std::make_pair(false, std::string()));
}

}  // namespace
}  // namespace vorlisk
