#include "platform/text.h"

#include <charconv>
#include <limits>

namespace vorlisk {

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string UpperAZ(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperAZ(c);
  return out;
}

bool SameTextAZ(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperAZ(a[i]) != UpperAZ(b[i])) return false;
  return true;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07u;
    } else {
      return false;  // a continuation byte, an overlong lead (C0, C1) or one beyond U+10FFFF
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    const uint32_t least = length == 3 ? 0x800u : 0x10000u;
    if ((length > 2 && code < least) || code > 0x10FFFFu || (code >= 0xD800u && code <= 0xDFFFu))
      return false;
    i += length;
  }
  return true;
}

std::string ExtractFilePath(std::string_view path) {
  const auto pos = path.rfind('\\');
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view path) {
  const auto pos = path.rfind('\\');
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

bool HoldsDotLevel(std::string_view path) {
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t cut = std::min(path.find_first_of("\\/", at), path.size());
    const std::string_view level = path.substr(at, cut - at);
    if (level == "." || level == "..") return true;
    at = cut + 1;
  }
  return false;
}

std::string WithBackslashes(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (out.size() > 1 && out.back() == '\\' && out[out.size() - 2] != ':') out.pop_back();
  return out;
}

bool ParseInt32(std::string_view text, int32_t& out) {
  bool negative = false;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size() || text[i] == '-' || text[i] == '+') return false;
  int64_t value = 0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value, base);
  if (ec != std::errc() || ptr != last) return false;
  if (negative) value = -value;
  if (base == 16 && !negative && value > std::numeric_limits<int32_t>::max() &&
      value <= std::numeric_limits<uint32_t>::max()) {
    value = static_cast<int32_t>(static_cast<uint32_t>(value));  // 0xFFFFFFFF reads as -1
  }
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(value);
  return true;
}

}  // namespace vorlisk
