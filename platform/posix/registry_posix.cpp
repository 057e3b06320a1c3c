// POSIX only: the registry accessor over the emulated store. The store is one RegistryTree kept
// in memory and persisted as ".reg" text (the export layout) in the file set by SetRegistryFile:
// saved atomically after each change (once per outermost RegistryBatch) and read again whenever
// the file's stamp shows that something else changed it.
#include <mutex>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/registry_tree.h"

namespace vorlisk::platform {

namespace {

struct Store {
  std::mutex mutex;
  RegistryTree tree;
  std::string file;                // Windows path text; empty: kept in memory only
  std::optional<FileStamp> stamp;  // of the file as last read or written
  // Why the file could not be read ("FILE: Line N: ..."). Every read and every change then raises
  // RegistryStoreError with it: a file we do not understand is neither taken for an empty registry
  // nor overwritten.
  std::optional<std::string> broken;
  int batchDepth = 0;
  bool unsaved = false;  // the tree holds changes the file does not have yet
};

Store& TheStore() {
  static Store store;
  return store;
}

std::unique_lock<std::mutex> Lock() { return std::unique_lock(TheStore().mutex); }

// Applies ".reg" text to a copy of the tree, so that a bad line changes nothing.
RegistryTree Applied(const RegistryTree& base, std::string_view text) {
  RegistryTree copy = base;
  for (const RegOperation& op : ParseRegText(text)) copy.Apply(op);
  return copy;
}

void Load(Store& s, std::optional<FileStamp> stamp) {
  s.stamp = stamp;
  s.broken.reset();
  s.unsaved = false;
  s.tree = RegistryTree();
  if (!stamp) return;  // no file yet: an empty registry
  const auto bytes = ReadFileBytes(s.file);
  try {
    if (!bytes) throw Error("Unable to read the file");
    s.tree = Applied(RegistryTree(), *bytes);
  } catch (const Error& e) {
    s.broken = s.file + ": " + e.what();
  }
}

// Reads the file again when it changed on disk, unless the tree holds changes of our own. Throws
// RegistryStoreError when the file cannot be understood.
Store& Fresh() {
  Store& s = TheStore();
  if (!s.file.empty() && !s.unsaved) {
    const auto now = GetFileStamp(s.file);
    if (now != s.stamp) Load(s, now);
  }
  if (s.broken) throw RegistryStoreError(*s.broken);
  return s;
}

void Save(Store& s) {
  if (!s.file.empty()) {
    WriteFileAtomically(s.file, s.tree.ExportAll());
    s.stamp = GetFileStamp(s.file);
  }
  s.unsaved = false;
}

// After a change: saves now, or when the outermost batch ends. A failed save throws WriteError
// and leaves the change to be saved by the next save.
void Changed(Store& s) {
  s.unsaved = true;
  if (s.batchDepth == 0) Save(s);
}

// Resolves a path as the accessor does: a leading "\" makes it absolute to the root, otherwise it
// is relative to the open key (or the root); trailing backslashes are dropped. nullopt for a path
// with an empty level.
std::optional<std::string> Resolve(std::string_view path, bool open, const std::string& openPath) {
  const bool absolute = !path.empty() && path.front() == '\\';
  if (absolute) path.remove_prefix(1);
  if (!SplitRegistryPath(path)) return std::nullopt;
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (absolute || !open || openPath.empty()) return std::string(path);
  if (path.empty()) return openPath;
  return openPath + "\\" + std::string(path);
}

}  // namespace

Registry::Registry() = default;
Registry::~Registry() = default;

void Registry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

bool Registry::OpenKey(std::string_view path, bool canCreate) {
  std::optional<ProgramFolderLock> folderLock;
  if (canCreate) folderLock.emplace();
  auto lock = Lock();
  Store& s = Fresh();
  const auto full = Resolve(path, open_, openPath_);
  CloseKey();
  if (!full) return false;
  if (!s.tree.Find(root_, *full)) {
    if (!canCreate || !s.tree.Create(root_, *full)) return false;
    Changed(s);
  }
  open_ = true;
  openPath_ = *full;
  return true;
}

void Registry::CloseKey() {
  open_ = false;
  openPath_.clear();
}

bool Registry::HasOpenKey() const { return open_; }

std::string Registry::CurrentPath() const { return openPath_; }

namespace {
// The open key of an accessor; nullptr when none is open or it was deleted since.
RegistryTree::Key* OpenedKey(bool open, RootKey root, const std::string& path) {
  return open ? Fresh().tree.Find(root, path) : nullptr;
}
}  // namespace

std::vector<std::string> Registry::GetKeyNames() const {
  auto lock = Lock();
  std::vector<std::string> names;
  if (const auto* key = OpenedKey(open_, root_, openPath_))
    for (const auto& entry : key->subkeys) names.push_back(entry.second->name);
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  auto lock = Lock();
  std::vector<std::string> names;
  if (const auto* key = OpenedKey(open_, root_, openPath_))
    for (const RegValue& v : key->values) names.push_back(v.name);
  return names;
}

bool Registry::HasSubKeys() const {
  auto lock = Lock();
  const auto* key = OpenedKey(open_, root_, openPath_);
  return key && !key->subkeys.empty();
}

bool Registry::ValueExists(std::string_view name) const { return GetDataType(name).has_value(); }

std::optional<uint32_t> Registry::GetDataType(std::string_view name) const {
  auto lock = Lock();
  const auto* key = OpenedKey(open_, root_, openPath_);
  const RegValue* v = key ? key->FindValue(name) : nullptr;
  if (!v) return std::nullopt;
  return v->type;
}

std::optional<std::vector<uint8_t>> Registry::ReadBinary(std::string_view name) const {
  auto lock = Lock();
  const auto* key = OpenedKey(open_, root_, openPath_);
  const RegValue* v = key ? key->FindValue(name) : nullptr;
  if (!v) return std::nullopt;
  return v->data;
}

std::string Registry::ReadString(std::string_view name) const {
  auto lock = Lock();
  const auto* key = OpenedKey(open_, root_, openPath_);
  const RegValue* v = key ? key->FindValue(name) : nullptr;
  if (!v) return {};
  if (v->type != kRegSz && v->type != kRegExpandSz)
    throw RegistryError("Invalid data type for '" + std::string(name) + "'");
  std::string text(v->data.begin(), v->data.end());
  return text.substr(0, text.find('\0'));
}

void Registry::WriteString(std::string_view name, std::string_view value) {
  std::vector<uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  WriteValue(name, kRegSz, data);
}

void Registry::WriteValue(std::string_view name, uint32_t type, const std::vector<uint8_t>& data) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  auto* key = OpenedKey(open_, root_, openPath_);
  if (!key || !IsValidValueName(name))
    throw Error("Failed to set data for '" + std::string(name) + "'");
  key->SetValue(RegValue{std::string(name), type, data});
  Changed(s);
}

bool Registry::DeleteValue(std::string_view name) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  auto* key = OpenedKey(open_, root_, openPath_);
  if (!key || !key->DeleteValue(name)) return false;
  Changed(s);
  return true;
}

bool Registry::DeleteKey(std::string_view path) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  // An empty path would name the open key itself (or the root): refused, as RegDeleteKey does.
  const auto levels = SplitRegistryPath(path.starts_with('\\') ? path.substr(1) : path);
  const auto full = Resolve(path, open_, openPath_);
  if (!levels || levels->empty() || !full || !s.tree.DeleteEmptyKey(root_, *full)) return false;
  Changed(s);
  return true;
}

bool Registry::KeyExists(std::string_view path) const {
  auto lock = Lock();
  const auto full = Resolve(path, open_, openPath_);
  return full && Fresh().tree.Find(root_, *full) != nullptr;
}

RegistryBatch::RegistryBatch() {
  auto lock = Lock();
  ++TheStore().batchDepth;
}

RegistryBatch::~RegistryBatch() {
  auto lock = Lock();
  Store& s = TheStore();
  if (--s.batchDepth > 0 || !s.unsaved) return;
  try {
    Save(s);
  } catch (const Error&) {
    // Nothing may leave a destructor: the changes stay unsaved and the next save writes them.
  }
}

void RegistryBatch::Commit() {
  auto lock = Lock();
  Store& s = TheStore();
  if (s.batchDepth == 1 && s.unsaved) Save(s);
}

void SetRegistryFile(std::string_view path) {
  auto lock = Lock();
  Store& s = TheStore();
  s.file = path;
  Load(s, s.file.empty() ? std::nullopt : GetFileStamp(s.file));
}

std::string RegistryFile() {
  auto lock = Lock();
  return TheStore().file;
}

bool RegistryFileExists() {
  const std::string file = RegistryFile();
  return !file.empty() && GetFileStamp(file).has_value();
}

void ImportRegistryText(std::string_view text) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  s.tree = Applied(s.tree, text);
  Changed(s);
}

void ImportRegistryFile(std::string_view path) {
  const auto bytes = ReadFileBytes(path);
  if (!bytes) throw Error("Unable to read " + std::string(path));
  try {
    ImportRegistryText(*bytes);
  } catch (const WriteError&) {
    throw;
  } catch (const RegistryStoreError&) {
    throw;  // the store's own fault, not the imported file's
  } catch (const Error& e) {
    throw Error(std::string(path) + ": " + e.what());
  }
}

std::string ExportRegistryText(std::string_view keyPath) {
  auto lock = Lock();
  const RegistryTree& tree = Fresh().tree;
  if (keyPath.empty()) return tree.ExportAll();
  const auto slash = keyPath.find('\\');
  const auto root = RootKeyFromName(keyPath.substr(0, slash));
  std::optional<std::string> text;
  if (root)
    text = tree.Export(*root, slash == std::string_view::npos ? "" : keyPath.substr(slash + 1));
  if (!text) throw Error("The key " + std::string(keyPath) + " does not exist");
  return *text;
}

}  // namespace vorlisk::platform
