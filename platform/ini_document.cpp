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
  return std::string(stored.substr(0, limit));
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

void IniDocument::Section::Reindex() {
  firstKey.clear();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == LineKind::Key) firstKey.try_emplace(Fold(lines[i].name), i);
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
    std::string eol;
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
      section.header.eol = std::move(eol);
      section.name = std::move(*name);
      doc.sections_.push_back(std::move(section));
    } else {
      auto& lines = doc.sections_.empty() ? doc.preamble_ : doc.sections_.back().lines;
      lines.push_back(MakeLine(std::move(body), std::move(eol)));
    }
  }
  for (auto& section : doc.sections_) section.Reindex();
  doc.ReindexSections();
  return doc;
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
  const auto it = s->firstKey.find(Fold(key));
  if (it == s->firstKey.end()) return std::nullopt;
  const Line& line = s->lines[it->second];
  return TrimProfileBlanks(std::string_view(line.text).substr(line.valueAt));
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const Section* s = FindSection(section);
  if (!s) return keys;
  for (std::size_t i = 0; i < s->lines.size(); ++i) {
    const Line& line = s->lines[i];
    if (line.kind != LineKind::Key) continue;
    const auto it = s->firstKey.find(Fold(line.name));
    if (it != s->firstKey.end() && it->second == i) keys.push_back(line.name);
  }
  return keys;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const auto it = firstSection_.find(Fold(sections_[i].name));
    if (it != firstSection_.end() && it->second == i) names.push_back(sections_[i].name);
  }
  return names;
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
    added.Reindex();
    firstSection_.try_emplace(Fold(added.name), sections_.size());
    sections_.push_back(std::move(added));
    return true;
  }

  const auto it = s->firstKey.find(Fold(keyName));
  if (it != s->firstKey.end()) {
    Line& line = s->lines[it->second];
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
  s->Reindex();
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return false;
  const auto it = s->firstKey.find(Fold(key));
  if (it == s->firstKey.end()) return false;
  s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
  s->Reindex();
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  const auto it = firstSection_.find(Fold(section));
  if (it == firstSection_.end()) return false;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  ReindexSections();
  return true;
}

}  // namespace vorlisk::platform
