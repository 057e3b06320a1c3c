// The Exec argument of a Desktop Entry (autostart.h). Portable text: the Linux autostart entry
// is written with it, and it is tested on every platform.
#include "platform/autostart.h"

namespace vorlisk::platform {

std::string DesktopExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quoted = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  std::string exec = quoted ? "\"" : "";
  for (char c : argument) {
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) exec += '\\';
    exec += c;
    if (c == '%') exec += '%';
  }
  if (quoted) exec += '"';
  // The escapes of a string value come on top of the quoting: a reader undoes them first.
  std::string value;
  for (char c : exec) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

}  // namespace vorlisk::platform
