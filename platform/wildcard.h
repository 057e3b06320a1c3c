// Wildcard masks as FindFirstFile matches them, compiled once and matched against many names.
// Pure text: no operating-system call. The rules are written down in wildcard.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlisk::platform {

class WildcardMask {
 public:
  explicit WildcardMask(std::string_view mask);
  // Does the whole long name match the mask, ignoring the case of letters as Windows does?
  bool Matches(std::string_view name) const;

 private:
  enum class Kind : uint8_t { kLiteral, kStar, kDosStar, kDosQm, kDosDot };
  struct Token {
    Kind kind = Kind::kLiteral;
    uint8_t length = 0;  // bytes of a literal character (UTF-8 sequences count as one character)
    char bytes[4] = {};  // a literal, folded (see FoldChar)
  };
  // Shapes that most masks have, matched without the general walk.
  enum class Shape : uint8_t { kGeneral, kEverything, kNothing, kSuffix, kDosStarSuffix, kExact };

  bool MatchesGeneral(std::string_view name) const;

  std::vector<Token> tokens_;
  Shape shape_ = Shape::kGeneral;
  std::string literal_;  // kSuffix, kDosStarSuffix, kExact: the literal text, folded
  bool literalHasDot_ = false;
};

}  // namespace vorlisk::platform
