// Contract tests of the registry accessor over the emulated store (the rules Windows follows).
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "registry_fixture.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

TEST_F(RegistryTest, NamesIgnoreCaseKeepTheirCaseAndDifferByTrailingBlanks) {
  ImportRegistryText(
      RegFile("[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"Last\"=\"one\"\r\n\"last \"=\"two\"\r\n"));
  ASSERT_TRUE(reg_.OpenKey("\\SOFTWARE\\demo"));
  EXPECT_EQ(reg_.ReadString("LAST"), "one");
  EXPECT_EQ(reg_.ReadString("LAST "), "two");
  EXPECT_FALSE(reg_.ValueExists("last  "));
  reg_.WriteString("lAST", "three");  // replaces "Last", keeping its name and place
  ASSERT_TRUE(reg_.OpenKey("\\software\\DEMO\\Sub", true));
  EXPECT_FALSE(reg_.KeyExists("\\Software\\Demo "));
  EXPECT_EQ(StoreBytes(), RegFile("[HKEY_CURRENT_USER\\Software]\r\n"
                                  "\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
                                  "\"Last\"=\"three\"\r\n\"last \"=\"two\"\r\n"
                                  "\r\n[HKEY_CURRENT_USER\\Software\\Demo\\Sub]\r\n\r\n"));
}

TEST_F(RegistryTest, SubkeysEnumerateSortedValuesInCreationOrder) {
  ASSERT_TRUE(reg_.OpenKey("\\Order", true));
  for (const char* name : {"b", "_x", "A", "C", "a1"}) {
    ASSERT_TRUE(reg_.OpenKey("\\Order\\" + std::string(name), true));
  }
  ASSERT_TRUE(reg_.OpenKey("\\Order"));
  for (const char* name : {"z", "A", "m"}) reg_.WriteString(name, "");
  EXPECT_EQ(reg_.GetKeyNames(), (std::vector<std::string>{"A", "a1", "b", "C", "_x"}));
  EXPECT_EQ(reg_.GetValueNames(), (std::vector<std::string>{"z", "A", "m"}));
  EXPECT_TRUE(reg_.HasSubKeys());
}

TEST_F(RegistryTest, PathsResolveAsTheAccessorDoes) {
  ImportRegistryText(
      RegFile("[HKEY_CURRENT_USER\\Top\\Mid\\Low]\r\n"
              "[HKEY_CURRENT_USER\\Mid]\r\n[HKEY_LOCAL_MACHINE\\Top]\r\n"));
  struct Case {
    const char* open;  // opened first ("" for none)
    const char* path;
    bool exists;
  } cases[] = {
      {"", "Top\\Mid", true},
      {"", "\\Top\\Mid\\", true},
      {"", "Top\\\\Mid", false},
      {"", "\\\\Top", false},
      {"", "", true},
      {"", "\\", true},
      {"\\Top", "Mid\\Low", true},
      {"\\Top", "\\Mid", true},
      {"\\Top", "Low", false},
      {"\\Top", "\\Mid\\Low", false},
      {"\\Top\\Mid", "", true},
      {"\\Top", "mid\\low\\\\", true},
  };
  for (const auto& c : cases) {
    reg_.SetRootKey(RootKey::CurrentUser);
    if (*c.open) {
      ASSERT_TRUE(reg_.OpenKey(c.open));
    }
    EXPECT_EQ(reg_.KeyExists(c.path), c.exists) << c.open << " | " << c.path;
    EXPECT_EQ(reg_.OpenKey(c.path), c.exists) << c.open << " | " << c.path;
  }
  reg_.SetRootKey(RootKey::CurrentUser);
  ASSERT_TRUE(reg_.OpenKey("\\Top\\"));
  ASSERT_TRUE(reg_.OpenKey("Mid\\"));
  EXPECT_EQ(reg_.CurrentPath(), "Top\\Mid");
  reg_.SetRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg_.HasOpenKey());
  EXPECT_TRUE(reg_.KeyExists("\\Top"));
  EXPECT_FALSE(reg_.KeyExists("\\Mid"));
}

TEST_F(RegistryTest, OpeningNeverCreatesAndAFailedOpenClosesTheKey) {
  ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\Here]\r\n"));
  const std::string before = StoreBytes();
  const auto stamp = StoreStamp();
  ASSERT_TRUE(reg_.OpenKey("\\Here"));
  EXPECT_FALSE(reg_.OpenKey("\\Missing\\Deep"));
  EXPECT_FALSE(reg_.HasOpenKey());
  EXPECT_FALSE(reg_.KeyExists("\\Missing"));
  EXPECT_EQ(StoreStamp(), stamp);
  EXPECT_EQ(StoreBytes(), before);
  // Names that could not be written back as one line are refused, never stored.
  EXPECT_FALSE(reg_.OpenKey("\\Bad\r\nName", true));
  ASSERT_TRUE(reg_.OpenKey("\\Here"));
  EXPECT_THROW(reg_.WriteString("x\r\n[HKEY_CURRENT_USER\\Injected]", "v"), Error);
  EXPECT_EQ(StoreBytes(), before);
}

TEST_F(RegistryTest, ReadStringGivesTextTypesAsStoredAndRefusesOthers) {
  ImportRegistryText(
      RegFile("[HKEY_CURRENT_USER\\V]\r\n@=\"def\"\r\n\"Sz\"=\"C:\\\\x\"\r\n"
              "\"Exp\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\r\n"
              "\"Count\"=dword:00000001\r\n"));
  EXPECT_EQ(reg_.ReadString("Sz"), "");  // no key open
  ASSERT_TRUE(reg_.OpenKey("\\V"));
  EXPECT_EQ(reg_.ReadString(""), "def");
  EXPECT_EQ(reg_.ReadString("Sz"), "C:\\x");
  EXPECT_EQ(reg_.ReadString("Exp"), "%TMP%");  // not expanded
  EXPECT_EQ(reg_.ReadString("Missing"), "");
  EXPECT_EQ(reg_.GetDataType("Count"), kRegDword);
  EXPECT_EQ(reg_.ReadBinary("Count"), (std::vector<uint8_t>{1, 0, 0, 0}));
  try {
    reg_.ReadString("Count");
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
}

TEST_F(RegistryTest, DeleteKeyRemovesOnlyKeysWithoutSubkeys) {
  ImportRegistryText(
      RegFile("[HKEY_CURRENT_USER\\D\\A\\Deep]\r\n[HKEY_CURRENT_USER\\D\\B]\r\n"
              "\"v\"=\"1\"\r\n@=\"d\"\r\n"));
  ASSERT_TRUE(reg_.OpenKey("\\D"));
  EXPECT_FALSE(reg_.DeleteKey("A"));  // has a subkey
  EXPECT_TRUE(reg_.KeyExists("A\\Deep"));
  EXPECT_FALSE(reg_.DeleteKey(""));  // the open key itself is not a subkey
  EXPECT_FALSE(reg_.DeleteKey("\\"));
  EXPECT_FALSE(reg_.DeleteKey("Missing"));
  EXPECT_TRUE(reg_.DeleteKey("A\\Deep"));
  EXPECT_TRUE(reg_.DeleteKey("a"));
  ASSERT_TRUE(reg_.OpenKey("\\D\\B"));
  EXPECT_TRUE(reg_.DeleteValue(""));
  EXPECT_TRUE(reg_.DeleteValue("V"));
  EXPECT_FALSE(reg_.DeleteValue("v"));
  EXPECT_TRUE(reg_.DeleteKey("\\D\\B"));  // the open key, by its absolute path
  EXPECT_TRUE(reg_.GetValueNames().empty());
  EXPECT_THROW(reg_.WriteString("x", "y"), Error);
  EXPECT_EQ(StoreBytes(), RegFile("[HKEY_CURRENT_USER\\D]\r\n\r\n"));
}

TEST_F(RegistryTest, BatchSavesOnceWhenTheOutermostBatchEnds) {
  ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n"));
  const auto stamp = StoreStamp();
  ASSERT_TRUE(reg_.OpenKey("\\K"));
  {
    RegistryBatch outer;
    EXPECT_TRUE(reg_.DeleteValue("a"));
    {
      RegistryBatch inner;
      EXPECT_TRUE(reg_.DeleteValue("b"));
      reg_.WriteString("c", "3");
    }
    EXPECT_EQ(StoreStamp(), stamp);
    EXPECT_TRUE(reg_.DeleteKey("\\K"));
    EXPECT_EQ(StoreStamp(), stamp);
  }
  EXPECT_NE(StoreStamp(), stamp);
  EXPECT_EQ(StoreBytes(), RegFile(""));
  // Outside a batch every change is on disk when the call returns.
  ASSERT_TRUE(reg_.OpenKey("\\K", true));
  reg_.WriteString("n", "v");
  EXPECT_EQ(StoreBytes(), RegFile("[HKEY_CURRENT_USER\\K]\r\n\"n\"=\"v\"\r\n\r\n"));
}

TEST_F(RegistryTest, AFailedSaveKeepsTheOldFileAndIsRetried) {
  ASSERT_TRUE(reg_.OpenKey("\\K", true));
  const std::string before = StoreBytes();
  SetWriteFaultForTesting("rename");
  EXPECT_THROW(reg_.WriteString("a", "1"), WriteError);
  {
    RegistryBatch batch;
    reg_.WriteString("b", "2");
  }  // the failed save at the end is not lost
  EXPECT_EQ(StoreBytes(), before);
  SetWriteFaultForTesting("");
  reg_.WriteString("c", "3");
  EXPECT_EQ(StoreBytes(),
            RegFile("[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\"c\"=\"3\"\r\n\r\n"));
}

TEST_F(RegistryTest, AStoreChangedOnDiskIsReadAgain) {
  ASSERT_TRUE(reg_.OpenKey("\\Old", true));
  WriteFileAtomically(kStore, "REGEDIT4\r\n[HKEY_USERS\\New]\r\n\"x\"=\"y\"\r\n");
  reg_.SetRootKey(RootKey::Users);
  ASSERT_TRUE(reg_.OpenKey("\\New"));
  EXPECT_EQ(reg_.ReadString("x"), "y");
  reg_.SetRootKey(RootKey::CurrentUser);
  EXPECT_FALSE(reg_.KeyExists("\\Old"));

  // A file that does not parse is never read as empty nor overwritten.
  const std::string broken = RegFile("[HKCU\\Software]\r\n");
  WriteFileAtomically(kStore, broken);
  EXPECT_THROW(reg_.OpenKey("\\"), RegistryStoreError);
  EXPECT_THROW(reg_.OpenKey("\\Created", true), RegistryStoreError);
  EXPECT_THROW(ImportRegistryText(RegFile("[HKEY_USERS\\A]\r\n")), Error);
  EXPECT_EQ(StoreBytes(), broken);
}

TEST_F(RegistryTest, ADamagedStoreIsReportedByEveryReadAndWrite) {
  ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n\"b\"=\"two\"\r\n"));
  ASSERT_TRUE(reg_.OpenKey("\\K"));
  // The last line cut in the middle of its value, as a crash or a full disk may leave it.
  std::string cut = StoreBytes();
  cut.resize(cut.rfind("two") + 1);
  WriteFileAtomically(kStore, cut);
  const std::string expected = std::string(kStore) + ": Line 5: missing closing quote";
  const std::function<void()> uses[] = {
      [&] { reg_.OpenKey("\\K"); },
      [&] { reg_.GetValueNames(); },
      [&] { reg_.ReadString("a"); },
      [&] { reg_.KeyExists("\\K"); },
      [&] { ExportRegistryText(""); },
      [&] { ExportRegistryText("HKEY_CURRENT_USER\\K"); },
      [&] { reg_.WriteString("c", "3"); },
      [&] { reg_.DeleteValue("a"); },
      [&] { reg_.OpenKey("\\New", true); },
      [&] { ImportRegistryText(RegFile("[HKEY_USERS\\A]\r\n")); },
  };
  for (std::size_t i = 0; i < std::size(uses); ++i) {
    SCOPED_TRACE(i);
    try {
      uses[i]();
      ADD_FAILURE() << "no error";
    } catch (const RegistryStoreError& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
  EXPECT_EQ(StoreBytes(), cut);
}

TEST_F(RegistryTest, ImportIsAllOrNothingAndNamesTheBadLine) {
  ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\Keep]\r\n"));
  const std::string before = StoreBytes();
  const std::string bad = RegFile("[HKEY_CURRENT_USER\\New]\r\n\"a\"=\"1\"\r\n[HKCU\\X]\r\n");
  try {
    ImportRegistryText(bad);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Line 5: unknown root key \"HKCU\"");
  }
  WriteFileAtomically("R:\\bad.reg", bad);
  try {
    ImportRegistryFile("R:\\bad.reg");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "R:\\bad.reg: Line 5: unknown root key \"HKCU\"");
  }
  EXPECT_FALSE(reg_.KeyExists("\\New"));
  EXPECT_EQ(StoreBytes(), before);
}

// A key path of `depth` levels below HKEY_CURRENT_USER, each level named `level`.
std::string DeepPath(std::size_t depth, const std::string& level = "k") {
  std::string path;
  for (std::size_t i = 0; i < depth; ++i) path += (i ? "\\" : "") + level;
  return path;
}

TEST_F(RegistryTest, KeysDeeperOrLongerThanTheRegistryAllowsAreRefused) {
  ImportRegistryText(RegFile("[HKEY_CURRENT_USER\\Keep]\r\n"));
  struct Case {
    std::string path;   // below HKEY_CURRENT_USER
    std::string error;  // "" when the import works
  } cases[] = {
      {DeepPath(512), ""},
      {DeepPath(513), "Line 4: the key lies more than 512 levels deep"},
      {"A\\" + std::string(255, 'n'), ""},
      {"A\\" + std::string(256, 'n'), "Line 4: a key name is longer than 255 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.size());
    const std::string text = RegFile("[HKEY_CURRENT_USER\\First]\r\n[HKEY_CURRENT_USER\\" + c.path +
                                     "]\r\n\"v\"=\"1\"\r\n");
    if (c.error.empty()) {
      ImportRegistryText(text);
      ASSERT_TRUE(reg_.OpenKey("\\" + c.path));
      EXPECT_EQ(reg_.ReadString("v"), "1");
      ASSERT_TRUE(reg_.OpenKey("\\", false));
      ASSERT_TRUE(reg_.DeleteKey("First"));
      continue;
    }
    const std::string was = StoreBytes();
    try {
      ImportRegistryText(text);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), c.error);
    }
    EXPECT_EQ(StoreBytes(), was);
    // Nor can the accessor make such a key.
    EXPECT_FALSE(reg_.OpenKey("\\" + c.path, true));
    EXPECT_EQ(StoreBytes(), was);
  }
  EXPECT_TRUE(reg_.KeyExists("\\Keep"));
  EXPECT_FALSE(reg_.KeyExists("\\First"));
}

TEST_F(RegistryTest, AStoreFileHoldingATooDeepKeyIsNotLoaded) {
  const std::string deep = RegFile("[HKEY_CURRENT_USER\\" + DeepPath(513) + "]\r\n");
  WriteFileAtomically(kStore, deep);
  EXPECT_THROW(reg_.OpenKey("\\Created", true), RegistryStoreError);
  EXPECT_EQ(StoreBytes(), deep);
}

TEST_F(RegistryTest, ExportsASubtreeWithItsStoredNames) {
  ImportRegistryText(
      RegFile("[HKEY_CURRENT_USER\\Software\\Demo\\B]\r\n"
              "[HKEY_CURRENT_USER\\Software\\Demo\\a]\r\n\"v\"=dword:00000010\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"));
  EXPECT_EQ(ExportRegistryText("hkey_current_user\\SOFTWARE\\demo\\"),
            RegFile("[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
                    "\r\n[HKEY_CURRENT_USER\\Software\\Demo\\a]\r\n\"v\"=dword:00000010\r\n"
                    "\r\n[HKEY_CURRENT_USER\\Software\\Demo\\B]\r\n\r\n"));
  EXPECT_THROW(ExportRegistryText("HKEY_CURRENT_USER\\Software\\Missing"), Error);
  EXPECT_THROW(ExportRegistryText("HKCU\\Software"), Error);
  EXPECT_EQ(ExportRegistryText(""), StoreBytes());
}

TEST_F(RegistryTest, WithoutAFileTheRegistryLivesInMemory) {
  if (HasSystemRegistry()) GTEST_SKIP() << "without a store file the registry is the system's own";
  SetRegistryFile("");
  EXPECT_FALSE(RegistryFileExists());
  ASSERT_TRUE(reg_.OpenKey("\\Mem", true));
  reg_.WriteString("x", "y");
  EXPECT_EQ(reg_.ReadString("x"), "y");
  EXPECT_EQ(StoreBytes(), "<missing>");
  SetRegistryFile(kStore);  // a store file that does not exist yet: an empty registry
  EXPECT_EQ(RegistryFile(), kStore);
  EXPECT_FALSE(reg_.KeyExists("\\Mem"));
}

}  // namespace
}  // namespace vorlisk::platform
