#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/drives.h"
#include "platform/filesystem.h"

namespace vorlisk {
namespace {

TEST(ParseInt32, AcceptsDecimalAndHexRejectsEverythingElse) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {{"0", true, 0},
               {"42", true, 42},
               {"-7", true, -7},
               {"+5", true, 5},
               {"0x1F", true, 31},
               {"0X10", true, 16},
               {"0xFFFFFFFF", true, -1},
               {"", false, 0},
               {"abc", false, 0},
               {"1.5", false, 0},
               {"--5", false, 0},
               {"0x", false, 0},
               {"99999999999", false, 0},
               {"12 ", false, 0}};
  for (const auto& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(ParseInt32(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(TextHelpers, TrimFoldAndPathParts) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(UpperAZ("abc\xe9z"), "ABC\xe9Z");  // only a to z fold
  EXPECT_TRUE(SameTextAZ("Temp", "TEMP"));
  EXPECT_EQ(ExtractFilePath("C:\\Temp\\*.tmp"), "C:\\Temp\\");
  EXPECT_EQ(ExtractFileName("C:\\Temp\\*.tmp"), "*.tmp");
  EXPECT_EQ(ExtractFilePath("*.*"), "");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\"), "C:\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\Temp\\"), "C:\\Temp");
  EXPECT_EQ(IncludeTrailingBackslash(""), "");
}

TEST(ResolveFullPath, ResolvesAgainstCurrentFolderLikeGetFullPathName) {
  const char* cur = "C:\\work\\dir";
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"a.txt", "C:\\work\\dir\\a.txt"},
               {".", "C:\\work\\dir"},
               {".\\", "C:\\work\\dir\\"},
               {"..\\x\\", "C:\\work\\x\\"},
               {"\\top", "C:\\top"},
               {"D:\\a\\.\\b\\..\\c", "D:\\a\\c"},
               {"C:\\..\\..\\x", "C:\\x"},
               {"C:\\a\\\\b/c\\", "C:\\a\\b\\c\\"},
               {"d:\\", "D:\\"}};
  for (const auto& c : cases) EXPECT_EQ(platform::ResolveFullPath(cur, c.in), c.out) << c.in;
}

// GetFullPathName's answers on Windows (Vista and later): trailing periods and blanks of the last
// segment go, an inner segment ending in a single period loses it, one ending in more periods is a
// name ("..." never climbs), and UNC and device names are collapsed below their root.
TEST(ResolveFullPath, StripsPeriodsAndCollapsesNetworkNamesLikeGetFullPathName) {
  const char* cur = "C:\\work";
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\a\\b.", "C:\\a\\b"},
               {"C:\\a\\b  ", "C:\\a\\b"},
               {"C:\\a\\b. .", "C:\\a\\b"},
               {"C:\\...", "C:\\"},
               {"C:\\a\\...", "C:\\a\\"},
               {"C:\\a\\b  \\.", "C:\\a\\b"},
               {"C:\\a\\b\\c.\\..", "C:\\a\\b"},
               {"C:\\a\\...\\b", "C:\\a\\...\\b"},
               {"C:\\data\\keep\\...\\*.doc", "C:\\data\\keep\\...\\*.doc"},
               {"C:\\a\\....\\..\\b", "C:\\a\\b"},
               {"c:/x", "C:\\x"},
               {"c:x", "C:\\work\\x"},
               {"C:\\a.\\b", "C:\\a\\b"},
               {"C:\\Temp.\\*.tmp", "C:\\Temp\\*.tmp"},
               {"C:\\a..\\b", "C:\\a..\\b"},
               {"C:\\a. .\\b", "C:\\a. \\b"},
               {"C:\\a.\\", "C:\\a\\"},
               {"x.", "C:\\work\\x"},
               {"\\\\Server\\Share\\..\\foo", "\\\\Server\\Share\\foo"},
               {"//Server/Share/a/./b/../c.", "\\\\Server\\Share\\a\\c"},
               {"\\\\Server\\Share", "\\\\Server\\Share"},
               {"\\\\Server\\\\Share\\a", "\\\\Server\\Share\\a"},
               {"//.", "\\\\.\\"},
               {"\\\\\\", "\\\\\\"},
               {"\\\\?", "\\\\?\\"},
               {"\\\\?\\C:\\a\\..\\b", "\\\\?\\C:\\b"},
               {"\\\\.\\C:\\a.\\b", "\\\\.\\C:\\a\\b"}};
  for (const auto& c : cases) EXPECT_EQ(platform::ResolveFullPath(cur, c.in), c.out) << c.in;
}

// Windows takes a UNC name's server and share by position, as .NET's PathInternal.Windows
// GetRootLength does ("skip two separators at most"): the level after the opening pair, one
// separator, the level after it. Catches a run of separators after the server read as one, which
// makes the next level the share and keeps ".." from taking it ("//Server//Share/.." is
// "\\Server\", not "\\Server\Share\"), and a separator left after a share that "." or ".."
// came back to.
TEST(ResolveFullPath, TakesTheServerAndShareOfAUncNameByPosition) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"//Server//Share/..", "\\\\Server\\"},
               {"\\\\Server\\\\Share\\..\\x", "\\\\Server\\x"},
               {"\\\\Server\\\\Share", "\\\\Server\\Share"},
               {"\\\\Server\\\\", "\\\\Server\\"},
               {"\\\\Server\\Share\\..", "\\\\Server\\Share"},
               {"\\\\Server\\Share\\..\\..\\", "\\\\Server\\Share\\"},
               {"\\\\Server\\Share\\\\a\\..", "\\\\Server\\Share"},
               {"\\\\Server\\Share\\.", "\\\\Server\\Share"},
               {"\\\\Server\\Share\\", "\\\\Server\\Share\\"},
               // The share's level is the root whatever it holds: ".." there climbs nowhere.
               {"\\\\Server\\..", "\\\\Server\\.."},
               {"\\\\Server\\..\\a\\..\\..", "\\\\Server\\.."}};
  for (const auto& c : cases) EXPECT_EQ(platform::ResolveFullPath("C:\\work", c.in), c.out) << c.in;
}

TEST(DriveMapping, MapsBothWaysAndPrefersLongestFolder) {
  // Host paths as the system writes them: "\" separators on Windows.
  const auto host = [](std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
  };
  platform::ScopedDriveMapping c('C', "/srv/c");
  platform::ScopedDriveMapping d('d', "/srv/c/data/");
  EXPECT_EQ(platform::ToHostPath("C:\\Temp\\a.tmp").value(), host("/srv/c/Temp/a.tmp"));
  EXPECT_EQ(platform::ToHostPath("c:\\").value(), host("/srv/c"));
  EXPECT_EQ(platform::ToHostPath("D:\\x").value(), host("/srv/c/data/x"));
#ifdef _WIN32
  // A letter no one mapped is the system's own drive.
  EXPECT_EQ(platform::ToHostPath("Q:\\x").value(), "Q:\\x");
#else
  EXPECT_FALSE(platform::ToHostPath("Q:\\x").has_value());
#endif
  EXPECT_FALSE(platform::ToHostPath("relative\\x").has_value());
  // A "." or ".." level would be resolved by the host, above the folder the text names.
  for (const char* climbing : {"C:\\a\\..\\x", "C:\\..", "C:\\a\\.\\x", "C:/a/../x"})
    EXPECT_FALSE(platform::ToHostPath(climbing).has_value()) << climbing;
  EXPECT_EQ(platform::ToHostPath("C:\\a\\...\\x").value(), host("/srv/c/a/.../x"));
  EXPECT_EQ(platform::ToWindowsPath("/srv/c/data/x/y").value(), "D:\\x\\y");
  EXPECT_EQ(platform::ToWindowsPath("/srv/c/Temp").value(), "C:\\Temp");
  EXPECT_EQ(platform::ToWindowsPath("/srv/cc").has_value(), false);
}

}  // namespace
}  // namespace vorlisk
