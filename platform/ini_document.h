// The text of a profile (INI) file as the Windows profile API reads and rewrites it. Pure text:
// no operating-system call, so every rule is tested with plain strings.
//
// Parsing keeps every line of the file in order with its own line ending, so that serializing a
// document changed in one place gives back every other line byte for byte. Lines end at CR, LF or
// CRLF. Each line is looked at trimmed of blanks (space, tab, CR, LF, VT, FF):
// - "[" ... "]" opens a section named by the text between "[" and the last "]", trimmed;
// - any other line holding "=" is a key: the name is the text before the first "=", trimmed, the
//   value the text after it, trimmed (";x=1" is a key named ";x": there is no comment syntax);
// - every other line (blank lines, text without "=") carries nothing but is kept.
// Lines before the first section belong to no section that can be read or written.
//
// Names compare without regard to case (letters a to z) after trimming. Only the first section of a
// name counts, and within it only the first key of a name: later duplicates are invisible to reads
// and left alone by writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorlisk::platform {

// The blanks the profile API trims: space, tab, CR, LF, VT, FF.
std::string TrimProfileBlanks(std::string_view s);

// A stored value as GetPrivateProfileString returns it: one pair of matching quotes (double or
// single) around a value of two or more characters is removed, then at most `limit` characters
// are kept, and of those the text before the first NUL (the API returns NUL-terminated text).
std::string UnquoteProfileValue(std::string_view stored, std::size_t limit);

// The text of a profile file's bytes. A file that begins with the UTF-16LE byte-order mark (as
// Notepad saves "Unicode") is decoded to UTF-8 and `utf16` set, so that writes keep the file in
// UTF-16LE (EncodeProfileText); any other file is 8-bit text taken as it is.
std::string DecodeProfileText(std::string_view bytes, bool& utf16);
// The bytes to store for `text`: UTF-16LE with its byte-order mark when `utf16`, else the text.
std::string EncodeProfileText(std::string_view text, bool utf16);

class IniDocument {
 public:
  IniDocument() = default;
  static IniDocument Parse(std::string_view text);

  // The bytes of the file: every line as it was read, with its own line ending, except that a
  // changed value replaces the text after its "=". New lines end with CRLF; a last line that had
  // no line ending gets CRLF once a line follows it.
  std::string Serialize() const;

  bool HasSection(std::string_view section) const;
  // The stored value (trimmed, quotes not yet removed); nullopt when the section or key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Key names of the section in file order, each name once (its first occurrence).
  std::vector<std::string> SectionKeys(std::string_view section) const;

  // The whole document as read, for readers of formats built on INI text that need every line:
  // each section in file order (a repeated name too) with its 1-based line, and its key lines
  // in order (repeated names too), each with its name and value (trimmed, quotes kept).
  struct KeyLine {
    std::string name, value;
    int32_t line = 0;
  };
  struct SectionLines {
    std::string name;
    int32_t line = 0;
    std::vector<KeyLine> keys;
  };
  std::vector<SectionLines> AllSections() const;

  // Sets a value: in place when the key exists (the text up to "=" is kept), otherwise as a new
  // line "key=value" after the last non-blank line of the section, otherwise as a new section
  // "[section]" with that line at the end of the document. Leading blanks of the value are dropped.
  // Returns false when the stored value already was that value (nothing changed). The caller
  // refuses names and values holding CR or LF.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's line (the section header stays). Returns whether anything changed.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes the section's header and every line up to the next section. Returns whether anything
  // changed.
  bool EraseSection(std::string_view section);
  // Removes every line.
  void Clear();

 private:
  enum class LineKind { Other, Key };
  struct Line {
    std::string text;  // the bytes of the line without its ending
    std::string eol;   // "\r\n", "\n", "\r", or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::string name;         // key name, trimmed
    std::size_t valueAt = 0;  // offset in text just after the first "="
  };
  struct Section {
    Line header;
    std::string name;  // trimmed
    std::vector<Line> lines;
    // The line of the first key of a trimmed name, or npos. Small sections are scanned; larger
    // ones build an index (folded name -> line) at their first lookup.
    std::size_t FindKey(std::string_view key) const;
    void KeyAdded(std::string_view key, std::size_t at);
    void KeysMoved();

   private:
    mutable std::unordered_map<std::string, std::size_t> firstKey_;
    mutable bool indexed_ = false;
  };

  static Line MakeLine(std::string text, std::string eol);
  static std::string Fold(std::string_view name);  // trimmed, a to z upper-cased
  const Section* FindSection(std::string_view section) const;
  Section* FindSection(std::string_view section);
  void ReindexSections();

  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> firstSection_;  // folded name -> index in sections_
};

}  // namespace vorlisk::platform
