// Profile files on top of the parsed text of ini_document.h and the whole-file operations of
// filesystem.h. Portable: the OS is reached only through ReadFileBytes, WriteFileAtomically and
// GetFileStamp.
#include "platform/profile.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/ini_document.h"
#include "platform/text.h"

namespace vorlisk::platform {

namespace {

// The parsed copy of one file, shared by every ProfileFile and ProfileBatch of that file.
struct CachedFile {
  bool loaded = false;             // doc is the parsed file as it was at `stamp`
  std::optional<FileStamp> stamp;  // nullopt: the file was missing
  bool unreadable = false;         // the file exists but could not be read: never overwrite it
  bool utf16 = false;              // the file is UTF-16LE with a byte-order mark: kept so
  IniDocument doc;
  int batchDepth = 0;
  bool pending = false;         // doc holds writes of an open batch not yet on disk
  bool checkedInBatch = false;  // doc was compared with the disk since the outermost batch began
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

// Never destroyed: the parsed copies of large files would only be freed, line by line, as the
// process ends, and a batch still open in another static's destructor finds it there.
std::unordered_map<std::string, CachedFile>& Cache() {
  static auto* cache = new std::unordered_map<std::string, CachedFile>;
  return *cache;
}

// One entry per file on disk, whatever the spelling of its path.
std::string CacheKey(std::string_view path) {
  std::string full = FullPathName(path);
  if (auto host = ToHostPath(full)) return *host;
  return full;
}

// The document as the file holds it now (plus the pending writes of an open batch).
// Inside a batch the file is looked at once: later reads are served from the parsed copy without
// asking the disk again, so loading a catalogue costs one parse and one stat per file.
const IniDocument& Current(CachedFile& entry, std::string_view path) {
  if (entry.pending || (entry.batchDepth > 0 && entry.loaded && entry.checkedInBatch))
    return entry.doc;
  entry.checkedInBatch = entry.batchDepth > 0;
  auto stamp = GetFileStamp(path);
  if (entry.loaded && stamp == entry.stamp) return entry.doc;
  // The stamp is taken before reading: a change made during the read is seen next time.
  const auto bytes = ReadFileBytes(path);
  entry.doc = IniDocument::Parse(DecodeProfileText(bytes ? *bytes : std::string(), entry.utf16));
  entry.unreadable = !bytes && GetFileStamp(path).has_value();
  entry.stamp = bytes ? stamp : std::nullopt;
  entry.loaded = true;
  return entry.doc;
}

// Writes the document; on failure forgets it, so the next read parses the file as it stayed.
void Save(CachedFile& entry, std::string_view path) {
  entry.pending = false;
  try {
    WriteFileAtomically(path, EncodeProfileText(entry.doc.Serialize(), entry.utf16));
  } catch (...) {
    entry.loaded = false;
    throw;
  }
  entry.stamp = GetFileStamp(path);
  entry.loaded = true;
}

// Applies one change; writes the file unless the change is deferred by a batch or changed nothing.
void Modify(std::string_view path, const std::string& key,
            const std::function<bool(IniDocument&)>& change) {
  const ProgramFolderLock folderLock;  // always before the cache's mutex
  std::lock_guard lock(CacheMutex());
  CachedFile& entry = Cache()[key];
  Current(entry, path);
  // Writing the parsed copy of a file that could not be read would replace what it holds.
  if (entry.unreadable) throw WriteError(std::string(path));
  if (!change(entry.doc)) return;
  if (entry.batchDepth > 0) {
    entry.pending = true;
    return;
  }
  Save(entry, path);
}

// Refuses what would not read back as written: a line break would make keys of its own; a key
// name beginning with "[" could make its line a section header, and one holding "=" would be
// split there. (A section name reads back whole: its header ends at the last "]".)
void RefuseUnreadable(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value) {
  // One pass over each text (find_first_of would search the set once per character).
  auto hasBreak = [](std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; });
  };
  if (hasBreak(section) || hasBreak(key) || hasBreak(value))
    throw Error("Unable to write to " + path +
                ": a section name, key name or value may not hold a line break");
  const std::string name = TrimProfileBlanks(key);
  if (name.starts_with('[') || name.find('=') != std::string::npos)
    throw Error("Unable to write to " + path +
                ": a key name may not begin with \"[\" nor hold \"=\"");
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)), key_(CacheKey(path_)) {}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  std::optional<std::string> stored;
  {
    std::lock_guard lock(CacheMutex());
    CachedFile& entry = Cache()[key_];
    stored = Current(entry, path_).Find(section, key);
  }
  if (stored) return UnquoteProfileValue(*stored, kProfileValueMax);
  // As GetPrivateProfileString does with its default: trailing blanks go, the length is capped.
  std::size_t end = def.size();
  while (end > 0 && def[end - 1] == ' ') --end;
  return std::string(def.substr(0, std::min(end, kProfileValueMax)));
}

int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                 int32_t def) const {
  int32_t value = def;
  if (!ParseInt32(ReadString(section, key, ""), value)) return def;
  return value;
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool ProfileFile::SectionExists(std::string_view section) const {
  std::lock_guard lock(CacheMutex());
  return Current(Cache()[key_], path_).HasSection(section);
}

bool ProfileFile::ValueExists(std::string_view section, std::string_view key) const {
  std::lock_guard lock(CacheMutex());
  return Current(Cache()[key_], path_).Find(section, key).has_value();
}

std::vector<std::string> ProfileFile::ReadSectionKeys(std::string_view section) const {
  std::lock_guard lock(CacheMutex());
  return Current(Cache()[key_], path_).SectionKeys(section);
}

void ProfileFile::Clear() {
  Modify(path_, key_, [](IniDocument& doc) {
    const bool changed = !doc.Serialize().empty();
    doc.Clear();
    return changed;
  });
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  RefuseUnreadable(path_, section, key, value);
  Modify(path_, key_, [&](IniDocument& doc) { return doc.Set(section, key, value); });
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::EraseSection(std::string_view section) noexcept {
  try {
    Modify(path_, key_, [&](IniDocument& doc) { return doc.EraseSection(section); });
  } catch (...) {
  }
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) noexcept {
  try {
    Modify(path_, key_, [&](IniDocument& doc) { return doc.DeleteKey(section, key); });
  } catch (...) {
  }
}

ProfileBatch::ProfileBatch(std::string path, OnException onException)
    : path_(std::move(path)),
      key_(CacheKey(path_)),
      onException_(onException),
      uncaught_(std::uncaught_exceptions()) {
  std::lock_guard lock(CacheMutex());
  CachedFile& entry = Cache()[key_];
  if (entry.batchDepth++ == 0) entry.checkedInBatch = false;
}

ProfileBatch::~ProfileBatch() {
  std::lock_guard lock(CacheMutex());
  CachedFile& entry = Cache()[key_];
  if (--entry.batchDepth > 0 || !entry.pending) return;
  if (onException_ == DiscardWrites && std::uncaught_exceptions() > uncaught_) {
    // The next read parses the file as it stayed on disk.
    entry.pending = false;
    entry.loaded = false;
    return;
  }
  try {
    Save(entry, path_);
  } catch (...) {
    // A destructor cannot report; the file and the cache agree with each other either way.
  }
}

void ProfileBatch::Commit() {
  std::lock_guard lock(CacheMutex());
  CachedFile& entry = Cache()[key_];
  if (entry.pending && entry.batchDepth == 1) Save(entry, path_);
}

void ClearProfileCache() {
  std::lock_guard lock(CacheMutex());
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end();) {
    if (it->second.batchDepth > 0) {
      // An open batch keeps its entry and its pending writes; a clean copy is parsed again.
      if (!it->second.pending) it->second.loaded = false;
      ++it;
    } else {
      it = cache.erase(it);
    }
  }
}

}  // namespace vorlisk::platform
