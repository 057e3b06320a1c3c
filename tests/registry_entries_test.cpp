// Registry entries: the lines an entry yields, what washing them removes from the store, and the
// counts and log rows a user sees.
#include "engine/registry_entries.h"

#include "engine/wash_log.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "registry_entries_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using platform::Registry;
using platform::RootKey;

TEST_F(RegistryEntriesTest, EntriesYieldKeyAndValueLinesInEnumerationOrder) {
  using enum CleanRegisterType;
  const std::string demo = "HKEY_CURRENT_USER\\Software\\Demo\\";
  struct Case {
    const char* fault;
    const char* key;
    CleanRegisterType type;
    const char* value;
    std::vector<std::string> lines;
    std::optional<std::string> keyAfter;
  } cases[] = {
      {"subkey lines missing, out of order or after the key's own line",
       "HKEY_CURRENT_USER\\Software\\Demo",
       WholeKey,
       "",
       {demo + "A" + kKeyLine, demo + "B" + kKeyLine, demo + kKeyLine},
       demo},
      {"an abbreviated root taken for HKEY_LOCAL_MACHINE",
       "HKLM\\Software\\Demo\\",
       WholeKey,
       "",
       {std::string("HKLM\\Software\\Demo\\A") + kKeyLine,
        std::string("HKLM\\Software\\Demo\\B") + kKeyLine,
        std::string("HKLM\\Software\\Demo\\") + kKeyLine},
       std::nullopt},
      {"a full root name in lower case not recognised",
       "hkey_local_machine\\software\\demo",
       WholeKey,
       "",
       {std::string("hkey_local_machine\\software\\demo\\M") + kKeyLine,
        std::string("hkey_local_machine\\software\\demo\\") + kKeyLine},
       "hkey_local_machine\\software\\demo\\"},
      {"a root key offered for deletion", "HKEY_CURRENT_USER\\", WholeKey, "", {}, std::nullopt},
      {"a missing key yielding lines",
       "HKEY_CURRENT_USER\\Software\\Missing",
       WholeKey,
       "",
       {},
       "HKEY_CURRENT_USER\\Software\\Missing\\"},
      {"an empty key name changed or expanded", "", WholeKey, "", {}, ""},
      {"values missing or the default value's line not ending in the marker",
       "HKEY_CURRENT_USER\\Software\\Demo\\",
       AllValues,
       "",
       {demo + kValueLine, demo + kValueLine + "Last", demo + kValueLine + "Path",
        demo + kValueLine + "Count"},
       std::nullopt},
      {"a value looked up with regard to case",
       "HKEY_CURRENT_USER\\Software\\Demo",
       SingleValue,
       "last",
       {demo + kValueLine + "last"},
       std::nullopt},
      {"a missing value yielding a line",
       "HKEY_CURRENT_USER\\Software\\Demo",
       SingleValue,
       "Missing",
       {},
       std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Expand(c.key, c.type, c.value), c.lines) << c.fault;
    EXPECT_EQ(keyName_, c.keyAfter.value_or(keyName_)) << c.fault;
  }
}

// Catches a whole-key delete of a key right below a root, however an item file writes it: such a
// key (HKEY_CURRENT_USER\Software) holds every application's settings, and no entry means it.
TEST_F(RegistryEntriesTest, AKeyRightBelowARootIsNeverDeletedWhole) {
  using enum CleanRegisterType;
  for (const char* key :
       {"HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software\\",
        "HKEY_CURRENT_USER\\Software\\ ", "HKCU\\Software\\\\", "HKEY_CURRENT_USER\\\\Software\\"})
    EXPECT_EQ(Expand(key, WholeKey), std::vector<std::string>{}) << key;
  // A key below it is offered whole.
  EXPECT_EQ(Expand("HKEY_CURRENT_USER\\Software\\Demo\\", WholeKey).size(), 3u);

  const MarkedLines lines{
      {std::string("HKEY_CURRENT_USER\\Software\\") + kKeyLine, true},
      {std::string("HKEY_CURRENT_USER\\Software") + kKeyLine, true},
      {std::string("HKEY_LOCAL_MACHINE\\Software\\\\") + kKeyLine, true},
      {std::string("HKEY_CURRENT_USER\\Software\\Demo\\B") + kKeyLine, true},
  };
  const WashCounts counts = Wash(lines);
  EXPECT_EQ(counts.Success, 1);
  EXPECT_EQ(counts.Fails, 3);
  EXPECT_TRUE(KeyExists(RootKey::CurrentUser, "\\Software\\Demo\\A\\Deep"));
  EXPECT_TRUE(KeyExists(RootKey::LocalMachine, "\\Software\\Demo\\M"));
  EXPECT_FALSE(KeyExists(RootKey::CurrentUser, "\\Software\\Demo\\B"));
}

TEST_F(RegistryEntriesTest, AStoreThatCannotBeSavedEndsTheWashWithItsError) {
  const auto lines = Expand("HKEY_CURRENT_USER\\Software\\Demo", CleanRegisterType::WholeKey);
  const std::string before = drive_.Read("registry.reg");
  platform::SetWriteFaultForTesting("rename");
  // The log does not call them successes either.
  WashLog log(drive_.Root());
  log.BeginLogRun({2004, 3, 7, 13, 5, 9});
  EXPECT_THROW(WashRegistryLines(Marked(lines, {true, false, true}), &log), WriteError)
      << "deletions that never reached the store counted as successes";
  log.EndLogRun();
  EXPECT_THROW(WashRegistryLines(Marked(lines, {true, true, true}), nullptr), WriteError);
  platform::SetWriteFaultForTesting("");
  EXPECT_EQ(drive_.Read("registry.reg"), before);
  const std::vector<std::string> rows = Rows();
  EXPECT_EQ(rows.size(), 2u);
  for (const auto& row : rows) EXPECT_EQ(row.find("|Success|"), std::string::npos) << row;
}

TEST_F(RegistryEntriesTest, ValueLinesCountWhatIsStillThereAndResolveTheirOwnRoot) {
  const std::string demo = "HKEY_CURRENT_USER\\Software\\Demo\\";
  const auto last =
      Expand("HKEY_CURRENT_USER\\Software\\Demo", CleanRegisterType::SingleValue, "Last");
  const auto all = Expand("HKEY_CURRENT_USER\\Software\\Demo", CleanRegisterType::AllValues);
  {
    Registry r;  // removed between preview and wash
    ASSERT_TRUE(r.OpenKey("\\Software\\Demo"));
    ASSERT_TRUE(r.DeleteValue("Last"));
  }
  const MarkedLines lines{
      {last[0], true},
      {all[0], true},  // the default value
      {all[2], false},
      {"HKEY_LOCAL_MACHINE\\Software\\Demo\\M\\" + std::string(kValueLine) + "Last", true},
      {"HKLM\\Software\\Demo\\" + std::string(kValueLine) + "Count", true},
      {std::string("HKEY_CURRENT_USER\\") + kKeyLine, true},
      {std::string("HKEY_CURRENT_USER") + kKeyLine, true},
  };
  const WashCounts counts = Wash(lines);
  EXPECT_EQ(counts.Success, 3);
  EXPECT_EQ(counts.Fails, 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        "&nbsp;|Fail|" + demo + "Last|&nbsp;",
                        "&nbsp;|Success|" + demo + "|&nbsp;",
                        "&nbsp;|Success|HKEY_LOCAL_MACHINE\\Software\\Demo\\M\\Last|&nbsp;",
                        "&nbsp;|Success|HKLM\\Software\\Demo\\Count|&nbsp;",
                        "&nbsp;|Fail|HKEY_CURRENT_USER\\|&nbsp;",
                        "&nbsp;|Fail|HKEY_CURRENT_USER|&nbsp;",
                    }));
  EXPECT_FALSE(ValueExists(RootKey::CurrentUser, "\\Software\\Demo", ""));
  EXPECT_TRUE(ValueExists(RootKey::CurrentUser, "\\Software\\Demo", "Path"));
  EXPECT_FALSE(ValueExists(RootKey::CurrentUser, "\\Software\\Demo", "Count"));
  EXPECT_FALSE(ValueExists(RootKey::LocalMachine, "\\Software\\Demo\\M", "Last"));
  EXPECT_TRUE(KeyExists(RootKey::CurrentUser, "\\Software\\Demo\\A\\Deep"));

  // A SingleValue entry whose value is gone yields nothing, so its wash counts nothing.
  const WashCounts none = WashRegistryLines(
      Marked(Expand("HKEY_CURRENT_USER\\Software\\Demo", CleanRegisterType::SingleValue, "Last"),
             {}),
      nullptr);
  EXPECT_EQ(none.Success + none.Fails, 0);
}

TEST_F(RegistryEntriesTest, LineValuesAreTextAsStoredAndNeverRaise) {
  const std::string demo = std::string("HKEY_CURRENT_USER\\Software\\Demo\\") + kValueLine;
  const std::pair<std::string, std::string> cases[] = {
      {demo + "Last", "C:\\x"},
      {demo + "PATH", "%TMP%"},  // expandable text, not expanded
      {demo, "default"},
      {demo + "Count", ""},  // not text: would raise "Invalid data type"
      {demo + "Missing", ""},
      {std::string("HKEY_CURRENT_USER\\Software\\Missing\\") + kValueLine + "Last", ""},
      {std::string("HKLM\\Software\\Demo\\M\\") + kValueLine + "Last", ""},
  };
  for (const auto& [line, text] : cases) EXPECT_EQ(ReadRegistryLineValue(line), text) << line;
}

}  // namespace
}  // namespace vorlisk
