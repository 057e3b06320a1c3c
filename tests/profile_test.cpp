// Contract tests of profile files: the Windows profile-API rules on reading and writing, exact
// bytes on disk, batches, failed writes and the parsed-copy cache.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "platform/ini_document.h"
#include "profile_fixture.h"
#include "test_support.h"

namespace vorlisk {
namespace {

using platform::ProfileBatch;
using platform::ProfileFile;

// Clears the write fault however the test ends.
struct WriteFault {
  explicit WriteFault(const char* kind) { platform::SetWriteFaultForTesting(kind); }
  ~WriteFault() { platform::SetWriteFaultForTesting(""); }
};

TEST_F(ProfileTest, ReadsAsWindowsDoes) {
  using namespace std::string_literals;
  const std::string longValue(3000, 'v');
  struct Case {
    const char* what;
    std::string text, section, key, expected;
  } cases[] = {
      {"names and values trimmed", "  [  Sec One  ]  \r\n  key A  =   value A   \r\n", "sec one",
       "KEY A", "value A"},
      {"caller's names trimmed", "[S]\r\nk=v\r\n", "  s ", "\tK ", "v"},
      {"split at the first =", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
      {"LF endings", "[S]\nk=1\nm=2\n", "S", "m", "2"},
      {"CR endings", "[S]\rk=1\rm=2\r", "S", "m", "2"},
      {"first section of a name wins", "[S]\r\na=1\r\n[s]\r\na=2\r\nb=3\r\n", "S", "b", "(def)"},
      {"first key of a name wins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
      {"lines before the first section", "k=1\r\n[S]\r\n", "", "k", "(def)"},
      {"no comment syntax", "[S]\r\n;x=1\r\n", "S", ";x", "1"},
      {"a line without = is no key", "[S]\r\nlonely\r\n", "S", "lonely", "(def)"},
      {"unclosed bracket is a key", "[S]\r\n[abc=1\r\n", "S", "[abc", "1"},
      {"double quotes", "[S]\r\nk=\"abc\"\r\n", "S", "k", "abc"},
      {"single quotes", "[S]\r\nk='abc'\r\n", "S", "k", "abc"},
      {"mismatched quotes stay", "[S]\r\nk=\"abc'\r\n", "S", "k", "\"abc'"},
      {"a lone quote stays", "[S]\r\nk=\"\r\n", "S", "k", "\""},
      {"empty quotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
      {"blanks inside quotes kept", "[S]\r\nk=\"  x  \"\r\n", "S", "k", "  x  "},
      {"at most 2047 characters", "[S]\r\nk=" + longValue + "\r\n", "S", "k",
       longValue.substr(0, 2047)},
      {"a value ends at its first NUL", "[S]\r\nk=C:\\..\0\\*.tmp\r\n"s, "S", "k", "C:\\.."},
      {"quotes go before the NUL cut", "[S]\r\nk=\"ab\0c\"\r\n"s, "S", "k", "ab"},
      {"missing section", "[S]\r\nk=1\r\n", "T", "k", "(def)"},
      {"empty value is not missing", "[S]\r\nk=\r\n", "S", "k", ""},
  };
  for (const auto& c : cases) {
    drive.Put("a.ini", c.text);
    EXPECT_EQ(file.ReadString(c.section, c.key, "(def)"), c.expected) << c.what;
  }
}

TEST_F(ProfileTest, MissingFileGivesDefaultsWithTrailingBlanksDropped) {
  EXPECT_EQ(file.ReadString("S", "k", "dflt  "), "dflt");
  EXPECT_EQ(file.ReadInteger("S", "k", -4), -4);
  EXPECT_TRUE(file.ReadBool("S", "k", true));
  EXPECT_FALSE(file.SectionExists("S"));
  EXPECT_FALSE(drive.Exists("a.ini"));
}

TEST_F(ProfileTest, IntegerAndBooleanEncodings) {
  struct Case {
    const char* stored;
    int32_t integer;  // read with default 77
    bool boolean;     // read with default true
  } cases[] = {{"12", 12, true},    {"-3", -3, true},   {"0x1F", 31, true}, {"0", 0, false},
               {" 7 ", 7, true},    {"\"5\"", 5, true}, {"abc", 77, true},  {"1.5", 77, true},
               {"12abc", 77, true}, {"", 77, true}};
  for (const auto& c : cases) {
    drive.Put("a.ini", std::string("[S]\r\nk=") + c.stored + "\r\n");
    EXPECT_EQ(file.ReadInteger("S", "k", 77), c.integer) << c.stored;
    EXPECT_EQ(file.ReadBool("S", "k", true), c.boolean) << c.stored;
  }
  file.WriteInteger("S", "k", -15);
  file.WriteBool("S", "b", true);
  file.WriteBool("S", "c", false);
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=-15\r\nb=1\r\nc=0\r\n");
}

TEST_F(ProfileTest, WritesExactBytes) {
  using Op = std::function<void(ProfileFile&)>;
  struct Case {
    const char* what;
    const char* before;  // nullptr: no file
    Op op;
    const char* after;  // nullptr: still no file
  } cases[] = {
      {"creates the file", nullptr, [](ProfileFile& f) { f.WriteString("S", "k", "v"); },
       "[S]\r\nk=v\r\n"},
      {"replaces in place, keeps every other line", "; note\r\n[S]\r\n  a = 1 \r\n\r\nb=2\r\n",
       [](ProfileFile& f) { f.WriteString("s", "A", "5"); },
       "; note\r\n[S]\r\n  a =5\r\n\r\nb=2\r\n"},
      {"new key after the section's last line, before blank lines",
       "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", [](ProfileFile& f) { f.WriteString("A", "z", "3"); },
       "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
      {"new key in an empty section", "[A]\r\n[B]\r\n",
       [](ProfileFile& f) { f.WriteString("a", "k", "1"); }, "[A]\r\nk=1\r\n[B]\r\n"},
      {"new section at the end of a file without final line break", "[A]\r\nx=1",
       [](ProfileFile& f) { f.WriteString("B", "k", "v"); }, "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
      {"LF lines kept as they are", "[A]\nx=1\n",
       [](ProfileFile& f) { f.WriteString("A", "y", "2"); }, "[A]\nx=1\ny=2\r\n"},
      {"first key of the first section replaced", "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\n",
       [](ProfileFile& f) { f.WriteString("S", "K", "9"); }, "[S]\r\nk=9\r\nk=2\r\n[S]\r\nk=3\r\n"},
      {"leading blanks of a value dropped", nullptr,
       [](ProfileFile& f) { f.WriteString("S", "k", "  \tv w"); }, "[S]\r\nk=v w\r\n"},
      {"lines before the first section kept", "x=1\r\n[S]\r\n",
       [](ProfileFile& f) { f.WriteString("S", "k", "v"); }, "x=1\r\n[S]\r\nk=v\r\n"},
      {"delete key keeps the header", "[S]\r\nk=1\r\nm=2\r\n[T]\r\n",
       [](ProfileFile& f) {
         f.DeleteKey("S", "k");
         f.DeleteKey("S", "m");
       },
       "[S]\r\n[T]\r\n"},
      {"erase section removes header and lines", "[A]\r\na=1\r\n; c\r\n\r\n[B]\r\nb=2\r\n",
       [](ProfileFile& f) { f.EraseSection("a"); }, "[B]\r\nb=2\r\n"},
      {"deleting what is missing changes nothing", "[S]\r\nk=1",
       [](ProfileFile& f) {
         f.DeleteKey("S", "x");
         f.DeleteKey("T", "k");
         f.EraseSection("T");
       },
       "[S]\r\nk=1"},
      {"deleting from a missing file creates none", nullptr,
       [](ProfileFile& f) {
         f.DeleteKey("S", "k");
         f.EraseSection("S");
       },
       nullptr},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(drive.Host("a.ini"));
    if (c.before) drive.Put("a.ini", c.before);
    c.op(file);
    if (c.after) {
      EXPECT_EQ(drive.Read("a.ini"), c.after) << c.what;
    } else {
      EXPECT_FALSE(drive.Exists("a.ini")) << c.what;
    }
  }
}

// UTF-16LE bytes with the byte-order mark, from ASCII text.
std::string Utf16(std::string_view ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

// Notepad's "Unicode" files: GetPrivateProfileString reads them, and writes keep them UTF-16LE.
TEST_F(ProfileTest, ReadsAndKeepsWritingUtf16WithByteOrderMark) {
  drive.Put("a.ini", Utf16("[S]\r\nk=v\r\n"));
  EXPECT_EQ(file.ReadString("S", "k", "d"), "v");
  file.WriteString("S", "n", "2");
  EXPECT_EQ(drive.Read("a.ini"), Utf16("[S]\r\nk=v\r\nn=2\r\n"));
  file.WriteString("S", "u", "\xC3\xA9\xF0\x9F\x98\x80");  // U+00E9, U+1F600 (a surrogate pair)
  platform::ClearProfileCache();
  EXPECT_EQ(file.ReadString("S", "u", ""), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(drive.Read("a.ini").substr(Utf16("[S]\r\nk=v\r\nn=2\r\nu=").size()),
            std::string("\xE9\0\x3D\xD8\x00\xDE\r\0\n\0", 10));
}

TEST(IniDocument, SerializesUntouchedTextByteForByte) {
  const char* texts[] = {
      "",
      "\r\n\r\n",
      "junk before\r\n[S]\r\n  k  =  v  \r\n;c=1\r\n\r\n",
      "[A]\nx=1\r\ny=2\r\n[B]",
      "  [  Sec  ]  trailing\r\n\tkey\t=\tval\t",
      "[S]\r\nk=1\r\n[S]\r\nk=2\r\n",
  };
  for (const char* t : texts) EXPECT_EQ(platform::IniDocument::Parse(t).Serialize(), t) << t;
}

TEST_F(ProfileTest, RoundTripsValuesAndListsKeys) {
  const std::string values[] = {"plain", "with = sign", "C:\\Temp\\*.tmp",
                                "x\t y", ";semi",       "\xe9t\xe9"};
  for (std::size_t i = 0; i < std::size(values); ++i)
    file.WriteString("S", "k" + std::to_string(i), values[i]);
  ProfileFile again(path);
  for (std::size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(again.ReadString("S", "k" + std::to_string(i), ""), values[i]);
  EXPECT_TRUE(again.ValueExists("s", "K0"));
  EXPECT_FALSE(again.ValueExists("S", "k9"));
  drive.Put("a.ini", "[S]\r\nb=1\r\nA=2\r\nB=3\r\nnokey\r\n");
  EXPECT_EQ(file.ReadSectionKeys("S"), (std::vector<std::string>{"b", "A"}));
}

TEST_F(ProfileTest, RefusesNamesAndValuesThatWouldNotReadBackAsWritten) {
  drive.Put("a.ini", "[S]\r\nk=1\r\n");
  struct Case {
    const char *section, *key, *value;
  } cases[] = {{"S", "k", "x\r\ninjected=1"},
               {"S", "k", "x\ny"},
               {"S", "k\r", "1"},
               {"S\n[T]", "k", "1"},
               // Keys that would read back as a section header, or split at their own "=".
               {"S", "[T]", "1"},
               {"S", " [T", "x]"},
               {"S", "[k", "1"},
               {"S", "a=b", "c"}};
  for (const auto& c : cases) {
    EXPECT_THROW(file.WriteString(c.section, c.key, c.value), Error) << c.key << c.value;
    EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=1\r\n");
  }
  // A section name holding "]" reads back whole; a key may hold "[" and "]" after its start.
  file.WriteString("a]b", "k[1]", "v]");
  EXPECT_EQ(file.ReadString("A]B", "k[1]", ""), "v]");
  EXPECT_EQ(file.ReadSectionKeys("a]b"), std::vector<std::string>{"k[1]"});
}

TEST_F(ProfileTest, WritingTheSameValueLeavesTheFileAlone) {
  file.WriteString("S", "k", "v");
  const auto before = platform::GetFileStamp(path);
  file.WriteString("s", "K", "v");
  file.WriteString("S", "k", "  v");
  EXPECT_EQ(platform::GetFileStamp(path), before);  // same inode: not replaced
}

TEST_F(ProfileTest, FailedWriteLeavesOldFileAndCacheAsOnDisk) {
  const std::string old = "[S]\r\n k = old \r\n";
  for (const char* fault : {"write", "rename"}) {
    drive.Put("a.ini", old);
    EXPECT_EQ(file.ReadString("S", "k", ""), "old");
    {
      WriteFault f(fault);
      try {
        file.WriteString("S", "k", "new");
        ADD_FAILURE() << fault << ": no error";
      } catch (const WriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
      }
    }
    EXPECT_EQ(drive.Read("a.ini"), old) << fault;
    EXPECT_EQ(file.ReadString("S", "k", ""), "old") << fault;
  }
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(drive.Host()))
    ++entries;
  EXPECT_EQ(entries, 1);
}

// Runs as root too: the read-only attribute decides, not the process's right to write.
TEST_F(ProfileTest, AReadOnlyFileIsNeverWritten) {
  const std::string old = "[S]\r\nk=1\r\n";
  drive.Put("a.ini", old);
  test::MakeReadOnly(drive.Host("a.ini"));
  const std::function<void()> writes[] = {[&] { file.WriteString("S", "k", "2"); },
                                          [&] { file.WriteString("T", "new", "1"); },
                                          [&] { file.Clear(); }};
  for (const auto& write : writes) {
    try {
      write();
      ADD_FAILURE() << "no error";
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(drive.Read("a.ini"), old);
    EXPECT_EQ(file.ReadString("S", "k", ""), "1");
  }
  using std::filesystem::perms;
  std::filesystem::permissions(drive.Host("a.ini"),
                               perms::owner_read | perms::owner_write | perms::group_read);
  file.WriteString("S", "k", "2");
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=2\r\n");
}

TEST_F(ProfileTest, ReparsesAfterAnOutsideChange) {
  drive.Put("a.ini", "[S]\r\nk=1\r\n");
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 1);
  drive.Put("a.ini", "[S]\r\nk=2\r\n");  // same size, new inode
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 2);
  std::filesystem::remove(drive.Host("a.ini"));
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 0);
  // A write after an outside change keeps what the other program wrote.
  drive.Put("a.ini", "[S]\r\nother=3\r\n");
  file.WriteInteger("S", "k", 4);
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nother=3\r\nk=4\r\n");
}

TEST_F(ProfileTest, BatchLooksAtTheDiskOnceWhenItBeginsNotNever) {
  drive.Put("a.ini", "[S]\r\nk=1\r\n");
  EXPECT_EQ(file.ReadInteger("S", "k", 0), 1);
  drive.Put("a.ini", "[S]\r\nk=2\r\n");  // changed between two batches
  {
    ProfileBatch batch(path);
    EXPECT_EQ(file.ReadInteger("S", "k", 0), 2);  // a stale copy would give 1
    file.WriteInteger("S", "m", 3);
  }
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\nk=2\r\nm=3\r\n");
}

TEST_F(ProfileTest, BatchWritesOnceAtTheEndOfTheOutermostBatch) {
  drive.Put("a.ini", "[S]\r\n");
  const auto before = platform::GetFileStamp(path);
  {
    ProfileBatch outer(path);
    {
      ProfileBatch inner(path);
      file.WriteInteger("S", "a", 1);
    }
    file.WriteInteger("S", "b", 2);
    EXPECT_EQ(file.ReadInteger("S", "a", 0), 1);  // reads see the pending writes
    EXPECT_EQ(platform::GetFileStamp(path), before);
    EXPECT_EQ(drive.Read("a.ini"), "[S]\r\n");
  }
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\na=1\r\nb=2\r\n");
}

TEST_F(ProfileTest, BatchCommitWritesNowAndDestructorSavesAfterAnException) {
  {
    ProfileBatch batch(path);
    file.WriteString("S", "a", "1");
    batch.Commit();
    EXPECT_EQ(drive.Read("a.ini"), "[S]\r\na=1\r\n");
    file.WriteString("S", "b", "2");
  }
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\na=1\r\nb=2\r\n");

  try {
    ProfileBatch batch(path);
    file.WriteString("S", "c", "3");
    file.WriteString("S", "bad", "x\ny");
  } catch (const Error&) {
  }
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\na=1\r\nb=2\r\nc=3\r\n");
}

TEST_F(ProfileTest, FailedBatchCommitForgetsPendingWrites) {
  drive.Put("a.ini", "[S]\r\na=1\r\n");
  {
    ProfileBatch batch(path);
    file.WriteString("S", "a", "2");
    WriteFault f("rename");
    EXPECT_THROW(batch.Commit(), WriteError);
    EXPECT_EQ(file.ReadString("S", "a", ""), "1");
  }  // the destructor has nothing left to write
  EXPECT_EQ(drive.Read("a.ini"), "[S]\r\na=1\r\n");
}

}  // namespace
}  // namespace vorlisk
