#include "model/formats/ini_definitions.h"

#include <optional>

#include "platform/ini_document.h"
#include "platform/reg_text.h"
#include "platform/text.h"

namespace vorlisk::formats {

namespace {

using KeyLine = platform::IniDocument::KeyLine;

// "FileKey12" -> true for "FileKey"; "Detect" alone counts when `bare`.
bool IsKey(std::string_view key, std::string_view name, bool bare = false) {
  if (key.size() < name.size() || !SameTextAZ(key.substr(0, name.size()), name)) return false;
  const std::string_view digits = key.substr(name.size());
  if (digits.empty()) return bare;
  return digits.find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t cut = text.find(separator);
    parts.push_back(Trim(text.substr(0, cut)));
    if (cut == std::string_view::npos) return parts;
    text.remove_prefix(cut + 1);
  }
}

// A key's root written short, as the definitions do ("HKCU\Software\X"), in full, without blanks
// around it, a trailing "\" or empty levels (as the registry reads it, and as its levels count).
std::string FullRegistryKey(std::string_view written) {
  const std::string normalized = platform::NormalizedRegistryPath(written);
  const std::string_view key = normalized;
  static constexpr std::pair<std::string_view, std::string_view> kRoots[] = {
      {"HKCU", "HKEY_CURRENT_USER"},
      {"HKLM", "HKEY_LOCAL_MACHINE"},
      {"HKCR", "HKEY_CLASSES_ROOT"},
      {"HKU", "HKEY_USERS"},
      {"HKCC", "HKEY_CURRENT_CONFIG"}};
  const std::size_t cut = key.find('\\');
  const std::string_view root = key.substr(0, cut);
  for (const auto& [brief, full] : kRoots)
    if (SameTextAZ(root, brief))
      return std::string(full) + std::string(cut == std::string_view::npos ? "" : key.substr(cut));
  return std::string(key);
}

// Why a folder written in a definition cannot be an entry's folder, or "" when it can: it must
// begin with a user folder (%Name%) or a drive, hold no other variable, and have no "." or ".."
// level.
std::string FolderProblem(std::string_view folder) {
  if (folder.empty()) return "no folder";
  std::size_t rest = 0;
  if (folder[0] == '%') {
    const std::size_t close = folder.find('%', 1);
    if (close == std::string_view::npos || close == 1) return "an unclosed variable";
    rest = close + 1;
  } else if (!(folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\')) {
    return "a folder that is neither a user folder nor a drive's";
  }
  if (folder.find('%', rest) != std::string_view::npos)
    return "a variable after the start of the path";
  if (HoldsDotLevel(folder)) return "a \".\" or \"..\" level";
  return "";
}

std::string ItemName(std::string_view section) {
  std::string name = Trim(section);
  if (name.size() > 2 && name.ends_with(" *")) name = Trim(name.substr(0, name.size() - 2));
  return name;
}

class SectionReader {
 public:
  SectionReader(const platform::IniDocument::SectionLines& section,
                const DefinitionMachine& machine, ConvertedDefinitions& out)
      : section_(section), machine_(machine), out_(out), notesBefore_(out.Notes.size()) {}

  void Read() {
    if (HoldsControl(section_.name)) {
      out_.Notes.push_back(
          {section_.line, "[" + section_.name + "]", "left out: a control character in its name"});
      return;
    }
    ConvertedItem item;
    item.Name = ItemName(section_.name);
    item.Line = section_.line;
    bool defaultOn = false, warning = false, detections = false, detected = false;
    std::optional<bool> osHolds;
    std::vector<std::string> excludes;
    std::vector<std::string> excludedKeys;
    std::vector<const KeyLine*> fileKeys, regKeys;
    bool lostExclusion = false;
    for (const auto& key : section_.keys) {
      const std::string& name = key.name;
      if (name.empty() || name[0] == ';') continue;  // a comment that holds "="
      if (HoldsControl(name) || HoldsControl(key.value)) {
        // Refused, and never taken as less than it says: an exclusion not honoured would let
        // the entries take more, a detection not read counts as one that does not hold, a
        // warning still warns.
        Note(key, "a control character: not converted");
        lostExclusion = lostExclusion || IsKey(name, "ExcludeKey");
        detections = detections || IsKey(name, "DetectFile", true) || IsKey(name, "Detect", true);
        if (SameTextAZ(name, "DetectOS")) osHolds = machine_.Os == "windows";
        warning = warning || SameTextAZ(name, "Warning");
        continue;
      }
      if (IsKey(name, "FileKey")) {
        fileKeys.push_back(&key);
      } else if (IsKey(name, "RegKey")) {
        regKeys.push_back(&key);
      } else if (IsKey(name, "ExcludeKey")) {
        Exclusion(key, excludes, excludedKeys);
      } else if (IsKey(name, "DetectFile", true)) {
        detections = true;
        detected = detected || (machine_.PathExists && machine_.PathExists(key.value));
      } else if (IsKey(name, "Detect", true)) {
        detections = true;
        detected =
            detected || (machine_.KeyExists && machine_.KeyExists(FullRegistryKey(key.value)));
      } else if (SameTextAZ(name, "DetectOS")) {
        osHolds = machine_.Os == "windows";
      } else if (SameTextAZ(name, "Default")) {
        defaultOn = SameTextAZ(key.value, "True") || key.value == "1";
      } else if (SameTextAZ(name, "Warning")) {
        warning = true;
        item.Warning = key.value;
      } else if (SameTextAZ(name, "LangSecRef") || SameTextAZ(name, "Section")) {
        // The group a cleaner shows the section in: the item list has no groups.
      } else {
        Note(key, "a key this program does not know: not converted");
      }
    }
    const bool applies = (!osHolds || *osHolds) && (!detections || detected);
    if (!applies && !machine_.All) {
      // The section is reported as a whole: what its keys would have given does not matter.
      out_.Notes.resize(notesBefore_);
      out_.Notes.push_back({section_.line, "[" + section_.name + "]",
                            osHolds && !*osHolds ? "left out: for Windows"
                                                 : "left out: not detected on this machine"});
      return;
    }
    if (lostExclusion) {
      out_.Notes.push_back({section_.line, "[" + section_.name + "]",
                            "left out: an exclusion could not be converted"});
      return;
    }
    for (const KeyLine* key : fileKeys) FileKey(*key, excludes, item);
    for (const KeyLine* key : regKeys) RegKey(*key, excludedKeys, item);
    FitToItemFile(item, out_.Notes);
    if (item.Folders.empty() && item.Registers.empty()) {
      out_.Notes.push_back(
          {section_.line, "[" + section_.name + "]", "left out: nothing in it could be converted"});
      return;
    }
    item.Active = defaultOn && !warning;
    out_.Items.push_back(std::move(item));
  }

 private:
  void Note(const KeyLine& key, std::string reason) {
    out_.Notes.push_back({key.line, key.name + "=" + key.value, std::move(reason)});
  }

  void Exclusion(const KeyLine& key, std::vector<std::string>& excludes,
                 std::vector<std::string>& excludedKeys) {
    const auto parts = Split(key.value, '|');
    const std::string kind = UpperAZ(parts[0]);
    if (kind == "REG" && parts.size() >= 2 && parts.size() <= 3 && !parts[1].empty()) {
      // The key, and after a "|" the one value kept.
      excludedKeys.push_back(UpperAZ(FullRegistryKey(parts[1])) +
                             (parts.size() == 3 ? "|" + UpperAZ(parts[2]) : ""));
      return;
    }
    if ((kind != "FILE" && kind != "PATH") || parts.size() < 2 || parts.size() > 3) {
      Note(key, "an exclusion of a form this program does not know: not converted");
      return;
    }
    std::string folder = parts[1];
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    if (const std::string problem = FolderProblem(folder); !problem.empty()) {
      Note(key, "an exclusion with " + problem + ": not converted");
      return;
    }
    if (kind == "PATH") {
      // The folder and everything below: with masks too, the whole folder is kept.
      excludes.push_back(folder + "\\");
      if (parts.size() == 3)
        Note(key, "converted: the whole folder is excluded, whatever its masks");
      return;
    }
    if (parts.size() < 3) {
      Note(key, "an exclusion of files without a file name: not converted");
      return;
    }
    for (const auto& mask : Split(parts[2], ';'))
      if (!mask.empty()) excludes.push_back(folder + "\\" + mask);
  }

  void FileKey(const KeyLine& key, const std::vector<std::string>& excludes, ConvertedItem& item) {
    const auto parts = Split(key.value, '|');
    std::string folder = parts[0];
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    if (const std::string problem = FolderProblem(folder); !problem.empty()) {
      Note(key, "a path with " + problem + ": not converted");
      return;
    }
    bool recurse = false, removeSelf = false;
    for (std::size_t i = 2; i < parts.size(); ++i) {
      if (SameTextAZ(parts[i], "RECURSE")) {
        recurse = true;
      } else if (SameTextAZ(parts[i], "REMOVESELF")) {
        removeSelf = true;
      } else {
        Note(key, "the flag \"" + parts[i] + "\" is not known: not converted");
        return;
      }
    }
    std::vector<std::string> masks = Split(parts.size() > 1 ? parts[1] : "*.*", ';');
    std::erase(masks, std::string());
    if (masks.empty()) masks.push_back("*.*");
    std::string exclude;
    for (const auto& pattern : excludes) exclude += (exclude.empty() ? "" : "|") + pattern;
    for (const auto& mask : masks) {
      if (mask.find_first_of("\\/:") != std::string::npos) {
        Note(key, "the mask \"" + mask + "\" holds a folder: not converted");
        continue;
      }
      tChildFolder entry;
      entry.Name = key.name + (masks.size() > 1 ? " " + mask : "");
      entry.IsActive = true;
      entry.Kind = FolderKind::FolderMask;
      entry.DeletePath = (folder.back() == '\\' ? folder : folder + "\\") + mask;
      entry.IncludeSubfolders = recurse || removeSelf;
      entry.RemoveEmptiedFolders = removeSelf;
      entry.Exclude = exclude;
      item.Folders.push_back(std::move(entry));
    }
    if (removeSelf)
      Note(key, "converted: emptied folders below it are removed, the folder itself stays");
  }

  void RegKey(const KeyLine& key, const std::vector<std::string>& excludedKeys,
              ConvertedItem& item) {
    const auto parts = Split(key.value, '|');
    if (parts[0].empty() || parts.size() > 2) {
      Note(key, "a registry key of a form this program does not know: not converted");
      return;
    }
    const std::string full = FullRegistryKey(parts[0]);
    const std::string upper = UpperAZ(full);
    for (const auto& excluded : excludedKeys) {
      // A whole key takes every key and value below it; one value, only itself.
      const bool takes = parts.size() == 2
                             ? excluded == upper || excluded == upper + "|" + UpperAZ(parts[1])
                             : excluded == upper || excluded.starts_with(upper + "\\") ||
                                   excluded.starts_with(upper + "|");
      if (takes) {
        Note(key, "a registry key that an exclusion of the section keeps in part: not converted");
        return;
      }
    }
    tChildRegister entry;
    entry.Name = key.name;
    entry.IsActive = true;
    entry.RegisterKeyName = full;
    if (parts.size() == 2) {
      entry.CleanType = CleanRegisterType::SingleValue;
      entry.RegisterSingleValue = parts[1];
    } else {
      entry.CleanType = CleanRegisterType::WholeKey;
    }
    item.Registers.push_back(std::move(entry));
  }

  const platform::IniDocument::SectionLines& section_;
  const DefinitionMachine& machine_;
  ConvertedDefinitions& out_;
  std::size_t notesBefore_;
};

}  // namespace

ConvertedDefinitions ReadIniDefinitions(std::string_view text, const DefinitionMachine& machine) {
  ConvertedDefinitions out;
  bool utf16 = false;
  const auto document = platform::IniDocument::Parse(platform::DecodeProfileText(text, utf16));
  for (const auto& section : document.AllSections()) SectionReader(section, machine, out).Read();
  return out;
}

}  // namespace vorlisk::formats
