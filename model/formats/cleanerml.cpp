// CleanerML definitions converted to wash items; the mapping is written down in cleanerml.h.
#include "model/formats/cleanerml.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/reg_text.h"
#include "platform/text.h"

namespace vorlisk::formats {

namespace {

constexpr std::size_t kWhatLength = 160;  // the longest construct a note quotes
constexpr std::size_t kMostMasks = 16;    // a regex that would give more masks is refused
// The paths that <var> values give the actions of one option: beyond this many, the rest is left
// out (three variables of 50 values would give 125,000 paths in one path).
constexpr std::size_t kMostVariablePaths = 1000;

// ---- text ------------------------------------------------------------------------------------

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The text on one line: runs of blanks and line ends become one blank, none at either end.
std::string OneLine(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool blank = static_cast<unsigned char>(c) <= ' ';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool HoldsElement(const pugi::xml_node& node) {
  for (const pugi::xml_node& child : node.children())
    if (child.type() == pugi::node_element) return true;
  return false;
}

// A node as a note quotes it: its start tag with its attributes, and the text it holds when it
// holds no element, on one line and shortened.
std::string Quoted(const pugi::xml_node& node) {
  std::string what = "<" + std::string(node.name());
  for (const pugi::xml_attribute& a : node.attributes())
    what += " " + std::string(a.name()) + "=\"" + a.value() + "\"";
  what += ">";
  if (!node.first_child().empty() && !HoldsElement(node))
    what += std::string(node.text().get()) + "</" + node.name() + ">";
  what = OneLine(what);
  if (what.size() > kWhatLength) what = what.substr(0, kWhatLength - 3) + "...";
  return what;
}

// The XML with each character reference to a control character ("&#0;", "&#x1F;", "&#127;") and
// each NUL byte replaced by the control character 0x01, which the reader refuses wherever it
// finds one. The parser would decode "&#0;" into a NUL that ends the text it stands in: the path
// "~/.config&#0;/app/cache" would be read as "~/.config". Line ends stay where they are.
std::string MarkControlReferences(std::string_view xml) {
  std::string out;
  out.reserve(xml.size());
  for (std::size_t i = 0; i < xml.size();) {
    if (xml[i] == '\0') {
      out += '\x01';
      ++i;
      continue;
    }
    if (!xml.substr(i).starts_with("&#")) {
      out += xml[i++];
      continue;
    }
    const bool hex = i + 2 < xml.size() && (xml[i + 2] == 'x' || xml[i + 2] == 'X');
    std::size_t end = i + (hex ? 3 : 2);
    uint32_t value = 0;
    const std::size_t digitsAt = end;
    for (; end < xml.size(); ++end) {
      const char c = xml[end];
      int digit = -1;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (hex && LowerAZ(c) >= 'a' && LowerAZ(c) <= 'f')
        digit = LowerAZ(c) - 'a' + 10;
      if (digit < 0) break;
      value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit), 0x110000);
    }
    const bool control = value < 0x20 || (value >= 0x7f && value <= 0x9f);
    if (end > digitsAt && end < xml.size() && xml[end] == ';' && control) {
      out += '\x01';
      i = end + 1;
    } else {
      out += xml[i++];
    }
  }
  return out;
}

// ---- regexes ---------------------------------------------------------------------------------

// A regex matched against a base name, reduced to wildcard masks when it holds only literal
// characters, ".*", "^" at the start, "$" at the end, and groups of alternatives made of these.
// A regex matches where it finds itself in the name, so an end without an anchor is a "*".
// The masks take no name the regex does not take. A mask matches letters without regard to case
// and a regex with regard to it, so a letter is reduced only where the regex takes both cases:
// after a leading "(?i)", or written as a class of its two cases ("[lL]"); any other letter, and
// any character beyond ASCII (whose case the two may fold apart), leaves the regex unreduced.
class RegexMasks {
 public:
  explicit RegexMasks(std::string_view regex) : regex_(regex) {}

  // The masks, or nullopt when the regex is not reducible.
  std::optional<std::vector<std::string>> Reduce() {
    if (regex_.starts_with("(?i)")) {
      anyCase_ = true;
      at_ = 4;
    }
    const auto alternatives = Alternation();
    if (!alternatives || at_ != regex_.size()) return std::nullopt;
    std::vector<std::string> masks;
    for (const Alternative& alternative : *alternatives) {
      const auto mask = Mask(alternative, anyCase_, oneCase_);
      if (!mask) return std::nullopt;
      if (std::find(masks.begin(), masks.end(), *mask) == masks.end()) masks.push_back(*mask);
    }
    return masks;
  }

  // After Reduce gave nullopt: was a letter taken in one case only the reason?
  bool OneCase() const { return oneCase_; }

 private:
  enum class Kind : uint8_t { Literal, AnyRun, Begin, End };
  struct Token {
    Kind kind = Kind::Literal;
    char c = 0;
    bool anyCase = false;  // a letter written as the class of its two cases
  };
  using Alternative = std::vector<Token>;
  using Alternatives = std::vector<Alternative>;

  std::optional<Alternatives> Alternation() {
    auto all = Sequence();
    while (all && at_ < regex_.size() && regex_[at_] == '|') {
      ++at_;
      const auto more = Sequence();
      if (!more || all->size() + more->size() > kMostMasks) return std::nullopt;
      all->insert(all->end(), more->begin(), more->end());
    }
    return all;
  }

  std::optional<Alternatives> Sequence() {
    Alternatives sequence(1);
    while (at_ < regex_.size() && regex_[at_] != '|' && regex_[at_] != ')') {
      const auto piece = Piece();
      // A repetition of anything but "." has no mask.
      if (!piece || (at_ < regex_.size() &&
                     std::string_view("*+?{").find(regex_[at_]) != std::string_view::npos))
        return std::nullopt;
      Alternatives joined;
      for (const Alternative& head : sequence)
        for (const Alternative& tail : *piece) {
          joined.push_back(head);
          joined.back().insert(joined.back().end(), tail.begin(), tail.end());
        }
      if (joined.size() > kMostMasks) return std::nullopt;
      sequence = std::move(joined);
    }
    return sequence;
  }

  std::optional<Alternatives> Piece() {
    const char c = regex_[at_++];
    const auto one = [](Kind kind, char literal = 0) {
      return Alternatives{Alternative{Token{kind, literal}}};
    };
    if (c == '^') return one(Kind::Begin);
    if (c == '$') return one(Kind::End);
    if (c == '.') {
      if (at_ >= regex_.size() || regex_[at_] != '*') return std::nullopt;  // one character
      ++at_;
      if (at_ < regex_.size() && regex_[at_] == '?') ++at_;  // lazy: matches the same names
      return one(Kind::AnyRun);
    }
    if (c == '\\') {
      // An escaped letter or digit is a class ("\d") or an anchor ("\b"), no literal.
      if (at_ >= regex_.size() || IsNameChar(regex_[at_])) return std::nullopt;
      return one(Kind::Literal, regex_[at_++]);
    }
    if (c == '(') {
      if (regex_.substr(at_, 2) == "?:")
        at_ += 2;
      else if (at_ < regex_.size() && regex_[at_] == '?')
        return std::nullopt;  // flags, look-arounds, named groups
      auto inner = Alternation();
      if (!inner || at_ >= regex_.size() || regex_[at_] != ')') return std::nullopt;
      ++at_;
      return inner;
    }
    if (c == '[') {
      // "[lL]": one letter in either case, which a mask letter takes; no other class.
      const std::string_view klass = regex_.substr(at_, 3);
      if (klass.size() < 3 || klass[2] != ']' || LowerAZ(klass[0]) != LowerAZ(klass[1]) ||
          klass[0] == klass[1] || LowerAZ(klass[0]) < 'a' || LowerAZ(klass[0]) > 'z')
        return std::nullopt;
      at_ += 3;
      return Alternatives{Alternative{Token{Kind::Literal, LowerAZ(klass[0]), true}}};
    }
    if (std::string_view("]{}*+?").find(c) != std::string_view::npos) return std::nullopt;
    return one(Kind::Literal, c);
  }

  static std::optional<std::string> Mask(const Alternative& alternative, bool anyCase,
                                         bool& oneCase) {
    std::string mask;
    bool begins = false;
    bool ends = false;
    for (std::size_t i = 0; i < alternative.size(); ++i) {
      const Token& token = alternative[i];
      if (token.kind == Kind::Begin) {
        if (i != 0) return std::nullopt;
        begins = true;
      } else if (token.kind == Kind::End) {
        if (i + 1 != alternative.size()) return std::nullopt;
        ends = true;
      } else if (token.kind == Kind::AnyRun) {
        if (mask.empty() || mask.back() != '*') mask += '*';
      } else {
        // A mask cannot hold "*" or "?" as themselves, nor a base name a separator.
        if (std::string_view("*?\\/").find(token.c) != std::string_view::npos || token.c == 0 ||
            static_cast<unsigned char>(token.c) >= 0x80)
          return std::nullopt;
        if (LowerAZ(token.c) >= 'a' && LowerAZ(token.c) <= 'z' && !anyCase && !token.anyCase) {
          oneCase = true;
          return std::nullopt;
        }
        mask += token.c;
      }
    }
    if (mask.empty()) return std::nullopt;  // "^$", no name
    if (!begins && mask.front() != '*') mask.insert(mask.begin(), '*');
    if (!ends && mask.back() != '*') mask += '*';
    // Trailing dots and blanks are dropped from a mask, and "*.*" takes every name: neither
    // would mean what the regex means.
    if (mask.back() == '.' || mask.back() == ' ' || mask == "*.*") return std::nullopt;
    // A "." before a "*" also matches the end of a name: "a.*" takes "a", which "^a\." does not.
    for (std::size_t i = 1; i + 1 < mask.size(); ++i)
      if (mask[i] == '.' && mask[i + 1] == '*') return std::nullopt;
    return mask;
  }

  std::string_view regex_;
  std::size_t at_ = 0;
  bool anyCase_ = false;  // a leading "(?i)": every letter in either case
  bool oneCase_ = false;
};

// ---- paths -----------------------------------------------------------------------------------

struct FolderVariable {
  std::string_view Name;    // as the environment names it (compared without regard to case)
  std::string_view Folder;  // the user folder variable of Windows text
};
constexpr std::array kFolderVariables{
    FolderVariable{"HOME", "%Home%"},
    FolderVariable{"XDG_CACHE_HOME", "%Cache%"},
    FolderVariable{"XDG_CONFIG_HOME", "%Config%"},
    FolderVariable{"XDG_DATA_HOME", "%Data%"},
    FolderVariable{"XDG_STATE_HOME", "%State%"},
    FolderVariable{"XDG_RUNTIME_DIR", "%Runtime%"},
    FolderVariable{"APPDATA", "%AppData%"},
    FolderVariable{"LOCALAPPDATA", "%LocalAppData%"},
    FolderVariable{"USERPROFILE", "%UserProfile%"},
    FolderVariable{"TEMP", "%Temp%"},
    FolderVariable{"TMP", "%Temp%"},
    FolderVariable{"COMMONAPPDATA", "%CommonAppData%"},
    FolderVariable{"ALLUSERSPROFILE", "%CommonAppData%"},
    FolderVariable{"PROGRAMDATA", "%CommonAppData%"},
    FolderVariable{"PROGRAMFILES", "%ProgramFiles%"},
    FolderVariable{"WINDIR", "%WinDir%"},
    FolderVariable{"SYSTEMROOT", "%WinDir%"},
};

// Folders of the home that have user folder variables of their own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kHomeFolders{{
    {".cache", "%Cache%"},
    {".config", "%Config%"},
    {".local/share", "%Data%"},
    {".local/state", "%State%"},
}};

// A path in Windows text, or why there is none.
struct WindowsPath {
  std::string Text;       // "%Config%\app\*.log", "C:\var\tmp"
  bool HasLevel = false;  // names something below its root (a user folder or a drive)
  std::string Refused;    // when not empty: why the path has no Windows text
};

WindowsPath Refuse(std::string reason) { return WindowsPath{"", false, std::move(reason)}; }

// The variable at the start of `path` ("$NAME", "${NAME}", "%NAME%") and its length; no name
// when the path does not begin with one.
std::pair<std::string_view, std::size_t> LeadingVariable(std::string_view path) {
  if (path.starts_with("${")) {
    const std::size_t close = path.find('}');
    if (close != std::string_view::npos) return {path.substr(2, close - 2), close + 1};
  } else if (path.starts_with("$")) {
    std::size_t end = 1;
    while (end < path.size() && IsNameChar(path[end])) ++end;
    return {path.substr(1, end - 1), end};
  } else if (path.starts_with("%")) {
    const std::size_t close = path.find('%', 1);
    if (close != std::string_view::npos) return {path.substr(1, close - 1), close + 1};
  }
  return {{}, 0};
}

// Does the text hold a variable ("$NAME", "${NAME}", "%NAME%") anywhere?
bool HoldsVariable(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '$' && (IsNameChar(text[i + 1]) || text[i + 1] == '{')) return true;
    if (text[i] != '%') continue;
    const std::size_t close = text.find('%', i + 1);
    if (close != std::string_view::npos && close > i + 1 &&
        std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    text.begin() + static_cast<std::ptrdiff_t>(close), IsNameChar))
      return true;
  }
  return false;
}

// Glob syntax no wildcard mask holds, or "".
std::string UnmaskableGlob(std::string_view level) {
  if (level.find("**") != std::string_view::npos) return "\"**\"";
  const std::size_t open = level.find('[');
  if (open != std::string_view::npos && level.find(']', open) != std::string_view::npos)
    return "a character class \"[...]\"";
  const std::size_t brace = level.find('{');
  if (brace != std::string_view::npos) {
    const std::size_t comma = level.find(',', brace);
    if (comma != std::string_view::npos && level.find('}', comma) != std::string_view::npos)
      return "alternatives \"{a,b}\"";
  }
  return "";
}

// The levels of `rest` ("/" and "\" separate them; empty levels are dropped), or why they cannot
// be used.
std::optional<std::vector<std::string>> Levels(std::string_view rest, std::string& refused) {
  std::vector<std::string> levels;
  for (std::size_t at = 0; at <= rest.size();) {
    const std::size_t cut = std::min(rest.find_first_of("\\/", at), rest.size());
    const std::string_view level = rest.substr(at, cut - at);
    at = cut + 1;
    if (level.empty()) continue;
    if (level == "." || level == "..") {
      refused = "a \"" + std::string(level) + "\" level";
      return std::nullopt;
    }
    if (const std::string glob = UnmaskableGlob(level); !glob.empty()) {
      refused = "glob syntax no mask holds: " + glob;
      return std::nullopt;
    }
    levels.emplace_back(level);
  }
  if (HoldsVariable(rest)) {
    refused = "a variable inside the path";
    return std::nullopt;
  }
  return levels;
}

// A path of the source, its own variables substituted, in Windows text.
WindowsPath ToWindows(std::string_view path, const DefinitionMachine& machine) {
  std::string root;
  std::string_view rest;
  bool host = false;
  if (path.starts_with("~")) {
    if (path.size() > 1 && path[1] != '/' && path[1] != '\\')
      return Refuse("the home of another user");
    root = "%Home%";
    rest = path.substr(1);
  } else if (const auto [name, length] = LeadingVariable(path); length > 0) {
    const auto known =
        std::find_if(kFolderVariables.begin(), kFolderVariables.end(),
                     [&](const FolderVariable& v) { return SameTextAZ(v.Name, name); });
    if (known == kFolderVariables.end())
      return Refuse("the variable " + std::string(path.substr(0, length)) + " is not known");
    root = known->Folder;
    rest = path.substr(length);
    if (!rest.empty() && rest[0] != '/' && rest[0] != '\\')
      return Refuse("text after the variable " + std::string(path.substr(0, length)));
  } else if (path.size() >= 2 && path[1] == ':' && LowerAZ(path[0]) >= 'a' &&
             LowerAZ(path[0]) <= 'z' && (path.size() == 2 || path[2] == '/' || path[2] == '\\')) {
    root = std::string(1, UpperAZ(path[0])) + ":";
    rest = path.substr(2);
  } else if (path.starts_with("/") && !path.starts_with("//")) {
    host = true;
    rest = path;
  } else {
    return Refuse("not an absolute path");
  }

  std::string refused;
  const auto levels = Levels(rest, refused);
  if (!levels) return Refuse(refused);
  std::size_t first = 0;  // the first level below the root
  if (root == "%Home%") {
    std::string below;  // the levels as a host path below the home
    for (const std::string& level : *levels) below += "/" + level;
    for (const auto& [folder, variable] : kHomeFolders) {
      const std::string named = "/" + std::string(folder);
      if (below != named && !below.starts_with(named + "/")) continue;
      root = variable;
      first = static_cast<std::size_t>(std::count(named.begin(), named.end(), '/'));
      break;
    }
  }
  if (host) {
    std::string hostPath;
    for (const std::string& level : *levels) hostPath += "/" + level;
    if (hostPath.empty()) hostPath = "/";
    root = machine.HostToWindows ? machine.HostToWindows(hostPath) : "";
    if (root.empty() || HoldsDotLevel(root))
      return Refuse("no user folder or fixed drive holds " + hostPath);
    return WindowsPath{ExcludeTrailingBackslash(root), !levels->empty(), ""};
  }
  std::string text = root;
  for (std::size_t i = first; i < levels->size(); ++i) text += "\\" + (*levels)[i];
  return WindowsPath{text, first < levels->size(), ""};
}

bool HoldsWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

// ---- registry --------------------------------------------------------------------------------

constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kRootKeys{{
    {"HKCU", "HKEY_CURRENT_USER"},
    {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKU", "HKEY_USERS"},
    {"HKCC", "HKEY_CURRENT_CONFIG"},
}};

// The key with its root written out, or "" when its root is none of the known ones.
std::string FullKey(std::string_view key) {
  const std::size_t cut = std::min(key.find('\\'), key.size());
  const std::string_view root = key.substr(0, cut);
  for (const auto& [brief, full] : kRootKeys)
    if (SameTextAZ(root, brief) || SameTextAZ(root, full))
      return std::string(full) + std::string(key.substr(cut));
  return "";
}

// ---- commands --------------------------------------------------------------------------------

// Why a command other than delete and winreg is not converted.
std::string CommandReason(std::string_view command) {
  const auto family = [&](std::string_view prefix) { return command.starts_with(prefix); };
  if (command == "truncate") return "truncation: the file would be emptied, not erased";
  if (command == "shred") return "an overwrite of single files";
  if (command == "json" || command == "ini" || command == "sqlite.vacuum" || family("chrome.") ||
      family("mozilla.") || family("office"))
    return "an in-file edit";
  if (family("apt.") || family("yum.") || family("dnf.") || family("pacman") || family("zypper"))
    return "a package-manager command";
  if (command == "process") return "runs a program";
  if (command.empty()) return "an action without a command";
  return "a command this program does not know";
}

// ---- the reader ------------------------------------------------------------------------------

class Reader {
 public:
  Reader(std::string_view xml, const DefinitionMachine& machine) : xml_(xml), machine_(machine) {
    for (std::size_t at = xml.find('\n'); at != std::string_view::npos; at = xml.find('\n', at + 1))
      lineEnds_.push_back(at);
  }

  ConvertedDefinitions Read() {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(xml_.data(), xml_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
      const int32_t line = LineAt(parsed.offset);
      out_.Notes.push_back({line, OneLine(LineText(line)).substr(0, kWhatLength),
                            std::string("not well-formed XML: ") + parsed.description()});
      return std::move(out_);
    }
    const pugi::xml_node cleaner = document.document_element();
    if (std::string_view(cleaner.name()) != "cleaner")
      Note(cleaner, "not a CleanerML document: its root is no <cleaner>");
    else
      ReadCleaner(cleaner);
    std::stable_sort(out_.Notes.begin(), out_.Notes.end(),
                     [](const ImportNote& a, const ImportNote& b) { return a.Line < b.Line; });
    return std::move(out_);
  }

 private:
  int32_t LineAt(std::ptrdiff_t offset) const {
    if (offset < 0) return 0;
    return static_cast<int32_t>(std::lower_bound(lineEnds_.begin(), lineEnds_.end(),
                                                 static_cast<std::size_t>(offset)) -
                                lineEnds_.begin()) +
           1;
  }
  std::string_view LineText(int32_t line) const {
    const std::size_t index = static_cast<std::size_t>(line - 1);
    const std::size_t begin = index == 0 ? 0 : lineEnds_[index - 1] + 1;
    const std::size_t end = index < lineEnds_.size() ? lineEnds_[index] : xml_.size();
    return xml_.substr(begin, end - begin);
  }
  int32_t LineOf(const pugi::xml_node& node) const { return LineAt(node.offset_debug()); }

  void Note(const pugi::xml_node& node, std::string reason) {
    out_.Notes.push_back({LineOf(node), Quoted(node), std::move(reason)});
  }

  // Is what carries this os= value for this machine? Notes it when it is not.
  bool ForThisSystem(const pugi::xml_node& node) {
    const std::string os = Trim(node.attribute("os").value());
    if (os.empty()) return true;
    const auto same = [&](std::string_view name) { return SameTextAZ(os, name); };
    if (same(machine_.Os) || (SameTextAZ(machine_.Os, "linux") && (same("posix") || same("unix"))))
      return true;
    Note(node, "for " + os);
    return false;
  }

  // The label of a <cleaner> or an <option> (its id when it has none), or nullopt (noted) when it
  // holds a control character other than the line ends and tabs that lay its text out.
  std::optional<std::string> Label(const pugi::xml_node& node) {
    std::string label = node.child("label").text().get();
    for (char& c : label)
      if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    if (OneLine(label).empty()) label = node.attribute("id").value();
    if (HoldsControl(label)) {
      Note(node, "a control character in its label or id: left out");
      return std::nullopt;
    }
    return OneLine(label);
  }

  void ReadCleaner(const pugi::xml_node& cleaner) {
    if (!ForThisSystem(cleaner)) return;
    const auto label = Label(cleaner);
    if (!label) return;
    label_ = *label;
    for (const pugi::xml_node& child : cleaner.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "var") {
        ReadVariable(child);
      } else if (name == "running") {
        Note(child, "whether the application runs is not checked");
      } else if (name == "localizations") {
        Note(child, "translations are not kept: an item has one name");
      } else if (name == "description") {
        NoteDescription(child);
      } else if (name != "label" && name != "option") {
        Note(child, "an element this program does not know");
      }
    }
    for (const pugi::xml_node& option : cleaner.children("option")) ReadOption(option);
  }

  // The first description of the file is noted; the others go the same way.
  void NoteDescription(const pugi::xml_node& description) {
    if (!descriptionNoted_)
      Note(description, "descriptions are not kept (neither this one nor any other of the file)");
    descriptionNoted_ = true;
  }

  void ReadVariable(const pugi::xml_node& var) {
    std::vector<std::string>& values = variables_[var.attribute("name").value()];
    for (const pugi::xml_node& value : var.children()) {
      if (value.type() != pugi::node_element) continue;
      if (std::string_view(value.name()) != "value") {
        Note(value, "an element this program does not know");
        continue;
      }
      if (!ForThisSystem(value)) continue;
      std::string text = Trim(value.text().get());
      if (HoldsControl(text))
        Note(value, "a control character in the value: left out");
      else
        values.push_back(std::move(text));
    }
  }

  void ReadOption(const pugi::xml_node& option) {
    if (!ForThisSystem(option)) return;
    const auto label = Label(option);
    if (!label) return;
    ConvertedItem item;
    item.Name = label_ + ": " + *label;
    item.Line = LineOf(option);
    entriesSeen_.clear();
    variablePaths_ = 0;
    int32_t actions = 0;
    int32_t elsewhere = 0;
    for (const pugi::xml_node& child : option.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "action") {
        ++actions;
        if (!ForThisSystem(child))
          ++elsewhere;
        else
          ReadAction(child, item);
      } else if (name == "warning") {
        // Kept with the item, which is shown before it is ticked or washed.
        const std::string warning = OneLine(child.text().get());
        if (!warning.empty()) item.Warning += (item.Warning.empty() ? "" : " ") + warning;
      } else if (name == "description") {
        NoteDescription(child);
      } else if (name != "label") {
        Note(child, "an element this program does not know");
      }
    }
    FitToItemFile(item, out_.Notes);
    if (!item.Folders.empty() || !item.Registers.empty()) {
      out_.Items.push_back(std::move(item));
      return;
    }
    Note(option, actions > 0 && elsewhere == actions ? "nothing of it is for " + machine_.Os
                                                     : "nothing of it could be converted");
  }

  void ReadAction(const pugi::xml_node& action, ConvertedItem& item) {
    for (const pugi::xml_attribute& a : action.attributes())
      if (HoldsControl(a.value()))
        return Note(action, "a control character in " + std::string(a.name()) + "=: refused");
    const std::string command = action.attribute("command").value();
    if (command == "delete" || command == "winreg") {
      if (HoldsElement(action)) return Note(action, "an action holding elements: not converted");
      // An attribute of unknown meaning could narrow what the action takes: the action is left.
      const std::string_view known = command == "winreg"
                                         ? " command path name os "
                                         : " command search path type regex nregex wholeregex "
                                           "nwholeregex os ";
      for (const pugi::xml_attribute& a : action.attributes())
        if (known.find(" " + std::string(a.name()) + " ") == std::string_view::npos)
          return Note(action, "the attribute " + std::string(a.name()) +
                                  "= is not known: what it would leave out is not known");
    }
    if (command == "delete")
      ReadDelete(action, item);
    else if (command == "winreg")
      ReadRegistry(action, item);
    else
      Note(action, CommandReason(command));
  }

  void ReadRegistry(const pugi::xml_node& action, ConvertedItem& item) {
    const std::string path = Trim(action.attribute("path").value());
    // "HKCU\Software\" is HKEY_CURRENT_USER\Software: the levels are counted as the registry reads
    // them, and the key is stored as they count.
    const std::string key = FullKey(platform::NormalizedRegistryPath(path));
    if (key.empty()) return Note(action, "no registry key of a known root");
    if (key.find('\\') == std::string::npos) return Note(action, "a whole root key");
    tChildRegister entry;
    entry.IsActive = true;
    entry.RegisterKeyName = key;
    entry.Name = path;
    if (const pugi::xml_attribute value = action.attribute("name"); !value.empty()) {
      entry.CleanType = CleanRegisterType::SingleValue;
      entry.RegisterSingleValue = value.value();
      entry.Name += " (" + entry.RegisterSingleValue + ")";
    }
    item.Registers.push_back(std::move(entry));
  }

  // The path with each $$name$$ replaced by every value of that <var>, in turn (a value is not
  // searched again), the first variable's values outermost; an empty list (noted) when a name has
  // no <var> or no value here. What passes the option's budget of such paths is left out, noted.
  std::vector<std::string> Substituted(const pugi::xml_node& action, const std::string& path) {
    std::vector<std::string> pieces;  // text, then a variable's name, then text, ...
    std::vector<const std::vector<std::string>*> values;
    std::size_t at = 0;
    for (;;) {
      const std::size_t open = path.find("$$", at);
      const std::size_t close = open == std::string::npos ? open : path.find("$$", open + 2);
      if (close == std::string::npos) break;
      const std::string name = path.substr(open + 2, close - open - 2);
      const auto found = variables_.find(name);
      if (found == variables_.end()) {
        Note(action, "no <var> is named \"" + name + "\"");
        return {};
      }
      if (found->second.empty()) {
        Note(action, "the <var> \"" + name + "\" has no value for " + machine_.Os);
        return {};
      }
      pieces.push_back(path.substr(at, open - at));
      values.push_back(&found->second);
      at = close + 2;
    }
    if (values.empty()) return {path};
    std::size_t total = 1;  // how many paths the values give, counted up to a bound
    for (const auto* each : values) total = std::min(total * each->size(), std::size_t{1} << 40);
    const std::size_t kept = std::min(total, kMostVariablePaths - variablePaths_);
    variablePaths_ += kept;
    if (kept < total)
      Note(action,
           "its <var> values give " + std::to_string(total) + " paths; " +
               (kept == 0 ? std::string("none is")
                          : "the first " + std::to_string(kept) + (kept == 1 ? " is" : " are")) +
               " kept, as an option takes at most " + std::to_string(kMostVariablePaths) +
               " paths from <var> values");
    std::vector<std::string> paths;
    paths.reserve(kept);
    std::vector<std::size_t> choice(values.size(), 0);  // counts up, the last variable fastest
    for (std::size_t n = 0; n < kept; ++n) {
      std::string one;
      for (std::size_t v = 0; v < values.size(); ++v) one += pieces[v] + (*values[v])[choice[v]];
      paths.push_back(one + path.substr(at));
      for (std::size_t v = values.size(); v-- > 0 && ++choice[v] == values[v]->size();)
        choice[v] = 0;
    }
    return paths;
  }

  void ReadDelete(const pugi::xml_node& action, ConvertedItem& item) {
    const std::string search = action.attribute("search").as_string("file");
    const std::string type = action.attribute("type").value();
    const bool walk = search == "walk.files" || search == "walk.all" || search == "walk.top";
    if (!walk && search != "file" && search != "glob")
      return Note(action, "a search this program does not know");
    if (!action.attribute("nregex").empty() || !action.attribute("nwholeregex").empty())
      return Note(action, "an exclusion is not honoured here: the entry would take more");
    if (!action.attribute("wholeregex").empty())
      return Note(action, "a regex on the whole path, which no mask expresses");
    if (type == "d")
      return Note(action, "it removes folders only: an entry erases the files in them");
    if (!type.empty() && type != "f") return Note(action, "a type this program does not know");

    std::vector<std::string> masks;
    if (const pugi::xml_attribute regex = action.attribute("regex"); !regex.empty()) {
      RegexMasks reducer(regex.value());
      auto reduced = reducer.Reduce();
      if (!reduced && reducer.OneCase())
        return Note(action,
                    "a regex that is no mask: it tells upper from lower case, a mask does not "
                    "(\"[lL]\" or a leading \"(?i)\" take both)");
      if (!reduced) return Note(action, "a regex that is no mask");
      masks = std::move(*reduced);
    }

    const std::string path = Trim(action.attribute("path").value());
    if (path.empty()) return Note(action, "no path");
    const std::size_t before = item.Folders.size();
    for (const std::string& source : Substituted(action, path)) {
      const WindowsPath target = ToWindows(source, machine_);
      if (!target.Refused.empty()) {
        Note(action, source + ": " + target.Refused);
        continue;
      }
      // A walk of files alone leaves the folders; walk.all and walk.top remove them.
      if (walk)
        AddMasks(item, source, target.Text, masks, "*.*", true,
                 search != "walk.files" && type != "f");
      else if (const std::string refused = AddFiles(item, source, target, masks, search == "glob");
               !refused.empty())
        Note(action, source + ": " + refused);
    }
    if (!walk || item.Folders.size() == before) return;
    Note(action,
         "names beginning with \".\" are left: such files, and every folder below of such "
         "a name");
    if (search == "walk.top") Note(action, "the folder itself stays");
  }

  // Adds the entry unless the option has one that takes the same files already.
  void Add(ConvertedItem& item, tChildFolder entry) {
    entry.IsActive = true;
    std::string key = {static_cast<char>(entry.Kind), entry.IncludeSubfolders ? '1' : '0',
                       entry.RemoveEmptiedFolders ? '1' : '0'};
    key += entry.DeletePath + '\0' + entry.DeleteFileName;
    if (entriesSeen_.insert(std::move(key)).second) item.Folders.push_back(std::move(entry));
  }

  // Entries of kind FolderMask in `folder`: one for each mask of a regex, else one for `mask`.
  void AddMasks(ConvertedItem& item, const std::string& source, const std::string& folder,
                const std::vector<std::string>& masks, const std::string& mask, bool walk,
                bool removeEmptied) {
    for (const std::string& each : masks.empty() ? std::vector<std::string>{mask} : masks) {
      tChildFolder entry;
      entry.Name = masks.empty() ? source : source + " (" + each + ")";
      entry.Kind = FolderKind::FolderMask;
      entry.DeletePath = IncludeTrailingBackslash(folder) + each;
      entry.IncludeSubfolders = walk;
      entry.RemoveEmptiedFolders = removeEmptied;
      Add(item, std::move(entry));
    }
  }

  // One file, or the files a glob's last level matches; or why neither.
  std::string AddFiles(ConvertedItem& item, const std::string& source, const WindowsPath& target,
                       const std::vector<std::string>& masks, bool glob) {
    if (!target.HasLevel) return "names no file";
    const std::size_t cut = target.Text.rfind('\\');
    const std::string last = target.Text.substr(cut + 1);
    if (!masks.empty()) {
      // A regex narrows the names a glob's "*" matches; beside any other name it has no mask.
      if (!glob || last != "*") return "a regex beside a name or mask";
      for (const std::string& mask : masks)
        if (mask.starts_with("."))
          return "the regex takes names beginning with \".\", the glob not";
    }
    if (!masks.empty() || HoldsWildcard(target.Text)) {
      AddMasks(item, source, target.Text.substr(0, cut), masks, last, false, false);
      return "";
    }
    tChildFolder entry;
    entry.Name = source;
    entry.Kind = FolderKind::SingleFile;
    entry.DeleteFileName = target.Text;
    Add(item, std::move(entry));
    return "";
  }

  std::string_view xml_;
  const DefinitionMachine& machine_;
  std::vector<std::size_t> lineEnds_;
  ConvertedDefinitions out_;
  std::string label_;
  std::map<std::string, std::vector<std::string>> variables_;
  // Of the option being read: its folder entries (as Add compares them) and the paths its <var>
  // values gave.
  std::unordered_set<std::string> entriesSeen_;
  std::size_t variablePaths_ = 0;
  bool descriptionNoted_ = false;
};

}  // namespace

ConvertedDefinitions ReadCleanerMl(std::string_view xml, const DefinitionMachine& machine) {
  const std::string marked = MarkControlReferences(xml);
  return Reader(marked, machine).Read();
}

}  // namespace vorlisk::formats
