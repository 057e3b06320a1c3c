#include "app/plugins.h"

#include <algorithm>

#include "model/catalogue.h"
#include "platform/error.h"
#include "platform/file_lock.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/text.h"

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

}  // namespace

ImportResult ImportPlugin(MainSession& session, const std::string& source) {
  const std::string folder = session.ProgramFolder() + std::string(kPluginFolder);
  const std::string target = folder + ExtractFileName(platform::FullPathName(source));
  if (platform::FileExists(target) &&
      !(session.Ui().Ask &&
        session.Ui().Ask("The file '" + target + "' already exists! OverWrite?")))
    return ImportResult::Declined;
  // The copy, the order file and the reload form one change of the program's files.
  EditProgramFiles(session, [&] {
    if (!platform::DirectoryExists(folder)) platform::MakeDirectory(folder);
    const bool copied = !SameFile(source, target) && platform::CopyFileTo(source, target, false);
    // Marks and moves made since the order file was last written are kept over the reload.
    session.SaveOrderFile();
    session.ReloadCatalogue(0);
    if (!copied && !SameFile(source, target))
      throw Error("Unable to copy " + source + " to " + target);
  });
  return ImportResult::Imported;
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
