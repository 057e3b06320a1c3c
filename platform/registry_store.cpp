// The emulated registry store, and the parts of registry.h that are the same for every backend
// (the store file, batches, importing a file). Portable.
#include "platform/registry_store.h"

#include <mutex>

#include "platform/file_lock.h"
#include "platform/filesystem.h"
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

}  // namespace

namespace registry_store {

std::optional<std::string> ResolvePath(std::string_view path, bool open,
                                       const std::string& openPath) {
  const bool absolute = !path.empty() && path.front() == '\\';
  if (absolute) path.remove_prefix(1);
  if (!SplitRegistryPath(path)) return std::nullopt;
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (absolute || !open || openPath.empty()) return std::string(path);
  if (path.empty()) return openPath;
  return openPath + "\\" + std::string(path);
}

bool HasFile() {
  auto lock = Lock();
  return !TheStore().file.empty();
}

bool OpenKey(RootKey root, const std::string& path, bool canCreate) {
  std::optional<ProgramFolderLock> folderLock;
  if (canCreate) folderLock.emplace();  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  if (s.tree.Find(root, path)) return true;
  if (!canCreate || !s.tree.Create(root, path)) return false;
  Changed(s);
  return true;
}

bool KeyExists(RootKey root, const std::string& path) {
  auto lock = Lock();
  return Fresh().tree.Find(root, path) != nullptr;
}

std::vector<std::string> KeyNames(RootKey root, const std::string& path) {
  auto lock = Lock();
  std::vector<std::string> names;
  if (const auto* key = Fresh().tree.Find(root, path))
    for (const auto& entry : key->subkeys) names.push_back(entry.second->name);
  return names;
}

std::vector<std::string> ValueNames(RootKey root, const std::string& path) {
  auto lock = Lock();
  std::vector<std::string> names;
  if (const auto* key = Fresh().tree.Find(root, path))
    for (const RegValue& v : key->values) names.push_back(v.name);
  return names;
}

bool HasSubKeys(RootKey root, const std::string& path) {
  auto lock = Lock();
  const auto* key = Fresh().tree.Find(root, path);
  return key && !key->subkeys.empty();
}

std::optional<RegValue> FindValue(RootKey root, const std::string& path, std::string_view name) {
  auto lock = Lock();
  const auto* key = Fresh().tree.Find(root, path);
  const RegValue* v = key ? key->FindValue(name) : nullptr;
  if (!v) return std::nullopt;
  return *v;
}

bool SetValue(RootKey root, const std::string& path, RegValue value) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  auto* key = s.tree.Find(root, path);
  if (!key || !IsValidValueName(value.name)) return false;
  key->SetValue(std::move(value));
  Changed(s);
  return true;
}

bool DeleteValue(RootKey root, const std::string& path, std::string_view name) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  auto* key = s.tree.Find(root, path);
  if (!key || !key->DeleteValue(name)) return false;
  Changed(s);
  return true;
}

bool DeleteEmptyKey(RootKey root, const std::string& path) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  if (!s.tree.DeleteEmptyKey(root, path)) return false;
  Changed(s);
  return true;
}

void Import(std::string_view text) {
  const ProgramFolderLock folderLock;  // always before the store's mutex
  auto lock = Lock();
  Store& s = Fresh();
  s.tree = Applied(s.tree, text);
  Changed(s);
}

std::string Export(std::string_view keyPath) {
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

}  // namespace registry_store

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

}  // namespace vorlisk::platform
