// The ".reg" text of the registry editor, read and written as regedit does. Pure text.
#include "platform/reg_text.h"

#include <array>
#include <cstdio>

#include "platform/text.h"

namespace vorlisk::platform {

namespace {

constexpr std::array<const char*, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// regedit wraps hex data once a line has reached this many characters.
constexpr std::size_t kHexWrapColumn = 77;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// A file in UTF-16LE (with its byte-order mark) becomes 8-bit text; a UTF-8 mark is dropped.
std::string DecodeFileText(std::string_view bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned unit = byte(i) | (byte(i + 1) << 8U);
      if (unit <= 0xFF) {
        out += static_cast<char>(unit);
        continue;
      }
      out += '?';
      // A surrogate pair is one character: skip its second half.
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size() && byte(i + 3) >= 0xDC &&
          byte(i + 3) < 0xE0)
        i += 2;
    }
    return out;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    bytes.remove_prefix(3);
  return std::string(bytes);
}

std::vector<uint8_t> Latin1ToUtf16(const std::vector<uint8_t>& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  for (uint8_t c : text) {
    out.push_back(c);
    out.push_back(0);
  }
  return out;
}

std::vector<uint8_t> Utf16ToLatin1(const std::vector<uint8_t>& utf16) {
  std::vector<uint8_t> out;
  out.reserve(utf16.size() / 2 + 1);
  for (std::size_t i = 0; i < utf16.size(); i += 2) {
    const unsigned high = i + 1 < utf16.size() ? utf16[i + 1] : 0U;
    out.push_back(high == 0 ? utf16[i] : static_cast<uint8_t>('?'));
  }
  return out;
}

// Lines end at CRLF, LF or CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Escape(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// A string value that reads back the same from quoted text: one terminating NUL, no other NUL,
// and no line break (which would end the line and let the rest be read as lines of their own).
bool IsQuotableString(const RegValue& v) {
  if (v.type != kRegSz || v.data.empty() || v.data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
    if (v.data[i] == 0 || v.data[i] == '\r' || v.data[i] == '\n') return false;
  return true;
}

class Parser {
 public:
  Parser(std::vector<std::string_view> lines, bool unicode)
      : lines_(std::move(lines)), unicode_(unicode) {}

  std::vector<RegOperation> Run() {
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string_view s = SkipBlanks(lines_[index_]);
      if (s.empty()) continue;
      if (s.front() == '[')
        KeyLine(s.substr(1));
      else if (s.front() == '@' || s.front() == '"')
        ValueLine(s);
      // Anything else is a comment, as regedit reads it.
    }
    return std::move(ops_);
  }

 private:
  int LineNumber() const { return static_cast<int>(index_) + 1; }
  [[noreturn]] void Fail(const std::string& problem) const {
    throw RegTextError(LineNumber(), problem);
  }

  void KeyLine(std::string_view s) {
    const bool remove = !s.empty() && s.front() == '-';
    if (remove) s.remove_prefix(1);
    const auto close = s.rfind(']');
    if (close == std::string_view::npos) Fail("missing \"]\"");
    const std::string_view full = s.substr(0, close);
    const auto slash = full.find('\\');
    const std::string_view rootName = full.substr(0, slash);
    const auto root = RootKeyFromName(rootName);
    if (!root) Fail("unknown root key \"" + std::string(rootName) + "\"");
    const std::string_view sub = slash == std::string_view::npos ? "" : full.substr(slash + 1);
    const auto levels = SplitRegistryPath(sub);
    if (!levels) Fail("invalid key path \"" + std::string(full) + "\"");
    if (levels->size() > kRegMaxKeyDepth)
      Fail("the key lies more than " + std::to_string(kRegMaxKeyDepth) + " levels deep");
    std::string path;
    for (std::string_view level : *levels) {
      if (level.size() > kRegMaxKeyNameLength)
        Fail("a key name is longer than " + std::to_string(kRegMaxKeyNameLength) + " characters");
      if (!IsValidKeyName(level)) Fail("invalid key name \"" + std::string(level) + "\"");
      if (!path.empty()) path += '\\';
      path += level;
    }
    RegOperation op;
    op.line = LineNumber();
    op.root = *root;
    op.path = path;
    if (remove) {
      if (path.empty()) Fail("a root key cannot be deleted");
      op.kind = RegOperation::Kind::DeleteKey;
      haveKey_ = false;
    } else {
      op.kind = RegOperation::Kind::CreateKey;
      haveKey_ = true;
      root_ = *root;
      path_ = path;
    }
    ops_.push_back(std::move(op));
  }

  void ValueLine(std::string_view s) {
    if (!haveKey_) Fail("value outside a key");
    RegOperation op;
    op.line = LineNumber();
    op.root = root_;
    op.path = path_;
    if (s.front() == '@') {
      s.remove_prefix(1);
    } else {
      op.value.name = Quoted(s);
      if (!IsValidValueName(op.value.name)) Fail("invalid value name");
    }
    s = SkipBlanks(s);
    if (s.empty() || s.front() != '=') Fail("missing \"=\"");
    s = SkipBlanks(s.substr(1));
    op.kind = RegOperation::Kind::SetValue;
    if (!s.empty() && s.front() == '-') {
      op.kind = RegOperation::Kind::DeleteValue;
      ExpectEnd(s.substr(1));
    } else if (!s.empty() && s.front() == '"') {
      const std::string text = Quoted(s);
      ExpectEnd(s);
      op.value.type = kRegSz;
      op.value.data.assign(text.begin(), text.end());
      op.value.data.push_back(0);
    } else if (s.starts_with("dword:")) {
      s.remove_prefix(6);
      uint32_t n = 0;
      std::size_t digits = 0;
      for (; digits < s.size() && HexDigit(s[digits]) >= 0; ++digits)
        n = (n << 4U) | static_cast<uint32_t>(HexDigit(s[digits]));
      if (digits == 0 || digits > 8) Fail("invalid dword data");
      ExpectEnd(s.substr(digits));
      op.value.type = kRegDword;
      for (int k = 0; k < 4; ++k) op.value.data.push_back(static_cast<uint8_t>(n >> (8 * k)));
    } else if (s.starts_with("hex")) {
      op.value.type = HexType(s);
      op.value.data = HexBytes(s);
      if (unicode_ && IsStringType(op.value.type)) op.value.data = Utf16ToLatin1(op.value.data);
    } else {
      Fail("unrecognised data");
    }
    ops_.push_back(std::move(op));
  }

  // A quoted string at the start of s, with regedit's escapes; s is left after the closing quote.
  std::string Quoted(std::string_view& s) const {
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
      const char c = s[i];
      if (c == '"') {
        s.remove_prefix(i + 1);
        return out;
      }
      if (c != '\\' || i + 1 == s.size()) {
        out += c;
        continue;
      }
      const char e = s[++i];
      if (e == '\\' || e == '"')
        out += e;
      else if (e == 'n')
        out += '\n';
      else if (e == 'r')
        out += '\r';
      else {
        out += '\\';
        out += e;
      }
    }
    Fail("missing closing quote");
  }

  void ExpectEnd(std::string_view s) const {
    s = SkipBlanks(s);
    if (!s.empty() && s.front() != ';') Fail("unexpected text after the data");
  }

  // "hex:" or "hex(N):" at the start of s; s is left after the colon.
  uint32_t HexType(std::string_view& s) const {
    s.remove_prefix(3);
    if (!s.empty() && s.front() == ':') {
      s.remove_prefix(1);
      return kRegBinary;
    }
    const auto close = s.find("):");
    if (s.empty() || s.front() != '(' || close == std::string_view::npos || close < 2 || close > 9)
      Fail("unrecognised data");
    uint32_t type = 0;
    for (std::size_t i = 1; i < close; ++i) {
      const int d = HexDigit(s[i]);
      if (d < 0) Fail("unrecognised data");
      type = (type << 4U) | static_cast<uint32_t>(d);
    }
    s.remove_prefix(close + 2);
    return type;
  }

  // Comma-separated two-digit bytes; a "\" after a comma continues on the next line.
  std::vector<uint8_t> HexBytes(std::string_view s) {
    std::vector<uint8_t> bytes;
    for (;;) {
      s = SkipBlanks(s);
      if (!s.empty() && s.front() == '\\' && SkipBlanks(s.substr(1)).empty()) {
        if (index_ + 1 == lines_.size()) break;
        s = lines_[++index_];
        continue;
      }
      if (s.empty() || s.front() == ';') break;
      std::size_t digits = 0;
      unsigned n = 0;
      for (; digits < s.size() && digits < 3 && HexDigit(s[digits]) >= 0; ++digits)
        n = (n << 4U) | static_cast<unsigned>(HexDigit(s[digits]));
      if (digits == 0 || digits > 2) Fail("invalid hex data");
      bytes.push_back(static_cast<uint8_t>(n));
      s = SkipBlanks(s.substr(digits));
      if (s.empty() || s.front() == ';') break;
      if (s.front() != ',') Fail("invalid hex data");
      s.remove_prefix(1);
    }
    return bytes;
  }

  std::vector<std::string_view> lines_;
  bool unicode_;
  std::size_t index_ = 0;
  bool haveKey_ = false;
  RootKey root_ = RootKey::CurrentUser;
  std::string path_;
  std::vector<RegOperation> ops_;
};

}  // namespace

const char* RootKeyName(RootKey root) { return kRootNames[static_cast<std::size_t>(root)]; }

std::optional<RootKey> RootKeyFromName(std::string_view name) {
  for (std::size_t i = 0; i < kRootNames.size(); ++i)
    if (SameTextAZ(name, kRootNames[i])) return static_cast<RootKey>(i);
  return std::nullopt;
}

RegTextError::RegTextError(int line, const std::string& problem)
    : Error("Line " + std::to_string(line) + ": " + problem), line_(line) {}

std::vector<RegOperation> ParseRegText(std::string_view bytes) {
  const std::string text = DecodeFileText(bytes);
  std::vector<std::string_view> lines = SplitLines(text);
  const std::string header = lines.empty() ? std::string() : TrimRight(lines.front());
  if (header != kRegHeaderV4 && header != kRegHeaderV5) throw Error("Not a registry file");
  return Parser(std::move(lines), header == kRegHeaderV5).Run();
}

std::optional<std::vector<std::string_view>> SplitRegistryPath(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  std::vector<std::string_view> levels;
  if (path.empty()) return levels;
  for (;;) {
    const auto slash = path.find('\\');
    const std::string_view level = path.substr(0, slash);
    if (level.empty()) return std::nullopt;
    levels.push_back(level);
    if (slash == std::string_view::npos) return levels;
    path.remove_prefix(slash + 1);
  }
}

std::string NormalizedRegistryPath(std::string_view path) {
  const std::string trimmed = Trim(path);
  std::string out;
  for (std::size_t at = 0; at <= trimmed.size();) {
    const std::size_t slash = std::min(trimmed.find('\\', at), trimmed.size());
    if (slash > at) out += (out.empty() ? "" : "\\") + trimmed.substr(at, slash - at);
    at = slash + 1;
  }
  return out;
}

bool IsValidKeyName(std::string_view name) {
  if (name.empty() || name.size() > kRegMaxKeyNameLength) return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < ' ' || c == '\\') return false;
  return true;
}

bool IsValidValueName(std::string_view name) {
  return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

std::string FormatRegValue(const RegValue& value) {
  std::string out = value.name.empty() ? "@=" : "\"" + Escape(value.name) + "\"=";
  if (IsQuotableString(value)) {
    const std::string_view text(reinterpret_cast<const char*>(value.data.data()),
                                value.data.size() - 1);
    return out + "\"" + Escape(text) + "\"";
  }
  char buf[24];
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t n = 0;
    for (int k = 3; k >= 0; --k) n = (n << 8U) | value.data[static_cast<std::size_t>(k)];
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    return out + buf;
  }
  if (value.type == kRegBinary)
    out += "hex:";
  else {
    std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
    out += buf;
  }
  const std::vector<uint8_t> bytes =
      IsStringType(value.type) ? Latin1ToUtf16(value.data) : value.data;
  std::size_t lineLength = out.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
    out += buf;
    if (i + 1 == bytes.size()) break;
    out += ',';
    lineLength += 3;
    if (lineLength >= kHexWrapColumn) {
      out += "\\\r\n  ";
      lineLength = 2;
    }
  }
  return out;
}

void AppendRegKeyBlock(std::string& out, std::string_view fullPath,
                       const std::vector<RegValue>& values) {
  out += "\r\n[";
  out += fullPath;
  out += "]\r\n";
  for (const RegValue& v : values) {
    out += FormatRegValue(v);
    out += "\r\n";
  }
}

}  // namespace vorlisk::platform
