#include "app/plugins.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/find_file.h"
#include "engine/folder_entries.h"
#include "engine/registry_entries.h"
#include "model/catalogue.h"
#include "model/formats/cleanerml.h"
#include "model/formats/ini_definitions.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "platform/reg_text.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/user_folders.h"

namespace vorlisk {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  const std::string fa = platform::FullPathName(a), fb = platform::FullPathName(b);
  if (SameTextAZ(fa, fb)) return true;
  const auto sa = platform::GetFileStamp(fa), sb = platform::GetFileStamp(fb);
  return sa && sb && sa->device == sb->device && sa->inode == sb->inode;
}

// A name for the exported item that no item already in the file bears.
std::string FreeName(const std::string& file, const std::string& name) {
  if (!NameTaken(file, name)) return name;
  for (int n = 2;; ++n) {
    const std::string candidate = name + " (" + std::to_string(n) + ")";
    if (!NameTaken(file, candidate)) return candidate;
  }
}

// The user folders an imported host path may be stored below, with their host folders now.
using HostUserFolders = std::vector<std::pair<std::string, std::string>>;
HostUserFolders HostUserFoldersNow() {
  HostUserFolders folders;
  for (const char* variable : {"%Home%", "%Config%", "%Cache%", "%Data%", "%State%", "%Runtime%"}) {
    const auto windows = ExpandUserFolder(variable);
    const auto host = windows ? platform::ToHostPath(*windows) : std::nullopt;
    if (!host || host->empty() || *host == "/") continue;
    std::string folder = *host;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folders.emplace_back(variable, folder);
  }
  return folders;
}

// A host path as an import stores it: below the user folder that holds it most closely
// ("/home/ana/.config/x" as "%Config%\x"), else on a drive that names the same folder in every
// run; "" when neither holds it. A letter handed out to a folder for this run only is never
// written: the next run may give it to another folder, which the entry would then wash.
std::string StoredWindowsText(const HostUserFolders& folders, const std::string& hostPath) {
  std::string best;
  std::size_t bestLength = 0;
  for (const auto& [variable, folder] : folders) {
    const bool inside = hostPath.starts_with(folder) &&
                        (hostPath.size() == folder.size() || hostPath[folder.size()] == '/');
    if (!inside || folder.size() <= bestLength) continue;
    bestLength = folder.size();
    best = variable;
    for (const char c : std::string_view(hostPath).substr(folder.size()))
      best += c == '/' ? '\\' : c;
  }
  if (!best.empty()) return best;
  return platform::ToFixedWindowsPath(hostPath).value_or("");
}

// Why an imported entry naming `text` may not be kept, or "": it begins with a drive letter that
// does not name the same folder in every run (handed out for this run, or not mapped at all).
std::string TransientDrive(std::string_view text) {
  if (text.size() < 2 || text[1] != ':' || platform::DriveIsFixed(text[0])) return "";
  return "the drive " + std::string(text.substr(0, 2)) +
         " is not fixed (VORLISK_DRIVES): another run may give it to another folder";
}

// What detection asks of this machine: files and folders through the user folders and the drive
// letters, registry keys through the registry.
formats::DefinitionMachine ThisMachine(const ImportOptions& options) {
  formats::DefinitionMachine machine;
  machine.All = options.All;
#ifdef _WIN32
  machine.Os = "windows";
#else
  machine.Os = "linux";
#endif
  machine.PathExists = [](const std::string& written) {
    const auto path = ExpandUserFolder(WithBackslashes(written));
    if (!path || path->size() < 3 || HoldsDotLevel(*path)) return false;
    std::string trimmed = *path;
    while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
    if (trimmed.find_first_of("*?") == std::string::npos)
      return platform::FileAttributesOf(trimmed).has_value();
    bool found = false;
    platform::FindFiles(trimmed, [&found](const platform::FindData&) {
      found = true;
      return false;
    });
    return found;
  };
  machine.KeyExists = [](const std::string& key) {
    platform::Registry registry;
    const std::string subkey = ResolveRootKey(registry, key);
    return !subkey.empty() && registry.KeyExists(subkey);
  };
  machine.HostToWindows = [folders = HostUserFoldersNow()](const std::string& hostPath) {
    return StoredWindowsText(folders, hostPath);
  };
  return machine;
}

formats::ConvertedDefinitions Convert(formats::DefinitionFormat format, const std::string& bytes,
                                      const ImportOptions& options) {
  const formats::DefinitionMachine machine = ThisMachine(options);
  if (format == formats::DefinitionFormat::IniDefinitions)
    return formats::ReadIniDefinitions(bytes, machine);
  return formats::ReadCleanerMl(bytes, machine);
}

// ExpandUserFolder for many paths: each user folder is read from the registry once.
class UserFolderCache {
 public:
  std::optional<std::string> Expand(const std::string& text) {
    if (text.empty() || text[0] != '%') return text;
    const std::size_t close = text.find('%', 1);
    if (close == std::string::npos) return std::nullopt;
    const std::string variable = text.substr(0, close + 1);
    auto found = values_.find(UpperAZ(variable));
    if (found == values_.end())
      found = values_.emplace(UpperAZ(variable), ExpandUserFolder(variable)).first;
    if (!found->second) return std::nullopt;
    const std::string rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != '\\') return std::nullopt;
    const std::string& folder = *found->second;
    return !rest.empty() && folder.back() == '\\' ? folder + rest.substr(1) : folder + rest;
  }

 private:
  std::map<std::string, std::optional<std::string>> values_;
};

// Does the mask take more than files of one name? A mask without a wildcard names one file, and
// one that begins with "." and a letter (".xsession-errors*") hidden files of one stem, an
// application's own; any other wildcard may take the user's own files.
bool BroadMask(std::string_view mask) {
  if (mask.find_first_of("*?") == std::string_view::npos) return false;
  return mask.size() < 2 || mask[0] != '.' || mask[1] == '*' || mask[1] == '?' || mask[1] == '.';
}

// Why an imported folder entry may not be kept, or "": it climbs with "..", or it could reach the
// user's own files: with its subfolders, a walk of a drive's root, the home, a top-level user
// folder or a folder holding one (GuardedFolders: by their variables' names, and by the identity
// of the folders the walk would open now, however the text spells them); without them, a broad
// mask in one of those folders. One named file there is no such reach.
std::string UnsafeFolderEntry(const tChildFolder& entry, UserFolderCache& folders,
                              const platform::GuardedFolders& guarded) {
  const std::string path = WithBackslashes(
      entry.Kind == FolderKind::SingleFile ? entry.DeleteFileName : entry.DeletePath);
  if (formats::HoldsControl(entry.Name) || formats::HoldsControl(path) ||
      formats::HoldsControl(entry.Exclude))
    return "a control character, which no item file line can hold";
  if (HoldsDotLevel(path)) return "a path with a \".\" or \"..\" level";
  const bool walk = entry.IncludeSubfolders;
  const std::string mask = ExtractFileName(path);
  if (!walk && !BroadMask(mask)) return "";
  // The folder before the first wildcard level: a walk takes it whole, and a broad mask below its
  // wildcard levels takes files of folders the source never named.
  std::string folder = ExtractFilePath(path);
  const std::size_t wild = folder.find_first_of("*?");
  if (wild != std::string::npos) folder = folder.substr(0, folder.rfind('\\', wild) + 1);
  std::string bare = folder;
  while (bare.size() > 1 && bare.back() == '\\') bare.pop_back();
  const auto reach = [&](const std::string& what) {
    return walk ? "it would reach every file of " + what
                : "its mask " + mask + " could reach your own files in " + what;
  };
  static constexpr std::string_view kTopFolders[] = {
      "%Home%",     "%UserProfile%", "%Documents%", "%Desktop%", "%Downloads%", "%Music%",
      "%Pictures%", "%Videos%",      "%Video%",     "%Public%",  "%Templates%", "%Personal%"};
  for (const auto top : kTopFolders)
    if (SameTextAZ(bare, top)) return reach(bare);
  if (bare.size() == 2 && bare[1] == ':') return "it would reach the drive's root " + folder;
  const auto expanded = folders.Expand(folder);
  if (expanded && expanded->size() <= 3) return "it would reach a drive's root";
  // The folders the walk would open now, whatever the case or the wildcard levels of the text.
  if (const auto target = folders.Expand(path)) {
    if (const auto refused = TFindFile::GuardOf(*target, walk, guarded))
      return reach(refused->Name + " (" + refused->Folder + ")");
    // Nor may an imported entry start its wildcard levels in such a folder, even narrowed by a
    // literal level after them: they guess at folders of the user's own.
    if (wild != std::string::npos && expanded)
      if (const auto refused = TFindFile::GuardOf(*expanded + "*", false, guarded))
        return "its wildcard levels would reach the folders of " + refused->Name + " (" +
               refused->Folder + ")";
  }
  return "";
}

// Takes out of the converted items every entry that may not be kept, with a note each; an item
// left with no entry goes too.
void RefuseUnsafe(formats::ConvertedDefinitions& converted) {
  UserFolderCache folders;
  const auto guarded = platform::GuardedFolders::Now();
  for (auto& item : converted.Items) {
    std::erase_if(item.Folders, [&](const tChildFolder& entry) {
      std::string problem = TransientDrive(entry.DeletePath);
      if (problem.empty()) problem = TransientDrive(entry.DeleteFileName);
      for (std::size_t at = 0; problem.empty() && at <= entry.Exclude.size();) {
        const std::size_t bar = std::min(entry.Exclude.find('|', at), entry.Exclude.size());
        problem = TransientDrive(Trim(std::string_view(entry.Exclude).substr(at, bar - at)));
        at = bar + 1;
      }
      if (problem.empty()) problem = UnsafeFolderEntry(entry, folders, guarded);
      if (!problem.empty())
        converted.Notes.push_back(
            {item.Line,
             item.Name + ": " +
                 (entry.Kind == FolderKind::SingleFile ? entry.DeleteFileName : entry.DeletePath),
             "refused: " + problem});
      return !problem.empty();
    });
    std::erase_if(item.Registers, [&](const tChildRegister& entry) {
      // A root, or a key right below one (HKEY_CURRENT_USER\Software), is no application's.
      const std::string key = platform::NormalizedRegistryPath(entry.RegisterKeyName);
      const bool broad = entry.CleanType != CleanRegisterType::SingleValue &&
                         std::count(key.begin(), key.end(), '\\') < 2;
      const bool control = formats::HoldsControl(entry.Name) || formats::HoldsControl(key) ||
                           formats::HoldsControl(entry.RegisterSingleValue);
      if (broad || control)
        converted.Notes.push_back(
            {item.Line, item.Name + ": " + key,
             control ? "refused: a control character, which no item file line can hold"
                     : "refused: it would delete a whole root or its first level"});
      return broad || control;
    });
  }
  std::erase_if(converted.Items, [&](const formats::ConvertedItem& item) {
    const bool empty = item.Folders.empty() && item.Registers.empty();
    if (empty)
      converted.Notes.push_back({item.Line, item.Name, "left out: every entry was refused"});
    return empty;
  });
}

}  // namespace

ImportResult ImportPlugin(MainSession& session, const std::string& source,
                          const ImportOptions& options, ImportReport* report) {
  ImportReport scratch;
  ImportReport& r = report ? *report : scratch;
  r = {};
  const std::string folder = session.ProgramFolder() + std::string(kPluginFolder);
  const std::string name = ExtractFileName(platform::FullPathName(source));
  const auto bytes = platform::ReadFileBytes(source);
  r.Format = bytes ? formats::DetectDefinitionFormat(*bytes) : formats::DefinitionFormat::Unknown;
  const bool convert = r.Format == formats::DefinitionFormat::IniDefinitions ||
                       r.Format == formats::DefinitionFormat::CleanerMl;
  formats::ConvertedDefinitions converted;
  if (convert) {
    converted = Convert(r.Format, *bytes, options);
    RefuseUnsafe(converted);
    r.Notes = converted.Notes;
    std::stable_sort(r.Notes.begin(), r.Notes.end(),
                     [](const auto& a, const auto& b) { return a.Line < b.Line; });
    for (const auto& item : converted.Items) {
      ++r.Items;
      r.FolderEntries += static_cast<int32_t>(item.Folders.size());
      r.RegistryEntries += static_cast<int32_t>(item.Registers.size());
    }
  }
  const std::size_t dot = name.rfind('.');
  r.Target = folder + (convert ? name.substr(0, dot) + ".txt" : name);
  if (convert && converted.Items.empty()) return ImportResult::NothingConverted;
  if (platform::FileExists(r.Target) &&
      !(session.Ui().Ask &&
        session.Ui().Ask("The file '" + r.Target + "' already exists! OverWrite?")))
    return ImportResult::Declined;
  // The copy or the converted file, the order file and the reload form one change of the
  // program's files.
  EditProgramFiles(session, [&] {
    if (!platform::DirectoryExists(folder)) platform::MakeDirectory(folder);
    bool written = true;
    if (convert)
      formats::WriteConvertedItems(r.Target, converted.Items);
    else if (!SameFile(source, r.Target))
      written = platform::CopyFileTo(source, r.Target, false);
    // Marks and moves made since the order file was last written are kept over the reload.
    session.SaveOrderFile();
    session.ReloadCatalogue(0);
    if (!written) throw Error("Unable to copy " + source + " to " + r.Target);
  });
  return ImportResult::Imported;
}

std::string ImportReport::Summary(const std::string& source) const {
  const auto count = [](int32_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string text =
      source + " (" +
      (Format == formats::DefinitionFormat::CleanerMl ? "CleanerML" : "INI-style definitions") +
      "): " + count(Items, "item", "items") + " with " +
      count(FolderEntries, "folder entry", "folder entries") + " and " +
      count(RegistryEntries, "registry entry", "registry entries") +
      (Items > 0 ? ", written to " + Target + "." : "; nothing was imported.");
  if (!Notes.empty())
    text += " " + count(static_cast<int32_t>(Notes.size()), "construct was", "constructs were") +
            " not converted or left out.";
  return text;
}

std::string ImportReport::Details() const {
  std::string text;
  for (const auto& note : Notes) {
    // One line a note, whatever the source held: a control character shows as "?".
    std::string what = note.What;
    for (char& c : what)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    text += (note.Line > 0 ? "line " + std::to_string(note.Line) + ": " : std::string()) + what +
            ": " + note.Reason + "\n";
  }
  return text;
}

bool ImportAddedItems(const MainSession& session, const std::string& source) {
  const std::string copy =
      std::string(kPluginFolder) + ExtractFileName(platform::FullPathName(source));
  return std::any_of(session.Items().Items.begin(), session.Items().Items.end(),
                     [&copy](const titem_property& item) {
                       return item.ItemFile.size() >= copy.size() &&
                              SameTextAZ(item.ItemFile.substr(item.ItemFile.size() - copy.size()),
                                         copy);
                     });
}

int ExportPlugin(MainSession& session, const std::string& target) {
  const std::string& pf = session.ProgramFolder();
  // The export deletes its target first: none of the program's own files may be that target
  // (replacing the lock file would let two processes hold the folder's lock at once).
  std::vector<std::string> own = ProgramOwnFiles(pf);
  own.push_back(pf + std::string(kSystemItemFile));
  own.push_back(pf + std::string(kUserItemFile));
  for (const auto& item : session.Items().Items) own.push_back(item.ItemFile);
  for (const auto& file : own)
    if (!file.empty() && file.back() != '\\' && SameFile(target, file))
      throw Error("The file '" + target +
                  "' is one of the program's own files; choose another file to export to.");

  if (session.Ui().Inform)
    session.Ui().Inform(
        "Note: The Wash Items created by software author will not be include when export!");
  // The export reads the item files and writes the target as one change (never across the note).
  const platform::ProgramFolderLock lock;
  // The export starts from an empty file: a target that cannot be deleted (read-only, a folder)
  // would have its old items merged with the new ones.
  if (platform::FileAttributesOf(target) && !platform::RemoveFile(target)) throw WriteError(target);

  const std::string shipped = pf + std::string(kSystemItemFile);
  // The item list is not redrawn while the export walks through its rows.
  const MainSession::HoldNotifications hold(session);
  int exported = 0;
  for (int32_t i = 0; i < session.ChListBoxItem().Count(); ++i) {
    if (!session.ChListBoxItem().Checked(i)) continue;
    session.SelectItem(i);
    if (!session.Current() || session.Current()->Item.ItemFile == shipped) continue;
    tItemContent copy = *session.Current();  // the current item stays bound to its own file
    copy.SaveAsNew(target, FreeName(target, copy.Item.Name), copy.Item.IsActive);
    ++exported;
  }
  return exported;
}

}  // namespace vorlisk
