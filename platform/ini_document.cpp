#include "platform/ini_document.h"

#include <utility>

#include "platform/text.h"

namespace vorlisk::platform {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsProfileBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsBlankLine(std::string_view text) {
  for (char c : text)
    if (!IsProfileBlank(c)) return false;
  return true;
}

// The section name of a line "[name]" (trimmed line starting with "[" and holding "]").
std::optional<std::string> SectionNameOf(std::string_view text) {
  const std::string line = TrimProfileBlanks(text);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const auto close = line.rfind(']');
  if (close == std::string::npos) return std::nullopt;
  return TrimProfileBlanks(std::string_view(line).substr(1, close - 1));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point at text[i], advancing i; a byte that starts no well-formed sequence stands for
// itself (as Latin-1), so no byte is lost.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
  char32_t c = n == 1 ? lead : lead & (0x7F >> n);
  if (n > 1 && i + n <= text.size()) {
    bool ok = true;
    for (std::size_t k = 1; k < n && ok; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      ok = (b & 0xC0) == 0x80;
      c = c << 6 | (b & 0x3F);
    }
    if (ok) {
      i += n;
      return c;
    }
  }
  ++i;
  return lead;
}

}  // namespace

std::string TrimProfileBlanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsProfileBlank(s[b])) ++b;
  while (e > b && IsProfileBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string UnquoteProfileValue(std::string_view stored, std::size_t limit) {
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
      stored.back() == stored.front())
    stored = stored.substr(1, stored.size() - 2);
  stored = stored.substr(0, limit);
  return std::string(stored.substr(0, stored.find('\0')));
}

std::string DecodeProfileText(std::string_view bytes, bool& utf16) {
  utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() / 2);
  auto unit = [&](std::size_t at) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string EncodeProfileText(std::string_view text, bool utf16) {
  if (!utf16) return std::string(text);
  std::string out = "\xFF\xFE";
  out.reserve(2 + text.size() * 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = NextUtf8(text, i);
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

IniDocument::Line IniDocument::MakeLine(std::string text, std::string eol) {
  Line line;
  line.text = std::move(text);
  line.eol = std::move(eol);
  const auto eq = line.text.find('=');
  if (eq != std::string::npos) {
    line.kind = LineKind::Key;
    line.name = TrimProfileBlanks(std::string_view(line.text).substr(0, eq));
    line.valueAt = eq + 1;
  }
  return line;
}

std::string IniDocument::Fold(std::string_view name) { return UpperAZ(TrimProfileBlanks(name)); }

namespace {
constexpr std::size_t kIndexedSection = 32;  // lines; smaller sections are scanned

std::string_view TrimmedView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsProfileBlank(s[b])) ++b;
  while (e > b && IsProfileBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}
}  // namespace

std::size_t IniDocument::Section::FindKey(std::string_view key) const {
  key = TrimmedView(key);
  if (lines.size() < kIndexedSection) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].kind == LineKind::Key && SameTextAZ(lines[i].name, key)) return i;
    return std::string::npos;
  }
  if (!indexed_) {
    firstKey_.clear();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].kind == LineKind::Key) firstKey_.try_emplace(UpperAZ(lines[i].name), i);
    indexed_ = true;
  }
  const auto it = firstKey_.find(UpperAZ(key));
  return it == firstKey_.end() ? std::string::npos : it->second;
}

void IniDocument::Section::KeyAdded(std::string_view key, std::size_t at) {
  if (indexed_) firstKey_.try_emplace(UpperAZ(TrimmedView(key)), at);
}

void IniDocument::Section::KeysMoved() {
  indexed_ = false;
  firstKey_.clear();
}

void IniDocument::ReindexSections() {
  firstSection_.clear();
  for (std::size_t i = 0; i < sections_.size(); ++i)
    firstSection_.try_emplace(Fold(sections_[i].name), i);
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find_first_of("\r\n", pos);
    std::string body(text.substr(pos, end == std::string_view::npos ? end : end - pos));
    std::string_view eol;
    if (end == std::string_view::npos) {
      pos = text.size();
    } else {
      const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
      eol = text.substr(end, crlf ? 2 : 1);
      pos = end + eol.size();
    }
    if (auto name = SectionNameOf(body)) {
      Section section;
      section.header.text = std::move(body);
      section.header.eol = std::string(eol);
      section.name = std::move(*name);
      doc.sections_.push_back(std::move(section));
    } else {
      auto& lines = doc.sections_.empty() ? doc.preamble_ : doc.sections_.back().lines;
      lines.push_back(MakeLine(std::move(body), std::string(eol)));
    }
  }
  doc.ReindexSections();
  return doc;
}

std::vector<IniDocument::SectionLines> IniDocument::AllSections() const {
  std::vector<SectionLines> out;
  int32_t line = static_cast<int32_t>(preamble_.size());
  for (const auto& section : sections_) {
    SectionLines& s = out.emplace_back();
    s.name = section.name;
    s.line = ++line;
    for (const auto& l : section.lines) {
      ++line;
      if (l.kind == LineKind::Key)
        s.keys.push_back(
            {l.name, TrimProfileBlanks(std::string_view(l.text).substr(l.valueAt)), line});
    }
  }
  return out;
}

std::string IniDocument::Serialize() const {
  std::string out;
  bool needBreak = false;  // the previous line had no line ending
  auto put = [&](const Line& line) {
    if (needBreak) out += kCrLf;
    out += line.text;
    out += line.eol;
    needBreak = line.eol.empty();
  };
  for (const auto& line : preamble_) put(line);
  for (const auto& section : sections_) {
    put(section.header);
    for (const auto& line : section.lines) put(line);
  }
  return out;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
  const auto it = firstSection_.find(Fold(section));
  return it == firstSection_.end() ? nullptr : &sections_[it->second];
}

IniDocument::Section* IniDocument::FindSection(std::string_view section) {
  return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  const std::size_t at = s->FindKey(key);
  if (at == std::string::npos) return std::nullopt;
  const Line& line = s->lines[at];
  return TrimProfileBlanks(std::string_view(line.text).substr(line.valueAt));
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const Section* s = FindSection(section);
  if (!s) return keys;
  for (std::size_t i = 0; i < s->lines.size(); ++i) {
    const Line& line = s->lines[i];
    if (line.kind != LineKind::Key) continue;
    if (s->FindKey(line.name) == i) keys.push_back(line.name);
  }
  return keys;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::size_t start = value.find_first_not_of(" \t\v\f");
  value = start == std::string_view::npos ? std::string_view() : value.substr(start);
  const std::string keyName = TrimProfileBlanks(key);

  Section* s = FindSection(section);
  if (!s) {
    Section added;
    added.name = TrimProfileBlanks(section);
    added.header.text = "[" + added.name + "]";
    added.header.eol = kCrLf;
    added.lines.push_back(MakeLine(keyName + "=" + std::string(value), std::string(kCrLf)));
    firstSection_.try_emplace(Fold(added.name), sections_.size());
    sections_.push_back(std::move(added));
    return true;
  }

  if (const std::size_t found = s->FindKey(keyName); found != std::string::npos) {
    Line& line = s->lines[found];
    // A value that reads back the same is left alone, spacing and all.
    if (TrimProfileBlanks(std::string_view(line.text).substr(line.valueAt)) ==
        TrimProfileBlanks(value))
      return false;
    line.text.replace(line.valueAt, std::string::npos, value);
    return true;
  }

  std::size_t at = s->lines.size();
  while (at > 0 && IsBlankLine(s->lines[at - 1].text)) --at;
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at),
                  MakeLine(keyName + "=" + std::string(value), std::string(kCrLf)));
  // Only blank lines follow the new key, so no key's index moved: one index entry is enough
  // (re-indexing the section would make writing n keys cost n^2).
  s->KeyAdded(keyName, at);
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return false;
  const std::size_t at = s->FindKey(key);
  if (at == std::string::npos) return false;
  s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(at));
  s->KeysMoved();
  return true;
}

void IniDocument::Clear() {
  preamble_.clear();
  sections_.clear();
  firstSection_.clear();
}

bool IniDocument::EraseSection(std::string_view section) {
  const auto it = firstSection_.find(Fold(section));
  if (it == firstSection_.end()) return false;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  ReindexSections();
  return true;
}

}  // namespace vorlisk::platform
