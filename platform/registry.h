// The registry accessor: a current root key and at most one open key, opened with full access.
//
// Contract (the Windows registry's, reproduced by the emulated store on POSIX):
// - Key and value names compare without regard to case and keep the case they were created with;
//   a trailing blank makes a different name.
// - A subkey path with a leading "\" is absolute to the root (the accessor strips the "\" before
//   the platform call, which refuses it); without it the path is relative to the open key, or to
//   the root when none is open. Trailing backslashes are ignored. An empty path is the root itself.
// - OpenKey never creates a key unless asked to.
// - Subkeys enumerate sorted without regard to case; values enumerate in creation order.
//
// On POSIX the registry is an emulated store persisted in ".reg" export format (see
// SetRegistryFile and registry_store.h), saved atomically and parsed again when it changed on
// disk; every change is made under the program folder's lock (file_lock.h) on the store as it is
// on disk then. RegistryBatch defers its saves so that a wash deleting many keys saves it once.
// On Windows the accessor is the system's registry, except while a store file is set (tests set
// one): then it is the emulated store, exactly as on POSIX.
//
// Threads: the emulated store is process-wide and guarded by a mutex (taken after the program
// folder's lock); an accessor object (its root and open key) belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/file_lock.h"

namespace vorlisk::platform {

enum class RootKey {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  PerformanceData,
  CurrentConfig,
  DynData
};
// "HKEY_CLASSES_ROOT" ... "HKEY_DYN_DATA".
const char* RootKeyName(RootKey root);
// Exact full name (any case of a to z) to root; nullopt for anything else, abbreviations included.
std::optional<RootKey> RootKeyFromName(std::string_view name);

enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegResourceList = 8,
  kRegQword = 11
};

// "Invalid data type for '%s'", raised when a text value is read from a value of another type.
class RegistryError : public Error {
 public:
  using Error::Error;
};

// The store file of the emulated registry cannot be understood (POSIX): raised by every read and
// every change, with the file's name and the line that stops the parse, so that a damaged store
// never reads as an empty registry nor gets overwritten.
class RegistryStoreError : public Error {
 public:
  using Error::Error;
};

class Registry {
 public:
  Registry();
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  RootKey GetRootKey() const { return root_; }
  void SetRootKey(RootKey root);  // closes the open key

  // Opens an existing key (or creates it when canCreate), closing the one open before.
  bool OpenKey(std::string_view path, bool canCreate = false);
  void CloseKey();
  bool HasOpenKey() const;
  // Full path of the open key below the root, without leading "\".
  std::string CurrentPath() const;

  // Of the open key:
  std::vector<std::string> GetKeyNames() const;    // direct subkeys, enumeration order
  std::vector<std::string> GetValueNames() const;  // values, enumeration order ("" = default value)
  bool HasSubKeys() const;
  bool ValueExists(std::string_view name) const;
  std::optional<uint32_t> GetDataType(std::string_view name) const;
  std::optional<std::vector<uint8_t>> ReadBinary(std::string_view name) const;
  // Text of a kRegSz or kRegExpandSz value as stored; "" when missing; RegistryError otherwise.
  std::string ReadString(std::string_view name) const;
  void WriteString(std::string_view name, std::string_view value);  // throws Error on failure
  void WriteValue(std::string_view name, uint32_t type, const std::vector<uint8_t>& data);
  bool DeleteValue(std::string_view name);

  // Deletes a key that has no subkeys (as RegDeleteKey does); the path is relative to the open key,
  // or absolute with a leading "\". False when missing, not empty, or refused.
  bool DeleteKey(std::string_view path);
  bool KeyExists(std::string_view path) const;

 private:
  RootKey root_ = RootKey::CurrentUser;
  std::string openPath_;
  bool open_ = false;
};

// Defers saving the emulated store until the outermost batch ends (with the system's registry it
// only holds the lock). The end of a batch cannot report a failed save; Commit can. A batch holds
// the program folder's lock (file_lock.h) for its whole life: open one only around work that
// never waits for the user.
class RegistryBatch {
 public:
  RegistryBatch();
  ~RegistryBatch();
  // Of the outermost batch: saves its changes now. Throws WriteError when they cannot be saved
  // (they stay in memory, to be saved by the next save).
  void Commit();
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;

 private:
  ProgramFolderLock lock_;
};

// Whether the system has a registry of its own (Windows), which the program then uses; false on
// POSIX, where the registry is the emulated store.
bool HasSystemRegistry();

// The file (Windows path text) that holds the emulated registry; set at start-up to the program
// folder + "registry.reg" where the system has no registry. Until set, the emulated registry is
// empty and kept in memory only (POSIX); on Windows an empty path means the system's registry.
void SetRegistryFile(std::string_view path);
std::string RegistryFile();
bool RegistryFileExists();

// Imports a ".reg" file ("REGEDIT4" or "Windows Registry Editor Version 5.00"); throws Error with
// the line number for a malformed file. Keys are created as needed; "[-path]" deletes a subtree and
// "name"=- deletes a value.
void ImportRegistryText(std::string_view text);
void ImportRegistryFile(std::string_view path);
// Exports a key's subtree (full path such as "HKEY_CURRENT_USER\Software"; empty = everything) as
// ".reg" text in version 5 layout, 8-bit. Throws Error when the key does not exist.
std::string ExportRegistryText(std::string_view keyPath);

}  // namespace vorlisk::platform
