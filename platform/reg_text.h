// The ".reg" text of the registry editor: reading an import file into a list of operations, and
// writing values and keys in the export layout. Pure text: no operating-system call.
//
// Our registry text is 8-bit: a string value's data is its text followed by a terminating NUL
// (what RegSetValueExA takes), and a multi-string is its strings each ended by a NUL plus one
// more NUL. Where a version 5 file holds string data as UTF-16LE (hex(1), hex(2), hex(7)), the
// 8-bit text is read and written as Latin-1; a character beyond Latin-1 is read as "?".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"

namespace vorlisk::platform {

inline constexpr std::string_view kRegHeaderV4 = "REGEDIT4";
inline constexpr std::string_view kRegHeaderV5 = "Windows Registry Editor Version 5.00";
// The registry's own limits: a key lies at most this many levels below its root key, and one
// level's name has at most this many characters. Nothing deeper or longer is ever stored, so every
// walk of the stored tree is bounded.
inline constexpr std::size_t kRegMaxKeyDepth = 512;
inline constexpr std::size_t kRegMaxKeyNameLength = 255;

struct RegValue {
  std::string name;  // "" is the default value, written "@"
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
  bool operator==(const RegValue&) const = default;
};

struct RegOperation {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  int line = 0;  // line of the file that asks for it (the header is line 1)
  RootKey root = RootKey::CurrentUser;
  std::string path;  // below the root, no leading or trailing "\"; "" is the root itself
  RegValue value;    // SetValue: the whole value; DeleteValue: its name
};

// A malformed line: the message reads "Line N: ...".
class RegTextError : public Error {
 public:
  RegTextError(int line, const std::string& problem);
  int line() const { return line_; }

 private:
  int line_;
};

// Reads a whole ".reg" file. The first line must be kRegHeaderV4 or kRegHeaderV5, in 8-bit or
// UTF-8 text or in UTF-16LE with its byte-order mark; otherwise throws Error("Not a registry
// file"). Key lines "[PATH]" and "[-PATH]" name their root by its full name in any case; any other
// root name, a short form such as HKCU included, throws RegTextError, as does every other
// malformed key or value line. Lines starting with anything but "[", "@" or '"' are comments.
std::vector<RegOperation> ParseRegText(std::string_view bytes);

// Splits a subkey path at "\" after dropping trailing backslashes; nullopt when a level is
// empty ("a\\b", "\a"). "" gives no levels.
std::optional<std::vector<std::string_view>> SplitRegistryPath(std::string_view path);
// A registry path with the blanks around it, a trailing "\" and empty levels dropped, so that its
// levels can be counted: "HKCU\Software\ " and "HKCU\\Software" give "HKCU\Software".
std::string NormalizedRegistryPath(std::string_view path);
// May a key level or a value carry this name? Key levels: not empty, no control characters, at
// most kRegMaxKeyNameLength characters; value names: no NUL, CR or LF (they could not be written
// back as one line).
bool IsValidKeyName(std::string_view name);
bool IsValidValueName(std::string_view name);

// One value as the export writes it, with its wrapped continuation lines joined by CRLF and no
// line end after the last one.
std::string FormatRegValue(const RegValue& value);
// Appends one key of an export: a blank line, "[FULL\PATH]" and a line per value (CRLF ends).
void AppendRegKeyBlock(std::string& out, std::string_view fullPath,
                       const std::vector<RegValue>& values);

}  // namespace vorlisk::platform
