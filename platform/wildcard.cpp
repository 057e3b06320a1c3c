// Wildcard masks as FindFirstFile matches them. Pure text, shared by every backend.
//
// Windows rewrites the mask before matching, then the whole name must match:
//  1. Trailing dots and blanks of the mask are removed; whether the mask ended with a dot is
//     remembered. A mask that is then empty matches no name.
//  2. A mask that is then exactly "*.*" becomes "*" (so "*.*" matches names without a dot too),
//     and the removed dot is then forgotten: "*.*." and "*.*.." find every name, as "*" does.
//  3. Otherwise, character by character: "?" becomes DOS_QM; a "." followed by "*" or "?" becomes
//     DOS_DOT; a "*" followed by "." becomes DOS_STAR; and when the mask ended with a dot, a final
//     "*" becomes DOS_STAR.
//  4. Matching: "*" takes any run of characters, dots included. DOS_STAR takes any run that does
//     not contain the name's last dot. DOS_QM takes one character that is not a dot, or nothing
//     at a dot or at the end of the name. DOS_DOT takes a "." or nothing at the end of the name.
//     Any other character matches itself without regard to case: the letters A to Z, and every
//     letter that Windows' upcase table pairs with a capital of its own ("é" matches "É"), as
//     Windows compares file names (Latin, Greek, Cyrillic, Armenian, circled and full-width
//     letters).
//  5. Only the long name is matched: there are no 8.3 short names here, so "*.tmp" never finds
//     "x.tmpl" through a short name as it may on Windows.
// A character is one byte, or one whole UTF-8 sequence, so "?" takes "é" as Windows takes it.
#include "platform/wildcard.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/filesystem.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {

char Lower(char c) { return LowerAZ(c); }

// The capital Windows' upcase table gives a letter beyond ASCII, or the letter itself. Only pairs
// whose UTF-8 sequences are equally long: no letter folds into ASCII here.
char32_t Upcase(char32_t c) {
  const auto pairEvenCapital = [c] { return (c % 2 == 1) ? c - 1 : c; };
  const auto pairOddCapital = [c] { return (c % 2 == 0) ? c - 1 : c; };
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return pairOddCapital();
    return pairEvenCapital();
  }
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return pairEvenCapital();
  if (c >= 0x4C1 && c <= 0x4CE) return pairOddCapital();
  if (c == 0x4CF) return 0x4C0;
  if (c >= 0x561 && c <= 0x586) return c - 0x30;
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return pairEvenCapital();
  if (c >= 0x24D0 && c <= 0x24E9) return c - 0x1A;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

// Folds the character of `length` bytes at s[i] into `out` (as many bytes): one byte as Lower
// folds it, a UTF-8 sequence to the capital of its letter.
void FoldChar(std::string_view s, std::size_t i, std::size_t length, char* out) {
  if (length == 1) {
    out[0] = Lower(s[i]);
    return;
  }
  const auto byte = [&](std::size_t k) { return static_cast<char32_t>(s[i + k]) & 0x3F; };
  const auto lead = static_cast<unsigned char>(s[i]);
  char32_t c = length == 2   ? ((lead & 0x1Fu) << 6) | byte(1)
               : length == 3 ? ((lead & 0x0Fu) << 12) | (byte(1) << 6) | byte(2)
                             : ((lead & 0x07u) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
  c = Upcase(c);
  for (std::size_t k = length - 1; k > 0; --k) {
    out[k] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out[0] = static_cast<char>(kLead[length] | c);
}

std::size_t CharLength(std::string_view s, std::size_t i);

bool SameFolded(std::string_view text, std::string_view foldedLiteral) {
  if (text.size() != foldedLiteral.size()) return false;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      if (Lower(text[i]) != foldedLiteral[i]) return false;
      ++i;
      continue;
    }
    const std::size_t length = CharLength(text, i);
    char folded[4];
    FoldChar(text, i, length, folded);
    if (std::string_view(folded, length) != foldedLiteral.substr(i, length)) return false;
    i += length;
  }
  return true;
}

// Bytes of the character at s[i]: a well-formed UTF-8 sequence counts as one character, any
// other byte as one.
std::size_t CharLength(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t n = 1;
  if (lead >= 0xF0 && lead <= 0xF7)
    n = 4;
  else if (lead >= 0xE0)
    n = 3;
  else if (lead >= 0xC0)
    n = 2;
  if (n == 1 || lead > 0xF7 || i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// States of the general walk live on the stack for masks of up to this many tokens.
constexpr std::size_t kInlineStates = 64;

}  // namespace

WildcardMask::WildcardMask(std::string_view mask) {
  // Only a mask that ends with a period turns a final "*" into DOS_STAR: "*." and "* ." find
  // names without an extension, "*. " and "*.. " every name.
  bool endedWithDot = !mask.empty() && mask.back() == '.';
  while (!mask.empty() && (mask.back() == '.' || mask.back() == ' ')) mask.remove_suffix(1);
  if (mask.empty()) {
    shape_ = Shape::kNothing;
    return;
  }
  if (mask == "*.*") {
    mask = "*";
    endedWithDot = false;
  }

  for (std::size_t i = 0; i < mask.size();) {
    const char c = mask[i];
    const char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
    Token t;
    std::size_t length = 1;
    if (c == '?') {
      t.kind = Kind::kDosQm;
    } else if (c == '.' && (next == '*' || next == '?')) {
      t.kind = Kind::kDosDot;
    } else if (c == '*') {
      const bool last = i + 1 == mask.size();
      t.kind = (next == '.' || (last && endedWithDot)) ? Kind::kDosStar : Kind::kStar;
    } else {
      length = CharLength(mask, i);
      t.length = static_cast<uint8_t>(length);
      FoldChar(mask, i, length, t.bytes);
    }
    tokens_.push_back(t);
    i += length;
  }

  // Recognise the common shapes: "*", "name.ext", "*tail" and "*.ext".
  std::size_t firstLiteral = 0;
  if (tokens_[0].kind == Kind::kStar || tokens_[0].kind == Kind::kDosStar) firstLiteral = 1;
  for (std::size_t k = firstLiteral; k < tokens_.size(); ++k) {
    if (tokens_[k].kind != Kind::kLiteral) return;  // stays kGeneral
    literal_.append(tokens_[k].bytes, tokens_[k].length);
  }
  literalHasDot_ = literal_.find('.') != std::string::npos;
  if (firstLiteral == 0)
    shape_ = Shape::kExact;
  else if (tokens_[0].kind == Kind::kDosStar)
    shape_ = Shape::kDosStarSuffix;
  else
    shape_ = literal_.empty() ? Shape::kEverything : Shape::kSuffix;
}

bool WildcardMask::Matches(std::string_view name) const {
  switch (shape_) {
    case Shape::kNothing:
      return false;
    case Shape::kEverything:
      return true;
    case Shape::kExact:
      return SameFolded(name, literal_);
    case Shape::kSuffix:
      return name.size() >= literal_.size() &&
             SameFolded(name.substr(name.size() - literal_.size()), literal_);
    case Shape::kDosStarSuffix: {
      if (name.size() < literal_.size()) return false;
      const std::size_t cut = name.size() - literal_.size();
      if (!SameFolded(name.substr(cut), literal_)) return false;
      // DOS_STAR's run, name[0, cut), must not hold the name's last dot. When the literal holds
      // a dot the last dot lies in it; otherwise the run must hold no dot at all.
      return literalHasDot_ || name.substr(0, cut).find('.') == std::string_view::npos;
    }
    case Shape::kGeneral:
      break;
  }
  return MatchesGeneral(name);
}

// A walk over the name that keeps the set of mask positions reachable so far (no backtracking,
// so masks with many stars cost no more than name length times mask length).
bool WildcardMask::MatchesGeneral(std::string_view name) const {
  const std::size_t m = tokens_.size();
  std::array<uint8_t, 2 * (kInlineStates + 1)> inlineStates;
  std::vector<uint8_t> heapStates;
  uint8_t* cur = inlineStates.data();
  if (m > kInlineStates) {
    heapStates.resize(2 * (m + 1));
    cur = heapStates.data();
  }
  uint8_t* nxt = cur + m + 1;
  std::fill(cur, cur + m + 1, uint8_t{0});
  cur[0] = 1;

  const std::size_t lastDot = name.rfind('.');
  std::size_t i = 0;
  for (;;) {
    const bool atEnd = i == name.size();
    const bool atDot = !atEnd && name[i] == '.';
    // Positions reachable without taking a character (always forward, so one pass suffices).
    for (std::size_t j = 0; j < m; ++j) {
      if (!cur[j]) continue;
      switch (tokens_[j].kind) {
        case Kind::kStar:
        case Kind::kDosStar:
          cur[j + 1] = 1;
          break;
        case Kind::kDosQm:
          if (atEnd || atDot) cur[j + 1] = 1;
          break;
        case Kind::kDosDot:
          if (atEnd) cur[j + 1] = 1;
          break;
        case Kind::kLiteral:
          break;
      }
    }
    if (atEnd) return cur[m] != 0;

    const std::size_t length = CharLength(name, i);
    std::fill(nxt, nxt + m + 1, uint8_t{0});
    bool any = false;
    for (std::size_t j = 0; j < m; ++j) {
      if (!cur[j]) continue;
      const Token& t = tokens_[j];
      bool stay = false, advance = false;
      switch (t.kind) {
        case Kind::kStar:
          stay = true;
          break;
        case Kind::kDosStar:
          stay = i != lastDot;
          break;
        case Kind::kDosQm:
          advance = !atDot;
          break;
        case Kind::kDosDot:
          advance = atDot;
          break;
        case Kind::kLiteral:
          if (t.length == length) {
            char folded[4];
            FoldChar(name, i, length, folded);
            advance = std::equal(folded, folded + length, t.bytes);
          }
          break;
      }
      if (stay) nxt[j] = 1;
      if (advance) nxt[j + 1] = 1;
      any = any || stay || advance;
    }
    if (!any) return false;
    std::swap(cur, nxt);
    i += length;
  }
}

bool MatchesWildcardMask(std::string_view mask, std::string_view name) {
  return WildcardMask(mask).Matches(name);
}

}  // namespace vorlisk::platform
