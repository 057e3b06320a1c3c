// Registry entries: how often a wash saves the store, as the file system reports the saves.
#include <gtest/gtest.h>

#include "registry_entries_fixture.h"
#include "save_counter.h"

namespace vorlisk {
namespace {

using platform::RootKey;
using test::SaveCounter;

TEST_F(RegistryEntriesTest, KeysGoDepthFirstWithTheirWholeSubtreeSavedOnce) {
  struct Case {
    const char* fault;
    std::vector<bool> ticks;  // A, B, the key itself
    std::vector<std::string> rows;
  } cases[] = {
      {"an unticked subkey line keeping the subkey from its parent's deletion",
       {false, true, true},
       {"&nbsp;|Success|HKEY_CURRENT_USER\\Software\\Demo\\B|&nbsp;",
        "&nbsp;|Success|HKEY_CURRENT_USER\\Software\\Demo\\|&nbsp;"}},
      {"subkeys not deleted before their parent, or counted wrongly",
       {true, true, true},
       {"&nbsp;|Success|HKEY_CURRENT_USER\\Software\\Demo\\A|&nbsp;",
        "&nbsp;|Success|HKEY_CURRENT_USER\\Software\\Demo\\B|&nbsp;",
        "&nbsp;|Success|HKEY_CURRENT_USER\\Software\\Demo\\|&nbsp;"}},
  };
  for (const auto& c : cases) {
    platform::ImportRegistryText(kDemo);
    const auto lines = Expand("HKEY_CURRENT_USER\\Software\\Demo", CleanRegisterType::WholeKey);
    SaveCounter saves(drive_.Host());
    const WashCounts counts = Wash(Marked(lines, c.ticks));
    EXPECT_EQ(counts.Success, static_cast<int>(c.rows.size())) << c.fault;
    EXPECT_EQ(counts.Fails, 0) << c.fault;
    EXPECT_EQ(Rows(), c.rows) << c.fault;
    EXPECT_FALSE(KeyExists(RootKey::CurrentUser, "\\Software\\Demo")) << c.fault;
    EXPECT_TRUE(KeyExists(RootKey::CurrentUser, "\\Software")) << c.fault;
    EXPECT_TRUE(KeyExists(RootKey::LocalMachine, "\\Software\\Demo\\M")) << c.fault;
    EXPECT_EQ(saves.Saves("registry.reg"), 1) << "the store saved more or less than once";
    drive_.Put("log.htm", "");
  }
}

}  // namespace
}  // namespace vorlisk
