#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/filesystem.h"

namespace vorlisk::platform {
namespace {

struct MaskCase {
  const char* mask;
  const char* name;
  bool match;
};

// FindFirstFile's own answers, checked on Windows; a fault in any rewrite rule flips some row.
TEST(WildcardMask, MatchesAsFindFirstFileDoes) {
  const MaskCase cases[] = {
      {"*", "noext", true},
      {"*.*", "noext", true},
      {"*.*", "a.tmp", true},
      {"*.", "noext", true},
      {"*.", "a.tmp", false},
      {"*.tmp", "A.TMP", true},
      {"*.tmp", "a.tmp.bak", false},
      {"*.tmp", "x.tmpl", false},
      {"*.tmp", ".tmp", true},
      {"*tmp", "a.tmp", true},
      {"*.tmp*", "a.tmp.bak", true},
      {"*.tm?", "a.tm", true},
      {"a?", "a", true},
      {"a?", "abc", false},
      {"f*.f*", "f.f.x", true},
      {"ABC", "abc", true},
      {"a??", "a", true},
      {"???", "a.b", false},
      {"???", "abc", true},
      {"?.tmp", "ab.tmp", false},
      {"a.???", "a.tm", true},
      {"a.???", "a.tmpx", false},
      {"noext.*", "noext", true},
      {"noext.?", "noext", true},
      {"a.*", "a", true},
      {"a.tmp.", "a.tmp", true},
      {"*.*.*", "noext", true},
      {".*", "abc", false},
      {"*.???", "noext", true},
      {"*.???", "a.tmp.bak", true},
      {"a*b", "a.b", true},
      {"?", ".", false},
      {"*.*.", "a.tmp", true},
      {"*.*..", "a.b.c", true},
      {"*.*. ", "noext", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesWildcardMask(c.mask, c.name), c.match) << c.mask << " vs " << c.name;
  }
}

// Cases beyond the table: the shortcuts for common shapes must agree with the general rules.
TEST(WildcardMask, ShortcutsAgreeWithGeneralRules) {
  const MaskCase cases[] = {
      {"*.TMP", "report.tmp", true},
      {"*.tmp", "tmp", false},
      {"*.tmp", "a.b.tmp", true},
      {"*.t?p", "a.b.tmp", true},
      {"*.t?p", "a.tmp.b", false},
      {"*x", "x", true},
      {"*x", "ab.x", true},
      {"*x", "X", true},
      {"abc", "abcd", false},
      {"abc", "ab", false},
      {"a.b ", "a.b", true},
      {"*. .", "a.b", false},
      {"*. .", "ab", true},
      {"...", "a", false},
      {"", "a", false},
      {"**", "a.b", true},
      {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"?", "ab", false},
      {"?*", "a.b", true},
      {"*.*", ".hidden", true},
      {"\xC3\xA9.txt", "\xC3\x89.txt", true},  // letters beyond ASCII fold as Windows folds them
      {"\xC3\xA9*", "\xC3\x89T\xC3\x89.txt", true},
      {"*\xC3\x89", "caf\xC3\xA9", true},
      {"\xC3\xBF", "\xC5\xB8", true},                   // ÿ and Ÿ
      {"\xD0\xB4*.log", "\xD0\x94\xD0\xB0.log", true},  // Cyrillic д and Д
      {"\xCF\x82", "\xCE\xA3", true},                   // final sigma and Σ
      {"\xC3\xB7", "\xC3\x97", false},                  // ÷ and × are no pair
      {"?\xC3\xA9?", "x\xC3\x89y", true},               // the general walk folds too
      {"?.txt", "\xC3\xA9.txt", true},                  // "?" takes one whole UTF-8 character
      {"??.txt", "\xC3\xA9.txt", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesWildcardMask(c.mask, c.name), c.match) << c.mask << " vs " << c.name;
  }
}

TEST(WildcardMask, LongMaskMatchesBeyondInlineStates) {
  const std::string name(200, 'q');
  const std::string mask = std::string(100, '?') + "*" + std::string(99, '?') + "q";
  EXPECT_TRUE(WildcardMask(mask).Matches(name));
  EXPECT_FALSE(WildcardMask(mask + "r").Matches(name));
}

}  // namespace
}  // namespace vorlisk::platform
