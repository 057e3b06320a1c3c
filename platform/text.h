// Text helpers for Windows path text and names. Pure string logic: no operating-system call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlisk {

// Removes leading and trailing blanks and control characters (every character up to ' ').
std::string Trim(std::string_view s);
std::string TrimRight(std::string_view s);

// The one case folding of the program: the letters a to z and A to Z only, every other byte kept
// (Windows compares names so; no locale plays a part).
constexpr char UpperAZ(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowerAZ(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
// Upper-cases the letters a to z only; every other byte is kept.
std::string UpperAZ(std::string_view s);
// Equal after folding a to z (no trimming).
bool SameTextAZ(std::string_view a, std::string_view b);

// Windows path text: the folder part is everything up to and including the last "\";
// the name part is what follows it.
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);
// The text with every "/" turned into "\", as Windows reads a path.
std::string WithBackslashes(std::string_view path);
// Does the path text hold a level "." or ".." ("\" and "/" both separate levels)?
bool HoldsDotLevel(std::string_view path);
// Appends "\" unless the text already ends with one (empty text stays empty).
std::string IncludeTrailingBackslash(std::string_view path);
// Removes one trailing "\" unless the path is a drive root such as "C:\".
std::string ExcludeTrailingBackslash(std::string_view path);

// Whether the bytes are well-formed UTF-8 (no overlong form, no surrogate, nothing above
// U+10FFFF), as the text files of the desktop must be.
bool IsUtf8(std::string_view text);

// Parses an integer as the profile files store it: decimal with an optional sign, or hexadecimal
// after "0x"/"0X". Returns false for anything else, including values outside 32 bits.
bool ParseInt32(std::string_view text, int32_t& out);

}  // namespace vorlisk
